# velmora_library(<name> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# A static library whose headers are included from the repository root
# ("core/ini_file.h").
function(velmora_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
endfunction()

# Test code is compiled lighter than the program: -O1 and line tables only
# halve the compile time of a test file (stack traces keep their lines), and
# the tests are most of the build. Sanitizer builds keep their own flags.
function(velmora_test_flags target)
  if(NOT VELMORA_SANITIZE AND NOT VELMORA_TSAN)
    target_compile_options(${target} PRIVATE -O1 -g1)
  endif()
endfunction()

# velmora_test(<name> LABEL <folder> SOURCES ... LIBS ...)
# One GoogleTest executable per area. Each test case runs as its own ctest
# entry (a process of its own), labelled by the folder it tests.
function(velmora_test name)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE velmora_test_support ${ARG_LIBS} GTest::gtest)
  velmora_test_flags(${name})
  add_dependencies(${name} velmora_data)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${VELMORA_BIN_DIR}
    PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT})
endfunction()
