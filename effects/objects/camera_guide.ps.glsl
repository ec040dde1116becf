#version 450
#extension GL_GOOGLE_include_directive : require
// The camera control's guide lines and frustum faces, drawn through the
// object vertex shader into a frame under a camera: depth-tested against the
// opaque surface, merged into the one-layer transparency buffer when
// translucent, faded with distance, and softened at the line's edges by how
// far the texture coordinate leaves 0..1 within a pixel.
// Bindings are the register numbers (b0, u1 to u3); the build moves each
// class onto the device's one binding scheme.
layout(binding = 0, std140) uniform GuideColor {
    vec4 color;
};
layout(binding = 1, r32f) uniform coherent image2D depthBuffer;
layout(binding = 2, rgba16f) uniform coherent image2D transparentBuffer;
layout(binding = 3, r32f) uniform coherent image2D transparentDepthBuffer;
layout(location = 0) in vec3 texCoord; // u along the line, v across it, fade
layout(location = 0) out vec4 target;

bool inside(ivec2 p, ivec2 size) { return all(greaterThanEqual(p, ivec2(0))) && all(lessThan(p, size)); }
#define LOAD_DEPTH(image, p) (inside(p, imageSize(image)) ? imageLoad(image, p).r : 0.0)
#define LOAD_COLOR(image, p) (inside(p, imageSize(image)) ? imageLoad(image, p) : vec4(0.0))
#define STORE(image, p, v)                                                                                            \
    if (inside(p, imageSize(image)))                                                                                  \
        imageStore(image, p, v)

// How far x lies outside 0..1.
float outside(float x) { return (max(x, 1.0) - 1.0) - min(x, 0.0); }
float spread(float x, float dx, float dy) { return outside(x - dx) + outside(x + dx) + outside(x - dy) + outside(x + dy); }

void main()
{
    // Derivatives first: every invocation of the quad still runs here.
    float u = texCoord.x, v = texCoord.y;
    float su = spread(u, dFdx(u), dFdy(u));
    float sv = spread(v, dFdx(v), dFdy(v));
    float coverage = max(1.0 - abs(sv - su), 0.0);
    ivec2 p = ivec2(gl_FragCoord.xy);
    float d = 51.2 / gl_FragCoord.z;
    float stored = LOAD_DEPTH(depthBuffer, p);
    float m = stored - d + 0.5;
    if (!(m > 0.0))
        discard;
    vec4 o = color * coverage * (1.0 - min(d * 0.000001, 1.0));
    if (m < 1.0) {
        target = o * m; // within half a unit of the surface: no buffer written
        return;
    }
    if (o.a < 0.99) {
        if (o.a >= 0.001) {
            float layerDepth = LOAD_DEPTH(transparentDepthBuffer, p);
            vec4 layer = LOAD_COLOR(transparentBuffer, p);
            if (layerDepth >= d) {
                STORE(transparentDepthBuffer, p, vec4(d));
                STORE(transparentBuffer, p, layer * (1.0 - o.a) + o);
            } else {
                STORE(transparentBuffer, p, o * (1.0 - layer.a) + layer);
            }
        }
        discard;
    }
    if (d < LOAD_DEPTH(transparentDepthBuffer, p)) {
        STORE(transparentDepthBuffer, p, vec4(d));
        STORE(transparentBuffer, p, vec4(0.0));
    }
    STORE(depthBuffer, p, vec4(d));
    target = o;
}
