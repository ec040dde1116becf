# velmora_shaders(<target> <source>...)
# Compiles each shader source beside the code to SPIR-V at build time and
# embeds it: "media/shaders/copy.ps.hlsl" becomes the generated header
# "media/shaders/copy.ps.hlsl.h" holding the array `copy_ps_hlsl`. The stage
# comes from the name (.vs, .ps, .cs). HLSL registers land on the bindings of
# the device's one scheme: b at 0 (vertex shaders: 8), t at 16, s at 32, u at 48.
find_program(GLSLANG_VALIDATOR glslangValidator REQUIRED)

function(velmora_shaders target)
  set(outputs)
  foreach(source ${ARGN})
    get_filename_component(absolute ${source} ABSOLUTE)
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${absolute})
    get_filename_component(name ${absolute} NAME)
    string(MAKE_C_IDENTIFIER ${name} symbol)
    set(output ${PROJECT_BINARY_DIR}/generated/${relative}.h)
    if(name MATCHES "\\.vs\\.")
      set(stage vert)
      set(cbuffer 8)
    elseif(name MATCHES "\\.cs\\.")
      set(stage comp)
      set(cbuffer 0)
    else()
      set(stage frag)
      set(cbuffer 0)
    endif()
    set(language)
    if(name MATCHES "\\.hlsl$")
      set(language -D -e main -fhlsl_functionality1 --hlsl-iomap --hlsl-offsets)
    endif()
    get_filename_component(folder ${output} DIRECTORY)
    add_custom_command(
      OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND ${GLSLANG_VALIDATOR} -V --target-env vulkan1.3 -S ${stage} ${language}
              --shift-UBO-binding ${cbuffer} --shift-texture-binding 16 --shift-sampler-binding 32
              --shift-uav-binding 48 --shift-image-binding 48
              -I${PROJECT_SOURCE_DIR}/media/shaders
              --vn ${symbol} --depfile ${output}.d -o ${output} ${absolute}
      DEPENDS ${absolute}
      DEPFILE ${output}.d
      COMMENT "Compiling shader ${relative}"
      VERBATIM)
    list(APPEND outputs ${output})
  endforeach()
  target_sources(${target} PRIVATE ${outputs})
  target_include_directories(${target} PRIVATE ${PROJECT_BINARY_DIR}/generated)
endfunction()
