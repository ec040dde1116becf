#define MODE 2
#define VERTICAL 1
#include "box_blur.hlsli"
