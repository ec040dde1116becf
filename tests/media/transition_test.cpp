// Lookup textures and wipe masks on the software GPU: the random sequence
// against an independent port, the textures' values, the transition list and
// the masks of shape, image and filter-based wipes.
#include "core/file_name.h"
#include "core/text.h"
#include "media/image_buffer.h"
#include "media/lookup_texture.h"
#include "media/resource_buffer.h"
#include "media/transition.h"
#include "tests/media/figure_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <thread>

using TestKit::FigureFixture;

namespace {

std::vector<float> readFloats(const Media::ResourceBuffer& texture)
{
    auto image = texture.readImageBuffer();
    std::vector<float> out(size_t(texture.getWidth()) * texture.getHeight());
    for (uint32_t y = 0; y < texture.getHeight(); ++y)
        std::memcpy(out.data() + size_t(y) * texture.getWidth(), image->row(y), texture.getWidth() * sizeof(float));
    return out;
}

// The tokens after a line's label in the port's output.
std::vector<std::string> portLine(const std::string& output, const std::string& label)
{
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first != label)
            continue;
        std::vector<std::string> tokens;
        for (std::string w; words >> w;)
            tokens.push_back(w);
        return tokens;
    }
    return {};
}

} // namespace

TEST(LookupTextures, TheSequenceAndTheTexturesEqualAnIndependentPort)
{
    std::string output;
    ASSERT_EQ(TestKit::runCommand(std::string("python3 '") + VELMORA_TEST_SOURCE_DIR + "/lookup_texture_port.py' 1000",
                                  &output),
              0);
    const auto sequence = portLine(output, "sequence");
    ASSERT_EQ(sequence.size(), 1000u);
    uint64_t s = Resource::LookupTextureSeed;
    for (const std::string& state : sequence)
        ASSERT_EQ(Resource::nextRandom(s), std::stoull(state));

    // The permutation: value i / 65535 stands where the port moved index i.
    const auto order = portLine(output, "permutation");
    const std::vector<float> permutation = Resource::createPermutationValues();
    ASSERT_EQ(order.size(), permutation.size());
    for (size_t i = 0; i < order.size(); ++i)
        ASSERT_EQ(permutation[i], static_cast<float>(std::stoi(order[i])) / 65535.0f) << i;

    const auto noisePort = portLine(output, "noise");
    const std::vector<float> noise = Resource::createNoiseValues();
    ASSERT_EQ(noisePort.size(), noise.size());
    for (size_t i = 0; i < noise.size(); ++i)
        ASSERT_NEAR(noise[i], std::stof(noisePort[i]), 2e-6) << i;
}

TEST_F(FigureFixture, LookupTexturesHoldTheirValuesOnTheGpuAndAreMadeOnce)
{
    auto permutation = resources->permutationTexture.get();
    ASSERT_TRUE(permutation);
    EXPECT_EQ(permutation, resources->permutationTexture.get());
    EXPECT_EQ(permutation->getFormat(), Media::Format::R32Float);
    EXPECT_EQ(permutation->getWidth(), 256u);
    EXPECT_EQ(permutation->getHeight(), 256u);
    std::vector<float> values = readFloats(*permutation);
    std::sort(values.begin(), values.end());
    for (size_t i = 0; i < values.size(); ++i)
        ASSERT_EQ(values[i], static_cast<float>(i) / 65535.0f) << i; // each i / 65535 exactly once

    const std::vector<float> noise = readFloats(*resources->noiseTexture.get());
    const auto [low, high] = std::minmax_element(noise.begin(), noise.end());
    EXPECT_EQ(*low, -0.5f);
    EXPECT_EQ(*high, 0.5f);

    // Workers asking at the same time get one texture, made once.
    std::atomic<int> made{0};
    Resource::LookupTexture texture([&made](std::shared_ptr<Media::ResourceBuffer>& out) {
        ++made;
        out = Resource::uploadLookupTexture(std::vector<float>(65536, 0.25f));
    });
    std::atomic<int> ready{0};
    std::vector<std::shared_ptr<Media::ResourceBuffer>> got(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < got.size(); ++i)
        threads.emplace_back([&, i] {
            ++ready;
            while (ready < static_cast<int>(got.size()))
                std::this_thread::yield();
            got[i] = texture.get();
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(made, 1);
    for (const auto& g : got)
        EXPECT_EQ(g, got[0]);
}

namespace {

class TransitionFolder : public FigureFixture {
protected:
    void SetUp() override
    {
        const std::string folder = System::toLocalPath(System::FileName::expand(L"%Transition%"));
        for (const char* name : {"b.png", "a.b.c.png", "Z.PNG", "c.jpg"})
            TestKit::writeFile(folder + "/" + name, "not read while listing");
        FigureFixture::SetUp();
    }
};

// Coverage of a row or a column of a mask.
double line(const std::vector<float>& alpha, uint32_t width, uint32_t height, bool row, uint32_t at)
{
    double sum = 0;
    for (uint32_t i = 0; i < (row ? width : height); ++i)
        sum += alpha[row ? size_t(at) * width + i : size_t(i) * width + at];
    return sum;
}

} // namespace

TEST_F(TransitionFolder, TheListHoldsTheBuiltInWipesThenTheImagesInPathOrder)
{
    struct Entry {
        std::wstring name;
        const Resource::PathData* outline;
        float scale;
        int32_t mode;
    };
    const Resource::OutlineSet& o = resources->outlines;
    const Entry expected[] = {
        {L"ワイプ(円)", &o[Resource::Circle], 1.4142135f, 0},   {L"ワイプ(四角)", &o[Resource::Diamond], 2.0f, 0},
        {L"ワイプ(時計)", &o[Resource::Square], 1.0f, 1},      {L"ワイプ(横)", &o[Resource::Square], 1.0f, 2},
        {L"ワイプ(縦)", &o[Resource::Square], 1.0f, 3},        {L"ワイプ(星型)", &o[Resource::Star], 3.0f, 0},
        {L"ワイプ(ハート)", &o[Resource::Heart], 2.2f, 0},      {L"Z", nullptr, 1.0f, 0},
        {L"a.b.c", nullptr, 1.0f, 0},                          {L"b", nullptr, 1.0f, 0},
    };
    const auto& list = resources->transitionList.transitions;
    ASSERT_EQ(list.size(), std::size(expected));
    for (size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list[i].name, expected[i].name);
        EXPECT_EQ(list[i].outline, expected[i].outline);
        EXPECT_EQ(list[i].scale, expected[i].scale);
        EXPECT_EQ(list[i].mode, expected[i].mode);
        EXPECT_EQ(list[i].filePath.empty(), expected[i].outline != nullptr);
    }
    EXPECT_EQ(System::toLocalPath(list[8].filePath),
              System::toLocalPath(System::FileName::expand(L"%Transition%")) + "/a.b.c.png");
    // A side of 0 gives no mask; so does an image that cannot be read.
    EXPECT_FALSE(list[0].createMask(0, 10, 1, 0, false));
    EXPECT_FALSE(list[0].createMask(10, 0, 1, 0, false));
    EXPECT_FALSE(list[9].createMask(10, 10, 0.5f, 0, false));
}

TEST_F(FigureFixture, ShapeWipesGrowFromTheMiddle)
{
    const Resource::Transition& circle = resources->transitionList.transitions[0];
    auto empty = circle.createMask(100, 100, 0, 0, false);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->getFormat(), d3d->MaskFormat);
    EXPECT_EQ(coverage(alphaOf(*empty)), 0);

    // At full progress the circle (scale √2) reaches the corners of a square picture.
    const std::vector<float> full = alphaOf(*circle.createMask(100, 100, 1, 0, false));
    for (size_t corner : {size_t(0), size_t(99), size_t(9900), size_t(9999)})
        EXPECT_GT(full[corner], 0.9f) << corner;

    // On 1920 x 1080 the circle is as wide as its scale of the longer side,
    // and as tall when the aspect is kept; otherwise it follows the picture.
    const double diameter = 1920 * std::sqrt(2.0);
    const std::vector<float> kept = alphaOf(*circle.createMask(1920, 1080, 0.5f, 0, true));
    EXPECT_NEAR(line(kept, 1920, 1080, true, 540), diameter / 2, 2);
    EXPECT_NEAR(line(kept, 1920, 1080, false, 960), 1080, 0.5);
    // The disc of radius R = diameter / 4 without its two caps beyond y = ±540.
    const double R = diameter / 4, cap = R * R * std::acos(540 / R) - 540 * std::sqrt(R * R - 540.0 * 540);
    EXPECT_NEAR(coverage(kept), M_PI * R * R - 2 * cap, 0.001 * M_PI * R * R);
    const std::vector<float> stretched = alphaOf(*circle.createMask(1920, 1080, 0.5f, 0, false));
    EXPECT_NEAR(line(stretched, 1920, 1080, true, 540), diameter / 2, 2);
    EXPECT_NEAR(line(stretched, 1920, 1080, false, 960), 1080 * std::sqrt(2.0) / 2, 2);
    EXPECT_EQ(coverage(alphaOf(*circle.createMask(1920, 1080, 1, 0, true))), 1920.0 * 1080);
}

TEST_F(FigureFixture, ImageWipesOpenTheDarkPartsFirst)
{
    // A grey ramp: pixel x has luminance x / 255.
    constexpr uint32_t W = 256, H = 2;
    std::vector<uint8_t> pixels(W * H * 4);
    for (uint32_t i = 0; i < W * H; ++i)
        pixels[4 * i] = pixels[4 * i + 1] = pixels[4 * i + 2] = static_cast<uint8_t>(i % W), pixels[4 * i + 3] = 255;
    const std::wstring path = System::fromLocalPath(TestKit::tempDir() + "/ramp.png");
    Media::ImageFormat container = Media::ImageFormat::ContainerPng;
    Media::ImageService::Get()->saveToFile(path.c_str(), pixels.data(), W, H, W * 4, Media::ImageFormat::Pixel32bppBGRA,
                                           container, nullptr, nullptr);
    const Resource::Transition ramp(L"ramp", path);

    struct Case {
        float progress;
        int blur;
        float limitMin, limitMax;
    } cases[] = {
        {0.5f, 0, 11.0f / 24, 13.0f / 24},
        {0.25f, 8, 1 - (2 * 24.0f / 384 + 1) * 0.25f, 1 - (2 * 24.0f / 384 + 1) * 0.25f + 2 * 24.0f / 384},
        {0, 0, 1, 1 + 2.0f / 24},
        {1, 0, -2.0f / 24, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "progress " << c.progress << " blur " << c.blur);
        auto mask = ramp.createMask(W, H, c.progress, c.blur, false);
        ASSERT_TRUE(mask);
        EXPECT_EQ(mask->getFormat(), d3d->MaskFormat);
        const std::vector<float> alpha = alphaOf(*mask);
        for (uint32_t x = 0; x < W; ++x) {
            const float lum = TestKit::toHalf(x / 255.0f);
            const float t = std::clamp(((1 - lum) - c.limitMin) / (c.limitMax - c.limitMin), 0.0f, 1.0f);
            ASSERT_NEAR(alpha[x], t * t * (3 - 2 * t), 0.03f) << "x " << x;
        }
    }
    // Kept aspect: a wide mask shows the middle of the ramp, stretched.
    const std::vector<float> wide = alphaOf(*ramp.createMask(512, 2, 0.5f, 0, true));
    EXPECT_GT(wide[0], 0.5f);
    EXPECT_LT(wide[511], 0.5f);
    EXPECT_FALSE(Resource::Transition(L"missing", L"/no/such/wipe.png").createMask(8, 8, 0.5f, 0, false));

    // The picture is kept from one mask to the next, but a file written again
    // (here the ramp reversed, four rows high) is read again, and a file that
    // is gone gives no mask.
    std::vector<uint8_t> reversed(W * 4 * 4);
    for (uint32_t i = 0; i < W * 4; ++i)
        reversed[4 * i] = reversed[4 * i + 1] = reversed[4 * i + 2] = static_cast<uint8_t>(255 - i % W),
                     reversed[4 * i + 3] = 255;
    container = Media::ImageFormat::ContainerPng; // the last save wrote its pixel format here
    Media::ImageService::Get()->saveToFile(path.c_str(), reversed.data(), W, 4, W * 4,
                                           Media::ImageFormat::Pixel32bppBGRA, container, nullptr, nullptr);
    const std::vector<float> again = alphaOf(*ramp.createMask(W, H, 0.5f, 0, false));
    EXPECT_LT(again[0], 0.5f);
    EXPECT_GT(again[W - 1], 0.5f);
    std::filesystem::remove(System::toLocalPath(path));
    EXPECT_FALSE(ramp.createMask(W, H, 0.5f, 0, false));
}

TEST_F(FigureFixture, FilterWipesUseTheInstalledCoresAndThrowWithoutThem)
{
    const auto& list = resources->transitionList.transitions;
    struct Case {
        size_t index;
        int blur;
        const char* note;
    } missing[] = {{2, 0, "Effect::AngleClipFilter"}, {3, 0, "Effect::LineClipFilter"},
                   {4, 0, "Effect::LineClipFilter"}, {0, 4, "Effect::BokashiFilter"}};
    for (const Case& c : missing) {
        const std::string text = TestKit::errorText([&] { list[c.index].createMask(64, 32, 0.5f, c.blur, false); });
        EXPECT_NE(text.find("default effect not found"), std::string::npos) << text;
        EXPECT_NE(text.find("Effect::EffectService::getDefaultEffect"), std::string::npos) << text;
        EXPECT_NE(text.find(c.note), std::string::npos) << text;
    }

    // The cores receive an opaque mask of the picture's size and the wipe's geometry.
    std::vector<std::string> calls;
    Resource::TransitionCores& cores = resources->transitionCores;
    auto describe = [&](const Resource::TransitionCores::Picture& p, const char* format, auto... values) {
        char text[160];
        std::snprintf(text, sizeof text, format, values...);
        calls.push_back(std::string(text) + " on " + std::to_string(p->getWidth()) + "x" + std::to_string(p->getHeight()) +
                        " alpha " + std::to_string(alphaOf(*p)[0]));
    };
    cores.angleClip = [&](auto& p, float base, float range, float x, float y, int blur, bool centre) {
        describe(p, "angle %g %g (%g, %g) blur %d %d", base, range, x, y, blur, centre);
    };
    cores.lineClip = [&](auto& p, float angle, int width, float x, float y, int blur) {
        describe(p, "line %g %d (%g, %g) blur %d", angle, width, x, y, blur);
    };
    cores.blurImage = [&](auto& out, Resource::TransitionCores::Picture p, int range, float aspect, int mode) {
        describe(p, "blur %d %g %d", range, aspect, mode);
        out = std::move(p);
    };
    EXPECT_TRUE(list[2].createMask(64, 32, 0.25f, 3, false));
    EXPECT_TRUE(list[3].createMask(64, 32, 0.25f, 3, false));
    EXPECT_TRUE(list[4].createMask(64, 32, 0.25f, 0, false));
    auto blurred = list[0].createMask(64, 32, 1, 5, false);
    ASSERT_TRUE(blurred);
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "angle 90 -270 (0, 0) blur 3 0 on 64x32 alpha 1.000000",
                         "line -90 0 (-16, 0) blur 3 on 64x32 alpha 1.000000",
                         "line 0 0 (0, -8) blur 0 on 64x32 alpha 1.000000",
                         "blur 5 0 2 on 64x32 alpha 1.000000", // the circle at full progress covers the corner
                     }));
}
