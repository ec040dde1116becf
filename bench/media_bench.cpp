// Measures in one run, beside ffmpeg doing the same work:
// - export: a 1920x1080 30/1 scene of three uncompressed 1080p movies, each
//   moved, scaled to 75% and 50% transparent, exported through the AVI export
//   job (RGB24) in frames per second, beside ffmpeg scaling and overlaying the
//   same three files at 50% alpha over black into a rawvideo AVI. Target: at
//   least 45 frames/s.
// - sound: a 48 kHz scene of eight stereo WAV files on eight layers, each with
//   its audio output, rendered through the export job's sound path
//   (getAudioSamples, one second at a time) as a multiple of real time, beside
//   ffmpeg's amix of the same eight files to a null output; and the mix step
//   alone (eight one-frame blocks mixed into a frame's block). Target: at
//   least 2,000x real time.
// The inputs are made by ffmpeg into a temporary folder, deleted at the end.
// Arguments name the parts to run (export, sound; both when none).
#include "bench/peer_tool.h"
#include "core/event_service.h"
#include "core/setting_service.h"
#include "effect/effect_service.h"
#include "effects/built_in_effects.h"
#include "effects/objects/audio_output.h"
#include "io/export/output_file.h"
#include "io/input/input_service.h"
#include "io/output/avi_file_save.h"
#include "io/output/output_service.h"
#include "media/audio_buffer.h"
#include "media/direct3d_service.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "platform/ui/application.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/model/scene.h"
#include "render/cache/cache_service.h"
#include "render/cache/image_cache.h"
#include "render/render_audio_object.h"
#include "render/render_service.h"

#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Processor seconds of this process so far, all its threads.
double processorSeconds()
{
    rusage use {};
    ::getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) + (use.ru_utime.tv_usec + use.ru_stime.tv_usec) * 1e-6;
}

constexpr int Width = 1920, Height = 1080;
constexpr int MovieFrames = 30; // 1 s of each movie
constexpr int ExportFrames = 30; // the whole scene
constexpr int SoundSeconds = 60;
constexpr int SoundRate = 48000, SoundFiles = 8;

std::string folder;

bool shell(const std::string& command)
{
    if (std::system(command.c_str()) == 0)
        return true;
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    return false;
}

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

void printLoad()
{
    if (std::FILE* load = std::fopen("/proc/loadavg", "r")) {
        double average = 0;
        if (std::fscanf(load, "%lf", &average) == 1)
            std::printf("machine load: %.1f on %ld processors\n", average, ::sysconf(_SC_NPROCESSORS_ONLN));
        std::fclose(load);
    }
}

std::string writeProject(const std::string& name, const std::string& text)
{
    const std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// Where each movie goes: its offset from the frame centre (y down).
struct Place {
    int x, y;
};
constexpr Place Places[3] = {{-240, -135}, {0, 0}, {240, 135}};
constexpr int Zoom = 75;
constexpr int ScaledW = Width * Zoom / 100, ScaledH = Height * Zoom / 100;

std::string exportProject(const std::vector<std::string>& movies)
{
    std::string text = "[project]\n[scene.0]\nscene=0\nname=Root\nvideo.width=1920\nvideo.height=1080\n"
                       "video.rate=30\nvideo.scale=1\naudio.rate=48000\n";
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i);
        text += "[" + n + "]\nlayer=" + n + "\nscene=0\nframe=0," + std::to_string(ExportFrames - 1) + "\n";
        text += "[" + n + ".0]\neffect.name=動画ファイル\nファイル=" + movies[size_t(i)] + "\n";
        text += "[" + n + ".1]\neffect.name=映像再生\nX=" + std::to_string(Places[i].x) +
                "\nY=" + std::to_string(Places[i].y) + "\n拡大率=" + std::to_string(Zoom) + "\n透明度=50\n";
    }
    return writeProject("export.vmp2", text);
}

std::string soundProject(const std::vector<std::string>& sounds)
{
    std::string text = "[project]\n[scene.0]\nscene=0\nname=Root\nvideo.width=320\nvideo.height=240\n"
                       "video.rate=30\nvideo.scale=1\naudio.rate=48000\n";
    for (int i = 0; i < SoundFiles; ++i) {
        const std::string n = std::to_string(i);
        text += "[" + n + "]\nlayer=" + n + "\nscene=0\nframe=0," + std::to_string(SoundSeconds * 30 - 1) + "\n";
        text += "[" + n + ".0]\neffect.name=音声ファイル\nファイル=" + sounds[size_t(i)] + "\n";
        text += "[" + n + ".1]\neffect.name=音声再生\n音量=50\n左右=" + std::to_string(i * 20 - 70) + "\n";
    }
    return writeProject("sound.vmp2", text);
}

// A job of the export's base that only pulls the scene's sound, a second at a
// time, as a sound-only writer would.
class SoundPull : public Plugin::OutputFile {
public:
    SoundPull() : Plugin::OutputFile(L"", false) {}
    bool save() override
    {
        Media::AudioBuffer out;
        const int64_t block = scene.audioRate;
        for (int64_t done = 0; done < audioSampleCount; done += block) {
            getAudioSamples(out, audioStart + done, std::min(block, audioSampleCount - done), 1);
            samples += out.sampleCount;
        }
        return true;
    }
    int64_t samples = 0;
};

void exportPart(Edit::EditService& edit, Plugin::OutputService& output)
{
    std::printf("export, %d frames of 1920x1080 30/1, three uncompressed 1080p movies, each moved, scaled to %d%% "
                "and 50%% transparent, to an RGB24 AVI:\n",
                ExportFrames, Zoom);
    std::vector<std::string> movies;
    const char* sources[3] = {"testsrc2", "testsrc", "smptehdbars"};
    for (int i = 0; i < 3; ++i) {
        movies.push_back(folder + "/movie" + std::to_string(i) + ".avi");
        if (!shell("ffmpeg -v error -nostdin -y -f lavfi -i " + std::string(sources[i]) + "=size=1920x1080:rate=30:"
                   "duration=" + std::to_string(MovieFrames / 30) + " -c:v rawvideo -pix_fmt bgr24 '" +
                   movies.back() + "'"))
            return;
    }
    if (!edit.loadProject(wide(exportProject(movies)), false, true)) {
        std::printf("  the project did not load\n");
        return;
    }
    auto* writer = dynamic_cast<Plugin::AviFileSave*>(output.writers[0].get());
    const std::string ours = folder + "/ours.avi";
    double busy = 0;
    // Every run decodes every frame into a full image cache that drops a frame
    // for each it takes: the steady state of exporting movies longer than the
    // cache holds (768 MB is about 90 frames of 1080p), reached at once.
    Cache::ImageCache& decoded = *Cache::CacheService::Get()->imageCache;
    const int cacheSize = decoded.imageCacheSize;
    decoded.setCacheSize(96);
    auto run = [&] {
        decoded.cache.clear();
        Plugin::AviFileSaveFile job(wide(ours), writer);
        const auto start = Clock::now();
        const double cpu = processorSeconds();
        job.save();
        const double t = seconds(start);
        busy = (processorSeconds() - cpu) / t;
        return t;
    };
    run(); // warm-up: pipelines, pooled pictures, the movies in the page cache
    const double elapsed = std::min(run(), run());
    const double fps = ExportFrames / elapsed;
    decoded.setCacheSize(cacheSize);

    // ffmpeg: the same placement over black, each input scaled, its alpha halved.
    std::string graph = "color=c=black:s=1920x1080:r=30:d=" + std::to_string(ExportFrames / 30) + "[b0];";
    for (int i = 0; i < 3; ++i)
        graph += "[" + std::to_string(i) + ":v]scale=" + std::to_string(ScaledW) + ":" + std::to_string(ScaledH) +
                 ",format=rgba,colorchannelmixer=aa=0.5[m" + std::to_string(i) + "];";
    for (int i = 0; i < 3; ++i) {
        const int x = Width / 2 + Places[i].x - ScaledW / 2, y = Height / 2 + Places[i].y - ScaledH / 2;
        graph += "[b" + std::to_string(i) + "][m" + std::to_string(i) + "]overlay=" + std::to_string(x) + ":" +
                 std::to_string(y) + ":format=rgb" + (i == 2 ? "" : "[b" + std::to_string(i + 1) + "];");
    }
    std::string command = "ffmpeg -v error -nostdin -y";
    for (const std::string& m : movies)
        command += " -i '" + m + "'";
    command += " -filter_complex '" + graph + "' -frames:v " + std::to_string(ExportFrames) +
               " -c:v rawvideo -pix_fmt bgr24 '" + folder + "/ffmpeg.avi'";
    double peer = 1e30;
    for (int i = 0; i < 2; ++i) {
        const double t = Bench::timeCommand(command);
        peer = t < 0 ? peer : std::min(peer, t);
    }
    const double peerFps = peer < 1e30 ? ExportFrames / peer : -1;
    printLoad();
    std::printf("  ours (export job, AVI writer):            %6.1f frames/s   (%.1f processors busy, %.0f ms of processor "
                "time a frame)\n",
                fps, busy, busy / fps * 1e3);
    std::printf("  ffmpeg (scale, overlay, rawvideo AVI):    %6.1f frames/s   ratio %.2f   target 45 frames/s\n",
                peerFps, peerFps > 0 ? fps / peerFps : 0.0);
    std::remove(ours.c_str());
    std::remove((folder + "/ffmpeg.avi").c_str());
    for (const std::string& m : movies)
        std::remove(m.c_str());
}

// The mix step alone: eight one-frame stereo blocks into the frame's block, as
// many frames as the scene holds.
double mixOnly()
{
    constexpr uint32_t PerFrame = SoundRate / 30;
    std::vector<Media::AudioBlockBuffer> sources(SoundFiles);
    for (int i = 0; i < SoundFiles; ++i) {
        sources[size_t(i)].allocate(PerFrame, 2);
        for (uint32_t c = 0; c < 2; ++c)
            for (uint32_t s = 0; s < PerFrame; ++s)
                sources[size_t(i)].getChannel(c)[s] = float((s * (i + 3) + c * 7) % 200) / 400.0f - 0.25f;
    }
    Media::AudioBlockBuffer target;
    target.allocate(PerFrame, 2);
    Render::RenderAudioObject audio;
    const int frames = SoundSeconds * 30;
    double best = 1e30;
    for (int round = 0; round < 3; ++round) {
        const auto start = Clock::now();
        for (int f = 0; f < frames; ++f) {
            std::memset(target.getChannel(0), 0, PerFrame * 4);
            std::memset(target.getChannel(1), 0, PerFrame * 4);
            for (const Media::AudioBlockBuffer& s : sources) {
                audio.leftGain = 0.5f;
                audio.rightGain = 0.4f;
                Effect::OutputAudioEffect::mixAudio(audio, target, s);
            }
        }
        best = std::min(best, seconds(start));
    }
    return SoundSeconds / best;
}

void soundPart(Edit::EditService& edit)
{
    std::printf("sound, %d s of a 48 kHz scene of %d stereo WAV files, each on its layer with its audio output:\n",
                SoundSeconds, SoundFiles);
    std::vector<std::string> sounds;
    std::string inputs;
    for (int i = 0; i < SoundFiles; ++i) {
        sounds.push_back(folder + "/sound" + std::to_string(i) + ".wav");
        inputs += " -i '" + sounds.back() + "'";
        if (!shell("ffmpeg -v error -nostdin -y -f lavfi -i sine=frequency=" + std::to_string(220 + 110 * i) +
                   ":sample_rate=48000:duration=" + std::to_string(SoundSeconds) + " -f lavfi -i anoisesrc=r=48000:d=" +
                   std::to_string(SoundSeconds) + ":a=0.1 -filter_complex '[0:a][1:a]amerge=inputs=2' "
                   "-c:a pcm_s16le '" + sounds.back() + "'"))
            return;
    }
    if (!edit.loadProject(wide(soundProject(sounds)), false, true)) {
        std::printf("  the project did not load\n");
        return;
    }
    auto pull = [] {
        SoundPull job;
        const auto start = Clock::now();
        job.save();
        const double t = seconds(start);
        if (job.samples != int64_t(SoundSeconds) * SoundRate)
            std::printf("  wrong length: %lld samples\n", static_cast<long long>(job.samples));
        return t;
    };
    pull(); // warm-up: the files opened and in the page cache
    const double ours = SoundSeconds / std::min(pull(), pull());
    const double mix = mixOnly();

    const std::string command = "ffmpeg -v error -nostdin" + inputs + " -filter_complex amix=inputs=" +
                                std::to_string(SoundFiles) + " -f null -";
    double peer = 1e30;
    for (int i = 0; i < 3; ++i) {
        const double t = Bench::timeCommand(command);
        peer = t < 0 ? peer : std::min(peer, t);
    }
    const double peerMultiple = peer < 1e30 ? SoundSeconds / peer : -1;
    printLoad();
    std::printf("  ours (export job's sound path, 16-bit):   %7.0fx real time\n", ours);
    std::printf("  ffmpeg (amix of the 8 files, null out):   %7.0fx real time   ratio %.2f   target 2000x\n",
                peerMultiple, peerMultiple > 0 ? ours / peerMultiple : 0.0);
    std::printf("  the mix step alone (8 blocks a frame):    %7.0fx real time\n", mix);
    for (const std::string& s : sounds)
        std::remove(s.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    auto wanted = [&](const char* part) {
        if (argc < 2)
            return true;
        for (int i = 1; i < argc; ++i)
            if (std::strcmp(argv[i], part) == 0)
                return true;
        return false;
    };
    folder = "/tmp/velmora_media_bench_" + std::to_string(::getpid());
    struct statvfs disk {};
    if (::statvfs("/tmp", &disk) == 0 && uint64_t(disk.f_bavail) * disk.f_frsize < (uint64_t(6) << 30)) {
        std::printf("less than 6 GB free in /tmp: not run\n");
        return 1;
    }
    shell("mkdir -p '" + folder + "'");

    Platform::Ui::initializeApplication();
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    services.acquire<Media::ImageService>();
    services.acquire<Media::Direct3DService>();
    services.acquire<Resource::ResourceService>();
    services.acquire<Event::EventService>();
    services.acquire<Plugin::InputService>();
    services.acquire<Cache::CacheService>();
    Effect::EffectService::builtInEffects = Effect::builtInEffectTable();
    services.acquire<Effect::EffectService>();
    services.acquire<Undo::UndoService>();
    Edit::EditService* edit = services.acquire<Edit::EditService>();
    services.acquire<Render::RenderService>();
    Plugin::OutputService* output = services.acquire<Plugin::OutputService>();

    if (wanted("export"))
        exportPart(*edit, *output);
    if (wanted("sound"))
        soundPart(*edit);

    services.releaseAll();
    Platform::Ui::shutdownApplication();
    shell("rm -rf '" + folder + "'");
    return 0;
}
