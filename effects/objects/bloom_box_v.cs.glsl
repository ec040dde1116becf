#version 450
#extension GL_GOOGLE_include_directive : require
#define VERTICAL 1
#include "bloom_box.glsl"
