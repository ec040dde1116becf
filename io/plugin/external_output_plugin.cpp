#include "io/plugin/external_output_plugin.h"

#include "core/failure.h"
#include "core/log.h"
#include "io/plugin/plugin_module.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "platform/os/module.h"
#include "render/cache/cache_service.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>

namespace Plugin {

namespace {
// The job whose func_output runs; one external export at a time.
std::atomic<ExternalOutputFile*> currentExport{nullptr};

using Platform::Gpu::Format;

// The pixel format of a module's format code; false for an unknown code.
bool formatOf(uint32_t code, Format& out)
{
    switch (code) {
    case 0: out = Format::B8G8R8X8Unorm; return true;
    case PLUGIN_FOURCC('Y', 'U', 'Y', '2'): out = Format::Yuy2; return true;
    case PLUGIN_FOURCC('P', 'A', '6', '4'): out = Format::R16G16B16A16Unorm; return true;
    case PLUGIN_FOURCC('H', 'F', '6', '4'): out = Format::R16G16B16A16Float; return true;
    case PLUGIN_FOURCC('Y', 'C', '4', '8'): out = Format::R16G16B16A16Snorm; return true;
    default: return false;
    }
}
} // namespace

ExternalOutputPlugin::ExternalOutputPlugin(const std::wstring& path) : modulePath(path)
{
    constexpr const char* place = "Plugin::ExternalOutputPlugin::ExternalOutputPlugin";
    void* proc = nullptr;
    module = loadPluginModule(path, "GetOutputPluginTable", place, proc);
    auto getter = reinterpret_cast<GET_OUTPUT_PLUGIN_TABLE>(proc);
    try {
        OUTPUT_PLUGIN_TABLE* source = nullptr;
        System::guardedCall("(OUTPUT_PLUGIN_TABLE * (*)())proc", place, [&] { source = getter(); }, path.c_str());
        if (!source)
            throw System::makeException(place, "GetOutputPluginTable() returned no table.", nullptr);
        initializeExternalOutputPlugin(source);
    } catch (...) {
        Platform::Os::freeModule(module);
        module = nullptr;
        throw;
    }
}

void ExternalOutputPlugin::initializeExternalOutputPlugin(const OUTPUT_PLUGIN_TABLE* source)
{
    constexpr const char* place = "Plugin::ExternalOutputPlugin::initializeExternalOutputPlugin";
    System::guardedCall("memcpy", place, [&] { std::memcpy(&table, source, sizeof table); }, modulePath.c_str());
    name = copyModuleText(table.name, false, place, modulePath.c_str());
    fileFilter = copyModuleText(table.file_filter, true, place, name.c_str());
    information = copyModuleText(table.information, false, place, name.c_str());
    // The filter list keeps its inner NULs; end it as the built-in writers do.
    if (fileFilter.empty() || fileFilter.back() != L'\0')
        fileFilter.push_back(L'\0');
    fileFilter.push_back(L'\0');
    capability = 0;
    if (table.flag & OUTPUT_PLUGIN_FLAG_VIDEO)
        capability |= CapabilityVideo;
    if (table.flag & OUTPUT_PLUGIN_FLAG_AUDIO)
        capability |= CapabilityAudio;
    if (table.func_config)
        capability |= CapabilitySetting;
}

std::shared_ptr<OutputFile> ExternalOutputPlugin::createOutputFile()
{
    std::wstring path;
    if (!chooseFile(path))
        return nullptr;
    return std::make_shared<ExternalOutputFile>(path, this);
}

void ExternalOutputPlugin::showSetting()
{
    if (!table.func_config)
        return;
    void* owner = panel ? panel->window : nullptr;
    System::guardedCall("table.func_config", "Plugin::ExternalOutputPlugin::showSetting",
                        [&] { table.func_config(owner, module); }, information.c_str());
}

std::wstring ExternalOutputPlugin::getSettingText()
{
    if (!table.func_get_config_text)
        return {};
    constexpr const char* place = "Plugin::ExternalOutputPlugin::getSettingText";
    const char16_t* text = nullptr;
    System::guardedCall("table.func_get_config_text", place, [&] { text = table.func_get_config_text(); },
                        information.c_str());
    return copyModuleText(text, false, place, information.c_str());
}

ExternalOutputFile::ExternalOutputFile(const std::wstring& fileName, ExternalOutputPlugin* plugin)
    : OutputFile(fileName, true), plugin(plugin)
{
}

bool ExternalOutputFile::save()
{
    constexpr const char* place = "Plugin::ExternalOutputFile::save";
    if (audioSampleCount > INT32_MAX)
        throw System::makeException(place, "the export is too long for an output plug-in.",
                                    "more than 2147483647 audio samples");
    setVideoReadAhead(4);
    setAudioReadAhead(4);
    const std::u16string path = toModuleText(fileName);
    OUTPUT_INFO info{};
    info.flag = OUTPUT_PLUGIN_FLAG_VIDEO | OUTPUT_PLUGIN_FLAG_AUDIO;
    info.width = scene.width;
    info.height = scene.height;
    info.rate = scene.videoRate;
    info.scale = scene.videoScale;
    info.frame_count = frameCount;
    info.audio_rate = scene.audioRate;
    info.audio_channels = 2;
    info.audio_sample_count = int32_t(audioSampleCount);
    info.save_file = path.c_str();
    info.func_get_video = &ExternalOutputFile::getVideo;
    info.func_get_audio = &ExternalOutputFile::getAudio;
    info.func_is_abort = &ExternalOutputFile::isAbort;
    info.func_set_progress = &ExternalOutputFile::setProgress;
    info.func_set_buffer_size = &ExternalOutputFile::setBufferSize;

    // The callbacks find this job only while func_output runs.
    struct Current {
        explicit Current(ExternalOutputFile* job) { currentExport = job; }
        ~Current() { currentExport = nullptr; }
    } current(this);
    bool result = false;
    const OUTPUT_PLUGIN_TABLE& table = plugin->table;
    System::guardedCall("table.func_output", place, [&] { result = table.func_output(&info); },
                        plugin->information.c_str());
    return result;
}

void* ExternalOutputFile::getVideo(int frame, uint32_t code)
{
    constexpr const char* place = "Plugin::ExternalOutputFile::getVideo";
    ExternalOutputFile* job = currentExport;
    Cache::FrameScratchBuffer* scratch = nullptr;
    try {
        scratch = &Cache::ScratchBuffers::exportFrameBuffer();
    } catch (const std::exception& e) {
        System::Log::error(place, "%s", e.what());
        return nullptr;
    }
    std::lock_guard lock(scratch->mutex);
    // Room for the frame in the widest format, so that a failure still hands
    // the module a zero frame of any size it expects.
    const uint32_t widest = job ? uint32_t(job->scene.width) * uint32_t(job->scene.height) * 8 : 0;
    try {
        Format format;
        if (!job)
            throw System::makeException(place, "no export running.", "");
        if (!formatOf(code, format))
            throw System::makeFormatException(place, "invalid video format.", L"format = 0x%08X", code);
        Media::ImageBuffer::getBitmapInfoHeader(scratch->header, format, uint32_t(job->scene.width),
                                                uint32_t(job->scene.height));
        scratch->memory.allocMemory(std::max(scratch->header.biSizeImage, widest));
        auto image = job->getVideoFrame(job->startFrame + frame, format, true);
        if (!image)
            throw System::makeException(place, "getVideo() failed.", "");
        image->copyToBitmap(scratch->header, scratch->memory.data, scratch->header.biSizeImage);
    } catch (const std::exception& e) {
        System::Log::error(place, "%s", e.what());
        scratch->memory.allocMemory(std::max(scratch->memory.size, widest));
        if (scratch->memory.data)
            std::memset(scratch->memory.data, 0, scratch->memory.size);
    }
    return scratch->memory.data;
}

void* ExternalOutputFile::getAudio(int start, int length, int* read, uint32_t format)
{
    constexpr const char* place = "Plugin::ExternalOutputFile::getAudio";
    ExternalOutputFile* job = currentExport;
    if (read)
        *read = 0;
    Cache::AudioScratchBuffer* scratch = nullptr;
    try {
        scratch = &Cache::ScratchBuffers::exportAudioBuffer();
    } catch (const std::exception& e) {
        System::Log::error(place, "%s", e.what());
        return nullptr;
    }
    std::lock_guard lock(scratch->mutex);
    scratch->memory.size = 0;
    try {
        if (!job)
            throw System::makeException(place, "no export running.", "");
        if (format != 1 && format != 3)
            throw System::makeFormatException(place, "invalid audio format.", L"format = %u", format);
        Media::AudioBuffer samples;
        job->getAudioSamples(samples, start < 0 ? -1 : job->audioStart + start, length, format);
        scratch->header = {format, uint32_t(job->scene.audioRate), samples.bitsPerSample, 2};
        if (samples.sampleCount > 0) {
            scratch->memory.allocMemory(samples.data.size);
            std::memcpy(scratch->memory.data, samples.data.data, samples.data.size);
        }
        if (read)
            *read = samples.sampleCount;
    } catch (const std::exception& e) {
        System::Log::error(place, "%s", e.what());
        scratch->memory.size = 0;
        if (read)
            *read = 0;
    }
    return scratch->memory.data;
}

bool ExternalOutputFile::isAbort()
{
    ExternalOutputFile* job = currentExport;
    // Frames after the last one fetched may be drawn already: the cancel ends
    // the file after the frame that was being drawn when it was asked.
    return !job || job->cancelledBefore(job->nextFrame());
}

void ExternalOutputFile::setProgress(int done, int total)
{
    if (ExternalOutputFile* job = currentExport) {
        job->progress.done = done;
        job->progress.total = total;
    }
}

void ExternalOutputFile::setBufferSize(int video, int audio)
{
    if (ExternalOutputFile* job = currentExport) {
        job->setVideoReadAhead(video);
        job->setAudioReadAhead(audio);
    }
}

} // namespace Plugin
