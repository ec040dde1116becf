#include "ui/editor/timeline/time_gauge_control.h"

#include "core/setting_service.h"
#include "project/model/scene.h"
#include "ui/editor/timeline/edit_component.h"
#include "ui/editor/timeline/edit_layer_object_control.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace Component {

namespace {
using Brushes = Window::ColorBrushList;
}

TimeGaugeControl::TimeGaugeControl(Window::ControlContainer& c, EditComponent& o, int x, int y, int width, int height)
    : WindowControlRenderTarget(c, x, y, width, height), owner(o)
{
    acceptContextMenu = true;
    acceptRightButton = true;
    acceptWheel = true;
    if (const Setting::SettingService* settings = Setting::SettingService::Get())
        uiScale = settings->system.dpiScale > 0 ? settings->system.dpiScale : 1.0f;
}

int TimeGaugeControl::tickStep(float scale, int zoom)
{
    const int spacing = int(std::lround(10.0 * scale));
    // Below 10 pixels a tick at the widest zoom the step would be 0 frames: one frame is the least.
    return std::max(int(int64_t(spacing) * 10000 / std::max(zoom, 1)), 1);
}

void TimeGaugeControl::procLButtonDown(int x, int y)
{
    EditLayerObjectControl& view = *owner.objectView;
    if (!mouseService || mouseService->pressTarget != this)
        return;
    mouseService->pressTarget = &view;
    view.procLButtonDown(rect.x + x - view.rect.x, rect.y + y - view.rect.y);
}

void TimeGaugeControl::procRButtonDown(int x, int y)
{
    EditLayerObjectControl& view = *owner.objectView;
    if (!mouseService || mouseService->pressTarget != this)
        return;
    mouseService->pressTarget = &view;
    view.procRButtonDown(rect.x + x - view.rect.x, rect.y + y - view.rect.y);
}

void TimeGaugeControl::procMouseWheel(int x, int y, int delta)
{
    EditLayerObjectControl& view = *owner.objectView;
    view.procMouseWheel(rect.x + x - view.rect.x, rect.y + y - view.rect.y, delta);
}

void TimeGaugeControl::procContextMenu(int, int)
{
    Window::PopupMenu menu;
    const bool selected = owner.view.scene().frameSelectionStart >= 0;
    menu.insertItem(L"フレーム範囲選択を解除", [this] { owner.setFrameSelection(-1, -1); }).setEnable(selected);
    menu.insertSeparator();
    owner.procWindowMenu(menu);
    menu.show();
}

void TimeGaugeControl::procPaint()
{
    if (!target || !visible || visibleRect.width <= 0 || visibleRect.height <= 0)
        return;
    Media::RenderTarget::DrawSection section(*this, visibleRect.x, visibleRect.y, visibleRect.x + visibleRect.width,
                                             visibleRect.y + visibleRect.height, true);
    originX = rect.x;
    originY = rect.y;
    const TimelineViewState& view = owner.view;
    const Edit::Scene& scene = view.scene();
    const int h = rect.height, width = rect.width;
    Brushes& brushes = *colorBrushList;
    fillRect(0, 0, width, h, brushes[Brushes::Background]);
    const int half = int(h * 0.5), quarter = int(h * 0.75);
    if (scene.frameSelectionStart >= 0 && scene.frameSelectionEnd >= 0) {
        fillRect(0, half + 1, width, h, brushes[Brushes::FrameRangeOutside]);
        const int64_t x0 = std::max<int64_t>(view.pixelOf(scene.frameSelectionStart), -1);
        const int64_t x1 = std::min<int64_t>(view.pixelOf(int64_t(scene.frameSelectionEnd) + 1), width + 1);
        if (x1 > x0)
            fillRect(int(x0), half + 1, int(x1), h, brushes[Brushes::FrameRangeSelect]);
    }
    const int64_t step = tickStep(uiScale, view.zoom());
    const int64_t label = step * 10;
    const int64_t display = scene.displayFrame;
    Platform::Draw::TextFormat* format = textFormatList->get(Resource::TextFormatList::TimeGauge);
    const int textY = int(std::lround(h * 0.5 - textFormatList->at(Resource::TextFormatList::TimeGauge).getLineHeight())) + 1;
    for (int64_t f = display - display % label;; f += step) {
        const int64_t x = view.pixelOf(f);
        if (x >= width)
            break;
        const bool labelled = f % label == 0;
        if (labelled) {
            const double t = double(f) * scene.videoScale / scene.videoRate;
            const long long whole = static_cast<long long>(t);
            wchar_t text[48];
            std::swprintf(text, 48, L"%02lld:%02lld:%02lld.%02lld", whole / 3600, (whole % 3600) / 60, whole % 60,
                          static_cast<long long>(t * 100) % 100);
            drawText(text, format, brushes[Brushes::Text], int(x), textY, 0, 0);
        }
        if (x >= 0)
            drawLine(int(x), labelled ? half : quarter, int(x), h, brushes[Brushes::Border], 1, nullptr);
    }
    const int cursor = scene.cursorFrame;
    const int64_t c0 = view.pixelOf(cursor), c1 = view.pixelOf(int64_t(cursor) + 1);
    if (c1 >= 0 && c0 < width) {
        if (c1 - c0 < 2)
            drawLine(int(c0), 0, int(c0), h, brushes[Brushes::FrameCursor], 1, nullptr);
        else
            fillRect(int(c0), 0, int(c1), h, brushes[Brushes::FrameCursorWide]);
    }
}

} // namespace Component
