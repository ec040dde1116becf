#pragma once
// Still-image files in and out: BMP, PNG, JPEG, GIF and TIFF are decoded (first frame
// only), PNG and JPEG are encoded. Pixels are handed over in the layout the
// caller names; no colour management is applied in either direction.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace Platform::Imaging {

// Memory layouts of 32-bit pixels, named by their byte order in memory.
enum class PixelLayout {
    Rgba,           // R, G, B, A; straight alpha
    Bgra,           // B, G, R, A; straight alpha
    BgraPremultiplied,
    Bgrx,           // B, G, R and an ignored fourth byte (opaque)
    Bgr24,          // B, G, R (3 bytes per pixel); only as an encoder's written format
};

enum class Container { Png, Jpeg };

// Where a decode or encode stopped. error is an errno value for the file steps
// and 0 for the others.
enum class Step {
    None,       // success
    Open,       // the file could not be opened or created
    Format,     // no decoder knows the data
    Decode,     // the data is damaged or truncated
    Convert,    // the pixel layouts cannot be converted
    Allocate,   // the caller gave no memory
    Write,      // the encoder failed while writing
};

struct Result {
    Step step = Step::None;
    int error = 0;
    explicit operator bool() const { return step == Step::None; }
};

// Receives the picture's size and returns the first row to write into and the
// stride in bytes (rows top-down). Returning null stops the decode (Step::Allocate).
using Allocate = std::function<uint8_t*(int width, int height, size_t& stride)>;

// Decodes the first frame of a file (path in UTF-8).
Result decodeFile(const std::string& path, PixelLayout layout, const Allocate& allocate);
// Decodes the first frame of an encoded picture in memory.
Result decodeMemory(const void* data, size_t size, PixelLayout layout, const Allocate& allocate);
// Reads only the size of the first frame.
Result readSize(const std::string& path, int& width, int& height);

// The layout an encoder writes for a given source layout: PNG keeps alpha as
// straight BGRA and writes opaque sources as 24-bit BGR; JPEG always writes 24-bit BGR.
PixelLayout encodedLayout(Container container, PixelLayout source);
bool canConvert(PixelLayout source, PixelLayout target);

// Writes one frame to path (UTF-8), at a resolution of 72 dots per inch. The file is created first (Step::Open when
// that fails, leaving nothing behind); a later failure removes the begun file.
// quality is 0..1 for JPEG and ignored for PNG; a negative value means the default (0.9).
Result encodeFile(const std::string& path, Container container, const void* pixels, int width, int height,
                  size_t stride, PixelLayout source, float quality);

} // namespace Platform::Imaging
