#define MODE 0
#define VERTICAL 0
#include "box_blur.hlsli"
