#include "io/output/image_file_save.h"

#include "core/failure.h"
#include "io/output/output_host.h"
#include "media/image_buffer.h"
#include "media/image_service.h"

#include <memory>

namespace Plugin {

using Platform::Gpu::Format;

namespace {
const wchar_t* const PngWithAlpha = L"PNGファイル(透過付き)";
const wchar_t* const PngOpaque = L"PNGファイル(透過無し)";
const wchar_t* const QualityLabel = L"JPEG品質";
} // namespace

PngFileSave::PngFileSave()
{
    name = L"PNGファイル出力";
    fileFilter = std::wstring(L"PNG File (*.png)") + L'\0' + L"*.png" + L'\0' + L'\0';
    capability = CapabilityVideo | CapabilitySetting;
    settings_.addInt("transparent", &transparent, 1);
}

std::shared_ptr<OutputFile> PngFileSave::createOutputFile()
{
    std::wstring path;
    if (!chooseFile(path))
        return nullptr;
    return std::make_shared<ImageFileSaveFile>(path, false, transparent != 0, 0);
}

void PngFileSave::showSetting()
{
    const int chosen = OutputHost::get().showRadioMenu({{PngWithAlpha, transparent != 0}, {PngOpaque, transparent == 0}});
    if (chosen == 0)
        transparent = 1;
    else if (chosen == 1)
        transparent = 0;
}

std::wstring PngFileSave::getSettingText()
{
    return OutputHost::translate(OutputHost::Table::Menu, transparent ? PngWithAlpha : PngOpaque);
}

void PngFileSave::attachConfig(const char* sectionName) { settings_.attach(sectionName); }

JpgFileSave::JpgFileSave()
{
    name = L"JPEGファイル出力";
    fileFilter = std::wstring(L"JPEG File (*.jpg;*.jpeg)") + L'\0' + L"*.jpg;*.jpeg" + L'\0' + L'\0';
    capability = CapabilityVideo | CapabilitySetting;
    settings_.addInt("quality", &quality, 90);
}

std::shared_ptr<OutputFile> JpgFileSave::createOutputFile()
{
    std::wstring path;
    if (!chooseFile(path))
        return nullptr;
    // A stored quality outside 1..100 is passed on as it is.
    return std::make_shared<ImageFileSaveFile>(path, true, false, quality);
}

void JpgFileSave::showSetting()
{
    int value = quality;
    if (OutputHost::get().inputInteger(panel ? panel->window : nullptr, name, QualityLabel, value, 1, 100))
        quality = value;
}

std::wstring JpgFileSave::getSettingText()
{
    return OutputHost::translate(OutputHost::Table::Dialog, QualityLabel) + L":" + std::to_wstring(quality);
}

void JpgFileSave::attachConfig(const char* sectionName) { settings_.attach(sectionName); }

ImageFileSaveFile::ImageFileSaveFile(const std::wstring& fileName, bool jpeg, bool transparent, int quality)
    : OutputFile(fileName, false), jpeg(jpeg), transparent(transparent), quality(quality)
{
}

bool ImageFileSaveFile::save()
{
    const Format format = !jpeg && transparent ? Format::B8G8R8A8Unorm : Format::B8G8R8X8Unorm;
    auto frame = getVideoFrame(scene.cursorFrame, format, false);
    if (!frame)
        return false;
    Media::ImageService* images = Media::ImageService::Get();
    std::unique_ptr<Media::ImageService> own;
    if (!images) {
        own = std::make_unique<Media::ImageService>();
        images = own.get();
    }
    const Media::ImageFormat source =
        format == Format::B8G8R8A8Unorm ? Media::ImageFormat::Pixel32bppPBGRA : Media::ImageFormat::Pixel32bppBGR;
    Media::ImageFormat container = jpeg ? Media::ImageFormat::ContainerJpeg : Media::ImageFormat::ContainerPng;
    const wchar_t* const optionNames[] = {L"ImageQuality"};
    const float optionValues[] = {float(quality) / 100.0f};
    images->saveToFile(fileName.c_str(), frame->data(), frame->width, frame->height, frame->pitch, source, container,
                       jpeg ? optionNames : nullptr, jpeg ? optionValues : nullptr);
    return true;
}

} // namespace Plugin
