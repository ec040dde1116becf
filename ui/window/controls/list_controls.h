#pragma once
// The remaining building blocks of the panes: a vertical list of item
// controls of varying heights that owns its items, shows its scroll bar only
// when needed and scrolls by arrow, wheel and right-button drag (the item
// container's origin is the scroll offset); an invisible box placed by
// fractions of its parent's area; a filled rectangle with a paint callback;
// a passive text; and the title strip of a pane. Main thread only.
#include "ui/window/controls/scroll_bar_control.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Control {

class ListItemControl;

// What each item of a list embeds: its order, whether it may move, its control.
class ListItemBase {
public:
    ListItemBase(ListItemControl& list, Window::WindowControl& control) : list(list), control(control) {}
    // Deletes the whole item.
    virtual ~ListItemBase() = default;
    virtual int getOrder() = 0;
    virtual void setOrder(int order) = 0;
    virtual bool canMove() = 0;
    // Exchanges the orders of two movable items and lays the list out again.
    void swapItems(ListItemBase& other);

    ListItemControl& list;
    Window::WindowControl& control;
};

class ListItemControl : public Window::WindowControlRenderTarget {
public:
    // Laid out as (0, top, 0, 0), below a header.
    ListItemControl(Window::ControlContainer& container, int top);
    ~ListItemControl() override;

    // Stacks the items in order at their own heights, as wide as the list less the bar.
    void updateItemLayout();
    // Holds the offset inside the content, moves the bar's window and the
    // items' origin, and shows or hides the bar as the content needs.
    void scrollTo(int offset);
    int getItemIndex(const ListItemBase* item) const;
    int offset() const { return itemContainer.originY; }

    void procMove() override;
    void procPaint() override;
    void procMouseWheel(int x, int y, int delta) override;
    void procRButtonDown(int x, int y) override;
    void procMouseDrag(int dx, int dy) override;

    int contentHeight = 0;
    int offsetAtPress = 0;
    Window::ControlContainer barContainer;
    Window::ControlContainer itemContainer;
    std::vector<std::unique_ptr<ListItemBase>> items;
    ScrollBarControl scrollBar;

private:
    bool barShown() const { return scrollBar.placeX != -1; }
    void showBar(bool show);
};

// An invisible box placed by fractions of its parent's area.
class LayoutControl : public Window::WindowControl {
public:
    LayoutControl(Window::ControlContainer& container, int x, int y, int width, int height);
    LayoutControl(Window::WindowControl& parent, int x, int y, int width, int height);
    void updateRect() override;
    void procPaint() override {}

    float fractionLeft = 0, fractionTop = 0, fractionRight = 1, fractionBottom = 1;
};

class RectControl : public Window::WindowControlRenderTarget {
public:
    using WindowControlRenderTarget::WindowControlRenderTarget;
    void procPaint() override;

    Platform::Draw::Brush* fill = nullptr;
    std::function<void(RectControl&)> onPaint;
};

// style: 0 left, 1 centred, 2 left trimmed with an ellipsis.
class TextControl : public Window::WindowControlRenderTarget, public Resource::FontResource {
public:
    // Laid out as (x, 0, w, 0), style 0.
    TextControl(Window::ControlContainer& container, int x, int width, const std::wstring& text);
    TextControl(Window::WindowControl& parent, int x, int y, int width, int height, const std::wstring& text,
                int style);
    void procPaint() override;

    std::wstring text;
    int style = 0;
    Platform::Draw::TextFormat* textFormat = nullptr;
    Platform::Draw::Brush* textBrush = nullptr;
    Platform::Draw::Brush* background = nullptr;
    Platform::Draw::Brush* frame = nullptr;
    CachedText shownText;

private:
    void initialize();
};

// The title strip at the top of a pane, TitleHeaderHeight high, then a 2-pixel gap.
class TitleHeaderControl : public Window::WindowControlRenderTarget, public Resource::FontResource {
public:
    TitleHeaderControl(Window::ControlContainer& container, const std::wstring& title);
    void procPaint() override;

    std::wstring title;
    std::wstring subTitle;
    CachedText shownTitle, shownSubTitle;
};

} // namespace Control
