#define VERTICAL 1
#define RANDOM 1
#include "raster.hlsli"
