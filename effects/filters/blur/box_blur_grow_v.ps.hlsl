#define MODE 0
#define VERTICAL 1
#include "box_blur.hlsli"
