#pragma once
// Writes a picture read back from the device (premultiplied floats) as a PNG
// under the build's artefacts, for a person to look at; values outside 0..1
// are clamped and values that are not numbers written as 0.
#include "platform/imaging/image_codec.h"
#include "tests/media/gpu_fixture.h"
#include "tests/support/test_support.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace TestKit {

inline void saveArtefact(const Picture& p, int width, int height, const std::string& name)
{
    std::vector<uint8_t> bytes(p.size() * 4);
    for (size_t i = 0; i < p.size(); ++i)
        for (int c = 0; c < 4; ++c) {
            const float v = std::isfinite(p[i][c]) ? std::clamp(p[i][c], 0.0f, 1.0f) : 0.0f;
            bytes[i * 4 + (c == 3 ? 3 : 2 - c)] = static_cast<uint8_t>(std::lround(v * 255));
        }
    const std::string path = artefactDir() + "/" + name;
    EXPECT_TRUE(Platform::Imaging::encodeFile(path, Platform::Imaging::Container::Png, bytes.data(), width, height,
                                              size_t(width) * 4, Platform::Imaging::PixelLayout::BgraPremultiplied, -1))
        << path;
}

} // namespace TestKit
