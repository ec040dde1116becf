#pragma once
// カメラ制御オプション: under a camera, the object turns towards the camera
// (billboard) or hides its back face; the picture passes unchanged.
#include "effect/effect_base.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"

namespace Effect {

class CameraOption : public EffectBase {
public:
    static constexpr const wchar_t* Name = L"カメラ制御オプション";
    // "オブジェクトの向き": 0 "標準", 3 "カメラの方を向く".
    static std::shared_ptr<EffectItemSelect::SharedList> orientationList();

    CameraOption();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<CameraOption>(); }
    std::unique_ptr<Media::ResourceBuffer> filterVideo(Render::RenderObject& object,
                                                       std::unique_ptr<Media::ResourceBuffer> picture) override;

    EffectItemSelect orientation{items, L"オブジェクトの向き", 0, orientationList()};
    EffectItemCheck hideBackFace{items, L"裏面を表示しない", false};
};

} // namespace Effect
