#define MODE 1
#define VERTICAL 1
#include "box_blur.hlsli"
