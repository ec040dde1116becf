#pragma once
// Small effects registered under the names the chain rules look up, with two
// number items each, a file item for inputs, a layer range for control
// effects and an item that can refuse to be written.
#include "effect/effect_base.h"
#include "effect/effect_define.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_layer.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effect/effect_service.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace ProjectTest {

struct Header {
    const wchar_t* name;
    uint8_t type, media, objectMedia;
};

// When set, the item "壊れ" cannot be written: a save fails half-way.
inline bool breakWriting = false;

// What the test sources heard (item events) and what they report of their sound.
struct SourceEvent {
    int code;
    const Edit::Object* object;       // the object the event was sent for
    const Effect::EffectBase* effect; // the source that heard it
    const Edit::Object* cutFrom;      // code 3
    int track;                        // code 6
    std::wstring path;                // code 2
};
inline std::vector<SourceEvent> sourceEvents;
// The sound tracks every test source reports (getAudioInfo 1); it carries
// sound (getAudioInfo 0) when above 0.
inline int sourceAudioTracks = 0;

class BreakingItem : public Effect::EffectItemInteger {
public:
    using EffectItemInteger::EffectItemInteger;
    std::string toString() const override
    {
        if (breakWriting)
            throw std::runtime_error("disk full");
        return EffectItemInteger::toString();
    }
};

// An effect with two number items, and a file item for inputs, a layer range
// for control effects, a breaking item for "壊れ".
template <const Header& H>
class TestEffect : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = H.name;
    TestEffect() : EffectBase(H.name, H.type, H.media, H.objectMedia, L"テスト")
    {
        if (H.type == Effect::EffectType::Input)
            file = std::make_unique<Effect::EffectItemFile>(items, L"ファイル", L"", L"");
        if (H.type == Effect::EffectType::Control)
            range = std::make_unique<Effect::EffectItemLayerRange>(items, L"対象レイヤー数");
        if (std::wstring_view(H.name) == L"壊れ")
            broken = std::make_unique<BreakingItem>(items, L"壊れ", 0, 0, 10);
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestEffect>(); }
    Effect::EffectDefine* getDefaultInputEffect() override
    {
        return std::wstring_view(H.name) == L"パーティクル出力" ? &Effect::EffectService::Get()->findEffect(L"図形")
                                                                 : nullptr;
    }
    Effect::EffectItemLayerRange* getLayerRange() override { return range.get(); }
    bool itemEvent(Effect::ItemEvent& event) override
    {
        SourceEvent heard{event.code, event.object, event.effect.get(), nullptr, -1, {}};
        if (event.code == Effect::ItemEvent::CutFrom)
            heard.cutFrom = static_cast<const Edit::Object*>(event.payload);
        else if (event.code == Effect::ItemEvent::SoundTrack)
            heard.track = *static_cast<const int*>(event.payload);
        else if (event.code == Effect::ItemEvent::FileSet)
            heard.path = static_cast<const wchar_t*>(event.payload);
        sourceEvents.push_back(std::move(heard));
        return false;
    }
    int getAudioInfo(int selector) override
    {
        if (H.type != Effect::EffectType::Input)
            return 0;
        return selector == 0 ? sourceAudioTracks > 0 : sourceAudioTracks;
    }

    Effect::EffectItemNumber x{items, L"X", 0.0, -10000.0, 10000.0, 0.1};
    Effect::EffectItemNumber y{items, L"Y", 0.0, -10000.0, 10000.0, 1.0};
    std::unique_ptr<Effect::EffectItemFile> file;
    std::unique_ptr<Effect::EffectItemLayerRange> range;
    std::unique_ptr<BreakingItem> broken;
};

inline constexpr Header Image{L"画像ファイル", 1, 1, 1};
inline constexpr Header Sound{L"音声ファイル", 1, 2, 2};
inline constexpr Header Movie{L"動画ファイル", 1, 3, 3};
inline constexpr Header Figure{L"図形", 1, 1, 1};
inline constexpr Header Standard{L"標準描画", 2, 1, 1};
inline constexpr Header SoundOut{L"音声再生", 2, 2, 2};
inline constexpr Header MovieOut{L"映像再生", 2, 3, 3};
inline constexpr Header Particle{L"パーティクル出力", 2, 1, 1};
inline constexpr Header Blur{L"ぼかし", 3, 1, 1};
inline constexpr Header Volume{L"音量調整", 3, 2, 2};
inline constexpr Header Both{L"両用フィルタ", 3, 3, 3};
inline constexpr Header SceneFilter{L"シーン用フィルタ", 3, 5, 5};
inline constexpr Header Light{L"並行光源(カメラ制御)", 3, 4, 4};
inline constexpr Header Broken{L"壊れ", 3, 1, 1};
inline constexpr Header Camera{L"カメラ制御", 4, 1, 4};
inline constexpr Header GroupControl{L"グループ制御", 4, 1, 1};
inline constexpr Header TimeControl{L"時間制御(オブジェクト)", 4, 3, 5};
inline constexpr Header SceneChange{L"シーンチェンジ", 4, 1, 5};

inline void registerEffects(Effect::EffectService& s)
{
    s.registerEffect<TestEffect<Image>>();
    s.registerEffect<TestEffect<Sound>>();
    s.registerEffect<TestEffect<Movie>>();
    s.registerEffect<TestEffect<Figure>>();
    s.registerEffect<TestEffect<Standard>>();
    s.registerEffect<TestEffect<SoundOut>>();
    s.registerEffect<TestEffect<MovieOut>>();
    s.registerEffect<TestEffect<Particle>>();
    s.registerEffect<TestEffect<Blur>>();
    s.registerEffect<TestEffect<Volume>>();
    s.registerEffect<TestEffect<Both>>();
    s.registerEffect<TestEffect<SceneFilter>>();
    s.registerEffect<TestEffect<Light>>();
    s.registerEffect<TestEffect<Broken>>();
    s.registerEffect<TestEffect<Camera>>();
    s.registerEffect<TestEffect<GroupControl>>();
    s.registerEffect<TestEffect<TimeControl>>();
    s.registerEffect<TestEffect<SceneChange>>();
}

} // namespace ProjectTest
