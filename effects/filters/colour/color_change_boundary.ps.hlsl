#define BOUNDARY 1
#include "color_change.hlsli"
