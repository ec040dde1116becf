#define EDGE_MODE 2
#include "edge.hlsli"
