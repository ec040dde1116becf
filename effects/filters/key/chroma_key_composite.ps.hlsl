#define BOUNDARY 0
#include "chroma_key.hlsli"
