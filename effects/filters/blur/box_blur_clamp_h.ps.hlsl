#define MODE 2
#define VERTICAL 0
#include "box_blur.hlsli"
