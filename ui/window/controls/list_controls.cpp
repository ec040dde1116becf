#include "ui/window/controls/list_controls.h"

#include "core/setting_service.h"
#include "core/translate_service.h"
#include "platform/draw/target.h"
#include "ui/window/color_brush_list.h"

#include <algorithm>

namespace Control {

using Brushes = Window::ColorBrushList;

// ---- ListItemControl ----

ListItemControl::ListItemControl(Window::ControlContainer& container, int top)
    : WindowControlRenderTarget(container, 0, top, 0, 0), barContainer(0, 0, priority + 1, &visibleRect, &rect),
      itemContainer(0, 0, priority + 1, &visibleRect, &rect), scrollBar(barContainer, -1, -1, -1)
{
    acceptRightButton = true;
    acceptWheel = true;
    scrollBar.placeY = scrollBar.placeHeight = -1;
    scrollBar.visible = false;
    scrollBar.onScroll = [this](ScrollBarControl&, int wanted) {
        scrollTo(wanted);
        itemContainer.updateLayout();
        procPaint();
    };
}

ListItemControl::~ListItemControl()
{
    // Items go first: their controls leave the item container while it exists.
    items.clear();
}

void ListItemControl::showBar(bool show)
{
    const int size = Setting::Layout::ScrollBarSize;
    if (show) {
        scrollBar.placeX = -size, scrollBar.placeY = 0, scrollBar.placeWidth = size, scrollBar.placeHeight = 0;
    } else {
        scrollBar.placeX = scrollBar.placeY = scrollBar.placeWidth = scrollBar.placeHeight = -1;
    }
    scrollBar.visible = show && visible;
    scrollBar.updateRect();
    scrollBar.procMove();
}

void ListItemControl::updateItemLayout()
{
    contentHeight = 0;
    const int width = barShown() ? -Setting::Layout::ScrollBarSize : 0;
    for (const std::unique_ptr<ListItemBase>& item : items) {
        Window::WindowControl& c = item->control;
        const int height = c.rect.height;
        c.placeX = 0, c.placeY = contentHeight, c.placeWidth = width, c.placeHeight = height;
        c.updateRect();
        contentHeight += height;
    }
}

void ListItemControl::scrollTo(int wanted)
{
    const int view = visibleRect.height;
    const int offset = std::clamp(wanted, 0, std::max(0, contentHeight - view));
    scrollBar.minPos = std::min(contentHeight, 0);
    scrollBar.maxPos = std::max(contentHeight, 0);
    scrollBar.setPosition(offset, offset + view);
    itemContainer.originY = offset;
    const bool wasShown = barShown();
    if (contentHeight > view && !wasShown) {
        scrollBar.lineStep = items.empty() ? 1 : 2 * contentHeight / int(items.size());
        showBar(true);
    } else if (contentHeight <= view && wasShown) {
        showBar(false);
    }
    if (barShown() != wasShown)
        updateItemLayout();
}

int ListItemControl::getItemIndex(const ListItemBase* item) const
{
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == item)
            return int(i);
    return -1;
}

void ListItemBase::swapItems(ListItemBase& other)
{
    if (!canMove() || !other.canMove())
        return;
    const int mine = getOrder(), theirs = other.getOrder();
    setOrder(theirs);
    other.setOrder(mine);
    std::stable_sort(list.items.begin(), list.items.end(),
                     [](const std::unique_ptr<ListItemBase>& a, const std::unique_ptr<ListItemBase>& b) {
                         return a->getOrder() < b->getOrder();
                     });
    list.updateItemLayout();
    list.procMove();
    list.procPaint();
}

void ListItemControl::procMove()
{
    scrollTo(scrollBar.first);
    barContainer.updateLayout();
    itemContainer.updateLayout();
}

void ListItemControl::procMouseWheel(int x, int y, int delta)
{
    scrollBar.procMouseWheel(x + rect.x - scrollBar.rect.x, y + rect.y - scrollBar.rect.y, delta);
}

void ListItemControl::procRButtonDown(int x, int y)
{
    if (Window::WindowMouseService* r = Window::WindowMouseService::Get())
        r->beginDrag(x, y, &Window::Cursors::SizeAll);
    offsetAtPress = scrollBar.first;
}

void ListItemControl::procMouseDrag(int, int dy)
{
    scrollTo(offsetAtPress - dy);
    itemContainer.updateLayout();
    procPaint();
}

void ListItemControl::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    originX = visibleRect.x;
    originY = visibleRect.y;
    if (contentHeight < visibleRect.height)
        fillRect(0, contentHeight, visibleRect.width, visibleRect.height, brushOf(*this, Brushes::Background));
    for (Window::WindowControl* c : barContainer.controls)
        c->procPaint();
    for (const std::unique_ptr<ListItemBase>& item : items)
        item->control.procPaint();
}

// ---- LayoutControl ----

LayoutControl::LayoutControl(Window::ControlContainer& container, int x, int y, int width, int height)
    : WindowControl(container, x, y, width, height)
{
    if (mouseService)
        mouseService->removeMouse(this);
}

LayoutControl::LayoutControl(Window::WindowControl& parent, int x, int y, int width, int height)
    : WindowControl(parent, x, y, width, height)
{
    if (mouseService)
        mouseService->removeMouse(this);
}

void LayoutControl::updateRect()
{
    WindowControl::updateRect();
    const int left = rect.x, top = rect.y, w = rect.width, h = rect.height;
    setRect(left + int(float(w) * fractionLeft), top + int(float(h) * fractionTop), left + int(float(w) * fractionRight),
            top + int(float(h) * fractionBottom));
}

// ---- RectControl ----

void RectControl::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    originX = visibleRect.x;
    originY = visibleRect.y;
    if (fill)
        fillRect(0, 0, visibleRect.width, visibleRect.height, fill);
    if (onPaint)
        onPaint(*this);
}

// ---- TextControl ----

TextControl::TextControl(Window::ControlContainer& container, int x, int width, const std::wstring& t)
    : WindowControlRenderTarget(container, x, 0, width, 0), text(t)
{
    initialize();
}

TextControl::TextControl(Window::WindowControl& parent, int x, int y, int width, int height, const std::wstring& t,
                         int s)
    : WindowControlRenderTarget(parent, x, y, width, height), text(t), style(s)
{
    initialize();
}

void TextControl::initialize()
{
    textFormat = textFormatList->get(Resource::TextFormatList::Control);
    textBrush = brushOf(*this, Brushes::Text);
    if (mouseService)
        mouseService->removeMouse(this);
}

void TextControl::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    const int W = rect.width, H = rect.height;
    const TextSize size = shownText.layout(*textFormat, text);
    const int m = frame ? 2 : 0;
    const int x = style == 1 ? m + (W - size.width) / 2 : m;
    const int y = style >= 0 && style <= 2 ? m + (H - size.height) / 2 : m;
    if (background)
        fillRect(0, 0, W, H, background);
    if (style == 2) {
        Platform::Draw::TextFormat trimmed(textFormat->getFontFamilyName(), textFormat->getFontSize(),
                                           textFormat->getWeight(), textFormat->isItalic());
        trimmed.setEllipsisTrimming(true);
        drawText(text.c_str(), &trimmed, textBrush, x, y, std::max(1, W - 4 - x), std::max(1, H - y));
    } else {
        shownText.draw(*this, x, y, textBrush);
    }
    if (frame && target)
        target->drawRectangle({float(originX) + 1, float(originY) + 1, float(originX + W) - 1, float(originY + H) - 1},
                              *frame, 2.0f, nullptr);
}

// ---- TitleHeaderControl ----

TitleHeaderControl::TitleHeaderControl(Window::ControlContainer& container, const std::wstring& t)
    : WindowControlRenderTarget(container, 0, 0, 0, Setting::Layout::TitleHeaderHeight + 2), title(t)
{
    if (mouseService)
        mouseService->removeMouse(this);
}

void TitleHeaderControl::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    const int W = rect.width, H = rect.height, T = Setting::Layout::TitleHeaderHeight;
    fillRect(0, 0, W, T, brushOf(*this, Brushes::TitleHeader));
    fillRect(0, T, W, H, brushOf(*this, Brushes::Background));
    const Translate::TranslateService* translate = Translate::TranslateService::Get();
    const std::wstring shown = translate ? std::wstring(translate->translateMenu(title)) : title;
    Platform::Draw::TextFormat& small = *textFormatList->get(Resource::TextFormatList::ControlSmall);
    Platform::Draw::Brush* ink = brushOf(*this, Brushes::Text);
    const TextSize size = shownTitle.layout(small, shown);
    shownTitle.draw(*this, 3, (T - size.height) / 2 + 1, ink);
    if (!subTitle.empty()) {
        const TextSize sub = shownSubTitle.layout(small, subTitle);
        shownSubTitle.draw(*this, size.width + 9, (T - sub.height) / 2 + 1, ink);
    }
}

} // namespace Control
