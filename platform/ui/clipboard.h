#pragma once
// The desktop clipboard. Main thread only. Results are errno values: ENXIO when
// no application object exists or the caller is not the main thread, ENOENT when
// the clipboard lacks that kind of data.
#include <cstdint>
#include <string>
#include <vector>

namespace Platform::Ui {

bool clipboardHasText();
int getClipboardText(std::wstring& out);
int setClipboardText(const std::wstring& text);

// Rows of 24-bit (B, G, R) or 32-bit (B, G, R, A, straight alpha) pixels.
struct ClipboardPicture {
    int width = 0;
    int height = 0;
    int bitCount = 32;
    int stride = 0;
    bool bottomUp = true;
    const uint8_t* bits = nullptr;
};
int setClipboardPicture(const ClipboardPicture& picture);
// The clipboard's picture as 32-bit rows (B, G, R, A), top-down, width × 4 bytes each.
int getClipboardPicture(int& width, int& height, std::vector<uint8_t>& bgra);

} // namespace Platform::Ui
