#pragma once
// The audio render tests' world: the settings, event, effect, undo and edit
// services with small in-test sound effects, and an audio worker of its own
// (no graphics device needed).
//
// The in-test effects: a sound input whose samples are a function of the
// sample position from the object's start, the audio output ("音声再生") and
// the real group audio control, a sound filter that scales or ends the chain,
// and a time control that shifts the frame.
#include "core/event_service.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "effect/effect_base.h"
#include "effect/effect_item_layer.h"
#include "effect/effect_service.h"
#include "effects/objects/group_control.h"
#include "media/audio_buffer.h"
#include "platform/ui/application.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/model/object.h"
#include "project/model/project.h"
#include "project/model/scene.h"
#include "render/control_view.h"
#include "render/render_audio_object.h"
#include "render/render_audio_worker.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace AudioTest {

using Render::RenderAudioObject;

// Samples as a function of (sample from the object's start, channel 0 left / 1 right).
using Signal = std::function<float(int64_t sample, int channel)>;

inline Signal dc(float left, float right)
{
    return [left, right](int64_t, int channel) { return channel == 0 ? left : right; };
}
// A signal that tells every sample apart: the position itself, scaled.
inline Signal ramp()
{
    return [](int64_t s, int channel) { return static_cast<float>(s % 100000) * 1e-5f + (channel ? 0.5f : 0.0f); };
}

class TestSound : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"テスト音声";
    TestSound() : EffectBase(Name, Effect::EffectType::Input, Effect::MediaType::Audio, Effect::MediaType::Audio, L"テスト") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestSound>(); }
    void preInputAudio(Render::RenderObject&) override
    {
        if (prepareThrows)
            throw std::runtime_error("prepare failed");
    }
    std::unique_ptr<Media::AudioBlockBuffer> inputAudio(Render::RenderObject& r) override
    {
        const RenderAudioObject& a = RenderAudioObject::from(r);
        auto block = std::make_unique<Media::AudioBlockBuffer>();
        block->allocate(static_cast<uint32_t>(a.sampleCount), mono ? 1 : 2);
        for (int i = 0; i < a.sampleCount; ++i) {
            block->getChannel(0)[i] = signal(a.sampleOffset + i, 0);
            if (!mono)
                block->getChannel(1)[i] = signal(a.sampleOffset + i, 1);
        }
        // Padding a filter might leave dirty: the mix must not hear it.
        const uint32_t padded = (block->samples + 7) / 8 * 8;
        for (uint32_t i = block->samples; i < padded; ++i)
            block->getChannel(0)[i] = block->getChannel(1)[i] = 1000.0f;
        return block;
    }
    Signal signal = dc(1, 1);
    bool mono = false;
    bool prepareThrows = false;
};

// "音声再生": volume and pan into the gains, then the common mix.
class TestSoundOutput : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"音声再生";
    TestSoundOutput() : EffectBase(Name, Effect::EffectType::Output, Effect::MediaType::Audio, Effect::MediaType::Audio, L"テスト") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestSoundOutput>(); }
    void outputAudio(Render::RenderObject& r, Media::AudioBlockBuffer& target,
                     std::unique_ptr<Media::AudioBlockBuffer>& samples) override
    {
        RenderAudioObject& a = RenderAudioObject::from(r);
        a.leftGain *= volume / 100.0f;
        a.rightGain *= volume / 100.0f;
        const float p = pan / 100.0f;
        if (p > 0)
            a.leftGain *= 1 - p;
        else if (p < 0)
            a.rightGain *= 1 + p;
        Render::mixAudio(a, target, *samples);
    }
    float volume = 100, pan = 0;
};

// An object's output that carries only video: never asked for sound.
class TestPictureOutput : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"標準描画";
    TestPictureOutput() : EffectBase(Name, Effect::EffectType::Output, Effect::MediaType::Video, Effect::MediaType::Video, L"テスト") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestPictureOutput>(); }
};

// "映像再生": the output of sources with picture and sound.
class TestMovieOutput : public TestSoundOutput {
public:
    static constexpr const wchar_t* Name = L"映像再生";
    TestMovieOutput() { name = Name; mediaType = objectMediaType = Effect::MediaType::VideoAudio; }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestMovieOutput>(); }
};

// A source with picture and sound, whose object a test gives a picture-only output.
class TestMovie : public TestSound {
public:
    static constexpr const wchar_t* Name = L"テスト動画";
    TestMovie() { name = Name; mediaType = objectMediaType = Effect::MediaType::VideoAudio; }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestMovie>(); }
    std::unique_ptr<Media::AudioBlockBuffer> inputAudio(Render::RenderObject& r) override
    {
        ADD_FAILURE() << "a picture-only object was asked for sound";
        return TestSound::inputAudio(r);
    }
};

class TestSoundFilter : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"テスト音声フィルタ";
    TestSoundFilter() : EffectBase(Name, Effect::EffectType::Filter, Effect::MediaType::Audio, Effect::MediaType::Audio, L"テスト") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestSoundFilter>(); }
    std::unique_ptr<Media::AudioBlockBuffer> filterAudio(Render::RenderObject&,
                                                         std::unique_ptr<Media::AudioBlockBuffer> samples) override
    {
        if (empties) {
            samples->allocate(0, 2);
            return samples;
        }
        if (keep >= 0) {
            samples->samples = static_cast<uint32_t>(keep); // what lay behind stays in the arrays
            return samples;
        }
        for (uint32_t c = 0; c < 2; ++c)
            for (uint32_t i = 0; i < samples->samples; ++i)
                samples->getChannel(c)[i] *= gain;
        return samples;
    }
    float gain = 1;
    bool empties = false;
    int keep = -1; // shortens the samples to this count

};

inline constexpr wchar_t GroupAudioName[] = L"グループ制御(音声)";
inline constexpr wchar_t TimeName[] = L"時間制御(オブジェクト)";

// Shifts the frame of the layers it governs by shift frames.
class TestTimeAudio : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = TimeName;
    TestTimeAudio() : EffectBase(Name, Effect::EffectType::Control, Effect::MediaType::SceneChange, Effect::MediaType::SceneChange, L"テスト") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestTimeAudio>(); }
    Effect::EffectItemLayerRange* getLayerRange() override { return &range; }
    void preInputAudio(Render::RenderObject& r) override
    {
        RenderAudioObject& a = RenderAudioObject::from(r);
        a.frame += shift;
        a.time += shift;
        a.updateSampleRange();
    }
    Effect::EffectItemLayerRange range{items, L"対象レイヤー数"};
    int shift = 0;
};

inline void registerAudioEffects(Effect::EffectService& s)
{
    s.registerEffect<TestSound>();
    s.registerEffect<TestSoundOutput>();
    s.registerEffect<TestPictureOutput>();
    s.registerEffect<TestMovieOutput>();
    s.registerEffect<TestMovie>();
    s.registerEffect<TestSoundFilter>();
    s.registerEffect<Effect::GroupAudioControl>();
    s.registerEffect<TestTimeAudio>();
}

// One rendered frame of sound.
struct Frame {
    int frame = 0;
    std::vector<float> left, right;
};

class AudioFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Platform::Ui::initializeApplication();
        services.acquire<Setting::SettingService>();
        services.acquire<Event::EventService>();
        Effect::EffectService::builtInEffects = {registerAudioEffects, nullptr};
        services.acquire<Effect::EffectService>();
        Effect::EffectService::builtInEffects = {};
        services.acquire<Undo::UndoService>();
        edit = services.acquire<Edit::EditService>();
        scene = edit->currentScene.get();
        worker = std::make_unique<Render::RenderAudioWorker>(edit);
    }
    void TearDown() override
    {
        worker.reset();
        services.releaseAll();
    }

    void setRates(int audioRate, int videoRate, int videoScale)
    {
        scene->audioRate = audioRate;
        scene->videoRate = videoRate;
        scene->videoScale = videoScale;
    }

    struct Placed {
        std::shared_ptr<Edit::Object> object;
        TestSound* sound;
        TestSoundOutput* output;
    };
    Placed sound(int layer, int start, int end, Signal signal, Edit::Scene* in = nullptr)
    {
        auto& object = (in ? in : scene)->createObject(TestSound::Name, layer, start, end);
        Placed p{object, dynamic_cast<TestSound*>(object->effects[0].get()),
                 dynamic_cast<TestSoundOutput*>(object->effects[1].get())};
        p.sound->signal = std::move(signal);
        return p;
    }
    template <class T>
    T* control(int layer, int start, int end, int range)
    {
        auto& object = scene->createObject(T::Name, layer, start, end);
        auto* effect = dynamic_cast<T*>(object->effects[0].get());
        effect->range.value = range;
        return effect;
    }
    void clearScene()
    {
        for (int layer = 0; layer < scene->layerCount(); ++layer)
            for (const auto& object : std::vector(scene->getLayer(layer).objects))
                scene->removeObject(*object);
        scene->updateLayerObject();
    }
    // グループ制御(音声) over range layers at 音量 and 左右.
    Effect::GroupAudioControl& groupAudio(int layer, int range, double volume, double balance)
    {
        auto& object = scene->createObject(Effect::GroupAudioControl::Name, layer, 0, 99);
        auto& group = dynamic_cast<Effect::GroupAudioControl&>(*object->effects[0]);
        group.layerRange.value = range;
        group.volume.setValue(volume, 0);
        group.balance.setValue(balance, 0);
        return group;
    }

    // The sound of the frames, rendered through requests of the type.
    std::vector<Frame> render(int first, int count, Render::RenderTaskType type = Render::RenderTaskType::Single)
    {
        scene->updateLayerObject();
        std::vector<Frame> frames;
        std::mutex mutex;
        TestKit::finishWithin(60000, [&] {
            for (int f = first; f < first + count; ++f)
                worker->requestRenderingAudio(type, f, [&](int frame, Media::AudioBlockBuffer& block) {
                    Frame out;
                    out.frame = frame;
                    out.left.assign(block.getChannel(0), block.getChannel(0) + block.samples);
                    out.right.assign(block.getChannel(1), block.getChannel(1) + block.samples);
                    std::lock_guard<std::mutex> lock(mutex);
                    frames.push_back(std::move(out));
                });
            worker->requestThread.wait();
        }, "audio requests");
        return frames;
    }
    Frame renderOne(int frame) { return render(frame, 1).at(0); }

    System::ServiceStack services;
    Edit::EditService* edit = nullptr;
    Edit::Scene* scene = nullptr;
    std::unique_ptr<Render::RenderAudioWorker> worker;
};

} // namespace AudioTest
