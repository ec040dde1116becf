#define FIXED
#include "bokeh_grow.ps.hlsl"
