#pragma once
// ぼかし, and the box-blur core that many effects borrow through its
// prototype: a separable blur in one-axis passes with three edge modes, on
// compute shaders (running sums), or on pixel shaders when asked.
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"
#include "media/shader_resource.h"

namespace Effect {

struct BokashiResource : Resource::ShaderStateResource, Resource::ShaderResource {
    BokashiResource();
    struct Block {
        int32_t width; // of the pass's output
        int32_t height;
        int32_t range;
        float divide; // 1 / (2 range + 1)
    };
    // Both boxes of one axis in one compute pass.
    struct TentBlock {
        int32_t width; // of the pass's output
        int32_t height;
        int32_t rangeA; // the first box
        int32_t rangeB; // the second
        float divide;   // 1 / ((2 rangeA + 1) (2 rangeB + 1))
        float padding[3];
    };
    // By edge mode and axis: grow, transparent, clamped; horizontal, vertical.
    Media::PixelShader pixelShaders[6];
    Media::ComputeShader tentShaders[6];
    // One growing box, horizontal and vertical (boxBlur's compute path).
    Media::ComputeShader computeShaders[2];
    FilterPass::ConstantSet<Block> constants;
    FilterPass::ConstantSet<TentBlock> tentConstants;
};

class BokashiFilter : public ShaderFilterEffect<BokashiFilter, BokashiResource, EffectBase>,
                      public Media::Direct3DInstance {
public:
    static constexpr const wchar_t* Name = L"ぼかし";
    using CommonResource = BokashiResource;
    // Edge modes: the canvas grows by the radii; kept with transparent
    // edges; kept with the border pixels repeated.
    enum Mode { Grow = 0, Transparent = 1, Clamp = 2 };
    enum class Path { Pixel, Compute };
    // The compute passes take over from this sum of the two radii on (their
    // cost does not grow with the radius, and on the software device they
    // are faster from the smallest radii on); both paths give the same picture.
    static constexpr int ComputeRange = 2;
    // Lines one compute thread group walks (the shaders' local size).
    static constexpr uint32_t LinesPerGroup = 16;

    BokashiFilter();

    // The shader set, made on the registry's prototype; the resource service's
    // blurred wipes then blur through the prototype too.
    void createCommonResource() override;
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    // The box blur of range pixels: each radius split in two halves, two
    // boxes per axis (a tent-shaped kernel): four one-axis passes on the pixel
    // path, one pass per axis on the compute path; aspect -1..1 shortens the
    // vertical (> 0) or horizontal (< 0) radius. Range 0 returns the image itself.
    Picture blurImage(Picture image, int range, float aspect, int mode);
    // The same on the given path (the call above picks the compute path from
    // ComputeRange on).
    Picture blurImage(Picture image, int range, float aspect, int mode, Path path);
    // One box pass per axis of the radius, growing the canvas by it on every side.
    Picture boxBlur(Picture image, unsigned radius);

    // One one-axis pass into a new output of width x height; radius 0 returns
    // the image. The caller has bound the constant buffer to the stage.
    Picture blurPass(Picture image, Media::PixelShader& shader, int width, int height, int radius);
    Picture blurPassCompute(Picture image, Media::ComputeShader& shader, int width, int height, int radius,
                            bool vertical);

    EffectItemNumber range{items, L"範囲", 5, 0, 1000, 1};
    EffectItemNumber aspect{items, L"縦横比", 0, -100, 100, 0.01};
    EffectItemNumber light{items, L"光の強さ", 0, 0, 60, 0.1};
    EffectItemCheck fixedSize{items, L"サイズ固定", false};

private:
    // The four passes of rv and rh in mode on one path.
    Picture runPasses(Picture image, int rv, int rh, int mode, Path path);
    // One pass on the path: mode's shader for the axis.
    Picture pass(Picture image, bool vertical, int radius, int mode, Path path);
    // Both boxes of one axis (radii a >= b) in one compute pass.
    Picture tentPass(Picture image, bool vertical, int a, int b, int mode);
};

} // namespace Effect
