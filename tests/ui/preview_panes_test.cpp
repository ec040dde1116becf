// The preview's picture geometry, grid, zoom list and levels, the level
// meter's bands, the footer's values, the log's line cleaning and the
// explorer's bookmark file.
#include "core/setting_service.h"
#include "core/service.h"
#include "effect/anchor_list.h"
#include "media/audio_buffer.h"
#include "tests/support/test_support.h"
#include "ui/editor/panes/explorer_component.h"
#include "ui/editor/panes/log_component.h"
#include "ui/editor/panes/status_component.h"
#include "ui/editor/preview/level_meter_control.h"
#include "ui/editor/preview/picture_geometry.h"
#include "ui/window/color_brush_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <algorithm>
#include <unistd.h>

using namespace Component;

TEST(PictureGeometry, FitCentreZoomAndEmptyPictures)
{
    struct Case {
        int w, h, pw, ph, zoom;
        PictureRect expected;
    };
    const Case cases[] = {
        {960, 720, 1920, 1080, 0, {0, 90, 960, 630}},        // fit, wider picture
        {960, 720, 720, 1080, 0, {240, 0, 720, 720}},        // fit, taller picture
        {200, 200, 101, 50, 100, {49, 75, 150, 125}},        // centred with integer halving
        {100, 100, 0, 0, 0, {}},                              // no picture
        {960, 720, 1920, 0, 0, {}},                           // an empty frame of a failed render
        {960, 720, 0, 1080, 100, {}},
    };
    for (const Case& c : cases) {
        const PictureRect r = getPictureRect(c.w, c.h, c.pw, c.ph, c.zoom, 0, 0);
        EXPECT_EQ(r, c.expected) << c.pw << "x" << c.ph << " at " << c.zoom;
    }
    // Larger than the area: bars for the zoomed size, the picture at minus their positions.
    const PictureRect big = getPictureRect(200, 100, 100, 50, 400, 30, 12);
    EXPECT_TRUE(big.scrollBars);
    EXPECT_EQ(big.contentWidth, 400);
    EXPECT_EQ(big.contentHeight, 200);
    EXPECT_EQ(big.left, -30);
    EXPECT_EQ(big.top, -12);
    EXPECT_EQ(getFitZoom(960, 720, 1920, 1080), 50);
    EXPECT_EQ(getFitZoom(960, 720, 0, 1080), 100);
}

TEST(PictureGeometry, ZoomListAndZoomDrag)
{
    EXPECT_EQ(parseZoomList(L"0,50,100,word,-5"), (std::vector<int>{0, 50, 100}));
    EXPECT_EQ(parseZoomList(L""), std::vector<int>{});
    EXPECT_EQ(dragZoom(100, 1), 100) << "one pixel is no step";
    EXPECT_GE(dragZoom(100, -2), 101) << "two pixels up raise by at least 1 %";
    EXPECT_LE(dragZoom(100, 2), 99);
    EXPECT_EQ(dragZoom(15, 100000), 10);
    EXPECT_EQ(dragZoom(3000, -100000), 4000);
}

TEST(PictureGeometry, GridLines)
{
    auto xs = [](const Anchor::AnchorList& list) {
        std::vector<float> v;
        for (const Anchor::AnchorItem& item : list.items)
            if (item.points[0].x == item.points[1].x)
                v.push_back(item.points[0].x);
        return v;
    };
    Anchor::AnchorList none;
    addGridAnchors(16, 16, 7, 7, {}, {}, none);
    EXPECT_TRUE(none.items.empty()) << "a grid under 8 pixels draws nothing";
    Anchor::AnchorList eight;
    addGridAnchors(16, 16, 8, 100, {}, {}, eight);
    EXPECT_EQ(xs(eight), (std::vector<float>{0, 1, -1}));
    for (const Anchor::AnchorItem& item : eight.items) {
        EXPECT_EQ(item.shape, Anchor::Shape::GridLine);
        EXPECT_EQ(item.flags, uint32_t(Anchor::Flag::SnapTarget));
        EXPECT_EQ(item.cornerPoints.size(), 2u);
    }
    Anchor::AnchorList axes;
    addGridAnchors(1920, 1080, 0, 0, {-10, 5000}, {}, axes);
    ASSERT_EQ(axes.items.size(), 1u) << "5000 lies outside the frame";
    EXPECT_FLOAT_EQ(axes.items[0].points[0].x, 1.0f - 10.0f / 960.0f) << "10 pixels left of the right edge";
}

TEST(Levels, PositivePeakRmsMonoAndSilence)
{
    Media::AudioBlockBuffer block;
    block.allocate(4, 2);
    const float right[4] = {0.5f, -0.5f, 0.5f, -0.5f};
    const float left[4] = {0.25f, -1.0f, 0.25f, -1.0f}; // asymmetric: its negative half is louder
    std::memcpy(block.getChannel(1), right, sizeof right);
    std::memcpy(block.getChannel(0), left, sizeof left);
    float levels[8];
    computeLevels(block, levels);
    EXPECT_NEAR(levels[0], 20 * std::log10(0.25f), 1e-4) << "the peak counts positive samples only";
    EXPECT_NEAR(levels[1], 20 * std::log10(std::sqrt((0.0625f + 1.0f) / 2)), 1e-4);
    EXPECT_EQ(levels[2], levels[0]);
    EXPECT_NEAR(levels[4], 20 * std::log10(0.5f), 1e-4);
    EXPECT_NEAR(levels[5], 20 * std::log10(0.5f), 1e-4);

    Media::AudioBlockBuffer mono;
    mono.allocate(3, 1);
    const float samples[3] = {0.1f, 0.2f, -0.3f};
    std::memcpy(mono.getChannel(0), samples, sizeof samples);
    computeLevels(mono, levels);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(levels[i], levels[i + 4]) << "a mono block shows the same in both halves";

    Media::AudioBlockBuffer silent;
    silent.allocate(16, 2);
    silent.clear();
    computeLevels(silent, levels);
    for (float v : levels)
        EXPECT_EQ(v, -60.0f);
    EXPECT_EQ(toDecibel(1e9f), 60.0f);
    EXPECT_EQ(toDecibel(std::nanf("")), -60.0f);
}

namespace {

// One row of sox's stats ("Max level", "RMS lev dB"): the overall value, then one per channel.
std::vector<double> soxStat(const std::string& stats, const std::string& row)
{
    std::vector<double> values;
    const size_t at = stats.find(row);
    if (at == std::string::npos)
        return values;
    std::istringstream line(stats.substr(at + row.size(), stats.find('\n', at) - at - row.size()));
    for (std::string token; line >> token;)
        values.push_back(std::strtod(token.c_str(), nullptr)); // "-inf" for silence
    return values;
}

} // namespace

// Sound files made by sox, read as a reader delivers them (16-bit PCM), give
// the levels sox's stats measure: the positive peak ("Max level") and the RMS.
TEST(Levels, SoxMadeFilesMatchSoxStatsWithinATenthOfADecibel)
{
    const std::string dir = TestKit::tempDir();
    struct Case {
        const char* name;
        const char* make; // sox's arguments after the output file
        int channels;
    };
    const Case cases[] = {
        {"sine_square", "synth 1 sine 440 square 220 vol 0.5", 2},
        {"mono_sine", "synth 1 sine 1000 vol 0.25", 1},
        {"asymmetric", "synth 1 sine 300 vol 0.3 dcshift -0.4", 2}, // its negative half is louder
        {"silence", "trim 0 1", 2},
    };
    for (const Case& c : cases) {
        const std::string wav = dir + "/" + c.name + ".wav", raw = dir + "/" + c.name + ".raw";
        std::string stats;
        ASSERT_EQ(TestKit::runCommand("sox -D -n -r 48000 -b 16 -c " + std::to_string(c.channels) + " '" + wav + "' " +
                                      c.make + " && sox '" + wav + "' -t raw -e signed -b 16 '" + raw +
                                      "' && sox '" + wav + "' -n stats 2>&1",
                                      &stats),
                  0)
            << c.name;
        const std::string bytes = TestKit::readFile(raw);
        Media::RawAudioBuffer pcm;
        pcm.buffer.allocMemory(uint32_t(bytes.size()));
        std::memcpy(pcm.buffer.data, bytes.data(), bytes.size());
        pcm.buffer.size = uint32_t(bytes.size());
        pcm.channels = c.channels;
        const Media::AudioBlockBuffer block(pcm);
        float levels[8];
        computeLevels(block, levels);
        for (float v : levels)
            ASSERT_TRUE(std::isfinite(v)) << c.name;
        const std::vector<double> max = soxStat(stats, "Max level"), rms = soxStat(stats, "RMS lev dB");
        ASSERT_FALSE(max.empty()) << stats;
        ASSERT_FALSE(rms.empty()) << stats;
        auto decibel = [](double v) { return v > 0 ? std::clamp(20 * std::log10(v), -60.0, 60.0) : -60.0; };
        auto soxRms = [](double v) { return std::isfinite(v) ? std::max(v, -60.0) : -60.0; };
        for (int half = 0; half < 2; ++half) {
            // Per channel from the second column on; a mono file has one column, shown in both halves.
            const size_t column = c.channels == 1 ? 0 : size_t(1 + half);
            ASSERT_LT(column, max.size()) << stats;
            EXPECT_NEAR(levels[4 * half], decibel(max[column]), 0.1) << c.name << " peak of channel " << half;
            EXPECT_NEAR(levels[4 * half + 1], soxRms(column < rms.size() ? rms[column] : -INFINITY), 0.1)
                << c.name << " rms of channel " << half;
        }
        if (std::string(c.name) == "asymmetric") {
            const std::vector<double> pk = soxStat(stats, "Pk lev dB");
            ASSERT_GT(pk.size(), 1u);
            EXPECT_LT(levels[0], pk[1] - 6) << "the meter shows the positive peak, not the louder negative one";
        }
        if (std::string(c.name) == "silence")
            for (float v : levels)
                EXPECT_EQ(v, -60.0f);
    }
}

TEST(LevelMeter, ZonesAndThresholds)
{
    using B = Window::ColorBrushList;
    const int F = 600, Y = LevelMeterControl::toPixels(-20, F), R = LevelMeterControl::toPixels(-3, F);
    EXPECT_EQ(Y, 400);
    EXPECT_EQ(R, 570);
    auto dark = LevelMeterControl::barBands(-60, F, Y, R, F);
    ASSERT_EQ(dark.size(), 4u);
    EXPECT_EQ(dark[0].top, dark[0].bottom) << "nothing lit at -60 dB";
    EXPECT_EQ(dark[1].brush, B::LevelMeterGreen1);
    EXPECT_EQ(dark[2].brush, B::LevelMeterYellow1);
    EXPECT_EQ(dark[3].brush, B::LevelMeterRed1);
    auto atYellow = LevelMeterControl::barBands(-20, F, Y, R, F);
    EXPECT_EQ(atYellow[0].brush, B::LevelMeterGreen0);
    EXPECT_EQ(atYellow[0].top, F - Y) << "the whole green zone";
    EXPECT_EQ(atYellow[1].brush, B::LevelMeterYellow0);
    EXPECT_EQ(atYellow[1].top, atYellow[1].bottom) << "and no yellow";
    auto full = LevelMeterControl::barBands(0, F, Y, R, F);
    EXPECT_EQ(full[2].brush, B::LevelMeterRed0);
    EXPECT_EQ(full[2].top, 0);
    EXPECT_EQ(LevelMeterControl::toPixels(-60, F), 0) << "a hold at -60 dB has no height";
}

TEST(Footer, NumbersAndTitles)
{
    EXPECT_EQ(StatusComponent::formatDecimal(30.0) + L"fps", L"30fps");
    EXPECT_EQ(StatusComponent::formatDecimal(30000.0 / 1001.0) + L"fps", L"29.97003fps");
    EXPECT_EQ(StatusComponent::formatDecimal(44100 / 1000.0) + L"khz", L"44.1khz");
    EXPECT_EQ(StatusComponent::formatDecimal(48000 / 1000.0) + L"khz", L"48khz");
    EXPECT_EQ(StatusComponent::titleOf(L"/home/a/movie.vmp2"), L"movie.vmp2");
    EXPECT_EQ(StatusComponent::titleOf(L"C:\\work\\b.vmp2"), L"b.vmp2");
    EXPECT_EQ(StatusComponent::titleOf(L""), L"Velmora Tessel2");
    EXPECT_EQ(StatusComponent::titleOf(L"/home/a/"), L"Velmora Tessel2");

    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    StatusComponent status;
    TestKit::LogCapture log;
    EXPECT_EQ(status.expandStatusVariable(L"projectName"), L"");
    EXPECT_TRUE(log.contains("WARN|Component::StatusComponent::expandStatusVariable|invalid footer text variable. "
                             "{projectName}"));
}

TEST(LogPane, LambdaPlacesAreShortened)
{
    EXPECT_EQ(LogViewControl::cleanLogText(
                  "[INFO] [App::run::<lambda(int)>::operator ()] 日本語"),
              L"[INFO] [App::run::<lambda>] 日本語");
    EXPECT_EQ(LogViewControl::cleanLogText("plain"), L"plain");
}

TEST(Bookmarks, FileLoadsInOrderStopsAtGapsAndSavesExactly)
{
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    const std::wstring path = ExplorerComponent::bookmarkFilePath();
    const std::string file(path.begin(), path.end());
    TestKit::writeFile(file, "[bookmark.0]\nname=a\npath=/x\n[bookmark.1]\nname=b\npath=/y\n"
                             "[bookmark.3]\nname=d\npath=/w\n");
    ExplorerComponent::loadBookmarks();
    ASSERT_EQ(ExplorerComponent::bookmarkList.size(), 2u) << "index 2 is missing: the list stops there";
    TestKit::writeFile(file, "[bookmark.0]\nname=a\npath=/x\n[bookmark.1]\nname=b\n[bookmark.2]\nname=c\npath=/z\n");
    ExplorerComponent::loadBookmarks();
    EXPECT_EQ(ExplorerComponent::bookmarkList.size(), 1u) << "a missing path stops the list";

    ExplorerComponent::bookmarkList = {{L"素材", L"/media/素材"}, {L"b", L"/b"}};
    ExplorerComponent::saveBookmarks();
    EXPECT_EQ(TestKit::readFile(file),
              "[bookmark.0]\r\nname=素材\r\npath=/media/素材\r\n[bookmark.1]\r\nname=b\r\npath=/b\r\n");
    std::string out;
    ASSERT_EQ(TestKit::runCommand("python3 -c \"import configparser,sys; c=configparser.ConfigParser(); "
                                  "c.read(sys.argv[1], encoding='utf-8'); print(c['bookmark.0']['path'])\" '" +
                                      file + "'",
                                  &out),
              0);
    EXPECT_EQ(out, "/media/素材\n");

    // A failed write keeps the old file whole.
    const std::string folder = file.substr(0, file.rfind('/'));
    TestKit::runCommand("chmod a-w '" + folder + "'");
    ExplorerComponent::bookmarkList.clear();
    ExplorerComponent::saveBookmarks();
    TestKit::runCommand("chmod u+w '" + folder + "'");
    if (geteuid() != 0) { // root writes anyway
        EXPECT_NE(TestKit::readFile(file).find("素材"), std::string::npos);
    }
    ExplorerComponent::bookmarkList.clear();
}
