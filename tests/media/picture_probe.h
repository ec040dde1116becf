#pragma once
// Measurable properties of a premultiplied BGRA picture.
#include "platform/draw/target.h"

#include <string>

struct InkBox {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // inclusive bounds of pixels with alpha
    long covered = 0;
    bool empty() const { return right < 0; }
};

inline InkBox inkBox(const Platform::Draw::Target& t, int minAlpha = 1)
{
    InkBox box;
    for (int y = 0; y < t.height(); ++y)
        for (int x = 0; x < t.width(); ++x)
            if (t.bits()[y * t.stride() + x * 4 + 3] >= minAlpha) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
                ++box.covered;
            }
    return box;
}

struct Bgra {
    int b, g, r, a;
};

inline Bgra pixelAt(const Platform::Draw::Target& t, int x, int y)
{
    const uint8_t* p = t.bits() + y * t.stride() + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

// Writes the picture as a PNG beside the test programs for a person to look at.
void saveArtefact(const Platform::Draw::Target& t, const std::string& name);
