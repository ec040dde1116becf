#define EDGE_MODE 1
#include "edge.hlsli"
