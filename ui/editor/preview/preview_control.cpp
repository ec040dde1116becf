#include "ui/editor/preview/preview_control.h"

#include "core/setting_service.h"
#include "platform/draw/bitmap_view.h"
#include "platform/draw/target.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"

#include <algorithm>

namespace Component {

namespace {
using Brushes = Window::ColorBrushList;

// The fraction of a bar's range its window is centred on.
double windowFraction(const Control::ScrollBarControl& bar)
{
    return ((bar.first + bar.last + 1) / 2.0 - bar.minPos) / double(bar.maxPos - bar.minPos + 1);
}
} // namespace

PreviewControl::PreviewControl(Window::ControlContainer& owner, int& z)
    : WindowControlRenderTarget(owner, 0, 0, 0, 0), zoom(z), container(0, 0, priority, &visibleRect, &rect),
      layout(container, 0, 0, 0, 0), video(layout, *this),
      horizontal(*this, 0, -Setting::Layout::ScrollBarSize, -Setting::Layout::ScrollBarSize,
                 Setting::Layout::ScrollBarSize),
      vertical(*this, -Setting::Layout::ScrollBarSize, 0, Setting::Layout::ScrollBarSize,
               -Setting::Layout::ScrollBarSize)
{
    if (mouseService)
        mouseService->removeMouse(this);
    horizontal.onScroll = [this](Control::ScrollBarControl&, int wanted) { scrollTo(wanted, vertical.first); };
    vertical.onScroll = [this](Control::ScrollBarControl&, int wanted) { scrollTo(horizontal.first, wanted); };
    setScrollBars(false, 0, 0);
}

PreviewControl::~PreviewControl() = default;

int PreviewControl::pictureWidth() const
{
    return picture ? picture->width() : 0;
}

int PreviewControl::pictureHeight() const
{
    return picture ? picture->height() : 0;
}

void PreviewControl::setImage(std::unique_ptr<Platform::Draw::Bitmap> bitmap, std::shared_ptr<Anchor::AnchorList> anchors)
{
    picture = std::move(bitmap);
    if (anchors)
        video.setAnchorList(std::move(anchors));
    video.layoutAnchors();
    video.procPaint();
}

PictureRect PreviewControl::getPictureRect()
{
    const PictureRect r = Component::getPictureRect(layout.rect.width, layout.rect.height, pictureWidth(),
                                                    pictureHeight(), zoom, horizontal.first, vertical.first);
    setScrollBars(r.scrollBars, r.contentWidth, r.contentHeight);
    if (!r.scrollBars)
        return r;
    // The bars may have moved: place the picture at their positions.
    return Component::getPictureRect(layout.rect.width, layout.rect.height, pictureWidth(), pictureHeight(), zoom,
                                     horizontal.first, vertical.first);
}

void PreviewControl::setScrollBars(bool show, int cw, int ch)
{
    const int S = Setting::Layout::ScrollBarSize;
    if (!show) {
        if (!scrollBarsShown)
            return;
        scrollBarsShown = false;
        for (Control::ScrollBarControl* bar : {&horizontal, &vertical}) {
            bar->placeX = bar->placeY = -65536;
            bar->visible = false;
        }
        video.placeWidth = 0, video.placeHeight = 0;
        layoutChildren();
        return;
    }
    const bool same = scrollBarsShown && horizontal.maxPos == std::max(cw, 0) && vertical.maxPos == std::max(ch, 0);
    if (same)
        return;
    double fx = 0.5, fy = 0.5;
    if (scrollBarsShown) {
        fx = windowFraction(horizontal);
        fy = windowFraction(vertical);
    } else {
        scrollBarsShown = true;
        horizontal.placeX = 0, horizontal.placeY = -S, horizontal.placeWidth = -S, horizontal.placeHeight = S;
        vertical.placeX = -S, vertical.placeY = 0, vertical.placeWidth = S, vertical.placeHeight = -S;
        horizontal.visible = vertical.visible = true;
        video.placeWidth = -S, video.placeHeight = -S;
        layoutChildren();
    }
    horizontal.minPos = std::min(cw, 0), horizontal.maxPos = std::max(cw, 0);
    vertical.minPos = std::min(ch, 0), vertical.maxPos = std::max(ch, 0);
    horizontal.setPosition(0, video.rect.width);
    vertical.setPosition(0, video.rect.height);
    horizontal.setPositionRatio(fx);
    vertical.setPositionRatio(fy);
    horizontal.procMove();
    vertical.procMove();
    horizontal.procPaint();
    vertical.procPaint();
}

void PreviewControl::scrollTo(int x, int y)
{
    bool moved = false;
    for (auto [bar, value] : {std::pair{&horizontal, x}, {&vertical, y}}) {
        if (value == bar->first)
            continue;
        const int page = bar->last - bar->first;
        const int v = std::clamp(value, bar->minPos, std::max(bar->minPos, bar->maxPos - page));
        bar->setPosition(v, v + page);
        bar->procMove();
        bar->procPaint();
        moved = true;
    }
    if (moved)
        video.procPaint();
}

void PreviewControl::setZoom(int z)
{
    zoom = z;
    video.procPaint();
}

void PreviewControl::insertZoomMenu(Window::BaseMenu& menu)
{
    std::wstring list;
    if (Setting::SettingService* settings = Setting::SettingService::Get())
        list = settings->system.config.get("PreviewZoom").toString(L"");
    for (int c : parseZoomList(list)) {
        const std::wstring text = c > 0 ? std::to_wstring(c) + L"%" : std::wstring(L"WindowSize");
        menu.insertItem(text, [this, c] { setZoom(c); }).setRadioCheck().setCheck(c == zoom);
    }
}

void PreviewControl::layoutChildren()
{
    container.updateLayout();
    video.updateRect();
    video.procMove();
    for (Control::ScrollBarControl* bar : {&horizontal, &vertical}) {
        bar->updateRect();
        bar->procMove();
    }
}

void PreviewControl::procMove()
{
    layoutChildren();
    if (!scrollBarsShown)
        return;
    for (auto [bar, size] : {std::pair{&horizontal, video.rect.width}, {&vertical, video.rect.height}}) {
        const double f = windowFraction(*bar);
        bar->setPosition(0, size);
        bar->setPositionRatio(f);
        bar->procMove();
    }
}

void PreviewControl::procPaint()
{
    video.procPaint();
    if (scrollBarsShown) {
        horizontal.procPaint();
        vertical.procPaint();
    }
}

// ---- PreviewVideoControl: the picture ----

PreviewVideoControl::PreviewVideoControl(Window::WindowControl& parent, PreviewControl& a)
    : WindowControlRenderTarget(parent, 0, 0, 0, 0), area(a)
{
    acceptRightButton = true;
}

void PreviewVideoControl::procPaint()
{
    if (!visible || rect.width <= 0 || rect.height <= 0 || !target)
        return;
    const PictureRect r = area.getPictureRect();
    Control::PaintSection section;
    if (!Control::openPaint(*this, section))
        return;
    fillRect(0, 0, rect.width, rect.height, Control::brushOf(*this, Brushes::OutsideDisplay));
    if (area.picture && area.pictureWidth() > 0 && area.pictureHeight() > 0) {
        const Platform::Draw::Rect destination{originX + r.left, originY + r.top, originX + r.right,
                                               originY + r.bottom};
        if (area.zoom >= 100)
            target->drawBitmap(*area.picture, destination, 1.0f, Platform::Draw::Interpolation::NearestNeighbor);
        else
            Platform::Draw::drawBitmapAveraged(*target, *area.picture, destination, 1.0f);
    }
    if (!(r == pictureRect)) {
        pictureRect = r;
        layoutAnchors();
    }
    drawAnchors();
}

} // namespace Component
