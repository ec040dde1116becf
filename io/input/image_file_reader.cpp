#include "io/input/image_file_reader.h"

#include "core/failure.h"
#include "media/image_buffer.h"
#include "media/image_service.h"

namespace Plugin {

namespace {
std::shared_ptr<Media::ImageBuffer> decode(const std::wstring& path)
{
    Media::ImageService* service = Media::ImageService::Get();
    if (!service)
        throw System::makeException("Plugin::ImageFileReader::openFile", "image service not ready.", nullptr);
    return service->loadFromFile(path.c_str());
}
} // namespace

ImageFileReader::ImageFileReader()
{
    name = L"WIC image file reader";
    const wchar_t filter[] = L"PngFile (*.png)\0*.png\0JpegFile (*.jpg)\0*.jpg\0BmpFile (*.bmp)\0*.bmp\0"
                             L"GifFile (*.gif)\0*.gif\0";
    fileFilter = std::wstring(filter, std::size(filter) - 1);
    capability = CapabilityVideo | CapabilityImage;
}

std::shared_ptr<InputFile> ImageFileReader::openFile(const std::wstring& path, int track)
{
    std::shared_ptr<Media::ImageBuffer> image = decode(path);
    if (!image)
        return nullptr;
    auto file = std::make_shared<InputImageFile>(path);
    file->flags = InputFile::FlagVideo;
    file->frameCount = 1;
    file->rate = 1;
    file->scale = 1;
    file->pixelFormat = int32_t(image->format);
    file->width = int32_t(image->width);
    file->height = int32_t(image->height);
    return file;
}

std::shared_ptr<Media::ImageBuffer> ImageFileReader::InputImageFile::readVideo(int frame)
{
    return decode(path);
}

} // namespace Plugin
