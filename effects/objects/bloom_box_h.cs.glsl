#version 450
#extension GL_GOOGLE_include_directive : require
#define VERTICAL 0
#include "bloom_box.glsl"
