#define EDGE_MODE 0
#include "edge.hlsli"
