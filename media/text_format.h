#pragma once
// Interface text formats (one family and size, no wrapping) and laid-out
// texts, made on first use.
#include "media/com_resource.h"
#include "platform/draw/text.h"

#include <atomic>
#include <string>

namespace Resource {

class TextFormat : public Media::ComResource<Platform::Draw::TextFormat> {
public:
    using ComResource::ComResource;
    static std::shared_ptr<Platform::Draw::TextFormat> create(const std::wstring& family, float size);
    std::wstring getName();
    float getSize();
    // The format with ellipsis trimming, for texts cut at the box's edge.
    Platform::Draw::TextFormat* getTrimmingSign();
    // The height of one line, measured once.
    float getLineHeight();

private:
    std::atomic<float> lineHeight_{0.0f};
    Media::ComResource<Platform::Draw::TextFormat> trimming_;
};

class TextLayout : public Media::ComResource<Platform::Draw::TextLayout> {
public:
    // length 0 lays out the whole zero-terminated text.
    static std::shared_ptr<Platform::Draw::TextLayout> create(Platform::Draw::TextFormat& format, const wchar_t* text,
                                                              size_t length);
    TextLayout() = default;
    TextLayout(Platform::Draw::TextFormat& format, const wchar_t* text, size_t length);
    Platform::Draw::TextMetrics getMetrics();
    // The width of the text in the format, rounded up to whole pixels.
    static int getSize(Platform::Draw::TextFormat& format, const wchar_t* text);
};

} // namespace Resource
