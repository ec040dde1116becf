#include "effects/filters/blur/blur_direction_filter.h"

#include "effects/filters/blur/direction_blur.ps.hlsl.h"

#include <algorithm>
#include <cmath>

namespace Effect {

using namespace FilterPass;

DirectionBlurResource::DirectionBlurResource() { load(shader, direction_blur_ps_hlsl); }

BlurDirectionFilter::BlurDirectionFilter() : ShaderFilterEffect(Name, L"ぼかし") {}

Picture BlurDirectionFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    return directionBlur(*picture, static_cast<float>(range.getValue(object)), static_cast<float>(angle.getValue(object)),
                         1.0f, fixedSize.value);
}

Picture BlurDirectionFilter::directionBlur(Media::ResourceBuffer& image, float length, float angle, float stepRatio,
                                           bool fixed)
{
    if (!(length > 0))
        return image.clone();
    const float theta = static_cast<float>(static_cast<double>(angle) * 3.14159265358979323846 / 180.0);
    const float dx = -std::sin(theta) * length, dy = std::cos(theta) * length;
    const int W = widthOf(image), H = heightOf(image);
    int outW = W, outH = H;
    if (!fixed) {
        outW = W + 2 * static_cast<int>(std::ceil(std::fabs(dx)));
        outH = H + 2 * static_cast<int>(std::ceil(std::fabs(dy)));
    }
    const float reach = std::min(length, std::hypot(static_cast<float>(W), static_cast<float>(H)));
    const int n = std::max(5, static_cast<int>(std::ceil(reach)));

    DirectionBlurResource::Block& b = common->constants.block;
    b.offset[0] = static_cast<float>(W - outW) * 0.5f;
    b.offset[1] = static_cast<float>(H - outH) * 0.5f;
    b.step[0] = dx / static_cast<float>(n);
    b.step[1] = dy / static_cast<float>(n);
    b.stepRatio = stepRatio;
    b.sampleNum = n;
    Picture out = newPicture(outW, outH);
    common->constants.upload();
    common->shader.draw(*out, image, &common->constants.buffer);
    return out;
}

} // namespace Effect
