// The shader compiler process ("velmora2-hlsl --serve <fd>"): compiles one
// HLSL request of the program that started it (platform/gpu/hlsl_compiler.h).
#include "platform/gpu/hlsl_compiler.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--serve") == 0)
        return Platform::Gpu::runHlslCompilerProcess(std::atoi(argv[2]));
    std::fprintf(stderr, "%s is started by the program to compile shaders\n", argv[0]);
    return 2;
}
