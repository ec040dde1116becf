#pragma once
// 音声波形表示: the object source that draws the sound of the current frame as a
// picture: the waveform of the frame's samples, or a bar spectrum, optionally
// mirrored about the middle line, on a grid of cells. The sound is an audio
// file (played as the media sources play it) or, without one, the current
// scene's mix at the frame, rendered ahead by the audio worker.
#include "effect/effect_item_button.h"
#include "effect/effect_item_color.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/objects/input_movie_effect.h"
#include "effects/objects/movie_load.h"
#include "effects/objects/source_ui.h"
#include "media/pixel_shader.h"

#include <memory>
#include <vector>

namespace Effect {

class WaveImageInput : public MediaAudioSource, public InputMovieEffect {
public:
    static constexpr const wchar_t* Name = L"音声波形表示";
    // At most this many samples of a frame are drawn.
    static constexpr uint32_t MaxSamples = 8000;

    // What every instance shares: the three shaders (waveform, spectrum,
    // mirrored spectrum) and their constant block.
    struct CommonResource {
        CommonResource();
        Media::PixelShader wave, spectrum, mirror;
        Media::ConstantBufferCommon constants;
    };
    // The constant block, as the shaders read it (48 bytes).
    struct Constants {
        float color[4];
        int32_t size[2];  // picture width, height
        int32_t res[2];   // columns and rows of cells
        float pad[2];     // half-extent of a cell's filled part, in cells
        float vol;        // sample or band value to rows
        float unused;
    };

    WaveImageInput();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<WaveImageInput>(); }
    void createCommonResource() override;
    void shareResource(EffectBase& prototype) override;

    // The waveform or spectrum of the frame's sound; none without sound.
    std::unique_ptr<Media::ResourceBuffer> inputVideo(Render::RenderObject& object) override;
    // Loads the file's block ahead, or has the scene's sound at the frame rendered.
    void preInputVideo(Render::RenderObject& object) override;
    const wchar_t* getName() override;
    bool itemEvent(ItemEvent& event) override;
    // Whether the input service opens the path for audio.
    bool isSupportedFile(const wchar_t* path) override;
    // The file control shows the information, and "現在のシーンの音声" without a file.
    void bindItemControl(Component::ItemControlPanel& panel) override;

    // The picture of a block: the first samples of its mono mix, or its
    // spectrum, drawn with the items at the render object.
    std::unique_ptr<Media::ResourceBuffer> drawBlock(Render::RenderObject& object, const Media::AudioBlockBuffer& block);
    // The presets; a choice is one undoable edit of the focus object.
    std::vector<SourceUi::MenuEntry> makePresetMenu();

    EffectItemNumber width{items, L"横幅", 800, 10, 4000, 1};
    EffectItemNumber height{items, L"高さ", 400, 10, 4000, 1};
    EffectItemNumber position{items, L"再生位置", 0, 0, 20000, 0.001};
    EffectItemNumber speed{items, L"再生速度", 100, -2000, 2000, 0.01};
    EffectItemNumber volume{items, L"音量", 100, 0, 1000, 0.01};
    EffectItemFile file;
    EffectItemColor color{items, L"波形の色", 255, 255, 255};
    EffectItemButton preset;
    EffectItemCheckButton spectrum{items, L"スペクトラム表示", false, 0.333f, 0.666f};
    EffectItemCheckButton mirror{items, L"ミラー表示", false, 0.666f, 1.0f};
    EffectItemInteger horizontalResolution{items, L"横解像度", 0, 0, 4000, EffectItemKind::Integer, L"---"};
    EffectItemInteger verticalResolution{items, L"縦解像度", 0, 0, 4000, EffectItemKind::Integer, L"---"};
    EffectItemInteger horizontalSpace{items, L"横スペース", 0, 0, 100, EffectItemKind::Integer, L"---"};
    EffectItemInteger verticalSpace{items, L"縦スペース", 0, 0, 100, EffectItemKind::Integer, L"---"};

    std::shared_ptr<CommonResource> common;
};

} // namespace Effect
