#pragma once
// 動画ファイル and 音声ファイル: the object sources of a movie's picture and sound
// and of an audio file's sound, with play position, speed, loop and track
// (InputMultiTrackMovieEffect). The movie's YUY2 and YC48 frames convert with
// the object's YUV setting.
#include "effect/effect_base.h"
#include "effect/effect_item_button.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/objects/input_movie_effect.h"
#include "effects/objects/source_ui.h"
#include "render/cache/cache_service.h"

namespace Effect {

// What the movie, audio and scene sources share on the audio road.
class MediaAudioSource : public EffectBase, public Cache::CacheInstance {
public:
    using EffectBase::EffectBase;

protected:
    // The block of the render object's frame from the media named `name`
    // (a path or a scene's cache name), or none (silence).
    std::unique_ptr<Media::AudioBlockBuffer> readAudio(InputMovieEffect& media, const std::wstring& name,
                                                       unsigned track, Render::RenderObject& object, bool preload);
    // The same over a range of samples of the scene: a video object's frame
    // (Render::RenderObject::getFrameAudioRange).
    std::unique_ptr<Media::AudioBlockBuffer> readAudio(InputMovieEffect& media, const std::wstring& name,
                                                       unsigned track, Render::RenderObject& object,
                                                       const Render::RenderObject::FrameAudioRange& range,
                                                       bool preload);
};

// What the movie and audio file sources share: the file's sound, waveform and
// name, and the track item held to the file's tracks.
class MediaFileSource : public MediaAudioSource, public InputMultiTrackMovieEffect {
public:
    // The file is opened for openType (Plugin::InputService::TypeVideo or TypeAudio).
    MediaFileSource(const wchar_t* name, uint8_t media, int openType);

    std::unique_ptr<Media::AudioBlockBuffer> inputAudio(Render::RenderObject& object) override;
    void preInputAudio(Render::RenderObject& object) override;
    const wchar_t* getName() override;
    std::shared_ptr<Media::WaveformBuffer> getWaveform() override;
    double getWaveformPosition(Render::RenderObject& object) override;
    void updateItemState() override;

protected:
    // Hands the owning source's items to the play-position part: the last
    // step of each constructor.
    void connectItems(EffectItemNumber& position, EffectItemNumber& speed, EffectItemFile& file,
                      EffectItemInteger& track, EffectItemCheck& loop);
};

class MovieLoad : public MediaFileSource {
public:
    static constexpr const wchar_t* Name = L"動画ファイル";
    MovieLoad();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<MovieLoad>(); }

    std::unique_ptr<Media::ResourceBuffer> inputVideo(Render::RenderObject& object) override;
    void preInputVideo(Render::RenderObject& object) override;
    int getAudioInfo(int selector) override;
    bool itemEvent(ItemEvent& event) override;
    bool isSupportedFile(const wchar_t* path) override;
    // The file control shows the information; "DisplayPositionByFrame" shows
    // the play position in frames; YUY2 and YC48 video get the "YUVの設定" button.
    void bindItemControl(Component::ItemControlPanel& panel) override;

    // The YUV menu: colour spaces ("自動" and the conversion list) and ranges
    // (greyed for YC48); a choice is stored as an undoable edit of the focus object.
    std::vector<SourceUi::MenuEntry> makeYuvMenu();

    EffectItemNumber position{items, L"再生位置", 0, 0, 100000, 0.001, EffectItemKind::PlayPosition};
    EffectItemNumber speed{items, L"再生速度", 100, -2000, 2000, 0.01};
    EffectItemFile file;
    EffectItemInteger track{items, L"トラック", 0, 0, 0};
    EffectItemCheck loop{items, L"ループ再生", false};
    EffectItemInteger withAudio{items, L"音声付き", 0, 0, 1, EffectItemKind::HiddenInteger};
    EffectItemYUV yuv{items, L"YUV"};

private:
    // Whether the file control gets the "YUVの設定" button.
    bool showsYuvButton();
};

class AudioLoad : public MediaFileSource {
public:
    static constexpr const wchar_t* Name = L"音声ファイル";
    AudioLoad();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<AudioLoad>(); }

    bool itemEvent(ItemEvent& event) override;
    bool isSupportedFile(const wchar_t* path) override;
    // The file control shows the information.
    void bindItemControl(Component::ItemControlPanel& panel) override;

    EffectItemNumber position{items, L"再生位置", 0, 0, 100000, 0.001};
    EffectItemNumber speed{items, L"再生速度", 100, -2000, 2000, 0.01};
    EffectItemFile file;
    EffectItemInteger track{items, L"トラック", 0, 0, 0};
    EffectItemCheck loop{items, L"ループ再生", false};
};

// The file name after the last folder separator, or the translated display name.
const wchar_t* mediaFileName(const std::wstring& path, const wchar_t* displayName);

} // namespace Effect
