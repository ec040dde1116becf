#pragma once
// The sources that take their media from the render pipeline: シーン plays
// another scene of the project like a movie; フレームバッファ takes the picture
// composed so far in the frame; オーディオバッファ the sound mixed so far in the
// block; 直前オブジェクト the image the previously rendered object left behind.
#include "effect/effect_item_layer.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/objects/movie_load.h"

namespace Effect {

class SceneLoad : public MediaAudioSource, public InputMovieEffect {
public:
    static constexpr const wchar_t* Name = L"シーン";
    SceneLoad();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<SceneLoad>(); }

    std::unique_ptr<Media::ResourceBuffer> inputVideo(Render::RenderObject& object) override;
    void preInputVideo(Render::RenderObject& object) override;
    std::unique_ptr<Media::AudioBlockBuffer> inputAudio(Render::RenderObject& object) override;
    void preInputAudio(Render::RenderObject& object) override;
    const wchar_t* getName() override;
    int getAudioInfo(int selector) override { return selector == 0 ? 1 : 0; }
    bool itemEvent(ItemEvent& event) override;
    // The scene control shows the scene's information.
    void bindItemControl(Component::ItemControlPanel& panel) override;

    EffectItemNumber position{items, L"再生位置", 0, 0, 100000, 0.001};
    EffectItemNumber speed{items, L"再生速度", 100, -2000, 2000, 0.01};
    EffectItemScene scene{items, L"シーン"};
    EffectItemCheck loop{items, L"ループ再生", false};

private:
    std::wstring cacheName() const;
    std::wstring sceneName_; // what getName last answered
};

class FrameLoad : public EffectBase {
public:
    static constexpr const wchar_t* Name = L"フレームバッファ";
    FrameLoad() : EffectBase(Name, EffectType::Input, MediaType::Video, MediaType::Video, L"") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<FrameLoad>(); }

    // A copy of the frame so far (exact with the alpha kept, else opaque),
    // then the frame cleared when asked.
    std::unique_ptr<Media::ResourceBuffer> inputVideo(Render::RenderObject& object) override;

    EffectItemCheck keepAlpha{items, L"アルファチャンネルを維持", true};
    EffectItemCheck clear{items, L"フレームバッファをクリア", false};
};

class AudioBufferLoad : public EffectBase {
public:
    static constexpr const wchar_t* Name = L"オーディオバッファ";
    AudioBufferLoad() : EffectBase(Name, EffectType::Input, MediaType::Audio, MediaType::Audio, L"") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<AudioBufferLoad>(); }

    // A copy of the block mixed so far, then the block silenced when asked.
    std::unique_ptr<Media::AudioBlockBuffer> inputAudio(Render::RenderObject& object) override;

    EffectItemCheck clear{items, L"オーディオバッファをクリア", true};
};

class BeforeObjectLoad : public EffectBase {
public:
    static constexpr const wchar_t* Name = L"直前オブジェクト";
    BeforeObjectLoad() : EffectBase(Name, EffectType::Input, MediaType::Video, MediaType::Video, L"") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<BeforeObjectLoad>(); }

    // Takes the picture the video worker kept from the object before (its slot empties).
    std::unique_ptr<Media::ResourceBuffer> inputVideo(Render::RenderObject& object) override;
};

} // namespace Effect
