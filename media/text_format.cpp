#include "media/text_format.h"

#include "core/failure.h"

#include <cmath>
#include <cwchar>

namespace Resource {

std::shared_ptr<Platform::Draw::TextFormat> TextFormat::create(const std::wstring& family, float size)
{
    if (!(size > 0))
        throw System::makeHresultException("Direct2DService::Get().writeFactory->CreateTextFormat",
                                           "Resource::TextFormat::create", static_cast<int32_t>(0x80070057u));
    auto format = std::make_shared<Platform::Draw::TextFormat>(family, size, 400, false);
    format->setWordWrapping(false);
    return format;
}

std::wstring TextFormat::getName()
{
    return createResource()->getFontFamilyName();
}

float TextFormat::getSize()
{
    return createResource()->getFontSize();
}

Platform::Draw::TextFormat* TextFormat::getTrimmingSign()
{
    Platform::Draw::TextFormat* format = createResource();
    trimming_.setGenerator([format](std::shared_ptr<Platform::Draw::TextFormat>& slot) {
        slot = create(format->getFontFamilyName(), format->getFontSize());
        slot->setEllipsisTrimming(true);
    });
    return trimming_.createResource();
}

float TextFormat::getLineHeight()
{
    float cached = lineHeight_.load(std::memory_order_relaxed);
    if (cached != 0.0f)
        return cached;
    TextLayout layout(*createResource(), L"", 0);
    float height = layout.getMetrics().height;
    lineHeight_.store(height, std::memory_order_relaxed);
    return height;
}

std::shared_ptr<Platform::Draw::TextLayout> TextLayout::create(Platform::Draw::TextFormat& format, const wchar_t* text,
                                                               size_t length)
{
    if (!text)
        text = L"";
    if (length == 0)
        length = std::wcslen(text);
    return std::make_shared<Platform::Draw::TextLayout>(text, length, format, 65536.0f, 65536.0f);
}

TextLayout::TextLayout(Platform::Draw::TextFormat& format, const wchar_t* text, size_t length)
{
    reset(create(format, text, length));
}

Platform::Draw::TextMetrics TextLayout::getMetrics()
{
    Platform::Draw::TextLayout* layout = get();
    if (!layout)
        throw System::makeHresultException("get()->GetMetrics", "Resource::TextLayout::getMetrics",
                                           static_cast<int32_t>(0x80004003u));
    return layout->getMetrics();
}

int TextLayout::getSize(Platform::Draw::TextFormat& format, const wchar_t* text)
{
    std::shared_ptr<Platform::Draw::TextLayout> layout = create(format, text ? text : L"", 0);
    if (!layout)
        throw System::makeHresultException("get()->GetMetrics", "Resource::TextLayout::getSize",
                                           static_cast<int32_t>(0x80004005u));
    return static_cast<int>(std::ceil(layout->getMetrics().width));
}

} // namespace Resource
