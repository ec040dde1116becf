#include "ui/editor/panes/log_component.h"

#include "core/clipboard.h"
#include "core/log.h"
#include "core/logger_service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "platform/draw/resources.h"
#include "platform/draw/target.h"
#include "platform/draw/text.h"
#include "render/movie_player.h"
#include "ui/menus/dialogs/setting_dialogs.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/window_service.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <regex>

namespace Component {

namespace {
using Brushes = Window::ColorBrushList;
constexpr unsigned RefreshMs = 200;

Platform::Draw::TextFormat* logFormat(Resource::TextFormatList* formats)
{
    return formats->get(Resource::TextFormatList::Log);
}

Platform::Draw::Color colourOf(uint32_t rgb)
{
    return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, 1.0f};
}
} // namespace

// ---- LogViewControl ----

LogViewControl::LogViewControl(LogComponent& o, Window::ControlContainer& container, int top)
    : WindowControlRenderTarget(container, 0, top, -Setting::Layout::ScrollBarSize, 0), owner(o)
{
    Platform::Draw::TextLayout probe(L"A", 1, *logFormat(textFormatList), 65536.0f, 65536.0f);
    lineHeight = std::max(1, int(std::ceil(probe.getMetrics().height)));
}

LogViewControl::~LogViewControl()
{
    if (polling)
        Window::WindowService::removeWaitHandle(timer.handle());
}

std::wstring LogViewControl::cleanLogText(const std::string& text)
{
    static const std::regex lambda("<lambda.+?>::operator \\(\\)");
    try {
        return System::utf8ToWide(std::regex_replace(text, lambda, "<lambda>"));
    } catch (const std::exception&) {
        return {};
    }
}

void LogViewControl::procMove()
{
    visibleLines = rect.height / lineHeight + 1;
    const bool active = owner.isVisible() && visible && rect.width > 0 && rect.height > 0;
    if (active == polling)
        return;
    polling = active;
    if (active) {
        timer.setInterval(RefreshMs);
        Window::WindowService::registerWaitHandle(timer.handle(), [this] { refreshTick(); });
        refreshTick(); // the first tick comes at once
    } else {
        timer.clear();
        Window::WindowService::removeWaitHandle(timer.handle());
    }
}

void LogViewControl::refreshTick()
{
    if (Render::MoviePlayer::isPlaybackRunning())
        return;
    Logger::LoggerService* logger = Logger::LoggerService::Get();
    if (!logger)
        return;
    {
        std::lock_guard<std::mutex> lock(logger->mutex);
        if (logger->viewCounter == lastLogCount)
            return;
        lastLogCount = logger->viewCounter;
        lineCount = int(logger->viewLines.size());
    }
    firstLine = lineCount;
    owner.updateScroll();
    owner.procPaint();
}

void LogViewControl::procPaint()
{
    if (!visible || rect.width <= 0 || rect.height <= 0 || !target)
        return;
    DrawSection section(*this, visibleRect.x, visibleRect.y, visibleRect.x + visibleRect.width,
                        visibleRect.y + visibleRect.height, true);
    originX = rect.x;
    originY = rect.y;
    fillRect(0, 0, rect.width, rect.height, colorBrushList->get(Brushes::Background));
    shownLines.clear();
    if (Logger::LoggerService* logger = Logger::LoggerService::Get()) {
        std::lock_guard<std::mutex> lock(logger->mutex);
        lineCount = int(logger->viewLines.size());
        const int first = std::max(0, lineCount - firstLine - visibleLines);
        for (int i = first; i < lineCount && int(shownLines.size()) < visibleLines; ++i)
            shownLines.push_back({logger->viewLines[size_t(i)].type, logger->viewLines[size_t(i)].text});
    }
    Platform::Draw::TextFormat* format = logFormat(textFormatList);
    for (size_t g = 0; g < shownLines.size(); ++g) {
        const std::wstring text = cleanLogText(shownLines[g].text);
        Platform::Draw::TextLayout layout(text.data(), text.size(), *format, 65536.0f, 65536.0f);
        const int h = int(std::ceil(layout.getMetrics().height));
        Platform::Draw::SolidColorBrush ink(colourOf(shownLines[g].type ? shownLines[g].type->colour : 0xFFFFFF));
        const int y = rect.height - int(g) * lineHeight - h;
        target->drawTextLayout({float(originX), float(originY + y)}, layout, ink);
    }
}

// ---- LogComponent ----

LogComponent::LogComponent()
    : WindowClientRenderTarget(L"ログ表示", "Window.log", {0, 0.7f, 1, 1, AreaCenter, false}),
      container(0, 0, priority, &clientRect, &clientRect), header(container, L"ログ"),
      scrollBar(container, -Setting::Layout::ScrollBarSize, Setting::Layout::TitleHeaderHeight + 2,
                Setting::Layout::ScrollBarSize),
      view(*this, container, Setting::Layout::TitleHeaderHeight + 2)
{
    acceptContextMenu = true;
    acceptRightButton = true;
    acceptWheel = true;
    scrollBar.lineStep = 3;
    scrollBar.onScroll = [this](Control::ScrollBarControl&, int wanted) {
        view.firstLine = wanted;
        updateScroll();
        procPaint();
    };
}

LogComponent::~LogComponent() = default;

void LogComponent::updateScroll()
{
    view.firstLine = std::min(view.firstLine, view.lineCount - view.visibleLines);
    scrollBar.minPos = std::min(view.lineCount - 1, 0);
    scrollBar.maxPos = std::max(view.lineCount - 1, 0);
    scrollBar.setPosition(view.firstLine, view.firstLine + view.visibleLines - 1);
    scrollBar.procMove();
}

void LogComponent::procMove()
{
    container.updateLayout();
    updateScroll();
}

void LogComponent::procPaint()
{
    if (!isVisible() || clientRect.width <= 0 || clientRect.height <= 0 || !target)
        return;
    DrawSection section(*this, clientRect.x, clientRect.y, clientRect.x + clientRect.width,
                        clientRect.y + clientRect.height, true);
    container.paint();
}

void LogComponent::procRButtonDown(int, int)
{
    firstLineAtPress = view.firstLine;
    if (mouseService)
        mouseService->beginDrag(0, 0, &Window::Cursors::SizeAll);
}

void LogComponent::procMouseDrag(int, int y)
{
    view.firstLine = firstLineAtPress - y / view.lineHeight;
    updateScroll();
    procPaint();
}

void LogComponent::procMouseWheel(int x, int y, int delta)
{
    scrollBar.procMouseWheel(x + clientRect.x - scrollBar.rect.x, y + clientRect.y - scrollBar.rect.y, delta);
}

std::wstring LogComponent::copyText() const
{
    std::wstring text;
    if (Logger::LoggerService* logger = Logger::LoggerService::Get()) {
        std::lock_guard<std::mutex> lock(logger->mutex);
        for (const Logger::LoggerService::ViewLine& line : logger->viewLines)
            text += LogViewControl::cleanLogText(line.text) + L"\r\n";
    }
    return text;
}

void LogComponent::clearLog()
{
    if (Logger::LoggerService* logger = Logger::LoggerService::Get()) {
        std::lock_guard<std::mutex> lock(logger->mutex);
        logger->viewLines.clear();
    }
    procPaint();
}

void LogComponent::procContextMenu(int, int)
{
    Window::PopupMenu menu;
    menu.insertItem(L"ログをコピー", [this] { System::Clipboard::setText(copyText().c_str()); });
    menu.insertItem(L"ログをクリア", [this] { clearLog(); });
    menu.insertSeparator();
    Window::BaseMenu options = menu.insertSubMenu(L"オプション");
    options.insertItem(L"ログの設定", [] { Dialog::LogSettingDialog().show(); });
    procWindowMenu(menu);
    menu.show();
}

} // namespace Component
