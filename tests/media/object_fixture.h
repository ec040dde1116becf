#pragma once
// Drawing objects into small frames, and a processor model of the object
// shaders written from their rules: the blend step, the depth and
// transparency step, the normal buffers and the frame's premultiplied "over".
#include "media/object_draw.h"
#include "media/render_buffer.h"
#include "media/vertex_list.h"
#include "tests/media/reference.h"

namespace TestKit {

class ObjectFixture : public GpuFixture {
protected:
    std::unique_ptr<Media::RenderBuffer> makeFrame(int width, int height, const Picture& content)
    {
        auto frame = std::make_unique<Media::RenderBuffer>(Media::Format::R16G16B16A16Float);
        frame->createTexture2D(width, height);
        auto picture = upload(content, width, height);
        shaders->copyShader.copyToRenderBuffer(*frame, *picture);
        return frame;
    }

    Picture readFrame(Media::RenderBuffer& frame)
    {
        auto image = frame.readImageBuffer();
        Picture out(size_t(frame.getWidth()) * frame.getHeight());
        for (uint32_t y = 0; y < frame.getHeight(); ++y) {
            const auto* row = reinterpret_cast<const uint16_t*>(image->row(y));
            for (uint32_t x = 0; x < frame.getWidth(); ++x)
                for (int c = 0; c < 4; ++c)
                    out[size_t(y) * frame.getWidth() + x][c] = halfToFloat(row[4 * x + c]);
        }
        return out;
    }

    std::vector<float> readFloats(const Media::ResourceBuffer& buffer)
    {
        auto image = buffer.readImageBuffer();
        std::vector<float> out(size_t(buffer.getWidth()) * buffer.getHeight());
        for (uint32_t y = 0; y < buffer.getHeight(); ++y)
            std::memcpy(&out[size_t(y) * buffer.getWidth()], image->row(y), buffer.getWidth() * 4);
        return out;
    }

    // Raw bytes of the frame and its companions (for same-bytes checks).
    std::string snapshot(Media::RenderBuffer& frame)
    {
        std::string bytes;
        auto add = [&](const std::shared_ptr<Media::ImageBuffer>& image) {
            bytes.append(reinterpret_cast<const char*>(image->data()), image->buffer.size);
        };
        add(frame.readImageBuffer());
        for (auto* companion : frame.getCompanions())
            if (companion)
                add(companion->readImageBuffer());
        return bytes;
    }

    // Pixel coordinates (y down) onto clip space; z kept, w 1.
    static Media::ObjectConstant pixelProjection(int width, int height)
    {
        Media::ObjectConstant c;
        c.projection[0][0] = 2.0f / width;
        c.projection[0][3] = -1.0f;
        c.projection[1][1] = -2.0f / height;
        c.projection[1][3] = 1.0f;
        c.projection[2][2] = 1.0f;
        c.projection[3][3] = 1.0f;
        for (int i = 0; i < 4; ++i)
            c.normalWorld[i][i] = 1.0f;
        return c;
    }

    // The vertex z at which the depth shaders see the depth d (z = 51.2 / depth);
    // depths below 51.2 lie outside the clip volume.
    static float depthZ(float d) { return 51.2f / d; }

    // Binds the frame, its companions, constants, sources and states, and the
    // list's shaders; draws; unbinds.
    void drawObject(Media::RenderBuffer& frame, Media::VertexList& list, Media::ObjectDraw::Companions companions,
                    const Media::ObjectConstant& constants, Media::ResourceBuffer* picture = nullptr,
                    Media::ResourceBuffer* frameCopy = nullptr, uint32_t sampler = 6, bool withNormal = false)
    {
        Media::ObjectDraw::setTarget(frame, companions);
        Media::ObjectDraw::setConstants(constants);
        Media::ObjectDraw::setSources(picture, samplers->get(sampler), frameCopy);
        d3d->bindRasterizerState(rasterizers->get(0));
        d3d->bindBlendState(blends->get(0), nullptr);
        using C = Media::ObjectDraw::Companions;
        if (companions == C::None)
            list.setShader();
        else if (companions == C::Depth)
            list.setShaderDepth();
        else
            list.setShaderDepthNormal();
        if (withNormal || companions == C::DepthNormal)
            list.drawWithNormal();
        else
            list.draw();
        Media::ObjectDraw::clear();
    }
};

// The processor model of a frame with its companions.
struct FrameModel {
    int w = 0, h = 0;
    Picture frame, layer, normal, layerNormal;
    std::vector<float> depth, layerDepth;

    FrameModel(int width, int height, const Picture& content)
        : w(width), h(height), frame(content), layer(size_t(width) * height, Pixel{0, 0, 0, 0}),
          normal(size_t(width) * height, Pixel{0, 0, 0, -1}), layerNormal(normal),
          depth(size_t(width) * height, 1e10f), layerDepth(depth)
    {
    }

    static Pixel half(const Pixel& p) { return {toHalf(p[0]), toHalf(p[1]), toHalf(p[2]), toHalf(p[3])}; }
    static Pixel over(const Pixel& s, const Pixel& d)
    {
        return half({s[0] + d[0] * (1 - s[3]), s[1] + d[1] * (1 - s[3]), s[2] + d[2] * (1 - s[3]), s[3] + d[3] * (1 - s[3])});
    }
    static Pixel scaled(const Pixel& p, float k) { return {p[0] * k, p[1] * k, p[2] * k, p[3] * k}; }

    // One fragment at pixel i with colour s (premultiplied) and fade, through
    // the blend step (destination from frameCopy), then, with depth, the
    // depth and transparency step at depth z; the frame composites "over".
    void fragment(size_t i, const Pixel& s, float fade, int blend, const Picture& frameCopy, bool withDepth, float z,
                  const Pixel* n = nullptr)
    {
        Pixel o;
        if (blend == 0) {
            o = scaled(s, fade);
        } else {
            if (s[3] < 0.001f)
                return;
            Pixel d = frameCopy[i];
            if (withDepth && layerDepth[i] < depth[i])
                d = Pixel{layer[i][0] + d[0] * (1 - layer[i][3]), layer[i][1] + d[1] * (1 - layer[i][3]),
                          layer[i][2] + d[2] * (1 - layer[i][3]), layer[i][3] + d[3] * (1 - layer[i][3])};
            o = Reference::blendMode(blend, s, d, fade);
        }
        if (!withDepth) {
            frame[i] = over(o, frame[i]);
            return;
        }
        const float k = depth[i] - z + 0.5f;
        if (!(k > 0))
            return;
        if (k < 1) {
            frame[i] = over(scaled(o, k), frame[i]);
            return;
        }
        if (o[3] < 0.99f) {
            if (o[3] < 0.001f)
                return;
            const Pixel t = layer[i];
            const bool nearer = layerDepth[i] >= z;
            if (nearer) {
                layerDepth[i] = z;
                layer[i] = half({t[0] * (1 - o[3]) + o[0], t[1] * (1 - o[3]) + o[1], t[2] * (1 - o[3]) + o[2],
                                 t[3] * (1 - o[3]) + o[3]});
            } else {
                layer[i] = half({o[0] * (1 - t[3]) + t[0], o[1] * (1 - t[3]) + t[1], o[2] * (1 - t[3]) + t[2],
                                 o[3] * (1 - t[3]) + t[3]});
            }
            const bool dominates = nearer ? o[3] >= (1 - o[3]) * t[3] : t[3] < (1 - t[3]) * o[3];
            if (n && dominates)
                layerNormal[i] = half(*n);
            return;
        }
        if (z < layerDepth[i]) {
            layerDepth[i] = z;
            layer[i] = {0, 0, 0, 0};
            if (n)
                layerNormal[i] = {0, 0, 0, -1};
        }
        depth[i] = z;
        if (n)
            normal[i] = half(*n);
        frame[i] = over(o, frame[i]);
    }

    // The transparency resolve: the layer "over" the frame where it lies in
    // front of the stored surface.
    void resolve()
    {
        for (size_t i = 0; i < frame.size(); ++i)
            if (layerDepth[i] < depth[i])
                frame[i] = over(layer[i], frame[i]);
    }
};

inline ::testing::AssertionResult nearFloats(const std::vector<float>& got, const std::vector<float>& want,
                                             float tolerance = 1e-5f)
{
    if (got.size() != want.size())
        return ::testing::AssertionFailure() << "size " << got.size() << " != " << want.size();
    for (size_t i = 0; i < got.size(); ++i)
        if (!(std::isfinite(got[i]) && std::isfinite(want[i]) &&
              (got[i] == want[i] || std::fabs(got[i] - want[i]) <= tolerance * std::max(1.0f, std::fabs(want[i])))))
            return ::testing::AssertionFailure() << "element " << i << ": got " << got[i] << ", want " << want[i];
    return ::testing::AssertionSuccess();
}

} // namespace TestKit
