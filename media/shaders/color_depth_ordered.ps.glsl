#version 450
#extension GL_GOOGLE_include_directive : require
#define DEPTH
#define ORDERED
#include "object.glsl"
