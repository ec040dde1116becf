#include "core/clipboard.h"

#include "core/failure.h"
#include "core/report.h"
#include "platform/ui/clipboard.h"

#include <cerrno>
#include <cwchar>

namespace System {

namespace {
[[noreturn]] void fail(const char* call, const char* place, int error)
{
    if (error == ENXIO)
        call = "OpenClipboard", place = "System::Clipboard::Clipboard";
    errno = error;
    throw makeLastErrorException(call, place);
}
} // namespace

DibImage DibImage::create(int width, int height, bool withAlpha)
{
    DibImage image;
    image.header.biWidth = width;
    image.header.biHeight = height;
    image.header.biBitCount = withAlpha ? 32 : 24;
    image.header.biCompression = BitmapCompressionRgb;
    if (width > 0 && height > 0) {
        const uint64_t bytes = uint64_t(dibStride(width, image.header.biBitCount)) * uint64_t(height);
        if (bytes <= UINT32_MAX)
            image.header.biSizeImage = static_cast<uint32_t>(bytes);
    }
    image.bits.assign(image.header.biSizeImage, 0);
    return image;
}

bool Clipboard::getText(std::wstring& out)
{
    if (!Platform::Ui::clipboardHasText())
        return false;
    try {
        if (int e = Platform::Ui::getClipboardText(out))
            fail("GetClipboardData", "System::Clipboard::getText", e);
        return true;
    } catch (const std::exception&) {
        // The report's ERROR line is the only trace.
        return false;
    }
}

bool Clipboard::setText(const wchar_t* text)
{
    try {
        std::wstring copy = text ? std::wstring(text, std::wcslen(text)) : std::wstring();
        if (int e = Platform::Ui::setClipboardText(copy))
            fail("SetClipboardData", "System::Clipboard::setText", e);
        return true;
    } catch (const std::exception& e) {
        System::Report::showException(e);
        return false;
    }
}

bool Clipboard::setImage(const DibImage& image)
{
    try {
        const BitmapInfoHeader& h = image.header;
        // A header that promises more rows than the block holds is refused, not read past.
        const int64_t stride = image.stride();
        if (h.biWidth <= 0 || h.biHeight <= 0 || stride > INT32_MAX || image.bits.size() < h.biSizeImage ||
            uint64_t(h.biSizeImage) < uint64_t(stride) * uint64_t(h.biHeight))
            fail("GlobalAlloc", "System::Clipboard::setImage", EINVAL);
        Platform::Ui::ClipboardPicture picture;
        picture.width = h.biWidth;
        picture.height = h.biHeight;
        picture.bitCount = h.biBitCount;
        picture.stride = static_cast<int>(stride);
        picture.bits = image.bits.data();
        picture.bottomUp = true;
        if (int e = Platform::Ui::setClipboardPicture(picture))
            fail("SetClipboardData", "System::Clipboard::setImage", e);
        return true;
    } catch (const std::exception& e) {
        System::Report::showException(e);
        return false;
    }
}

bool postClipboardImage(DibImage image)
{
    Event::EventCommand command;
    command.kind = static_cast<uint32_t>(Event::EventCommandType::SetClipboardImage);
    command.payload = std::make_unique<ClipboardImagePayload>(std::move(image));
    return Event::postEventCommand(std::move(command));
}

} // namespace System
