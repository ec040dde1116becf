#include "ui/editor/preview/picture_geometry.h"

#include "core/math.h"
#include "effect/anchor_list.h"
#include "media/audio_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cwchar>

namespace Component {

PictureRect getPictureRect(int W, int H, int pw, int ph, int z, int scrollX, int scrollY)
{
    PictureRect r;
    if (pw <= 0 || ph <= 0)
        return r;
    if (z >= 1) {
        const float sw = float(pw) * float(z) * 0.01f, sh = float(ph) * float(z) * 0.01f;
        float x = float((W - int(sw)) / 2), y = float((H - int(sh)) / 2);
        if (x < 0 || y < 0) {
            r.scrollBars = true;
            r.contentWidth = int(std::lround(sw));
            r.contentHeight = int(std::lround(sh));
            if (x < 0)
                x = -float(scrollX);
            if (y < 0)
                y = -float(scrollY);
        }
        r.left = x, r.top = y, r.right = x + sw, r.bottom = y + sh;
        return r;
    }
    const uint32_t upw = uint32_t(pw), uph = uint32_t(ph), uW = uint32_t(std::max(W, 0)), uH = uint32_t(std::max(H, 0));
    if (upw * uH > uph * uW) {
        const float h = float(uph * uW / upw), top = (float(H) - h) * 0.5f;
        r.left = 0, r.top = top, r.right = float(W), r.bottom = top + h;
    } else {
        const float w = float(upw * uH / uph), left = (float(W) - w) * 0.5f;
        r.left = left, r.top = 0, r.right = left + w, r.bottom = float(H);
    }
    return r;
}

int getFitZoom(int w, int h, int pw, int ph)
{
    if (pw <= 0 || ph <= 0)
        return 100;
    return std::min(w * 100 / pw, h * 100 / ph);
}

std::vector<int> parseZoomList(const std::wstring& text)
{
    std::vector<int> zooms;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(L',', start);
        if (comma == std::wstring::npos)
            comma = text.size();
        const std::wstring part = text.substr(start, comma - start);
        wchar_t* end = nullptr;
        const long value = std::wcstol(part.c_str(), &end, 10);
        const bool parsed = !part.empty() && end != part.c_str();
        if (parsed && value >= 0 && value <= 100000)
            zooms.push_back(int(value));
        start = comma + 1;
    }
    return zooms;
}

int dragZoom(int c, int dy)
{
    const int n = int(std::trunc(dy / 2.0));
    // Held to the range before rounding: a long drag overflows the power.
    int d = int(std::lround(std::clamp(c * std::pow(1.01, -n), 1.0, 100000.0)));
    if (d == c && n != 0)
        d = n < 0 ? c + 1 : c - 1;
    return std::clamp(d, 10, 4000);
}

namespace {
void addLine(Anchor::AnchorList& list, float x0, float y0, float x1, float y1)
{
    Anchor::AnchorItem item;
    item.shape = Anchor::Shape::GridLine;
    item.flags = Anchor::Flag::SnapTarget;
    item.points = {{x0, y0}, {x1, y1}};
    item.cornerPoints = item.points;
    list.items.push_back(std::move(item));
}
} // namespace

void addGridAnchors(int w, int h, int gw, int gh, const std::vector<int>& gridX, const std::vector<int>& gridY,
                    Anchor::AnchorList& list)
{
    const float hw = float(w) / 2, hh = float(h) / 2;
    if (gw >= 8 && hw > 0)
        for (int k = 0;; ++k) {
            const float x = float(k) * float(gw) / hw;
            if (x > 1)
                break;
            addLine(list, x, -1, x, 1);
            if (k > 0)
                addLine(list, -x, -1, -x, 1);
        }
    if (gh >= 8 && hh > 0)
        for (int k = 0;; ++k) {
            const float y = float(k) * float(gh) / hh;
            if (y > 1)
                break;
            addLine(list, 1, y, -1, y);
            if (k > 0)
                addLine(list, 1, -y, -1, -y);
        }
    if (hw > 0)
        for (int a : gridX) {
            const float x = a >= 0 ? float(a) / hw - 1 : float(a) / hw + 1;
            if (x >= -1 && x <= 1)
                addLine(list, x, -1, x, 1);
        }
    if (hh > 0)
        for (int a : gridY) {
            const float y = a >= 0 ? float(a) / hh - 1 : float(a) / hh + 1;
            if (y >= -1 && y <= 1)
                addLine(list, 1, -y, -1, -y);
        }
}

float toDecibel(float v)
{
    if (!(v > 0))
        return -60.0f;
    return std::clamp(20.0f * std::log10(v), -60.0f, 60.0f);
}

void computeLevels(const Media::AudioBlockBuffer& block, float (&levels)[8])
{
    auto measure = [&block](const float* samples, float& peak, float& rms) {
        peak = 0;
        double sum = 0;
        const uint32_t n = samples ? block.samples : 0;
        for (uint32_t i = 0; i < n; ++i) {
            peak = std::max(peak, samples[i]);
            sum += double(samples[i]) * samples[i];
        }
        rms = sum > 0 ? float(std::sqrt(sum / std::max<uint32_t>(n, 1))) : 0.0f;
    };
    float peakA, rmsA, peakB, rmsB;
    measure(block.getChannel(0), peakA, rmsA);
    measure(block.getChannel(1), peakB, rmsB);
    const float a[4] = {toDecibel(peakA), toDecibel(rmsA), toDecibel(peakA), toDecibel(rmsA)};
    const float b[4] = {toDecibel(peakB), toDecibel(rmsB), toDecibel(peakB), toDecibel(rmsB)};
    std::copy(a, a + 4, levels);
    std::copy(b, b + 4, levels + 4);
}

} // namespace Component
