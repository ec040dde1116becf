#include "effects/objects/camera_option.h"

#include "effect/effect_types.h"
#include "media/resource_buffer.h"

namespace Effect {

std::shared_ptr<EffectItemSelect::SharedList> CameraOption::orientationList()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = [] {
        auto l = EffectItemSelect::SharedList::create();
        l->add(0, L"標準");
        l->add(3, L"カメラの方を向く");
        return l;
    }();
    return list;
}

CameraOption::CameraOption() : EffectBase(Name, EffectType::Filter, MediaType::Video, MediaType::Video, L"カメラ制御") {}

std::unique_ptr<Media::ResourceBuffer> CameraOption::filterVideo(Render::RenderObject& object,
                                                                 std::unique_ptr<Media::ResourceBuffer> picture)
{
    object.drawState.culling = hideBackFace.value;
    object.drawState.billboard = orientation.value;
    return picture;
}

} // namespace Effect
