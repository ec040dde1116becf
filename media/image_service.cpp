#include "media/image_service.h"

#include "core/failure.h"
#include "core/text.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "platform/draw/resources.h"
#include "platform/imaging/image_codec.h"

#include <cerrno>
#include <map>
#include <mutex>
#include <string>

namespace Media {

namespace {
using Platform::Imaging::PixelLayout;
using Platform::Imaging::Step;

constexpr int32_t OutOfMemory = static_cast<int32_t>(0x8007000Eu);
constexpr int32_t InvalidArgument = static_cast<int32_t>(0x80070057u);
constexpr int32_t UnspecifiedFailure = static_cast<int32_t>(0x80004005u);
constexpr int32_t ComponentNotFound = static_cast<int32_t>(0x88982F50u); // no decoder for the data
constexpr int32_t BadImage = static_cast<int32_t>(0x88982F60u);          // damaged picture data

struct Resources {
    std::mutex mutex;
    std::map<std::wstring, std::pair<const void*, size_t>> table;
};

Resources& resources()
{
    static Resources r;
    return r;
}

bool layoutOf(ImageFormat format, PixelLayout& out)
{
    switch (format) {
    case ImageFormat::Pixel32bppPBGRA:
        out = PixelLayout::BgraPremultiplied;
        return true;
    case ImageFormat::Pixel32bppBGRA:
        out = PixelLayout::Bgra;
        return true;
    case ImageFormat::Pixel32bppBGR:
        out = PixelLayout::Bgrx;
        return true;
    case ImageFormat::Pixel32bppRGBA:
        out = PixelLayout::Rgba;
        return true;
    default:
        return false;
    }
}

int32_t stepResult(const Platform::Imaging::Result& r, int32_t otherwise)
{
    return r.error ? System::hresultFromError(r.error) : otherwise;
}

std::unique_ptr<Platform::Draw::Bitmap> decodeResource(const std::wstring& name, const char* place)
{
    const void* data = nullptr;
    size_t size = 0;
    {
        Resources& r = resources();
        std::lock_guard lock(r.mutex);
        auto it = r.table.find(name);
        if (it != r.table.end()) {
            data = it->second.first;
            size = it->second.second;
        }
    }
    if (!data) {
        errno = ENOENT;
        throw System::makeLastErrorException("FindResource", place);
    }
    if (size == 0) {
        errno = ENODATA;
        throw System::makeLastErrorException("SizeofResource", place);
    }
    std::unique_ptr<Platform::Draw::Bitmap> bitmap;
    auto result = Platform::Imaging::decodeMemory(data, size, PixelLayout::BgraPremultiplied,
                                                  [&](int w, int h, size_t& stride) -> uint8_t* {
                                                      bitmap = std::make_unique<Platform::Draw::Bitmap>(w, h, nullptr, 0);
                                                      stride = static_cast<size_t>(bitmap->stride());
                                                      return const_cast<uint8_t*>(bitmap->bits());
                                                  });
    if (!result)
        throw System::makeHresultException(result.step == Step::Format ? "factory->CreateDecoderFromStream"
                                                                        : "converter->Initialize",
                                           place, result.step == Step::Format ? ComponentNotFound : BadImage);
    return bitmap;
}
} // namespace

ImageService::ImageService() = default;
ImageService::~ImageService() = default;

void ImageService::registerResource(const wchar_t* name, const void* data, size_t size)
{
    Resources& r = resources();
    std::lock_guard lock(r.mutex);
    r.table[name] = {data, size};
}

std::shared_ptr<ImageBuffer> ImageService::loadFromFile(const wchar_t* path)
{
    constexpr const char* Place = "Media::ImageService::loadFromFile";
    std::shared_ptr<ImageBuffer> picture;
    auto result = Platform::Imaging::decodeFile(System::toLocalPath(path ? path : L""), PixelLayout::Rgba,
                                                [&](int w, int h, size_t& stride) -> uint8_t* {
                                                    picture = ImageBuffer::create(Format::R8G8B8A8Unorm,
                                                                                  static_cast<uint32_t>(w),
                                                                                  static_cast<uint32_t>(h));
                                                    if (!picture)
                                                        return nullptr;
                                                    stride = picture->pitch;
                                                    return picture->data();
                                                });
    switch (result.step) {
    case Step::None:
        return picture;
    case Step::Open:
        throw System::makeHresultException("factory->CreateDecoderFromFilename", Place,
                                           stepResult(result, UnspecifiedFailure));
    case Step::Format:
        throw System::makeHresultException("factory->CreateDecoderFromFilename", Place, ComponentNotFound);
    case Step::Convert:
        throw System::makeException(Place, "IWICFormatConverter can not convert.", nullptr);
    case Step::Allocate:
        throw System::makeHresultException("converter->CopyPixels", Place, OutOfMemory);
    default:
        throw System::makeHresultException("converter->CopyPixels", Place, BadImage);
    }
}

void ImageService::saveToFile(const wchar_t* path, const void* pixels, uint32_t width, uint32_t height,
                              uint32_t stride, const ImageFormat& sourceFormat, ImageFormat& containerFormat,
                              const wchar_t* const* optionNames, const float* optionValues)
{
    constexpr const char* Place = "Media::ImageService::saveToFile";
    Platform::Imaging::Container container;
    if (containerFormat == ImageFormat::ContainerPng)
        container = Platform::Imaging::Container::Png;
    else if (containerFormat == ImageFormat::ContainerJpeg)
        container = Platform::Imaging::Container::Jpeg;
    else
        throw System::makeHresultException("factory->CreateEncoder", Place, ComponentNotFound);
    PixelLayout source;
    if (!layoutOf(sourceFormat, source))
        throw System::makeException(Place, "IWICFormatConverter can not convert.", nullptr);
    if (!pixels || width == 0 || height == 0 || stride < width * 4)
        throw System::makeHresultException("factory->CreateBitmapFromMemory", Place, InvalidArgument);
    float quality = -1;
    if (optionNames && optionValues && optionNames[0] && std::wstring(optionNames[0]) == L"ImageQuality")
        quality = optionValues[0];

    auto result = Platform::Imaging::encodeFile(System::toLocalPath(path ? path : L""), container, pixels,
                                                static_cast<int>(width), static_cast<int>(height), stride, source, quality);
    switch (result.step) {
    case Step::None:
        break;
    case Step::Open:
        throw System::makeHresultException("stream->InitializeFromFilename", Place, stepResult(result, UnspecifiedFailure));
    case Step::Convert:
        throw System::makeException(Place, "IWICFormatConverter can not convert.", nullptr);
    default:
        throw System::makeHresultException("frame->WriteSource", Place, stepResult(result, UnspecifiedFailure));
    }
    containerFormat = Platform::Imaging::encodedLayout(container, source) == PixelLayout::Bgra ? ImageFormat::Pixel32bppBGRA
                                                                                               : ImageFormat::Pixel24bppBGR;
}

std::unique_ptr<Platform::Draw::Bitmap> ImageService::loadFromResource(const wchar_t* name, Platform::Draw::Target*)
{
    return decodeResource(name ? name : L"", "Media::ImageService::loadFromResource");
}

std::unique_ptr<Platform::Draw::Bitmap> ImageService::loadFromResource(int identifier, Platform::Draw::Target*)
{
    return decodeResource(L"#" + std::to_wstring(identifier), "Media::ImageService::loadFromResource");
}

} // namespace Media
