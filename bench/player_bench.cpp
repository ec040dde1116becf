// Measures in one run:
// - playback: 10 s of a light 1920x1080 scene at 30 frames/s (one 1280x720
//   picture, one sound read through the audio cache) played by the preview
//   player into the timed null sound device, paced by the main loop as in the
//   program: frames shown, frames dropped (late, behind the clock, or never
//   rendered) as a percentage, presentation jitter (how far each shown frame
//   was from its time: median and worst) and underruns of the voice.
//   Targets: under 1 % dropped, no underrun.
// - mixing: the audio plan mixing eight 48 kHz stereo tones (WAV files made
//   by ffmpeg, read through the input service and the audio cache, every
//   block loaded from its file), in seconds of sound per second, beside
//   ffmpeg amix mixing the same eight files (start-up taken out), with the
//   ratio. Target: faster than ffmpeg amix.
#include "bench/bench_effects.h"
#include "bench/peer_tool.h"
#include "core/event_service.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_service.h"
#include "io/input/input_service.h"
#include "media/audio_buffer.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "media/xaudio2_service.h"
#include "platform/audio/audio.h"
#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/cache/audio_cache.h"
#include "render/cache/cache_service.h"
#include "render/render_audio_object.h"
#include "render/render_service.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

constexpr int Tones = 8;
constexpr int MixSeconds = 30;
constexpr int PlaySeconds = 10;

std::shared_ptr<Media::ImageBuffer> makePicture(int width, int height)
{
    auto image = Media::ImageBuffer::create(Media::Format::R8G8B8A8Unorm, uint32_t(width), uint32_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image->row(uint32_t(y)) + 4 * x;
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t(x + y), p[3] = 255;
        }
    return image;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void clearScene(Edit::Scene& scene)
{
    for (int layer = 0; layer < scene.layerCount(); ++layer)
        for (const auto& o : std::vector(scene.getLayer(layer).objects))
            scene.removeObject(*o);
}

Bench::CachedSound& addSound(Edit::Scene& scene, int layer, int last, const std::string& path)
{
    auto& object = scene.createObject(Bench::CachedSound::Name, layer, 0, last);
    auto& sound = dynamic_cast<Bench::CachedSound&>(*object->effects[0]);
    sound.path = System::utf8ToWide(path);
    return sound;
}

void benchPlayback(Edit::Scene& scene, Render::MoviePlayer& player, const std::string& tone)
{
    clearScene(scene);
    const int last = PlaySeconds * 30 - 1;
    auto& picture = scene.createObject(Bench::PictureInput::Name, 0, 0, last);
    dynamic_cast<Bench::PictureInput&>(*picture->effects[0]).picture = makePicture(1280, 720);
    addSound(scene, 1, last, tone);
    scene.updateLayerObject();
    scene.cursorFrame = 0;

    std::vector<double> jitter; // milliseconds from each shown frame's time
    Event::EventService::Get()->videoFrameRendered.push_back([&](Render::RenderTaskType, int frame) {
        if (player.isPlaying())
            jitter.push_back(1000.0 * std::fabs(player.getClock() - frame / 30.0));
    });
    player.play(false);
    Platform::Ui::processMessagesUntil([&] { return !player.isPlaying(); }, 120000);
    const auto& s = player.statistics;
    const int frames = last + 1;
    const int lost = frames - s.shown;
    std::printf("playback: %d s of a 1920x1080 scene at 30 frames/s (one 1280x720 picture, one sound):\n", PlaySeconds);
    std::printf("  frames shown %d of %d; dropped %d (%.2f %%: %d late, %d behind the clock, %d not rendered)\n",
                s.shown, frames, lost, 100.0 * lost / frames, s.dropped, s.discarded, lost - s.dropped - s.discarded);
    const double worst = jitter.empty() ? 0 : *std::max_element(jitter.begin(), jitter.end());
    std::printf("  presentation jitter: median %.2f ms, worst %.2f ms; underruns %d (targets: under 1 %% dropped, "
                "no underrun)\n",
                median(jitter), worst, s.underruns);
}

void benchMixing(Edit::Scene& scene, Render::RenderAudioWorker& worker, const std::vector<std::string>& tones)
{
    clearScene(scene);
    const int frames = MixSeconds * 30;
    for (int i = 0; i < Tones; ++i)
        addSound(scene, i, frames - 1, tones[size_t(i)]);
    scene.updateLayerObject();
    double best = 0;
    for (int run = 0; run < 3; ++run) {
        // Every block is read from its file again.
        Cache::CacheService::Get()->audioCache->cache.clear();
        const auto start = Clock::now();
        for (int f = 0; f < frames; ++f)
            worker.requestRenderingAudio(Render::RenderTaskType::Single, f, [](int, Media::AudioBlockBuffer&) {});
        worker.requestThread.wait();
        best = std::max(best, MixSeconds / seconds(start));
    }

    std::string inputs;
    for (const std::string& t : tones)
        inputs += " -i '" + t + "'";
    auto amix = [&](const std::string& limit) {
        double fastest = 1e9;
        for (int run = 0; run < 3; ++run)
            fastest = std::min(fastest, Bench::timeCommand("ffmpeg -v error -nostdin" + inputs +
                                                           " -filter_complex amix=inputs=8 " + limit + " -f null -"));
        return fastest;
    };
    const double one = amix("-t 1"), all = amix("");
    const double theirs = all > one ? (MixSeconds - 1) / (all - one) : 0;
    std::printf("mixing eight 48 kHz stereo tones through the audio cache: %.0f s of sound/s "
                "(ffmpeg amix %.0f s of sound/s, ratio %.2f; target above 1)\n",
                best, theirs, theirs > 0 ? best / theirs : 0.0);
}

} // namespace

namespace {
int run()
{
    Platform::Audio::useNullDevice(true);
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    services.acquire<Media::ImageService>();
    services.acquire<Media::Direct3DService>();
    services.acquire<Media::XAudio2Service>();
    services.acquire<Resource::ResourceService>();
    services.acquire<Event::EventService>();
    services.acquire<Plugin::InputService>();
    services.acquire<Cache::CacheService>();
    Effect::EffectService::builtInEffects = {Bench::registerPictureAndSoundEffects, nullptr};
    services.acquire<Effect::EffectService>();
    services.acquire<Undo::UndoService>();
    Edit::EditService* edit = services.acquire<Edit::EditService>();
    Render::RenderService* render = services.acquire<Render::RenderService>();

    Edit::Scene& scene = *edit->currentScene;
    scene.width = 1920;
    scene.height = 1080;
    scene.videoRate = 30;
    scene.videoScale = 1;
    scene.audioRate = 48000;

    const std::string folder = "/tmp/velmora_player_bench_" + std::to_string(::getpid());
    std::system(("mkdir -p '" + folder + "'").c_str());
    std::vector<std::string> tones;
    for (int i = 0; i < Tones; ++i) {
        tones.push_back(folder + "/tone" + std::to_string(i) + ".wav");
        const std::string make = "ffmpeg -v error -nostdin -y -f lavfi -i sine=frequency=" + std::to_string(220 + 110 * i) +
                                 ":sample_rate=48000:duration=" + std::to_string(MixSeconds) +
                                 " -ac 2 -c:a pcm_f32le '" + tones.back() + "'";
        if (std::system(make.c_str()) != 0) {
            std::fprintf(stderr, "ffmpeg could not make the tones\n");
            return 1;
        }
    }
    benchPlayback(scene, render->player, tones[0]);
    std::fflush(stdout);
    benchMixing(scene, render->audioWorker, tones);
    std::fflush(stdout);
    std::system(("rm -rf '" + folder + "'").c_str());
    return 0;
}
} // namespace

int main()
{
    Platform::Ui::initializeApplication();
    const int result = run(); // the services go before the toolkit application
    Platform::Ui::shutdownApplication();
    return result;
}
