#version 450
#extension GL_GOOGLE_include_directive : require
#define MODE 1
#define VERTICAL 0
#include "box_tent_line.glsl"
