#define MODE 1
#define VERTICAL 0
#include "box_blur.hlsli"
