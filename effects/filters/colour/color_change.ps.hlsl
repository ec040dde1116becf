#define BOUNDARY 0
#include "color_change.hlsli"
