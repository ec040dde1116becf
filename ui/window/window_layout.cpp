// The panels' placement: fractions of the panel area turned into the five
// docking areas (WindowService's part of the panels).
#include "ui/window/window_client.h"
#include "ui/window/window_service.h"

#include <algorithm>

namespace Window {

namespace {
using Bounds = WindowService::Bounds;

bool vertical(int area)
{
    return area == WindowClient::AreaLeft || area == WindowClient::AreaRight;
}

bool emptyBounds(const Bounds& b)
{
    return b.right <= b.left || b.bottom <= b.top;
}

// Scales the span from start to end toward the anchor by k; nothing unless k > 0.
void scaleToward(float& start, float& end, float anchor, float k)
{
    if (k <= 0)
        return;
    start = (start - anchor) * k + anchor;
    end = (end - anchor) * k + anchor;
}

// Centre ordering, extents at least 0.001, placed without gaps in the area.
void distributeArea(const std::vector<WindowClient*>& panels, const Bounds& r)
{
    if (panels.empty())
        return;
    const bool axisVertical = vertical(panels.front()->area);
    std::vector<WindowClient*> sorted = panels;
    std::stable_sort(sorted.begin(), sorted.end(), [axisVertical](const WindowClient* a, const WindowClient* b) {
        return axisVertical ? a->top + a->bottom < b->top + b->bottom : a->left + a->right < b->left + b->right;
    });
    float sum = 0;
    for (const WindowClient* p : sorted)
        sum += std::max(axisVertical ? p->bottom - p->top : p->right - p->left, 0.001f);
    const double start = axisVertical ? r.top : r.left;
    const double extent = axisVertical ? r.bottom - r.top : r.right - r.left;
    float t = 0;
    for (WindowClient* p : sorted) {
        const float size = std::max(axisVertical ? p->bottom - p->top : p->right - p->left, 0.001f);
        const float from = float(start + double(t) * extent / sum);
        t += size;
        const float to = float(start + double(t) * extent / sum);
        if (axisVertical) {
            p->left = r.left;
            p->right = r.right;
            p->top = from;
            p->bottom = to;
        } else {
            p->top = r.top;
            p->bottom = r.bottom;
            p->left = from;
            p->right = to;
        }
    }
}
} // namespace

std::vector<WindowClient*> WindowService::getAreaClients(int a) const
{
    std::vector<WindowClient*> list;
    for (WindowClient* c : clients)
        if (c->isVisible() && c->area == a)
            list.push_back(c);
    return list;
}

std::vector<WindowClient*> WindowService::getSortedAreaClients(int a) const
{
    std::vector<WindowClient*> list = getAreaClients(a);
    std::stable_sort(list.begin(), list.end(), [a](const WindowClient* p, const WindowClient* q) {
        return vertical(a) ? p->top < q->top : p->left < q->left;
    });
    return list;
}

WindowService::Bounds WindowService::getClientBounds(const std::function<bool(const WindowClient&)>& predicate) const
{
    Bounds b;
    bool any = false;
    for (const WindowClient* c : clients) {
        if (!c->isVisible() || !predicate(*c))
            continue;
        if (!any) {
            b = {c->left, c->top, c->right, c->bottom};
            any = true;
            continue;
        }
        b.left = std::min(b.left, c->left);
        b.top = std::min(b.top, c->top);
        b.right = std::max(b.right, c->right);
        b.bottom = std::max(b.bottom, c->bottom);
    }
    return any && !emptyBounds(b) ? b : Bounds{};
}

void WindowService::layoutClients()
{
    for (WindowClient* c : clients) {
        c->left = std::clamp(c->left, 0.0f, 0.999f);
        c->top = std::clamp(c->top, 0.0f, 0.999f);
        c->right = c->right > 1 ? 1.0f : std::max(c->right, c->left);
        c->bottom = c->bottom > 1 ? 1.0f : std::max(c->bottom, c->top);
    }
    Bounds r{0, 0, 1, 1};
    for (int a = 0; a < 5; ++a) {
        const std::vector<WindowClient*> panels = getAreaClients(a);
        if (panels.empty())
            continue;
        Bounds area = getClientBounds([a](const WindowClient& c) { return c.area == a; });
        if (emptyBounds(area))
            area = {0, 0, 0.001f, 0.001f};
        const Bounds later = getClientBounds([a](const WindowClient& c) { return c.area > a; });
        Bounds box = r;
        if (a == WindowClient::AreaLeft || a == WindowClient::AreaRight) {
            const double wA = std::max(area.right - area.left, 0.0f), wL = std::max(later.right - later.left, 0.0f);
            if (a == WindowClient::AreaLeft) {
                const float edge = wL > 0 ? float(r.left + (double(r.right) - r.left) * wA / (wL + wA)) : r.right;
                box = {r.left, r.top, edge, r.bottom};
                r.left = edge;
            } else {
                const float edge = wL > 0 ? float(r.right - (double(r.right) - r.left) * wA / (wL + wA)) : r.left;
                box = {edge, r.top, r.right, r.bottom};
                r.right = edge;
            }
        } else if (a == WindowClient::AreaTop || a == WindowClient::AreaBottom) {
            const double hA = std::max(area.bottom - area.top, 0.0f), hL = std::max(later.bottom - later.top, 0.0f);
            if (a == WindowClient::AreaTop) {
                const float edge = hL > 0 ? float(r.top + (double(r.bottom) - r.top) * hA / (hL + hA)) : r.bottom;
                box = {r.left, r.top, r.right, edge};
                r.top = edge;
            } else {
                const float edge = hL > 0 ? float(r.bottom - (double(r.bottom) - r.top) * hA / (hL + hA)) : r.top;
                box = {r.left, edge, r.right, r.bottom};
                r.bottom = edge;
            }
        }
        distributeArea(panels, box);
    }
}

void WindowService::makeRoomForClient(WindowClient* p)
{
    const std::vector<WindowClient*> panels = getAreaClients(p->area);
    if (!panels.empty()) {
        const bool axisVertical = vertical(p->area);
        const Bounds b = getClientBounds([p](const WindowClient& c) { return c.area == p->area; });
        if (axisVertical) {
            p->left = b.left;
            p->right = b.right;
        } else {
            p->top = b.top;
            p->bottom = b.bottom;
        }
        const float g = axisVertical ? b.top : b.left, h = axisVertical ? b.bottom : b.right;
        const float l = std::max(h - g, 0.001f);
        const float k = (l - std::max(axisVertical ? p->bottom - p->top : p->right - p->left, 0.001f)) / l;
        if (k <= 0)
            return;
        const float pCentre = axisVertical ? p->top + p->bottom : p->left + p->right;
        for (WindowClient* q : panels) {
            float& start = axisVertical ? q->top : q->left;
            float& end = axisVertical ? q->bottom : q->right;
            scaleToward(start, end, pCentre > start + end ? g : h, k);
        }
        return;
    }
    const float dx = std::max(p->right - p->left, 0.001f), dy = std::max(p->bottom - p->top, 0.001f);
    for (WindowClient* q : clients) {
        if (!q->isVisible() || q == p)
            continue;
        // Away from the area's side: toward the far edge (1) for the left and top areas.
        switch (p->area) {
        case WindowClient::AreaLeft: scaleToward(q->left, q->right, 1, 1 - dx); break;
        case WindowClient::AreaRight: scaleToward(q->left, q->right, 0, 1 - dx); break;
        case WindowClient::AreaTop: scaleToward(q->top, q->bottom, 1, 1 - dy); break;
        case WindowClient::AreaBottom: scaleToward(q->top, q->bottom, 0, 1 - dy); break;
        default: break;
        }
    }
}

void WindowService::moveClientToFirst(WindowClient* p)
{
    const std::vector<WindowClient*> panels = getAreaClients(p->area);
    if (panels.size() >= 2) {
        const Bounds b = getClientBounds([p](const WindowClient& c) { return c.area == p->area; });
        const float pw = p->right - p->left, ph = p->bottom - p->top;
        for (WindowClient* q : panels) {
            if (q == p)
                continue;
            if (q->left < p->left) {
                q->left += pw;
                q->right += pw;
            }
            if (q->top < p->top) {
                q->top += ph;
                q->bottom += ph;
            }
        }
        p->left = b.left;
        p->right = b.left + pw;
        p->top = b.top;
        p->bottom = b.top + ph;
        layoutClients();
    }
    updateWindowLayout();
}

void WindowService::moveClientToLast(WindowClient* p)
{
    const std::vector<WindowClient*> panels = getAreaClients(p->area);
    if (panels.size() >= 2) {
        const Bounds b = getClientBounds([p](const WindowClient& c) { return c.area == p->area; });
        const float pw = p->right - p->left, ph = p->bottom - p->top;
        for (WindowClient* q : panels) {
            if (q == p)
                continue;
            if (q->right > p->right) {
                q->left -= pw;
                q->right -= pw;
            }
            if (q->bottom > p->bottom) {
                q->top -= ph;
                q->bottom -= ph;
            }
        }
        p->right = b.right;
        p->left = b.right - pw;
        p->bottom = b.bottom;
        p->top = b.bottom - ph;
        layoutClients();
    }
    updateWindowLayout();
}

void WindowService::moveClientUp(WindowClient* p)
{
    const std::vector<WindowClient*> order = getSortedAreaClients(p->area);
    auto at = std::find(order.begin(), order.end(), p);
    if (at != order.end() && at != order.begin()) {
        p->swapPlacement(**(at - 1));
        layoutClients();
    }
    updateWindowLayout();
}

void WindowService::moveClientDown(WindowClient* p)
{
    const std::vector<WindowClient*> order = getSortedAreaClients(p->area);
    auto at = std::find(order.begin(), order.end(), p);
    if (at != order.end() && at + 1 != order.end()) {
        p->swapPlacement(**(at + 1));
        layoutClients();
    }
    updateWindowLayout();
}

} // namespace Window
