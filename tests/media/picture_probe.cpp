#include "tests/media/picture_probe.h"

#include "platform/imaging/image_codec.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

void saveArtefact(const Platform::Draw::Target& t, const std::string& name)
{
    std::string path = TestKit::artefactDir() + "/" + name;
    auto result = Platform::Imaging::encodeFile(path, Platform::Imaging::Container::Png, t.bits(), t.width(), t.height(),
                                                static_cast<size_t>(t.stride()),
                                                Platform::Imaging::PixelLayout::BgraPremultiplied, -1);
    EXPECT_TRUE(result) << path;
}
