#define BOUNDARY 1
#include "chroma_key.hlsli"
