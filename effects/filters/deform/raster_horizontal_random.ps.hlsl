#define VERTICAL 0
#define RANDOM 1
#include "raster.hlsli"
