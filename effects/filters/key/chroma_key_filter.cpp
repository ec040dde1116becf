#include "effects/filters/key/chroma_key_filter.h"

#include "platform/gpu/gpu.h"

#include "effects/filters/key/chroma_key_boundary.ps.hlsl.h"
#include "effects/filters/key/chroma_key_composite.ps.hlsl.h"
#include "effects/filters/key/chroma_key_map.ps.hlsl.h"

#include <cmath>

namespace Effect {

ChromaKeyResource::ChromaKeyResource()
{
    FilterPass::load(keyShader, chroma_key_map_ps_hlsl);
    FilterPass::load(compositeShader, chroma_key_composite_ps_hlsl);
    FilterPass::load(boundaryShader, chroma_key_boundary_ps_hlsl);
}

ChromaKeyFilter::ChromaKeyFilter() : ShaderFilterEffect(Name, L"抽出") {}

void ChromaKeyFilter::makeKeyMap(Picture& out, Media::ResourceBuffer& picture, const float key[4], float hue,
                                 float saturation, int b, bool correct, bool transparent)
{
    ChromaKeyResource::Block& k = common->constants.block;
    k.keyU = -0.169f * key[0] - 0.331f * key[1] + 0.5f * key[2];
    k.keyV = 0.5f * key[0] - 0.419f * key[1] - 0.081f * key[2];
    k.keyH = std::atan2(k.keyV, k.keyU) / 3.14159265f;
    const float s = std::hypot(k.keyU, k.keyV);
    k.keyS = s < 0.001f ? 0.001f : s;
    k.lenH = hue / 256;
    k.lenS = saturation * k.keyS / 256;
    k.range = b;
    k.divie = boundaryDivide(b);
    k.correct = correct ? 1.0f : 0.0f;
    k.transparent = transparent ? 0.0f : 1.0f;
    common->constants.upload();
    Media::Direct3DService::Get()->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0,
                                                       common->constants.buffer.buffer.get());
    out = FilterPass::newPicture(FilterPass::widthOf(picture), FilterPass::heightOf(picture));
    common->keyShader.drawNoConstant(*out, picture);
}

Picture ChromaKeyFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    if (keyColor.none)
        return picture;
    const int b = roundToInt(boundary.getValue(object));
    const float key[4] = {keyColor.r / 255.0f, keyColor.g / 255.0f, keyColor.b / 255.0f, 1.0f};
    Picture map;
    makeKeyMap(map, *picture, key, static_cast<float>(hueRange.getValue(object)),
               static_cast<float>(saturationRange.getValue(object)), b, colorCorrection.value, alphaCorrection.value);
    Picture out = newPicture(widthOf(*picture), heightOf(*picture));
    (b < 1 ? common->compositeShader : common->boundaryShader).drawTwoSources(*out, *picture, *map);
    return out;
}

} // namespace Effect
