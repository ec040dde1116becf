#pragma once
// The camera effects placed on a camera object or on filter objects below
// it: 並行光源(カメラ制御) and 環境光(カメラ制御) add one light record each
// to the camera's lighting, ライトブルーム(カメラ制御) spreads a glow around
// the over-bright parts of what the camera drew.
#include "effect/effect_base.h"
#include "effect/effect_item_color.h"
#include "effect/effect_item_number.h"
#include "media/pixel_shader.h"

#include <array>
#include <cstdint>
#include <memory>

namespace Effect {

// One light record: kind (0 ambient, 1 directional), the unit direction
// towards the light, the colour times the brightness, and the part of the
// ambient level the light leaves.
std::array<uint8_t, 32> makeLightRecord(int kind, const Math::float3& direction, const ColorF& colour,
                                        float brightness, float remainder);

class CameraLight : public EffectBase {
public:
    static constexpr const wchar_t* Name = L"並行光源(カメラ制御)";
    CameraLight();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<CameraLight>(); }
    // Adds the record to the camera being prepared.
    void preInputVideo(Render::RenderObject& object) override;
    // (0, 0, -1) turned by -緯度 about x, -経度 about y and 傾き about z.
    static Math::float3 getDirection(double latitude, double longitude, double tilt);

    EffectItemNumber latitude{items, L"緯度", 0, -3600, 3600, 0.01};
    EffectItemNumber longitude{items, L"経度", 0, -3600, 3600, 0.01};
    EffectItemNumber tilt{items, L"傾き", 0, -3600, 3600, 0.01};
    EffectItemNumber brightness{items, L"明るさ", 50, 0, 200, 0.01};
    EffectItemColor colour{items, L"色", 255, 255, 255};
};

class CameraLightAmbient : public EffectBase {
public:
    static constexpr const wchar_t* Name = L"環境光(カメラ制御)";
    CameraLightAmbient();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<CameraLightAmbient>(); }
    void preInputVideo(Render::RenderObject& object) override;

    EffectItemNumber brightness{items, L"明るさ", 50, 0, 200, 0.01};
    EffectItemColor colour{items, L"色", 255, 255, 255};
};

class CameraLightBloom : public EffectBase {
public:
    static constexpr const wchar_t* Name = L"ライトブルーム(カメラ制御)";
    // The two box passes (running sums along rows, then columns; texels
    // outside the picture count as 0) and their constants.
    struct CommonResource {
        CommonResource();
        Media::ComputeShader horizontal;
        Media::ComputeShader vertical;
        Media::ConstantBufferCommon constants;
    };

    CameraLightBloom();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<CameraLightBloom>(); }
    void createCommonResource() override;
    void shareResource(EffectBase& prototype) override;
    // The glow, added to the frame after the camera's objects.
    void controlVideo(Render::RenderObject& object) override;

    EffectItemNumber strength{items, L"強さ", 100, 0, 500, 0.1};
    EffectItemNumber spread{items, L"拡散", 400, 0, 2000, 1};
    std::shared_ptr<CommonResource> common;

private:
    // A box of radius r along x, then y: a through b and back into a.
    void blur(Media::ResourceBuffer& a, Media::ResourceBuffer& b, int r);
};

} // namespace Effect
