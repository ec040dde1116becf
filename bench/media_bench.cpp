// Measures in one run, beside the peer tools doing the same work, each
// figure the median of three runs with the machine's load printed before it:
// - export: 300 frames of a 1920x1080 30/1 scene of three 1080p movies (two
//   seconds each, looped), each scaled to 50 %, moving across the frame and
//   50 % transparent, exported through the AVI export job (RGB24) in frames
//   per second; beside melt compositing the same with its Qt blend transition
//   into a raw BGR24 AVI (under xvfb-run; melt, libmlt-data and xvfb are
//   installed when missing) and ffmpeg scaling and overlaying the same into a
//   rawvideo AVI; the ratios (target: 1.5x melt); the same with MJPEG copies
//   of the movies; and our processor time per frame split by the threads that
//   do each stage, and the processors busy.
// - sound: a 48 kHz scene of eight stereo WAV files on eight layers, each with
//   its audio output, rendered through the export job's sound path
//   (getAudioSamples, one second at a time) as a multiple of real time, beside
//   ffmpeg's amix of the same eight files to a null output; and the mix step
//   alone (eight one-frame blocks mixed into a frame's block). Targets: at
//   least 2,000x real time and 10x amix.
// The inputs are made by ffmpeg into a temporary folder, deleted at the end.
// Arguments name the parts to run (export, mjpeg, sound; all when none);
// "ours" leaves the peers out and runs ours once, for quick looks.
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

#include <dirent.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
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
constexpr int MovieFrames = 60;   // 2 s of each movie, looped
constexpr int ExportFrames = 300; // the whole scene
int Runs = 3;
bool withPeers = true;
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
    std::string line;
    if (std::FILE* pipe = ::popen("uptime", "r")) {
        char text[256];
        while (std::fgets(text, sizeof text, pipe))
            line += text;
        ::pclose(pipe);
    }
    std::printf("  uptime:%s", line.empty() ? " (unknown)\n" : line.c_str());
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

std::string writeProject(const std::string& name, const std::string& text)
{
    const std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// Where each movie goes over the scene: its centre's offset from the frame
// centre (y down) at the first and at the last frame.
struct Path {
    int x0, y0, x1, y1;
};
constexpr Path Paths[3] = {{-480, -270, 480, -270}, {0, -270, 0, 270}, {480, 270, -480, 270}};
constexpr int ScaledW = Width / 2, ScaledH = Height / 2;

std::string moving(int from, int to)
{
    return from == to ? std::to_string(from) : std::to_string(from) + "," + std::to_string(to) + ",直線移動,0";
}

std::string exportProject(const std::vector<std::string>& movies)
{
    std::string text = "[project]\n[scene.0]\nscene=0\nname=Root\nvideo.width=1920\nvideo.height=1080\n"
                       "video.rate=30\nvideo.scale=1\naudio.rate=48000\n";
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i);
        text += "[" + n + "]\nlayer=" + n + "\nscene=0\nframe=0," + std::to_string(ExportFrames - 1) + "\n";
        text += "[" + n + ".0]\neffect.name=動画ファイル\nループ再生=1\nファイル=" + movies[size_t(i)] + "\n";
        text += "[" + n + ".1]\neffect.name=映像再生\nX=" + moving(Paths[i].x0, Paths[i].x1) +
                "\nY=" + moving(Paths[i].y0, Paths[i].y1) + "\n拡大率=50\n透明度=50\n";
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

// Processor time (user + system, in clock ticks) of this process's threads,
// summed by what each thread does in the export.
struct StageTimes {
    static constexpr int Count = 7;
    static constexpr const char* Names[Count] = {
        "decode (image cache loads)",
        "plan (render request thread)",
        "upload and draw calls (object thread)",
        "shade (software driver's raster threads)",
        "driver queue (copies, clears)",
        "read back and convert",
        "export thread (convert, write)",
    };
    double ticks[Count] = {};

    static int stageOf(const std::string& name, bool mainThread)
    {
        if (mainThread)
            return 6;
        if (name.rfind("ImageDecode", 0) == 0 || name.rfind("PreLoadCache", 0) == 0)
            return 0;
        if (name.rfind("RenderVideoWork", 0) == 0)
            return 1;
        if (name.rfind("RenderObjectWor", 0) == 0)
            return 2;
        if (name.rfind("llvmpipe", 0) == 0)
            return 3;
        if (name.rfind("bench_media", 0) == 0)
            return 4;
        if (name.rfind("RenderReadBack", 0) == 0)
            return 5;
        return -1;
    }

    static StageTimes now()
    {
        StageTimes times;
        const pid_t self = ::getpid();
        if (DIR* tasks = ::opendir("/proc/self/task")) {
            while (dirent* entry = ::readdir(tasks)) {
                if (entry->d_name[0] == '.')
                    continue;
                const std::string base = std::string("/proc/self/task/") + entry->d_name;
                std::string name, stat;
                std::getline(std::ifstream(base + "/comm"), name);
                std::getline(std::ifstream(base + "/stat"), stat);
                const size_t close = stat.rfind(')');
                if (close == std::string::npos)
                    continue;
                std::istringstream fields(stat.substr(close + 2));
                std::string field;
                double user = 0, system = 0;
                for (int i = 3; i <= 15 && fields >> field; ++i) {
                    if (i == 14)
                        user = std::atof(field.c_str());
                    if (i == 15)
                        system = std::atof(field.c_str());
                }
                const int stage = stageOf(name, std::atoi(entry->d_name) == self);
                if (stage >= 0)
                    times.ticks[stage] += user + system;
            }
            ::closedir(tasks);
        }
        return times;
    }
    StageTimes operator-(const StageTimes& o) const
    {
        StageTimes d;
        for (int i = 0; i < Count; ++i)
            d.ticks[i] = ticks[i] - o.ticks[i];
        return d;
    }
};

struct ExportRun {
    double seconds = 0;
    double busy = 0; // processors busy on average
    StageTimes stages;
};

// Our export of the project: the median of three runs after a warm-up.
ExportRun ourExport(Plugin::OutputService& output, const std::string& target)
{
    auto* writer = dynamic_cast<Plugin::AviFileSave*>(output.writers[0].get());
    // Every run decodes every frame: the image cache holds far less than the
    // looped movies, as when exporting movies longer than the cache holds.
    Cache::ImageCache& decoded = *Cache::CacheService::Get()->imageCache;
    const int cacheSize = decoded.imageCacheSize;
    decoded.setCacheSize(256);
    auto run = [&] {
        decoded.cache.clear();
        Plugin::AviFileSaveFile job(wide(target), writer);
        ExportRun r;
        const StageTimes before = StageTimes::now();
        const double cpu = processorSeconds();
        const auto start = Clock::now();
        job.save();
        r.seconds = seconds(start);
        r.busy = (processorSeconds() - cpu) / r.seconds;
        r.stages = StageTimes::now() - before;
        return r;
    };
    run(); // warm-up: pipelines, pooled pictures, the movies in the page cache
    std::vector<ExportRun> runs;
    for (int i = 0; i < Runs; ++i)
        runs.push_back(run());
    std::sort(runs.begin(), runs.end(), [](const ExportRun& a, const ExportRun& b) { return a.seconds < b.seconds; });
    decoded.setCacheSize(cacheSize);
    std::remove(target.c_str());
    return runs[Runs / 2];
}

// A peer's frames per second: its start-up (a one-frame run) taken out of the
// median of three whole runs.
double peerRate(const std::function<std::string(int frames)>& command)
{
    std::vector<double> one, whole;
    for (int i = 0; i < Runs; ++i) {
        one.push_back(Bench::timeCommand(command(1)));
        whole.push_back(Bench::timeCommand(command(ExportFrames)));
    }
    const double a = median(one), b = median(whole);
    return a >= 0 && b > a ? (ExportFrames - 1) / (b - a) : -1;
}

std::string meltCommand(const std::vector<std::string>& movies, int frames, const std::string& out)
{
    const std::string last = std::to_string(frames - 1);
    std::string command = "xvfb-run -a melt -silent -profile atsc_1080p_30 color:black out=" + last;
    for (const std::string& m : movies)
        command += " -track '" + m + "' out=" + last + " eof=loop";
    for (int i = 0; i < 3; ++i) {
        const Path& p = Paths[i];
        auto rect = [&](int x, int y) {
            return std::to_string(Width / 2 + x - ScaledW / 2) + " " + std::to_string(Height / 2 + y - ScaledH / 2) +
                   " " + std::to_string(ScaledW) + " " + std::to_string(ScaledH) + " 0.5";
        };
        command += " -transition qtblend in=0 out=" + last + " a_track=0 b_track=" + std::to_string(i + 1) +
                   " rect=\"0=" + rect(p.x0, p.y0) + ";" + std::to_string(ExportFrames - 1) + "=" + rect(p.x1, p.y1) +
                   "\"";
    }
    return command + " -consumer avformat:'" + out + "' vcodec=rawvideo pix_fmt=bgr24 real_time=-8 an=1 >/dev/null 2>&1";
}

std::string ffmpegCommand(const std::vector<std::string>& movies, int frames, const std::string& out)
{
    // The same placement over black, each input scaled, its alpha halved, moved by frame number.
    std::string graph = "color=c=black:s=1920x1080:r=30[b0];";
    for (int i = 0; i < 3; ++i)
        graph += "[" + std::to_string(i) + ":v]scale=" + std::to_string(ScaledW) + ":" + std::to_string(ScaledH) +
                 ",format=rgba,colorchannelmixer=aa=0.5[m" + std::to_string(i) + "];";
    const std::string span = std::to_string(ExportFrames - 1);
    for (int i = 0; i < 3; ++i) {
        const Path& p = Paths[i];
        auto axis = [&](int centre, int half, int from, int to) {
            return "'" + std::to_string(centre + from - half) + "+(" + std::to_string(to - from) + ")*n/" + span + "'";
        };
        graph += "[b" + std::to_string(i) + "][m" + std::to_string(i) + "]overlay=x=" +
                 axis(Width / 2, ScaledW / 2, p.x0, p.x1) + ":y=" + axis(Height / 2, ScaledH / 2, p.y0, p.y1) +
                 ":format=rgb" + (i == 2 ? "" : "[b" + std::to_string(i + 1) + "];");
    }
    std::string command = "ffmpeg -v error -nostdin -y";
    for (const std::string& m : movies)
        command += " -stream_loop -1 -i '" + m + "'";
    return command + " -filter_complex \"" + graph + "\" -frames:v " + std::to_string(frames) +
           " -c:v rawvideo -pix_fmt bgr24 '" + out + "'";
}

bool meltReady()
{
    if (std::system("command -v melt >/dev/null && command -v xvfb-run >/dev/null") == 0)
        return true;
    std::printf("  installing melt, libmlt-data and xvfb\n");
    return std::system("apt-get install -y -qq melt libmlt-data xvfb xauth >/dev/null 2>&1") == 0 &&
           std::system("command -v melt >/dev/null && command -v xvfb-run >/dev/null") == 0;
}

void exportPart(Edit::EditService& edit, Plugin::OutputService& output, bool withMjpeg)
{
    std::printf("export, %d frames of 1920x1080 30/1, three 1080p movies (%d frames, looped), each scaled to 50%%, "
                "moving and 50%% transparent, to an RGB24 AVI (median of %d):\n",
                ExportFrames, MovieFrames, Runs);
    std::vector<std::string> movies, mjpeg;
    const char* sources[3] = {"testsrc2", "testsrc", "smptehdbars"};
    for (int i = 0; i < 3; ++i) {
        movies.push_back(folder + "/movie" + std::to_string(i) + ".avi");
        mjpeg.push_back(folder + "/mjpeg" + std::to_string(i) + ".avi");
        if (!shell("ffmpeg -v error -nostdin -y -f lavfi -i " + std::string(sources[i]) + "=size=1920x1080:rate=30:"
                   "duration=" + std::to_string(MovieFrames / 30) + " -c:v rawvideo -pix_fmt bgr24 '" +
                   movies.back() + "'") ||
            (withMjpeg && !shell("ffmpeg -v error -nostdin -y -i '" + movies.back() +
                                 "' -c:v mjpeg -q:v 3 -pix_fmt yuvj422p '" + mjpeg.back() + "'")))
            return;
    }
    const bool melt = withPeers && meltReady();
    if (withPeers && !melt)
        std::printf("  melt could not be installed: its lines are left out\n");
    const std::string ours = folder + "/ours.avi", peerOut = folder + "/peer.avi";

    struct Row {
        const char* name;
        const std::vector<std::string>* inputs;
    };
    std::vector<Row> rows{{"uncompressed BGR24", &movies}};
    if (withMjpeg)
        rows.push_back({"MJPEG", &mjpeg});
    for (const Row& row : rows) {
        if (!edit.loadProject(wide(exportProject(*row.inputs)), false, true)) {
            std::printf("  the project did not load\n");
            return;
        }
        std::printf(" %s movies:\n", row.name);
        printLoad();
        const ExportRun r = ourExport(output, ours);
        const double fps = ExportFrames / r.seconds;
        std::printf("  ours (export job, AVI writer):          %6.1f frames/s   %.1f processors busy, %.0f ms of "
                    "processor time a frame\n",
                    fps, r.busy, r.busy / fps * 1e3);
        const double tick = 1000.0 / double(::sysconf(_SC_CLK_TCK));
        for (int i = 0; i < StageTimes::Count; ++i)
            std::printf("      %-44s %6.1f ms a frame\n", StageTimes::Names[i], r.stages.ticks[i] * tick / ExportFrames);
        if (!withPeers)
            continue;
        double meltFps = -1;
        if (melt) {
            printLoad();
            meltFps = peerRate([&](int n) { return meltCommand(*row.inputs, n, peerOut); });
            std::printf("  melt (Qt blend, raw BGR24 AVI):          %6.1f frames/s   ours / melt %.2f   target 1.5\n",
                        meltFps, meltFps > 0 ? fps / meltFps : 0.0);
        }
        printLoad();
        const double ffmpegFps = peerRate([&](int n) { return ffmpegCommand(*row.inputs, n, peerOut); });
        std::printf("  ffmpeg (scale, overlay, rawvideo AVI):   %6.1f frames/s   ours / ffmpeg %.2f\n", ffmpegFps,
                    ffmpegFps > 0 ? fps / ffmpegFps : 0.0);
        std::remove(peerOut.c_str());
    }
    for (const std::string& m : movies)
        std::remove(m.c_str());
    for (const std::string& m : mjpeg)
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
    printLoad();
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i)
        times.push_back(pull());
    const double ours = SoundSeconds / median(times);
    const double mix = mixOnly();
    std::printf("  ours (export job's sound path, 16-bit):   %7.0fx real time   target 2000x\n", ours);
    std::printf("  the mix step alone (8 blocks a frame):    %7.0fx real time\n", mix);

    const std::string command = "ffmpeg -v error -nostdin" + inputs + " -filter_complex amix=inputs=" +
                                std::to_string(SoundFiles) + " -f null -";
    printLoad();
    times.clear();
    for (int i = 0; i < Runs; ++i)
        times.push_back(Bench::timeCommand(command));
    const double peer = median(times);
    const double peerMultiple = peer > 0 ? SoundSeconds / peer : -1;
    std::printf("  ffmpeg (amix of the 8 files, null out):   %7.0fx real time   ours / amix %.1f   target 10\n",
                peerMultiple, peerMultiple > 0 ? ours / peerMultiple : 0.0);
    for (const std::string& s : sounds)
        std::remove(s.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "ours") == 0) {
            withPeers = false;
            Runs = 1;
        }
    auto wanted = [&](const char* part) {
        if (argc < 2 || (argc == 2 && !withPeers))
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

    std::setvbuf(stdout, nullptr, _IOLBF, 0);
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

    if (wanted("export") || wanted("mjpeg"))
        exportPart(*edit, *output, wanted("mjpeg"));
    if (wanted("sound"))
        soundPart(*edit);

    services.releaseAll();
    Platform::Ui::shutdownApplication();
    shell("rm -rf '" + folder + "'");
    return 0;
}
