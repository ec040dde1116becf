#include "ui/window/window_footer.h"

#include "core/log.h"
#include "core/setting_service.h"
#include "core/translate_service.h"
#include "media/resource_service.h"
#include "media/text_format.h"
#include "platform/draw/target.h"
#include "platform/draw/text.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/window_mouse.h"
#include "ui/window/window_service.h"

#include <algorithm>
#include <cmath>

namespace Window {

WindowFooter::WindowFooter(WindowService& w)
    : Media::RenderTarget(static_cast<Media::RenderTarget*>(&w)), window(&w), colorBrushList(&w.colorBrushList)
{
}

void WindowFooter::setText(const wchar_t* left, const wchar_t* right)
{
    bool changed = false;
    if (left && leftText != left) {
        leftText = left;
        changed = true;
    }
    if (right && rightText != right) {
        rightText = right;
        changed = true;
    }
    if (changed)
        draw();
}

void WindowFooter::setMessage(const std::wstring& text, const std::wstring& detail, float newProgress)
{
    std::wstring built;
    if (!text.empty()) {
        const Translate::TranslateService* translate = Translate::TranslateService::Get();
        built = translate && Translate::TranslateService::enabled ? translate->message.translate(text.c_str()) : text;
        if (!detail.empty())
            built += L" " + detail;
    }
    if (built == message) {
        if (newProgress != progress || std::isnan(newProgress) || std::isnan(progress)) {
            progress = newProgress;
            draw();
        }
        return;
    }
    const bool wasBusy = !message.empty();
    message = built;
    System::Log::verbose("Window::WindowFooter::setMessage", L"%s", message.c_str());
    if (WindowMouseService* mouse = WindowMouseService::Get()) {
        mouse->setCursor(message.empty() ? &Cursors::Arrow : &Cursors::Wait);
        if (wasBusy != !message.empty())
            mouse->mouseCursor.updateWindowCursor();
    }
    progress = newProgress;
    draw();
}

void WindowFooter::getRect(int& left, int& top, int& right, int& bottom) const
{
    const int s = Setting::Layout::WindowSeparatorSize, f = Setting::Layout::FooterHeight;
    left = 0;
    top = window->areaHeight - s;
    right = std::max(0, window->areaWidth + 2 - s);
    bottom = window->areaHeight - s + f;
}

void WindowFooter::draw()
{
    if (!target)
        return;
    int left, top, right, bottom;
    getRect(left, top, right, bottom);
    if (right <= left || bottom <= top)
        return;
    DrawSection section(*this, left, top, right, bottom, true);
    const int width = right - left, height = bottom - top;
    if (message.empty()) {
        fillRect(0, 0, width, height, colorBrushList->get(ColorBrushList::Footer));
    } else {
        fillRect(0, 0, width, height, colorBrushList->get(ColorBrushList::FooterProgress0));
        if (progress > 0)
            fillRect(0, 0, int(width * std::min(progress, 1.0f)), height,
                     colorBrushList->get(ColorBrushList::FooterProgress1));
    }
    Resource::ResourceService* resources = Resource::ResourceService::Get();
    if (!resources)
        return;
    Platform::Draw::TextFormat* format = resources->textFormats.get(Resource::TextFormatList::Footer);
    Platform::Draw::Brush* ink = colorBrushList->get(ColorBrushList::Text);
    const int margin = height / 3;
    const std::wstring& leftShown = message.empty() ? leftText : message;
    auto measure = [format](const std::wstring& text, int& w, int& h) {
        const Platform::Draw::TextMetrics metrics =
            Resource::TextLayout::create(*format, text.c_str(), text.size())->getMetrics();
        w = int(std::ceil(metrics.widthIncludingTrailingWhitespace));
        h = int(std::ceil(metrics.height));
    };
    int rightWidth = 0, rightHeight = 0, leftWidth = 0, leftHeight = 0;
    if (!rightText.empty())
        measure(rightText, rightWidth, rightHeight);
    if (!leftShown.empty())
        measure(leftShown, leftWidth, leftHeight);
    const int rightX = width - rightWidth - margin;
    if (!rightText.empty())
        drawText(rightText.c_str(), format, ink, rightX, (height - rightHeight) / 2, rightWidth, rightHeight);
    if (leftShown.empty())
        return;
    const int limit = std::clamp(rightText.empty() ? width : rightX - margin, 0, std::max(window->areaWidth + 2 -
                                                                                             Setting::Layout::WindowSeparatorSize, 0));
    if (limit <= 0)
        return;
    DrawSection leftPart(*this, left, top, left + limit, bottom, true);
    drawText(leftShown.c_str(), format, ink, margin, (height - leftHeight) / 2, std::max(leftWidth, 1),
             std::max(leftHeight, 1));
}

} // namespace Window
