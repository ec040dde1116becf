#pragma once
// 材質設定(カメラ制御): the object's gloss for the camera's lighting.
#include "effect/effect_base.h"
#include "effect/effect_item_number.h"

namespace Effect {

class MaterialSetting : public EffectBase {
public:
    static constexpr const wchar_t* Name = L"材質設定(カメラ制御)";
    MaterialSetting();
    std::shared_ptr<EffectBase> create() override;
    // Sets the drawing state's gloss and passes the picture on.
    std::unique_ptr<Media::ResourceBuffer> filterVideo(Render::RenderObject& object,
                                                       std::unique_ptr<Media::ResourceBuffer> picture) override;

    EffectItemNumber gloss{items, L"光沢度", 70, 0, 100, 1};
};

} // namespace Effect
