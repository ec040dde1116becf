#include "effects/filters/skeleton/filter_pass.h"

#include "effect/effect_item_number.h"
#include "media/state_list.h"
#include "render/render_object.h"

namespace Effect::FilterPass {

Shader::ShaderList& shaderList() { return *Shader::ShaderList::published(); }

void writeListBlock(const void* data, size_t size)
{
    Shader::ShaderList& list = shaderList();
    std::memcpy(list.constants, data, size);
    list.updateConstants();
}

void bindSampler(uint32_t index)
{
    Media::Direct3DService::Get()->bindSampler(0, Shader::SamplerStateList::published()->get(index));
}

int roundToInt(double value) { return EffectItemNumber::roundValue(value); }

void moveCentre(Render::RenderObject& object, float left, float top, float right, float bottom)
{
    object.drawState.cx -= (right - left) * 0.5f;
    object.drawState.cy -= (bottom - top) * 0.5f;
}

} // namespace Effect::FilterPass
