// Measures the preview pane (the real pane on an offscreen window, frames
// rendered on the GPU) with a light 1920x1080 scene at 30 frames/s: one
// 1920x1080 picture and one sound read through the audio cache.
// - playback, 10 s: frames painted per second, frames dropped (%), and the
//   pane's time per frame (the player's frame made a bitmap, scaled into the
//   picture area and painted). Targets: 30 frames/s, under 1 % dropped, under 8 ms.
// - scrubbing: cursor moves to frames spread over the scene, each timed from
//   the move to the rendered frame painted in the pane: median and worst, and
//   the paint time of those frames. Target: median under 50 ms.
// Beside ffmpeg decoding the same picture as a 30 frames/s stream of 10 s and
// scaling every frame to the picture area (flags=area), start-up taken out.
#include "bench/bench_effects.h"
#include "bench/peer_tool.h"
#include "core/event_service.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_service.h"
#include "io/input/input_service.h"
#include "media/direct2d_service.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "media/xaudio2_service.h"
#include "platform/audio/audio.h"
#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"
#include "platform/ui/test_input.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/cache/cache_service.h"
#include "render/render_service.h"
#include "ui/editor/preview/preview_edit_component.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/window_mouse.h"
#include "ui/window/window_service.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

constexpr int PlaySeconds = 10;
constexpr int Scrubs = 60;

// A 1920x1080 picture of gradients (so that scaling has work to do).
std::shared_ptr<Media::ImageBuffer> makePicture()
{
    auto image = Media::ImageBuffer::create(Media::Format::R8G8B8A8Unorm, 1920, 1080);
    for (uint32_t y = 0; y < 1080; ++y)
        for (uint32_t x = 0; x < 1920; ++x) {
            uint8_t* p = image->row(y) + 4 * x;
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t(x ^ y), p[3] = 255;
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
double worst(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

// The pane's handling of each rendered frame, timed by a listener before its own and one after.
struct PaneTimes {
    Clock::time_point started;
    std::vector<double> playback, preview;
    int lastPreviewFrame = -1;
};

int run(const std::string& folder)
{
    Platform::Audio::useNullDevice(true);
    System::ServiceStack services, panes;
    services.acquire<Setting::SettingService>();
    services.acquire<Media::ImageService>();
    services.acquire<Media::Direct3DService>();
    services.acquire<Media::XAudio2Service>();
    services.acquire<Media::Direct2DService>();
    services.acquire<Resource::ResourceService>();
    Event::EventService* events = services.acquire<Event::EventService>();
    services.acquire<Plugin::InputService>();
    services.acquire<Cache::CacheService>();
    Effect::EffectService::builtInEffects = {Bench::registerPictureAndSoundEffects, nullptr};
    services.acquire<Effect::EffectService>();
    Effect::EffectService::builtInEffects = {};
    services.acquire<Undo::UndoService>();
    Edit::EditService* edit = services.acquire<Edit::EditService>();
    Render::RenderService* render = services.acquire<Render::RenderService>();
    services.acquire<Window::ShortcutManager>();
    services.acquire<Window::WindowMouseService>();
    Window::WindowService* window = services.acquire<Window::WindowService>();
    Platform::Ui::TestInput::activate();
    Platform::Ui::TestInput::resizeWindow(1280, 800);

    PaneTimes times;
    events->videoFrameRendered.push_back([&](Render::RenderTaskType, int) { times.started = Clock::now(); });
    Component::PreviewEditComponent* preview = panes.acquire<Component::PreviewEditComponent>();
    events->videoFrameRendered.push_back([&](Render::RenderTaskType type, int frame) {
        const double spent = ms(times.started, Clock::now());
        if (type == Render::RenderTaskType::Playback)
            times.playback.push_back(spent);
        else if (type == Render::RenderTaskType::Preview) {
            times.preview.push_back(spent);
            times.lastPreviewFrame = frame;
        }
    });
    preview->left = 0, preview->top = 0, preview->right = 1, preview->bottom = 1, preview->area = 4, preview->hide = 0;
    window->updateWindowLayout();
    Platform::Ui::TestInput::wait(20);

    Edit::Scene& scene = *edit->currentScene;
    scene.width = 1920;
    scene.height = 1080;
    scene.videoRate = 30;
    scene.videoScale = 1;
    scene.audioRate = 48000;
    const int frames = PlaySeconds * 30;
    scene.lastFrame = frames - 1;
    const std::string tone = folder + "/tone.wav", png = folder + "/picture.png";
    if (std::system(("ffmpeg -v error -nostdin -y -f lavfi -i sine=frequency=440:sample_rate=48000:duration=" +
                     std::to_string(PlaySeconds) + " -ac 2 -c:a pcm_f32le '" + tone + "'")
                        .c_str()) != 0) {
        std::fprintf(stderr, "ffmpeg could not make the tone\n");
        return 1;
    }
    auto& picture = scene.createObject(Bench::PictureInput::Name, 0, 0, frames - 1);
    const std::shared_ptr<Media::ImageBuffer> pixels = makePicture();
    dynamic_cast<Bench::PictureInput&>(*picture->effects[0]).picture = pixels;
    auto& sound = scene.createObject(Bench::CachedSound::Name, 1, 0, frames - 1);
    dynamic_cast<Bench::CachedSound&>(*sound->effects[0]).path = System::utf8ToWide(tone);
    scene.updateLayerObject();
    scene.cursorFrame = 0;

    // Playback.
    Render::MoviePlayer& player = render->player;
    const Clock::time_point playStart = Clock::now();
    player.play(false);
    Platform::Ui::processMessagesUntil([&] { return !player.isPlaying(); }, 120000);
    const double played = ms(playStart, Clock::now()) / 1000.0;
    const auto& s = player.statistics;
    const int painted = int(times.playback.size());
    const int lost = frames - s.shown;

    // Scrubbing: frames spread over the scene, never the one shown.
    std::vector<double> latency;
    for (int i = 0; i < Scrubs; ++i) {
        const int frame = (i * 97 + 13) % frames;
        if (frame == scene.cursorFrame)
            continue;
        const Clock::time_point start = Clock::now();
        edit->setCursorFrame(frame);
        if (!Platform::Ui::processMessagesUntil([&] { return times.lastPreviewFrame == frame; }, 10000)) {
            std::fprintf(stderr, "frame %d never reached the pane\n", frame);
            return 1;
        }
        latency.push_back(ms(start, Clock::now()));
    }
    const Component::PictureRect area = preview->picture.video.pictureRect;
    const int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;

    // ffmpeg: the same picture decoded as a 30 frames/s stream and scaled to the picture area.
    const std::string rgba = folder + "/picture.rgba";
    if (FILE* f = std::fopen(rgba.c_str(), "wb")) {
        for (uint32_t y = 0; y < 1080; ++y)
            std::fwrite(pixels->row(y), 1, 1920 * 4, f);
        std::fclose(f);
    }
    std::system(("ffmpeg -v error -nostdin -y -f rawvideo -pix_fmt rgba -s 1920x1080 -i '" + rgba + "' '" + png + "'")
                    .c_str());
    const double peer = Bench::ffmpegRate(png,
                                          "-vf scale=" + std::to_string(areaWidth) + ":" + std::to_string(areaHeight) +
                                              ":flags=area -f null",
                                          "-frames:v 30", frames, 30,
                                          "-threads 1 -loop 1 -framerate 30 -t " + std::to_string(PlaySeconds));

    std::system("uptime");
    std::printf("preview pane 1280x800, picture area %dx%d, a 1920x1080 scene at 30 frames/s "
                "(one 1920x1080 picture, one sound):\n",
                areaWidth, areaHeight);
    std::printf("playback %d s: %d frames painted in %.2f s = %.1f frames/s (target 30); "
                "dropped %d of %d = %.2f %% (target under 1 %%)\n",
                PlaySeconds, painted, played, painted / played, lost, frames, 100.0 * lost / frames);
    std::printf("  paint per playback frame (bitmap, scale, paint): median %.2f ms, worst %.2f ms (target under 8 ms)\n",
                median(times.playback), worst(times.playback));
    std::printf("scrubbing, %zu cursor moves: move to painted frame median %.1f ms, worst %.1f ms (target median "
                "under 50 ms); paint median %.2f ms\n",
                latency.size(), median(latency), worst(latency), median(times.preview));
    const double ours = median(times.playback) > 0 ? 1000.0 / median(times.playback) : 0;
    if (peer > 0)
        std::printf("ffmpeg decoding the picture as a stream and scaling each frame to %dx%d (flags=area, one thread): "
                    "%.1f frames/s; the pane's paint alone would allow %.1f frames/s (ratio %.2f)\n",
                    areaWidth, areaHeight, peer, ours, ours / peer);
    panes.releaseAll();
    return 0;
}

} // namespace

int main()
{
    const std::string folder = "/tmp/velmora_preview_bench_" + std::to_string(::getpid());
    std::system(("mkdir -p '" + folder + "'").c_str());
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    Platform::Ui::initializeApplication();
    const int result = run(folder); // the services go before the toolkit application
    Platform::Ui::shutdownApplication();
    std::system(("rm -rf '" + folder + "'").c_str());
    return result;
}
