#include "ui/settings/window/setting_header.h"

#include "core/setting_service.h"
#include "core/text.h"
#include "media/text_format.h"
#include "platform/draw/resources.h"
#include "platform/draw/target.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_service.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "ui/settings/window/setting_component.h"
#include "ui/settings/window/setting_hooks.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/controls/control_paint.h"
#include "ui/window/tool_tips.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Control {

using Brushes = Window::ColorBrushList;

namespace {

Edit::Scene* scene()
{
    const Edit::EditService* edit = Edit::EditService::Get();
    return edit && edit->currentScene ? edit->currentScene.get() : nullptr;
}

double secondsOf(int frames)
{
    const Edit::Scene* s = scene();
    const int rate = s && s->videoRate > 0 ? s->videoRate : 30;
    const int scale = s && s->videoScale > 0 ? s->videoScale : 1;
    return double(frames) * scale / rate;
}

const std::vector<IconLine> plusLines{{0.25f, 0.5f, 0.75f, 0.5f, 0.12f}, {0.5f, 0.25f, 0.5f, 0.75f, 0.12f}};

} // namespace

const IconSet plusIcon{nullptr, nullptr, &plusLines};

void moveCursor(int frame)
{
    if (Edit::EditService* edit = Edit::EditService::Get())
        edit->setCursorFrame(frame);
}

SettingHeaderGaugeControl::SettingHeaderGaugeControl(Component::SettingComponent& s, Window::ControlContainer& container,
                                                     int width)
    : WindowControlRenderTarget(container, 0, 0, width, 0), setting(s)
{
}

void SettingHeaderGaugeControl::setObject(const Edit::Object* shown)
{
    object = shown;
    length = shown ? shown->end - shown->start + 1 : 0;
    start = shown ? shown->start : 0;
}

void SettingHeaderGaugeControl::procMove()
{
    const int h = rect.height;
    stripHeight = int(std::lround(0.125 * h)) + 2;
    sideMargin = int(std::lround(0.25 * h));
    topOffset = int(std::lround(h / 4.5));
}

void SettingHeaderGaugeControl::updateMetrics()
{
    barWidth = std::max(0, rect.width - 2 * sideMargin);
    const float line = textFormatList ? textFormatList->at(Resource::TextFormatList::Control).getLineHeight() : 12.0f;
    barHeight = std::max(0, rect.height - topOffset - int(std::ceil(line)));
}

int SettingHeaderGaugeControl::frameAt(int x) const
{
    if (barWidth < 2 || length < 2)
        return 0;
    return int((int64_t(length - 1) * (x - sideMargin) + barWidth / 2) / (barWidth - 1));
}

int SettingHeaderGaugeControl::pixelOf(int frame) const
{
    const int offset = frame - start;
    if (offset < 0 || offset >= length)
        return -1;
    if (barWidth < 2 || length < 2)
        return 0;
    return int(int64_t(offset) * (barWidth - 1) / (length - 1));
}

int SettingHeaderGaugeControl::pointFrame(int k) const
{
    if (!object)
        return 0;
    const int n = int(object->midPoints.size());
    if (k <= 0)
        return object->start;
    if (k > n)
        return object->end + 1;
    return object->start + object->midPoints[size_t(k - 1)];
}

int SettingHeaderGaugeControl::hitTestPoint(int x) const
{
    if (!object)
        return -1;
    const int g = start + frameAt(x);
    const int s = object->getSectionIndex(g);
    const int candidate = std::abs(g - pointFrame(s)) <= std::abs(g - pointFrame(s + 1)) ? s : s + 1;
    // The end point's frame is end + 1, but its line is drawn on the last frame's pixel: measure the
    // 8 pixels from where the point is drawn, or a click just left of the end line misses it.
    const int p = std::min(pointFrame(candidate), object->end);
    return start + frameAt(x - 8) <= p && p <= start + frameAt(x + 8) ? candidate : -1;
}

void SettingHeaderGaugeControl::setCursorFromPosition(int x)
{
    if (!object)
        return;
    updateMetrics();
    if (barWidth < 2 || length < 2)
        return;
    moveCursor(std::clamp(start + frameAt(x), object->start, object->end));
}

void SettingHeaderGaugeControl::procMouseMove(int x, int)
{
    if (!object)
        return;
    updateMetrics();
    const int point = hitTestPoint(x);
    bool repaint = false;
    if (point != hoveredPoint) {
        hoveredPoint = point;
        repaint = true;
        if (point >= 0)
            trackMouseHover();
    }
    int section = -1;
    if (setting.options.sectionViewMode != 2)
        section = std::clamp(object->getSectionIndex(start + frameAt(x)), 0, std::max(0, setting.sectionCount - 1));
    if (section != hoveredSection) {
        hoveredSection = section;
        repaint = true;
    }
    if (repaint)
        procPaint();
    if (hoveredPoint >= 0 && mouseService)
        mouseService->setCursor(&Window::Cursors::Hand);
}

void SettingHeaderGaugeControl::procLButtonDown(int x, int)
{
    if (!object)
        return;
    updateMetrics();
    if (mouseService)
        mouseService->beginDrag(x, 0, hoveredPoint >= 0 ? &Window::Cursors::Hand : &Window::Cursors::Arrow);
    const int point = hitTestPoint(x);
    if (point >= 0)
        moveCursor(std::clamp(pointFrame(point), object->start, object->end));
    else
        setCursorFromPosition(x);
}

void SettingHeaderGaugeControl::procMouseDrag(int x, int)
{
    if (mouseService)
        mouseService->setCursor(&Window::Cursors::Arrow);
    setCursorFromPosition(x);
}

void SettingHeaderGaugeControl::procMouseLeave()
{
    bool repaint = hoveredPoint >= 0;
    hoveredPoint = -1;
    if (!Window::PopupMenu::active && hoveredSection >= 0) {
        hoveredSection = -1;
        repaint = true;
    }
    if (repaint)
        procPaint();
}

std::wstring SettingHeaderGaugeControl::formatLength(int frames)
{
    const double seconds = secondsOf(frames);
    const double magnitude = std::fabs(seconds);
    const long long whole = (long long)magnitude;
    wchar_t text[64];
    std::swprintf(text, 64, L"%ls%02lld:%02d.%02d", seconds < 0 ? L"-" : L"", whole / 60, int(whole % 60),
                  int((long long)(magnitude * 100) % 100));
    return text;
}

std::wstring SettingHeaderGaugeControl::pointToolTip(int k) const
{
    wchar_t time[32];
    System::formatTime(time, secondsOf(pointFrame(k)));
    return std::wstring(time) + L" ( " + formatLength(pointFrame(k) - start) + L" )";
}

void SettingHeaderGaugeControl::procMouseHover()
{
    if (hoveredPoint >= 0)
        Window::ToolTips::get().showAtCursor(pointToolTip(hoveredPoint));
}

void SettingHeaderGaugeControl::drawPointMark(int x, Platform::Draw::Brush* brush)
{
    const int left = sideMargin, top = topOffset;
    drawLine(left + x, top + stripHeight, left + x, top + barHeight, brush, 1, nullptr);
    const float cx = float(left + x) + 0.5f + float(originX), cy = float(top + stripHeight / 2 - 1) + 0.5f + float(originY);
    Platform::Draw::PathGeometry circle;
    if (Platform::Draw::GeometrySink* sink = circle.open()) {
        constexpr int Steps = 12;
        sink->beginFigure({cx + 2.0f, cy}, true);
        for (int i = 1; i < Steps; ++i) {
            const double a = 2 * M_PI * i / Steps;
            sink->addLine({cx + 2.0f * float(std::cos(a)), cy + 2.0f * float(std::sin(a))});
        }
        sink->endFigure(true);
        if (sink->close())
            target->fillGeometry(circle, *brush);
    }
}

void SettingHeaderGaugeControl::drawSectionMark(int point, Platform::Draw::Brush* brush)
{
    if (!object)
        return;
    const int n = int(object->midPoints.size());
    const int x = point > n ? barWidth - 1 : pixelOf(pointFrame(point));
    if (x < 0)
        return;
    const int left = sideMargin, top = topOffset, s = stripHeight;
    const Platform::Draw::Point corners[3] = {{float(left + x - s + 2), float(top + 1)},
                                              {float(left + x + s - 1), float(top + 1)},
                                              {float(left + x) + 0.5f, float(top + s)}};
    fillPath(corners, brush);
}

void SettingHeaderGaugeControl::procPaint()
{
    PaintSection section;
    if (!target || !openPaint(*this, section))
        return;
    Window::ColorBrushList& brushes = *colorBrushList;
    fillRect(0, 0, rect.width, rect.height, brushes.get(Brushes::Grouping));
    updateMetrics();
    const int W = barWidth, B = barHeight, S = stripHeight, left = sideMargin, top = topOffset;
    if (W < 1)
        return;
    fillRect(left, top, left + W, top + S, brushes.get(Brushes::Background));
    if (Platform::Draw::LinearGradientBrush* gradient = brushes.gradient(Brushes::ObjectVideo))
        fillGradientRectHorizontal(left, top + S, left + W, top + B, gradient);
    else
        fillRect(left, top + S, left + W, top + B, brushes.get(Brushes::ObjectVideo));
    auto edges = [&](Platform::Draw::Brush* first, Platform::Draw::Brush* last) {
        drawLine(left, top, left, top + B, first, 1, nullptr);
        drawLine(left + W - 1, top, left + W - 1, top + B, last, 1, nullptr);
    };
    Platform::Draw::TextFormat* format = textFormatList ? textFormatList->get(Resource::TextFormatList::Control) : nullptr;
    auto rightText = [&](CachedText& cache, const std::wstring& text, int right, int brush) {
        if (!format)
            return 0;
        const TextSize& size = cache.layout(*format, text);
        cache.draw(*this, left + right - size.width, top + B, brushes.get(brush));
        return size.width;
    };
    if (!object) {
        edges(brushes.get(Brushes::Border), brushes.get(Brushes::Border));
        rightText(emptyText, L"--:--.-- / --:--.--", W - 1, Brushes::TextDisable);
        return;
    }
    const int n = int(object->midPoints.size());
    int s = hoveredSection;
    if (s == -1 && setting.sectionCount >= 2 && setting.options.sectionViewMode == 2)
        s = setting.currentSection;
    if (s != -1) {
        const int from = pixelOf(pointFrame(s));
        const int to = s >= n ? W - 1 : pixelOf(pointFrame(s + 1));
        if (from >= 0 && to >= 0)
            fillRect(left + from, top + S, left + to, top + B, brushes.get(Brushes::ObjectVideoSelect));
    }
    edges(brushes.get(Brushes::Border), brushes.get(Brushes::Border));
    int previous = -1;
    for (int k = 1; k <= n; ++k) {
        const int x = pixelOf(pointFrame(k));
        if (x < 0 || x == previous)
            continue;
        drawPointMark(x, brushes.get(Brushes::Border));
        previous = x;
    }
    if (hoveredPoint == 0)
        drawLine(left, top, left, top + B, brushes.get(Brushes::BorderSelect), 1, nullptr);
    else if (hoveredPoint == n + 1)
        drawLine(left + W - 1, top, left + W - 1, top + B, brushes.get(Brushes::BorderSelect), 1, nullptr);
    else if (hoveredPoint > 0)
        drawPointMark(pixelOf(pointFrame(hoveredPoint)), brushes.get(Brushes::BorderSelect));
    auto mark = [&](int point) {
        drawSectionMark(point, brushes.get(point == hoveredPoint ? Brushes::BorderSelect : Brushes::ObjectSection));
    };
    mark(setting.currentSection);
    if (setting.options.sectionViewMode == 2)
        mark(setting.currentSection + 1);
    const int offset = cursorFrame - start;
    const bool inside = cursorFrame >= object->start && cursorFrame <= object->end;
    const int used = rightText(lengthText, L" " + formatLength(length), W - 1, Brushes::Text);
    rightText(offsetText, formatLength(offset) + L" /", W - 1 - used, inside ? Brushes::Text : Brushes::TextDisable);
    if (offset >= 0 && offset < length) {
        const int x = pixelOf(cursorFrame);
        drawLine(left + x, top, left + x, top + B, brushes.get(Brushes::FrameCursor), 1, nullptr);
    }
}

void SettingHeaderGaugeControl::showMenu()
{
    if (!object) {
        Window::PopupMenu menu;
        setting.insertOptionMenu(menu);
        menu.show();
        return;
    }
    auto shown = setting.object;
    const int n = int(object->midPoints.size());
    const int frame = cursorFrame;
    Window::PopupMenu menu;
    menu.insertItem(L"カーソル位置に中間点を追加", [shown, frame] { Edit::EditCommand::createSection(shown, frame); })
        .setEnable(object->canAddSectionAt(frame));
    const int current = setting.currentSection;
    menu.insertItem(L"中間点を削除", [shown, current] { Edit::EditCommand::deleteSection(shown, current); })
        .setEnable(current >= 1 && current <= n);
    menu.insertSeparator();
    menu.insertItem(L"中間点を均等配置", [shown] { Edit::EditCommand::changeSectionSpaceEvenly(shown); })
        .setEnable(setting.sectionCount >= 2);
    const int section = setting.options.sectionViewMode == 2 ? setting.currentSection : hoveredSection;
    menu.insertItem(L"選択区間の長さを変更", [shown, section] { Edit::EditCommand::changeSectionLength(shown, section); })
        .setEnable(section != -1);
    menu.show([this] {
        hoveredSection = -1;
        procPaint();
    });
}

} // namespace Control

namespace Component {

namespace {
int scrollBarWidth()
{
    return Setting::Layout::ScrollBarSize > 0 ? Setting::Layout::ScrollBarSize : 20;
}
} // namespace

SettingHeader::SettingHeader(SettingComponent& s, Window::ControlContainer& container, int h)
    : WindowControlRenderTarget(container, 0, 0, -scrollBarWidth(), h), setting(s),
      children(0, 0, priority, &visibleRect, &rect), gauge(s, children, 3 * (h / 4) / 2 - h),
      buttonBox(children, 3 * (h / 4) / 2 - h, h / 4, 0, -(h / 4)),
      addFilter(buttonBox, 0, h - 2 * (h / 4), &Control::plusIcon, false)
{
    acceptContextMenu = true;
    acceptWheel = true;
    addFilter.toolTip = L"フィルタ効果を追加";
    addFilter.enabled = false;
    addFilter.onClick = [this](Control::ButtonControl&) { showAddFilterMenu(); };
}

void SettingHeader::updateTarget()
{
    gauge.setObject(setting.object.get());
    if (const Edit::EditService* edit = Edit::EditService::Get(); edit && edit->currentScene)
        gauge.cursorFrame = edit->currentScene->cursorFrame;
    gauge.procPaint();
    const bool shown = setting.object != nullptr;
    if (addFilter.enabled != shown) {
        addFilter.enabled = shown;
        addFilter.procPaint();
    }
}

void SettingHeader::setCursorFrame(int frame)
{
    gauge.cursorFrame = frame;
    gauge.procPaint();
}

void SettingHeader::showAddFilterMenu()
{
    if (!setting.object)
        return;
    Window::PopupMenu menu;
    if (const auto& insert = SettingHooks::get().insertFilterMenu)
        insert(menu, setting.object, nullptr);
    menu.show();
}

void SettingHeader::procMouseWheel(int, int, int delta)
{
    const Edit::Object* object = setting.object.get();
    const Edit::EditService* edit = Edit::EditService::Get();
    if (!object || !edit || !edit->currentScene)
        return;
    const int cursor = edit->currentScene->cursorFrame;
    const int frame = std::clamp(delta > 0 ? cursor - 1 : cursor + 1, object->start, object->end);
    if (frame != cursor)
        Control::moveCursor(frame);
}

void SettingHeader::procContextMenu(int, int)
{
    gauge.showMenu();
}

void SettingHeader::procPaint()
{
    Control::PaintSection section;
    if (!target || !Control::openPaint(*this, section))
        return;
    fillRect(0, 0, rect.width, rect.height, Control::brushOf(*this, Window::ColorBrushList::Grouping));
    for (Window::WindowControl* c : std::vector<Window::WindowControl*>(children.controls))
        c->procPaint();
}

void SettingHeader::procMove()
{
    children.updateLayout();
}

} // namespace Component
