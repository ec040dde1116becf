#include "effects/filters/blur/blur_filter.h"

#include "platform/gpu/gpu.h"
#include "render/render_object.h"

#include "effects/filters/blur/radial_blur.ps.hlsl.h"

#include <algorithm>
#include <cmath>

namespace Effect {

using namespace FilterPass;

RadialBlurResource::RadialBlurResource() { load(shader, radial_blur_ps_hlsl); }

BlurFilter::BlurFilter() : ShaderFilterEffect(Name, L"ぼかし") {}

Picture BlurFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    return radialBlur(*picture, object.drawState.cx, object.drawState.cy, static_cast<float>(range.getValue(object)),
                      static_cast<float>(x.getValue(object)), static_cast<float>(y.getValue(object)), fixedSize.value);
}

Picture BlurFilter::radialBlur(Media::ResourceBuffer& image, float& drawCx, float& drawCy, float strength, float x,
                               float y, bool fixedSize)
{
    const int W = widthOf(image), H = heightOf(image);
    if (!(strength > 0)) {
        return image.clone();
    }
    // At 100 the zoom would be infinite (and its conversion to an integer undefined).
    const float s = std::min(strength, MaxStrength);
    const float fw = static_cast<float>(W), fh = static_cast<float>(H);
    const float cx = fw * 0.5f + x, cy = fh * 0.5f + y;
    const float k = 100.0f / (100.0f - s);
    int left = std::min(0, static_cast<int>(cx - k * cx - 0.5f));
    int top = std::min(0, static_cast<int>(cy - k * cy - 0.5f));
    int right = std::max(W, static_cast<int>(cx - (cx - fw) * k + 0.5f));
    int bottom = std::max(H, static_cast<int>(cy - (cy - fh) * k + 0.5f));

    const int gx = std::max(-left, right - W), gy = std::max(-top, bottom - H);
    const int n = std::max(10, static_cast<int>(std::hypot(static_cast<double>(std::min(gx, W)),
                                                           static_cast<double>(std::min(gy, H)))));
    if (fixedSize) {
        left = top = 0;
        right = W;
        bottom = H;
    } else {
        // The canvas stops at the buffers' limit on the right and bottom.
        right = std::min(right, left + static_cast<int>(Media::ResourceBuffer::MaxSize));
        bottom = std::min(bottom, top + static_cast<int>(Media::ResourceBuffer::MaxSize));
        drawCx -= static_cast<float>(right - W + left) * 0.5f;
        drawCy -= static_cast<float>(bottom - H + top) * 0.5f;
    }

    RadialBlurResource::Block& b = common->constants.block;
    b.sampleNum = n;
    b.sampleStep = s * 0.01f / static_cast<float>(n);
    b.center[0] = cx;
    b.center[1] = cy;
    b.offset[0] = static_cast<float>(left);
    b.offset[1] = static_cast<float>(top);
    common->constants.upload();
    Direct3D->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0, common->constants.buffer.buffer.get());
    Picture out = newPicture(right - left, bottom - top);
    common->shader.drawNoConstant(*out, image);
    return out;
}

} // namespace Effect
