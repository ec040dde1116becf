#include "io/plugin/external_input_plugin.h"

#include "core/failure.h"
#include "core/log.h"
#include "io/input/audio_reading.h"
#include "io/plugin/plugin_module.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "platform/os/module.h"
#include "render/cache/cache_service.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>

namespace Plugin {

namespace {
constexpr int32_t PictureSideMax = 16384;

// The pixel format a module's frame format maps to, 0 for none.
int32_t pixelFormatOf(uint32_t code, uint16_t bitCount)
{
    switch (code) {
    case PLUGIN_VIDEO_RGB: return bitCount == 24 ? 88 : bitCount == 32 ? 87 : 0;
    case PLUGIN_VIDEO_YUY2: return 107;
    case PLUGIN_VIDEO_PA64: return 11;
    case PLUGIN_VIDEO_HF64: return 10;
    case PLUGIN_VIDEO_YC48: return 13;
    default: return 0;
    }
}
} // namespace

ExternalInputPlugin::ExternalInputPlugin(const std::wstring& path) : modulePath(path)
{
    constexpr const char* place = "Plugin::ExternalInputPlugin::ExternalInputPlugin";
    void* proc = nullptr;
    module = loadPluginModule(path, "GetInputPluginTable", place, proc);
    auto getter = reinterpret_cast<GET_INPUT_PLUGIN_TABLE>(proc);
    try {
        INPUT_PLUGIN_TABLE* source = nullptr;
        System::guardedCall("(INPUT_PLUGIN_TABLE*(*)())proc", place, [&] { source = getter(); }, path.c_str());
        if (!source)
            throw System::makeException(place, "GetInputPluginTable() returned no table.", nullptr);
        initializeExternalInputPlugin(source);
    } catch (...) {
        Platform::Os::freeModule(module);
        module = nullptr;
        throw;
    }
}

ExternalInputPlugin::~ExternalInputPlugin()
{
    Platform::Os::freeModule(module);
}

void ExternalInputPlugin::initializeExternalInputPlugin(const INPUT_PLUGIN_TABLE* source)
{
    constexpr const char* place = "Plugin::ExternalInputPlugin::initializeExternalInputPlugin";
    System::guardedCall("memcpy", place, [&] { std::memcpy(&table, source, sizeof table); }, modulePath.c_str());
    // A fault in a text is named by what is known of the module so far.
    name = copyModuleText(table.name, false, place, modulePath.c_str());
    fileFilter = copyModuleText(table.file_filter, true, place, name.c_str());
    information = copyModuleText(table.information, false, place, name.c_str());
    capability = 0;
    if (table.flag & INPUT_PLUGIN_FLAG_VIDEO)
        capability |= CapabilityVideo;
    if (table.flag & INPUT_PLUGIN_FLAG_AUDIO)
        capability |= CapabilityAudio;
    if (table.func_config)
        capability |= CapabilitySetting;
    System::Log::verbose(place, L"[%s] INPUT_PLUGIN_TABLE.flag=%d video=%d audio=%d", name.c_str(), table.flag,
                         int(capability & CapabilityVideo), int((capability & CapabilityAudio) >> 1));
}

std::unique_lock<std::mutex> ExternalInputPlugin::lockModule()
{
    if (table.flag & INPUT_PLUGIN_FLAG_CONCURRENT)
        return {};
    return std::unique_lock(moduleMutex);
}

std::shared_ptr<InputFile> ExternalInputPlugin::openFile(const std::wstring& path, int track)
{
    auto file = std::make_shared<ExternalInputFile>(std::static_pointer_cast<ExternalInputPlugin>(shared_from_this()));
    if (file->open(path, track))
        return file;
    return nullptr; // the handle func_open gave is closed with the file
}

void ExternalInputPlugin::showSetting(void* owner)
{
    if (!table.func_config)
        return;
    auto lock = lockModule();
    System::guardedCall("table.func_config", "Plugin::ExternalInputPlugin::showSetting",
                        [&] { table.func_config(owner, module); }, information.c_str());
}

ExternalInputPlugin::ExternalInputFile::ExternalInputFile(std::shared_ptr<ExternalInputPlugin> plugin)
    : plugin(std::move(plugin)), table(&this->plugin->table)
{
}

ExternalInputPlugin::ExternalInputFile::~ExternalInputFile()
{
    if (!handle)
        return;
    try {
        auto lock = plugin->lockModule();
        System::guardedCall("table.func_close", "Plugin::ExternalInputPlugin::ExternalInputFile::~ExternalInputFile",
                            [&] { table->func_close(handle); }, plugin->information.c_str());
    } catch (const std::exception&) {
        // The report has logged the fault; a destructor cannot pass it on.
    }
}

bool ExternalInputPlugin::ExternalInputFile::open(const std::wstring& path, int track)
{
    constexpr const char* place = "Plugin::ExternalInputPlugin::ExternalInputFile::open";
    const wchar_t* pluginText = plugin->information.c_str();
    auto lock = plugin->lockModule();
    const std::u16string file = toModuleText(path);
    System::guardedCall("table.func_open", place, [&] { handle = table->func_open(file.c_str()); }, pluginText);
    if (!handle)
        return false;

    if (table->flag & INPUT_PLUGIN_FLAG_TRACKS) {
        flags |= FlagMultiTrack;
        System::guardedCall("table.func_set_track", place, [&] {
            videoTrackCount = table->func_set_track(handle, INPUT_TRACK_VIDEO, -1);
            audioTrackCount = table->func_set_track(handle, INPUT_TRACK_AUDIO, -1);
        }, pluginText);
        if (videoTrackCount < 0 || audioTrackCount < 0)
            return false;
        for (int type : {INPUT_TRACK_VIDEO, INPUT_TRACK_AUDIO}) {
            const int count = type == INPUT_TRACK_VIDEO ? videoTrackCount : audioTrackCount;
            if (!count)
                continue;
            const int index = int(std::min(unsigned(count - 1), unsigned(track)));
            int selected = -1;
            System::guardedCall("table.func_set_track", place,
                                [&] { selected = table->func_set_track(handle, type, index); }, pluginText);
            if (selected != index)
                return false;
        }
    }

    INPUT_INFO info;
    std::memset(&info, 0, sizeof info);
    PLUGIN_BITMAP_HEADER video{};
    PLUGIN_WAVE_FORMAT audio{};
    bool described = false, hasVideoFormat = false, hasAudioFormat = false;
    System::guardedCall("table.func_info_get", place, [&] {
        described = table->func_info_get(handle, &info);
        // The formats are the module's memory: read them inside the guard.
        if (described && (info.flag & INPUT_INFO_FLAG_VIDEO) && info.video_format) {
            video = *info.video_format;
            hasVideoFormat = true;
        }
        if (described && (info.flag & INPUT_INFO_FLAG_AUDIO) && info.audio_format) {
            audio = *info.audio_format;
            hasAudioFormat = true;
        }
    }, pluginText);
    if (!described)
        return false;

    if (info.flag & INPUT_INFO_FLAG_VIDEO) {
        flags |= FlagVideo;
        frameCount = info.frame_count;
        rate = uint32_t(info.rate);
        scale = uint32_t(info.scale);
        width = video.width;
        height = video.height;
        pixelFormat = pixelFormatOf(video.compression, video.bit_count);
        // Values a picture and the frame times are made from must hold up.
        if (!hasVideoFormat || !pixelFormat || width < 1 || width > PictureSideMax || height < 1 ||
            height > PictureSideMax || info.rate <= 0 || info.scale <= 0 || info.frame_count < 0)
            return false;
    }
    if (info.flag & INPUT_INFO_FLAG_AUDIO) {
        flags |= FlagAudio;
        audioSampleCount = info.audio_sample_count;
        audioFormatTag = audio.format_tag;
        sampleRate = int32_t(std::min<uint32_t>(audio.samples_per_second, INT_MAX));
        bitsPerSample = audio.bits_per_sample;
        channelCount = audio.channels;
        const bool pcm = audioFormatTag == PLUGIN_AUDIO_PCM && (bitsPerSample == 16 || bitsPerSample == 24);
        const bool floats = audioFormatTag == PLUGIN_AUDIO_FLOAT && bitsPerSample == 32;
        // A block holds one second of what the module writes, in a form the program reads.
        if (!hasAudioFormat || !(pcm || floats) || channelCount < 1 || channelCount > 2 || sampleRate < 1 ||
            sampleRate > SampleRateMax || audioSampleCount < 0)
            return false;
    }
    if (info.flag & INPUT_INFO_FLAG_TIME_TO_FRAME)
        flags |= FlagTimeToFrame;

    const int videoTracks = !(flags & FlagVideo) ? 0 : !(flags & FlagMultiTrack) ? 1 : videoTrackCount;
    const int audioTracks = !(flags & FlagAudio) ? 0 : !(flags & FlagMultiTrack) ? 1 : audioTrackCount;
    System::Log::verbose(place, L"[%s] INPUT_INFO.flag=%d video=%d audio=%d multitrack=%d time2frame=%d",
                         plugin->name.c_str(), info.flag, videoTracks, audioTracks,
                         int((flags & FlagMultiTrack) != 0), int((flags & FlagTimeToFrame) != 0));
    return true;
}

std::shared_ptr<Media::ImageBuffer> ExternalInputPlugin::ExternalInputFile::readVideo(int frame)
{
    if (!(flags & FlagVideo))
        return nullptr;
    Cache::FrameScratchBuffer& scratch = Cache::ScratchBuffers::inputFrameBuffer();
    std::lock_guard scratchLock(scratch.mutex);
    Media::ImageBuffer::getBitmapInfoHeader(scratch.header, static_cast<Media::Format>(pixelFormat), uint32_t(width), uint32_t(height));
    const uint32_t bytes = scratch.header.biSizeImage;
    scratch.memory.allocMemory(bytes);
    // A module that writes nothing leaves black, not an earlier picture of another file.
    std::memset(scratch.memory.data, 0, bytes);
    void* buffer = scratch.memory.data;
    {
        auto lock = plugin->lockModule();
        System::guardedCall("table.func_read_video", "Plugin::ExternalInputPlugin::ExternalInputFile::readVideo",
                            [&] { table->func_read_video(handle, frame, buffer); }, plugin->information.c_str());
    }
    auto image = Media::ImageBuffer::create(static_cast<Media::Format>(pixelFormat), uint32_t(width), uint32_t(height));
    image->copyFromBitmap(scratch.header, buffer, bytes);
    return image;
}

std::shared_ptr<Media::AudioBlockBuffer> ExternalInputPlugin::ExternalInputFile::readAudio(int block)
{
    if (!(flags & FlagAudio))
        return nullptr;
    Cache::AudioScratchBuffer& scratch = Cache::ScratchBuffers::inputAudioBuffer();
    std::lock_guard scratchLock(scratch.mutex);
    beginAudioBlock(scratch, *this);
    const int64_t start = int64_t(block) * sampleRate;
    // Samples the interface cannot address stay silent.
    if (start >= 0 && start <= INT_MAX) {
        void* buffer = scratch.memory.data;
        auto lock = plugin->lockModule();
        System::guardedCall("table.func_read_audio", "Plugin::ExternalInputPlugin::ExternalInputFile::readAudio",
                            [&] { table->func_read_audio(handle, int(start), sampleRate, buffer); },
                            plugin->information.c_str());
    }
    return makeAudioBlock(scratch);
}

int ExternalInputPlugin::ExternalInputFile::timeToFrame(double seconds)
{
    if (!(flags & FlagTimeToFrame))
        return InputFile::timeToFrame(seconds);
    int frame = 0;
    auto lock = plugin->lockModule();
    System::guardedCall("table.func_time_to_frame", "Plugin::ExternalInputPlugin::ExternalInputFile::timeToFrame",
                        [&] { frame = table->func_time_to_frame(handle, seconds); }, plugin->information.c_str());
    return frame;
}

} // namespace Plugin
