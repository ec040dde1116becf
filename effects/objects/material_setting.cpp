#include "effects/objects/material_setting.h"

#include "effect/effect_types.h"
#include "media/resource_buffer.h"
#include "render/render_object.h"

namespace Effect {

MaterialSetting::MaterialSetting()
    : EffectBase(Name, EffectType::Filter, MediaType::Video, MediaType::Video, L"カメラ制御")
{
}

std::shared_ptr<EffectBase> MaterialSetting::create() { return std::make_shared<MaterialSetting>(); }

std::unique_ptr<Media::ResourceBuffer> MaterialSetting::filterVideo(Render::RenderObject& object,
                                                                    std::unique_ptr<Media::ResourceBuffer> picture)
{
    object.drawState.shine = static_cast<float>(gloss.getValue(object) * 0.01);
    return picture;
}

} // namespace Effect
