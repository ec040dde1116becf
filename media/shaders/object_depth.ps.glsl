#version 450
#extension GL_GOOGLE_include_directive : require
#define TEXTURED
#define DEPTH
#include "object.glsl"
