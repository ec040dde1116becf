#pragma once
// Still images: files decoded into memory pictures, memory pictures encoded as
// PNG or JPEG files, and the PNG pictures built into the program decoded for
// the interface.
#include "core/service.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Platform::Draw {
class Bitmap;
class Target;
} // namespace Platform::Draw

namespace Media {

// Containers and pixel formats of encoded pictures.
enum class ImageFormat : uint32_t {
    ContainerPng = 1,
    ContainerJpeg,
    Pixel32bppPBGRA, // premultiplied B, G, R, A
    Pixel32bppBGRA,  // straight B, G, R, A
    Pixel32bppBGR,   // B, G, R and an unused byte
    Pixel32bppRGBA,  // straight R, G, B, A
    Pixel24bppBGR,
};

class ImageBuffer;

class ImageService : public System::Singleton<ImageService> {
public:
    ImageService();
    ~ImageService();

    // The first frame of a still-image file as an 8-bit RGBA picture with
    // straight alpha (format 28).
    std::shared_ptr<ImageBuffer> loadFromFile(const wchar_t* path);

    // Encodes one frame. containerFormat names the container and receives the
    // pixel format the encoder wrote. One option ("ImageQuality", 0..1 for
    // JPEG) is used when both option pointers are given. A failure removes the
    // file that was begun.
    void saveToFile(const wchar_t* path, const void* pixels, uint32_t width, uint32_t height, uint32_t stride,
                    const ImageFormat& sourceFormat, ImageFormat& containerFormat, const wchar_t* const* optionNames,
                    const float* optionValues);

    // A PNG built into the program, as a premultiplied bitmap for target.
    std::unique_ptr<Platform::Draw::Bitmap> loadFromResource(const wchar_t* name, Platform::Draw::Target* target);
    std::unique_ptr<Platform::Draw::Bitmap> loadFromResource(int identifier, Platform::Draw::Target* target);

    // Built-in PNG pictures register here (static data that lives as long as
    // the program), by name or by "#" and a decimal identifier.
    static void registerResource(const wchar_t* name, const void* data, size_t size);
};

} // namespace Media
