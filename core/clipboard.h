#pragma once
// Unicode text and pictures on the desktop clipboard. Main thread only: a picture
// made on another thread reaches it through postClipboardImage.
#include "core/bitmap_info.h"
#include "core/event_command.h"

#include <cstdint>
#include <string>
#include <vector>

namespace System {

// A picture as a device-independent bitmap: the header and the pixel rows
// (bottom-up, each padded to 4 bytes), as the clipboard takes it.
struct DibImage {
    BitmapInfoHeader header;
    std::vector<uint8_t> bits;

    // The clipboard's form of a width × height picture: 32 bits per pixel (B, G, R, A)
    // for a picture with alpha (B8G8R8A8), else 24 bits (B, G, R); rows zeroed. A
    // picture whose bits would pass 4 GiB gets none (and is refused by setImage).
    static DibImage create(int width, int height, bool withAlpha);
    int64_t stride() const { return dibStride(header.biWidth, header.biBitCount); }
    // The bytes of the clipboard block: header, then rows.
    size_t blockSize() const { return sizeof(BitmapInfoHeader) + header.biSizeImage; }
};

class Clipboard {
public:
    // False, with out unchanged, when the clipboard holds no text or cannot be read.
    static bool getText(std::wstring& out);
    // Text up to its terminating zero. A failure is shown in the exception box; returns false.
    static bool setText(const wchar_t* text);
    // Puts the picture on the clipboard. A failure is shown in the exception box; returns false.
    static bool setImage(const DibImage& image);
};

// The payload of the event command SetClipboardImage.
class ClipboardImagePayload final : public Event::EventPayload {
public:
    explicit ClipboardImagePayload(DibImage image) : image(std::move(image)) {}
    DibImage image;
};

// From any thread: hands an owned picture to the main thread, which puts it on the
// clipboard (event command SetClipboardImage). The sender does not wait.
bool postClipboardImage(DibImage image);

} // namespace System
