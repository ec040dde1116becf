#include "io/output/avi_file_save.h"

#include "core/failure.h"
#include "core/file.h"
#include "io/output/output_host.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "render/cache/cache_service.h"

#include <mutex>

namespace Plugin {

using Platform::Gpu::Format;

namespace {
struct VideoType {
    const wchar_t* name;
    Format format;
};
const VideoType VideoTypes[] = {
    {L"RGB24bit", Format::B8G8R8X8Unorm},
    {L"RGBA32bit", Format::B8G8R8A8Unorm},
    {L"YUY2", Format::Yuy2},
    {L"RGBA64bit(PA64)", Format::R16G16B16A16Unorm},
    {L"RGBA64bit(HF64)", Format::R16G16B16A16Float},
};
} // namespace

AviFileSave::AviFileSave()
{
    name = L"AVIファイル出力";
    fileFilter = std::wstring(L"AVI File (*.avi)") + L'\0' + L"*.avi" + L'\0' + L'\0';
    capability = CapabilityVideo | CapabilitySetting;
    settings_.addString("VideoType", &videoType, L"RGB24bit");
    settings_.addString("AudioType", &audioType, L"PCM16bit");
}

Format AviFileSave::videoFormatOf(const std::wstring& type)
{
    for (const VideoType& t : VideoTypes)
        if (type == t.name)
            return t.format;
    return Format::B8G8R8X8Unorm;
}

void AviFileSave::audioFormatOf(const std::wstring& type, uint16_t& tag, uint16_t& bits)
{
    const bool isFloat = type == L"PCM(float)32bit";
    tag = isFloat ? 3 : 1;
    bits = isFloat ? 32 : 16;
}

std::shared_ptr<OutputFile> AviFileSave::createOutputFile()
{
    std::wstring path;
    if (!chooseFile(path))
        return nullptr;
    return std::make_shared<AviFileSaveFile>(path, this);
}

void AviFileSave::showSetting()
{
    std::wstring video = videoType, audio = audioType;
    if (OutputHost::get().showAviFileSaveDialog(panel ? panel->window : nullptr, video, audio)) {
        videoType = video;
        audioType = audio;
    }
}

std::wstring AviFileSave::getSettingText() { return L"Video: " + videoType + L" / Audio: " + audioType; }

void AviFileSave::attachConfig(const char* sectionName) { settings_.attach(sectionName); }

AviFileSaveFile::AviFileSaveFile(const std::wstring& fileName, AviFileSave* writer)
    : OutputFile(fileName, true), writer(writer)
{
}

bool AviFileSaveFile::save()
{
    const Format videoFormat = AviFileSave::videoFormatOf(writer ? writer->videoType : L"");
    AviFileWriter::Format format;
    AviFileSave::audioFormatOf(writer ? writer->audioType : L"", format.audioTag, format.audioBits);
    Media::ImageBuffer::getBitmapInfoHeader(format.video, videoFormat, uint32_t(scene.width), uint32_t(scene.height));
    format.rate = scene.videoRate;
    format.scale = scene.videoScale;
    format.audioRate = scene.audioRate;

    System::File file;
    file.open(fileName.c_str(), System::File::ModeWrite);
    file.setWriteBuffer(1 << 20);
    AviFileWriter avi(file, format, pieceLimit);
    Cache::FrameScratchBuffer& scratch = Cache::ScratchBuffers::exportFrameBuffer();
    {
        std::lock_guard lock(scratch.mutex);
        avi.begin(frameCount);
    }
    bool missingFrame = false;
    for (int i = 0; i < frameCount && !cancelledBefore(startFrame + i); ++i) {
        progress.done = i;
        progress.total = frameCount;
        auto frame = getVideoFrame(startFrame + i, videoFormat, true);
        if (!frame) {
            // Its sound is not written either: the file ends in sync before it.
            missingFrame = true;
            break;
        }
        {
            std::lock_guard lock(scratch.mutex);
            scratch.header = format.video;
            scratch.memory.allocMemory(format.video.biSizeImage);
            frame->copyToBitmap(scratch.header, scratch.memory.data, format.video.biSizeImage);
            avi.writeVideo(scratch.memory.data, format.video.biSizeImage);
        }
        if (auto sound = getAudioFrame(startFrame + i, format.audioTag)) {
            const uint32_t bytes = uint32_t(sound->sampleCount) * uint32_t(format.audioBits / 8) * 2;
            avi.writeAudio(sound->data.data, bytes, uint32_t(sound->sampleCount));
        }
        avi.endFrame();
    }
    avi.finish();
    file.close();
    if (missingFrame)
        throw System::makeException("Plugin::AviFileSaveFile::save", "getVideo() failed.", "");
    return true;
}

} // namespace Plugin
