#pragma once
// The outputs that place an object's picture in the frame. 標準描画 (video
// objects) and 映像再生 (movies with their sound) add position, centre,
// rotation, zoom, aspect, transparency and blend mode to the drawing state,
// with a handle for the position in the preview. 基本出力 is the flat form:
// a whole-pixel offset, a uniform zoom, transparency and blend mode, no
// handle, no camera or group; an untransformed, pixel-aligned object is
// composited without geometry.
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/move_effect.h"
#include "effects/objects/audio_output.h"
#include "effects/objects/output_shader_effect.h"
#include "media/pixel_shader.h"
#include "render/effect_names.h"

namespace Effect {

// The thirteen blend modes of the outputs' "合成モード", shared by every output.
std::shared_ptr<EffectItemSelect::SharedList> blendModeList();

class BasicOutput : public MoveEffect {
public:
    // What every instance of one output class shares: a constant block of
    // 160 bytes, made once on the registry's prototype.
    struct CommonResource {
        static constexpr uint32_t ConstantBytes = 160;
        Media::ConstantBufferCommon constants;
    };

    BasicOutput(const wchar_t* name, uint8_t media);

    void createCommonResource() override;
    // Takes the prototype's CommonResource (the prototype is an output of this family).
    void shareResource(EffectBase& prototype) override;

    // Composites directly when an earlier filter drew the object in frame space,
    // else draws it with its geometry.
    void outputVideo(Render::RenderObject& object, Media::RenderBuffer& target,
                     std::unique_ptr<Media::ResourceBuffer>& picture) override;
    Render::RenderObject::DrawState getOutputView(Render::RenderObject& object) override;

    EffectItemNumber x{items, L"X", 0, -100000, 100000, 0.01};
    EffectItemNumber y{items, L"Y", 0, -100000, 100000, 0.01};
    EffectItemNumber z{items, L"Z", 0, -100000, 100000, 0.01};
    EffectItemNumber centerX{items, L"中心X", 0, -5000, 5000, 0.01};
    EffectItemNumber centerY{items, L"中心Y", 0, -5000, 5000, 0.01};
    EffectItemNumber centerZ{items, L"中心Z", 0, -5000, 5000, 0.01};
    EffectItemNumber rotationX{items, L"X軸回転", 0, -3600, 3600, 0.01};
    EffectItemNumber rotationY{items, L"Y軸回転", 0, -3600, 3600, 0.01};
    EffectItemNumber rotationZ{items, L"Z軸回転", 0, -3600, 3600, 0.01};
    EffectItemNumber zoom{items, L"拡大率", 100, 0, 10000, 0.001};
    EffectItemNumber aspect{items, L"縦横比", 0, -100, 100, 0.001};
    EffectItemNumber transparency{items, L"透明度", 0, 0, 100, 0.01};
    EffectItemSelect blendMode{items, L"合成モード", 0, blendModeList()};
    EffectItemNumber::Group anchorGroup;

    OutputShaderEffect shader;
    std::shared_ptr<CommonResource> common;
};

class VideoOutput : public BasicOutput {
public:
    static constexpr const wchar_t* Name = L"標準描画";
    VideoOutput() : BasicOutput(Name, MediaType::Video) {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<VideoOutput>(); }
};

class MovieOutput : public BasicOutput {
public:
    static constexpr const wchar_t* Name = L"映像再生";
    MovieOutput() : BasicOutput(Name, MediaType::VideoAudio) {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<MovieOutput>(); }

    // Gains x 音量 / 100, then the mix.
    void outputAudio(Render::RenderObject& object, Media::AudioBlockBuffer& target,
                     std::unique_ptr<Media::AudioBlockBuffer>& block) override;

    EffectItemNumber volume{items, L"音量", 100, 0, 1000, 0.01};
};

class SimpleOutput : public EffectBase {
public:
    static constexpr const wchar_t* Name = Render::EffectName::BasicOutput; // 基本出力
    SimpleOutput();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<SimpleOutput>(); }

    // The direct route when the zoom is 100 and the object's own state is
    // untransformed and pixel-aligned (X and Y then move the object itself for
    // the rest of its frame); otherwise drawn with geometry in the plain screen
    // view, the camera and group references dropped.
    void outputVideo(Render::RenderObject& object, Media::RenderBuffer& target,
                     std::unique_ptr<Media::ResourceBuffer>& picture) override;
    Render::RenderObject::DrawState getOutputView(Render::RenderObject& object) override;

    EffectItemNumber x{items, L"X", 0, -10000, 10000, 1};
    EffectItemNumber y{items, L"Y", 0, -10000, 10000, 1};
    EffectItemNumber zoom{items, L"拡大率", 100, 0, 10000, 0.001};
    EffectItemNumber transparency{items, L"透明度", 0, 0, 100, 0.01};
    EffectItemSelect blendMode{items, L"合成モード", 0, blendModeList()};
    EffectItemNumber::Group group;

    OutputShaderEffect shader;
};

} // namespace Effect
