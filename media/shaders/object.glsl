// The object pixel shaders, built from one source:
//   TEXTURED: the colour is a sample of "texture0" (else the vertex colour);
//   DEPTH: depth test, soft intersections and the one-layer transparency
//          buffer, read and written as storage images (u1 to u3);
//   NORMALS: also the normal buffers (u4, u5);
//   ORDERED: the read-modify-write of the storage images runs in a critical
//          section ordered by primitive (fragment-shader interlock). Without
//          it the caller keeps overlapping primitives in separate draws.
// Bindings are the register numbers (b0, t0, t1, s0, u1 ...); the build moves
// each class onto the device's one binding scheme.
#extension GL_EXT_samplerless_texture_functions : require
#ifdef ORDERED
#extension GL_ARB_fragment_shader_interlock : require
layout(pixel_interlock_ordered) in;
#define BEGIN_ORDERED beginInvocationInterlockARB()
#define END_ORDERED endInvocationInterlockARB()
#else
#define BEGIN_ORDERED
#define END_ORDERED
#endif

#include "blend_mode.glsl"

layout(binding = 0, std140) uniform Constant {
    vec4 projection[4];
    float alpha;
    int blend;
    vec4 normalWorld[4];
    float shine;
};

#ifdef TEXTURED
layout(binding = 0) uniform texture2D texture0;
layout(binding = 0) uniform sampler sampler0;
layout(location = 0) in vec3 texCoord; // u, v, fade
#else
layout(location = 0) in vec4 vertexColor; // premultiplied and faded
#endif
layout(binding = 1) uniform texture2D frameBuffer;

#ifdef DEPTH
layout(binding = 1, r32f) uniform coherent image2D depthBuffer;
layout(binding = 2, rgba16f) uniform coherent image2D transparentBuffer;
layout(binding = 3, r32f) uniform coherent image2D transparentDepthBuffer;
#endif
#ifdef NORMALS
layout(location = 1) in vec4 surfaceNormal; // (normal, shine)
layout(binding = 4, rgba16f) uniform coherent image2D normalBuffer;
layout(binding = 5, rgba16f) uniform coherent image2D normalTransparentBuffer;
#endif

layout(location = 0) out vec4 target;

bool inside(ivec2 p, ivec2 size) { return all(greaterThanEqual(p, ivec2(0))) && all(lessThan(p, size)); }

vec4 loadFrame(ivec2 p)
{
    return inside(p, textureSize(frameBuffer, 0)) ? texelFetch(frameBuffer, p, 0) : vec4(0.0);
}

#ifdef DEPTH
// Outside the picture a load gives zero and a store is dropped.
#define LOAD_DEPTH(image, p) (inside(p, imageSize(image)) ? imageLoad(image, p).r : 0.0)
#define LOAD_COLOR(image, p) (inside(p, imageSize(image)) ? imageLoad(image, p) : vec4(0.0))
#define STORE(image, p, v)                                                                                            \
    if (inside(p, imageSize(image)))                                                                                  \
        imageStore(image, p, v)
#endif

#ifdef TEXTURED
// One sample while the pixel covers about one texel; else the mean of an
// n.x x n.y grid over the pixel's footprint (n at most 16 per axis).
vec4 sampleTexture(vec2 uv)
{
    vec2 size = vec2(textureSize(texture0, 0));
    vec2 f = (abs(dFdxCoarse(uv)) + abs(dFdyCoarse(uv))) * size;
    if (f.x < 1.05 && f.y < 1.05)
        return textureLod(sampler2D(texture0, sampler0), uv, 0.0);
    ivec2 n = ivec2(min(max(f * 0.5 + 1.5, vec2(1.0)), vec2(16.0)));
    vec2 footprint = f / size;
    vec2 stepSize = footprint / vec2(n);
    vec4 sum = vec4(0.0);
    for (int y = 0; y < n.y; ++y)
        for (int x = 0; x < n.x; ++x) {
            vec2 at = uv - footprint * 0.5 + (vec2(x, y) + 0.5) * stepSize;
            sum += textureGrad(sampler2D(texture0, sampler0), at, vec2(stepSize.x, 0.0), vec2(0.0, stepSize.y));
        }
    return sum / float(n.x * n.y);
}
#endif

void main()
{
    ivec2 p = ivec2(gl_FragCoord.xy);
#ifdef TEXTURED
    vec4 s = sampleTexture(texCoord.xy);
    float fade = texCoord.z;
#else
    vec4 s = vertexColor;
    float fade = 1.0;
#endif
#ifdef NORMALS
    vec4 n = vec4(gl_FrontFacing ? surfaceNormal.xyz : -surfaceNormal.xyz, shine);
#endif
    bool draw = true;
    vec4 o = vec4(0.0);

    BEGIN_ORDERED;
#ifdef DEPTH
    float stored = LOAD_DEPTH(depthBuffer, p);
    float layerDepth = LOAD_DEPTH(transparentDepthBuffer, p);
    vec4 layer = LOAD_COLOR(transparentBuffer, p);
#endif
    if (blend == 0) {
        o = s * fade;
    } else if (s.a < 0.001) {
        draw = false;
    } else {
        vec4 d = loadFrame(p);
#ifdef DEPTH
        // Where the transparent layer lies in front of the stored surface the
        // picture seen is that layer over the frame.
        if (layerDepth < stored)
            d = layer + d * (1.0 - layer.a);
#endif
        o = blendModeColor(blend, s, d, fade);
    }
#ifdef DEPTH
    float z = 51.2 / gl_FragCoord.z;
    float k = stored - z + 0.5;
    if (draw) {
        if (!(k > 0.0)) {
            draw = false; // hidden
        } else if (k < 1.0) {
            o *= k; // within half a unit of the stored surface: a soft edge, no buffer written
        } else if (o.a < 0.99) {
            draw = false; // transparent: merged into the layer, resolved onto the frame later
            if (o.a >= 0.001) {
                bool nearer = layerDepth >= z;
                if (nearer) {
                    STORE(transparentDepthBuffer, p, vec4(z));
                    STORE(transparentBuffer, p, layer * (1.0 - o.a) + o);
                } else {
                    STORE(transparentBuffer, p, o * (1.0 - layer.a) + layer);
                }
#ifdef NORMALS
                bool dominates = nearer ? o.a >= (1.0 - o.a) * layer.a : layer.a < (1.0 - layer.a) * o.a;
                if (dominates)
                    STORE(normalTransparentBuffer, p, n);
#endif
            }
        } else {
            if (z < layerDepth) {
                // In front of the transparent layer: the layer is hidden.
                STORE(transparentDepthBuffer, p, vec4(z));
                STORE(transparentBuffer, p, vec4(0.0));
#ifdef NORMALS
                STORE(normalTransparentBuffer, p, vec4(0.0, 0.0, 0.0, -1.0));
#endif
            }
            STORE(depthBuffer, p, vec4(z));
#ifdef NORMALS
            STORE(normalBuffer, p, n);
#endif
        }
    }
#endif
    END_ORDERED;
    if (!draw)
        discard;
    target = o;
}
