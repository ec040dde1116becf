// How the pixel functions write a premultiplied colour c over a pixel d:
// blend < 0 replaces; 0 composites over; 1 adds; 2 subtracts; 3 multiplies;
// any other value replaces.
vec4 blendPixel(vec4 d, vec4 c, int blend)
{
    vec4 under = d * (1.0 - c.a);
    switch (blend) {
    case 0: return under + c;
    case 1: return under + vec4(d.rgb * c.a + c.rgb, c.a);
    case 2: return under + vec4(d.rgb * c.a - c.rgb, c.a);
    case 3: return under + vec4(d.rgb * c.rgb, c.a);
    default: return c;
    }
}

// Outside the picture a load gives zero and a store is dropped.
bool inside(ivec2 p, ivec2 size) { return all(greaterThanEqual(p, ivec2(0))) && all(lessThan(p, size)); }
