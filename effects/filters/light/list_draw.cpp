#include "effects/filters/light/list_draw.h"

#include "media/state_list.h"

namespace Effect::ListDraw {

using namespace FilterPass;

Platform::Gpu::BlendState* blend(uint32_t index) { return Shader::BlendStateList::published()->get(index); }

void copyOffset(Media::ResourceBuffer& target, Media::ResourceBuffer& source, int dx, int dy,
                Platform::Gpu::BlendState* state)
{
    Shader::ShaderList& list = shaderList();
    const int32_t offset[2] = {dx, dy};
    writeListBlock(offset);
    list.copyOffsetShader.draw(target, source, &list.constantBuffer, state);
}

void fill(Media::ResourceBuffer& target, const ColorF& colour, Platform::Gpu::BlendState* state)
{
    Shader::ShaderList& list = shaderList();
    const float c[4] = {colour.r, colour.g, colour.b, colour.a};
    writeListBlock(c);
    list.fillColorShader.drawGenerate(target, &list.constantBuffer, state);
}

Picture extractLight(Media::ResourceBuffer& input, float threshold, float gain, const ColorF* colour)
{
    Shader::ShaderList& list = shaderList();
    Picture light = newPicture(widthOf(input), heightOf(input));
    const float block[3] = {threshold, gain, gain};
    writeListBlock(block);
    list.brightPassShader.draw(*light, input, &list.constantBuffer);
    if (colour)
        fill(*light, {colour->r, colour->g, colour->b, 1}, blend(Shader::BlendStateList::MultiplyTargetAlpha));
    return light;
}

} // namespace Effect::ListDraw
