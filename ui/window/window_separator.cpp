// Separator dragging: the gaps between panels belong to the window service,
// whose input target lies under every panel. Dragging moves the whole line
// of panel edges from junction to junction; between two panels of one area,
// dragging past a panel's far edge trades their places.
#include "core/setting_service.h"
#include "ui/window/window_client.h"
#include "ui/window/window_footer.h"
#include "ui/window/window_service.h"

#include <algorithm>
#include <cmath>

namespace Window {

namespace {
constexpr float Tolerance = 1e-4f;
constexpr int MinimumExtent = 24;

struct Pixels {
    int l, r, t, b;
};

Pixels pixelsOf(const WindowClient& c, int w, int h)
{
    const int s = Setting::Layout::WindowSeparatorSize;
    const int l = int(w * c.left), t = int(h * c.top);
    return {l, std::max(l, int(w * c.right) - s), t, std::max(t, int(h * c.bottom) - s)};
}

bool near(float a, float b)
{
    return std::fabs(a - b) <= Tolerance;
}
} // namespace

bool WindowService::findSeparator(int px, int py)
{
    dragClients.clear();
    std::vector<std::pair<int, WindowClient*>> pairs;
    for (WindowClient* c : clients) {
        if (!c->isVisible()) {
            pairs.push_back({65536, c});
            continue;
        }
        const Pixels p = pixelsOf(*c, areaWidth, areaHeight);
        const int dx = std::max(p.l + 1 - px, px - p.r - 1), dy = std::max(p.t - py, py - p.b);
        pairs.push_back({std::max(dx, dy), c});
    }
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const int s = Setting::Layout::WindowSeparatorSize;
    if (pairs.size() < 2 || pairs[0].first > s || pairs[1].first > s)
        return false;
    WindowClient* a = pairs[0].second;
    WindowClient* b = pairs[1].second;
    if (near(a->right, b->left)) {
        dragHorizontal = false;
        dragStart = a->right;
        dragClients = {a, b};
    } else if (near(a->bottom, b->top)) {
        dragHorizontal = true;
        dragStart = a->bottom;
        dragClients = {a, b};
    } else if (near(b->right, a->left)) {
        dragHorizontal = false;
        dragStart = b->right;
        dragClients = {b, a};
    } else if (near(b->bottom, a->top)) {
        dragHorizontal = true;
        dragStart = b->bottom;
        dragClients = {b, a};
    } else {
        return false;
    }
    return true;
}

WindowClient* WindowService::findAdjacentClient(int edge, float position, int otherEdge, float otherValue,
                                                const WindowClient* excluded) const
{
    for (WindowClient* c : clients)
        if (c != excluded && near(c->edge(edge), position) && near(c->edge(otherEdge), otherValue))
            return c;
    return nullptr;
}

bool WindowService::collectSeparatorClients()
{
    if (dragClients.size() < 2)
        return false;
    // Edges: those on the separator (before and after side) and the two walks' compared edges.
    const int beforeEdge = dragHorizontal ? WindowClient::EdgeBottom : WindowClient::EdgeRight;
    const int afterEdge = dragHorizontal ? WindowClient::EdgeTop : WindowClient::EdgeLeft;
    const int walkEdges[2] = {dragHorizontal ? WindowClient::EdgeLeft : WindowClient::EdgeTop,
                              dragHorizontal ? WindowClient::EdgeRight : WindowClient::EdgeBottom};
    const size_t limit = clients.size() * 2 + 4;
    for (int walk = 0; walk < 2; ++walk) {
        const int compared = walkEdges[walk];
        // The edge of a continuation that faces the current panel.
        const int facing = walk == 0 ? walkEdges[1] : walkEdges[0];
        const bool towardSmaller = walk == 0;
        WindowClient* before = dragClients[0];
        WindowClient* after = dragClients[1];
        for (size_t step = 0;; ++step) {
            if (step > limit)
                return false;
            before->moveEdge = beforeEdge;
            before->oppositeEdge = beforeEdge == WindowClient::EdgeRight ? WindowClient::EdgeLeft : WindowClient::EdgeTop;
            after->moveEdge = afterEdge;
            after->oppositeEdge = afterEdge == WindowClient::EdgeLeft ? WindowClient::EdgeRight : WindowClient::EdgeBottom;
            const float d = before->edge(compared), e = after->edge(compared);
            if (d == e) {
                WindowClient* nextBefore = findAdjacentClient(beforeEdge, dragStart, facing, d, before);
                WindowClient* nextAfter = findAdjacentClient(afterEdge, dragStart, facing, e, after);
                if (!nextBefore || !nextAfter || (nextBefore->area != before->area && nextAfter->area != after->area))
                    break;
                dragClients.push_back(nextBefore);
                dragClients.push_back(nextAfter);
                before = nextBefore;
                after = nextAfter;
                continue;
            }
            const bool extendAfter = towardSmaller ? d <= e : d > e;
            WindowClient*& side = extendAfter ? after : before;
            const int sideEdge = extendAfter ? afterEdge : beforeEdge;
            WindowClient* next = findAdjacentClient(sideEdge, dragStart, facing, side->edge(compared), side);
            if (!next)
                return false;
            dragClients.push_back(next);
            side = next;
        }
    }
    return true;
}

void WindowService::procMouseMove(int px, int py)
{
    if (findSeparator(px, py))
        if (WindowMouseService* mouse = WindowMouseService::Get())
            mouse->setCursor(dragHorizontal ? &Cursors::SizeNS : &Cursors::SizeWE);
}

void WindowService::procLButtonDown(int px, int py)
{
    if (!findSeparator(px, py) || !collectSeparatorClients()) {
        dragClients.clear();
        return;
    }
    if (WindowMouseService* mouse = WindowMouseService::Get())
        mouse->beginDrag(px, py, dragHorizontal ? &Cursors::SizeNS : &Cursors::SizeWE);
    drawSeparators();
}

void WindowService::procMouseDrag(int dx, int dy)
{
    if (!dragClients.empty())
        dragSeparator(dx, dy);
}

void WindowService::procRelease()
{
    if (dragClients.empty())
        return;
    dragClients.clear();
    drawSeparators();
}

void WindowService::dragSeparator(int dx, int dy)
{
    WindowMouseService* mouse = WindowMouseService::Get();
    const float extent = float(dragHorizontal ? areaHeight : areaWidth);
    if (extent <= 0)
        return;
    const float m = float(dragHorizontal ? dy : dx) / extent;
    float p = dragStart + m;
    const float minimum = MinimumExtent / extent;
    const CursorRecord* sizing = dragHorizontal ? &Cursors::SizeNS : &Cursors::SizeWE;
    if (dragClients.size() == 2 && dragClients[0]->area == dragClients[1]->area) {
        const bool smaller = m < 0;
        const float f = smaller ? dragClients[0]->edge(dragClients[0]->oppositeEdge)
                                : dragClients[1]->edge(dragClients[1]->oppositeEdge);
        const bool blocked = smaller ? p < f + minimum : p > f - minimum;
        const bool passed = smaller ? p < f : p > f;
        if (blocked) {
            if (mouse)
                mouse->setCursor(dragHorizontal ? &Cursors::System32652 : &Cursors::System32653);
            if (passed)
                swapSeparatorClients(smaller);
            return;
        }
        if (mouse)
            mouse->setCursor(sizing);
    }
    for (WindowClient* c : dragClients) {
        const float opposite = c->edge(c->oppositeEdge);
        if (m < 0 && opposite < dragStart)
            p = std::max(p, opposite + minimum);
        if (m >= 0 && opposite > dragStart)
            p = std::min(p, opposite - minimum);
    }
    const float movement = p - dragStart;
    if (movement == 0 || (movement < 0) != (m < 0))
        return;
    for (WindowClient* c : dragClients)
        c->edge(c->moveEdge) = dragStart + movement;
    DrawSection scope(*this, 0, 0, width, height, true);
    repaintAll();
}

void WindowService::swapSeparatorClients(bool towardSmaller)
{
    WindowMouseService* mouse = WindowMouseService::Get();
    if (dragClients.size() < 2)
        return;
    const std::vector<WindowClient*> order = getSortedAreaClients(dragClients[1]->area);
    const auto at = std::find(order.begin(), order.end(), dragClients[1]);
    if (at == order.end())
        return;
    const size_t i = size_t(at - order.begin());
    if (!towardSmaller && i + 1 >= order.size())
        return;
    for (WindowClient* c : dragClients)
        c->edge(c->moveEdge) = dragStart;
    if (!towardSmaller)
        dragClients[0] = order[i + 1];
    WindowClient* first = dragClients[0];
    WindowClient* travelling = dragClients[1];
    first->swapPlacement(*travelling);
    const Pixels t = pixelsOf(*travelling, areaWidth, areaHeight);
    const Pixels b = pixelsOf(*first, areaWidth, areaHeight);
    int px, py;
    if (!dragHorizontal) {
        px = towardSmaller ? t.l + 1 : b.r + 1;
        py = towardSmaller ? (t.t + t.b) / 2 : (b.t + b.b) / 2;
    } else {
        px = towardSmaller ? (t.l + t.r + 2) / 2 : (b.l + b.r + 2) / 2;
        py = towardSmaller ? t.t : b.b;
    }
    const bool goesOn = findSeparator(px, py) && collectSeparatorClients() && dragClients.size() == 2 &&
                        dragClients[0]->area == dragClients[1]->area;
    if (goesOn) {
        if (mouse && mouse->dragging) {
            mouse->dragOriginX = px;
            mouse->dragOriginY = py;
        }
    } else {
        dragClients.clear();
        if (mouse)
            mouse->cancelPress();
    }
    DrawSection scope(*this, 0, 0, width, height, true);
    repaintAll();
}

} // namespace Window
