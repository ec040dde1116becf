#version 450
#extension GL_GOOGLE_include_directive : require
#define MODE 0
#define VERTICAL 0
#include "box_tent_line.glsl"
