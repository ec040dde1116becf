#define VERTICAL 1
#define RANDOM 0
#include "raster.hlsli"
