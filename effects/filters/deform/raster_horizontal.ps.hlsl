#define VERTICAL 0
#define RANDOM 0
#include "raster.hlsli"
