// Figures drawn into pictures on the software GPU: the built-in outlines,
// filled or outlined by their line width, the figure list, and SVG files
// compared with an independent SVG renderer.
#include "core/file_name.h"
#include "media/figure.h"
#include "media/path_data.h"
#include "media/resource_buffer.h"
#include "media/svg_document.h"
#include "tests/media/figure_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>

using TestKit::FigureFixture;

namespace {

std::string describe(const Resource::PathData& path)
{
    char text[160];
    std::snprintf(text, sizeof text, "box(%.4g %.4g %.4g %.4g) f%.4f:", path.boxX, path.boxY, path.boxWidth,
                  path.boxHeight, path.inscribed);
    std::string out = text;
    for (const auto& command : path.commands) {
        if (auto* m = dynamic_cast<const Resource::PathCommandMoveTo*>(command.get()))
            std::snprintf(text, sizeof text, " M%.4f,%.4f", m->x, m->y);
        else if (auto* l = dynamic_cast<const Resource::PathCommandLineTo*>(command.get()))
            std::snprintf(text, sizeof text, " L%.4f,%.4f", l->x, l->y);
        else if (auto* a = dynamic_cast<const Resource::PathCommandArcTo*>(command.get()))
            std::snprintf(text, sizeof text, " A%.4f,%.4f r%.4g,%.4g %g %s%s", a->x, a->y, a->rx, a->ry, a->rotation,
                          a->largeArc ? "large" : "small", a->clockwise ? " cw" : "");
        else if (auto* q = dynamic_cast<const Resource::PathCommandBezier2To*>(command.get()))
            std::snprintf(text, sizeof text, " Q%.4f,%.4f c%.4f,%.4f", q->x, q->y, q->cx, q->cy);
        else
            std::snprintf(text, sizeof text, " Z");
        out += text;
    }
    return out;
}

// P(θ) scaled by k: θ degrees clockwise from the top.
std::string at(const char* command, double degrees, double k = 1)
{
    char text[64];
    const double r = degrees * M_PI / 180;
    std::snprintf(text, sizeof text, " %s%.4f,%.4f", command, k * std::sin(r), -k * std::cos(r));
    return text;
}

std::string regular(int corners, double factor)
{
    char text[64];
    std::snprintf(text, sizeof text, "box(-1 -1 2 2) f%.4f:", factor);
    std::string out = std::string(text) + " M0.0000,-1.0000";
    for (int i = 1; i < corners; ++i)
        out += at("L", 360.0 / corners * i);
    return out + " Z";
}

} // namespace

TEST(Outlines, AreTheEightBuiltInShapes)
{
    Resource::OutlineSet outlines;
    Resource::createBuiltinOutlines(outlines);
    const double k = -std::cos(72 * M_PI / 180) / std::cos(36 * M_PI / 180);
    std::string star = "box(-1 -1 2 2) f0.3090:";
    for (int i = 0; i < 5; ++i)
        star += at(i ? "L" : "M", 72.0 * i) + at("L", 72.0 * i + 216, k);
    const std::string expected[] = {
        "box(0 0 1 1) f1.0000: M1.0000,0.5000 A0.0000,0.5000 r0.5,0.5 0 large cw A1.0000,0.5000 r0.5,0.5 0 large cw Z",
        "box(0 0 1 1) f1.0000: M0.0000,0.0000 L1.0000,0.0000 L1.0000,1.0000 L0.0000,1.0000 Z",
        regular(3, 0.5),
        regular(5, std::sin(54 * M_PI / 180)),
        regular(6, std::sin(60 * M_PI / 180)),
        star + " Z",
        "box(0.09 0.09 0.82 0.82) f0.6666: M0.1000,0.3500 A0.5000,0.3000 r0.2,0.2 0 small cw "
        "A0.9000,0.3500 r0.2,0.2 0 small cw Q0.5000,0.9000 c0.9000,0.5000 Q0.1000,0.3500 c0.1000,0.5000 Z",
        "box(0 0 1 1) f1.0000: M0.5000,0.0000 L1.0000,0.5000 L0.5000,1.0000 L0.0000,0.5000 Z",
    };
    for (int i = 0; i < Resource::OutlineCount; ++i)
        EXPECT_EQ(describe(outlines[static_cast<size_t>(i)]), expected[i]) << "outline " << i;
    // The inner points of the star lie 36 degrees on, at radius 0.382.
    auto* inner = dynamic_cast<const Resource::PathCommandLineTo*>(outlines[Resource::Star].commands[1].get());
    EXPECT_NEAR(std::hypot(inner->x, inner->y), 0.381966, 1e-6);
    EXPECT_NEAR(std::atan2(inner->x, -inner->y) * 180 / M_PI, 36.0, 1e-4);
}

TEST_F(FigureFixture, FiguresAreFilledOrOutlinedByTheirLineWidth)
{
    const double root3 = std::sqrt(3.0);
    struct Case {
        const char* what;
        int figure, width, height;
        float line;
        bool round;
        double area;  // analytic covered area in pixels
        int leftBand; // coverage of the left half of the middle row: the line width; -1 unchecked
    } cases[] = {
        {"rectangle, 2L = height: cleared", 2, 100, 50, 25, false, 5000, 50},
        {"rectangle, line 24: inset by 12", 2, 100, 50, 24, false, 5000 - 52 * 2, 24},
        {"square, line 10", 2, 100, 100, 10, false, 10000 - 80 * 80, 10},
        {"square, line 0: nothing", 2, 100, 100, 0, false, 0, 0},
        {"circle 101, filled", 1, 101, 101, 65536, false, M_PI * 50 * 50, -1},
        {"circle 101, line 10", 1, 101, 101, 10, false, M_PI * (50 * 50 - 40 * 40), 10},
        {"triangle, m = 50 <= 60: filled", 3, 100, 100, 30, false, 3 * root3 * 25 * 25, -1},
        {"triangle, line 20: mitred outline", 3, 100, 100, 20, false, 3 * root3 * (25 * 25 - 5 * 5), -1},
        // Round corners stroke whatever the width: the inset triangle (inradius
        // 10) grown by a disc of radius 15.
        {"triangle, line 30, round", 3, 100, 100, 30, true,
         3 * root3 * 100 + 6 * root3 * 10 * 15 + M_PI * 15 * 15, -1},
        {"pentagon, filled", 4, 100, 100, 65536, false, 2.5 * 2500 * std::sin(72 * M_PI / 180), -1},
        {"hexagon, line 10", 5, 100, 100, 10, false,
         2 * root3 * (std::pow(50 * root3 / 2, 2) - std::pow(50 * root3 / 2 - 10, 2)), -1},
        {"star, filled", 6, 100, 100, 65536, false,
         5 * 50 * 50 * (std::cos(72 * M_PI / 180) / std::cos(36 * M_PI / 180)) * std::sin(36 * M_PI / 180), -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto picture = resources->figureList.createFigureImage(c.figure, c.width, c.height, ColorF{1, 0, 0, 1}, c.line,
                                                               c.round);
        ASSERT_TRUE(picture);
        ASSERT_EQ(picture->getWidth(), static_cast<uint32_t>(c.width));
        ASSERT_EQ(picture->getHeight(), static_cast<uint32_t>(c.height));
        const std::vector<float> alpha = alphaOf(*picture);
        EXPECT_NEAR(coverage(alpha), c.area, 0.01 * c.area + 4);
        if (c.leftBand >= 0) {
            double band = 0;
            for (int x = 0; x < c.width / 2; ++x)
                band += alpha[size_t(c.height / 2) * c.width + size_t(x)];
            EXPECT_NEAR(band, c.leftBand, 0.1);
        }
    }
}

TEST_F(FigureFixture, ThickOutlinesClearToThePremultipliedColour)
{
    auto picture = resources->figureList.createFigureImage(2, 40, 20, ColorF{1, 0.5f, 0, 0.5f}, 10, false);
    ASSERT_TRUE(picture);
    for (const TestKit::Pixel& p : download(*picture)) {
        ASSERT_FLOAT_EQ(p[0], 0.5f);
        ASSERT_FLOAT_EQ(p[1], 0.25f);
        ASSERT_FLOAT_EQ(p[2], 0.0f);
        ASSERT_FLOAT_EQ(p[3], 0.5f);
    }
    // Drawn figures are premultiplied the same way.
    auto drawn = resources->figureList.createFigureImage(2, 40, 40, ColorF{1, 0.5f, 0, 0.5f}, 65536, false);
    const TestKit::Pixel middle = download(*drawn)[20 * 40 + 20];
    EXPECT_NEAR(middle[0], 0.5f, 0.003f);
    EXPECT_NEAR(middle[1], 0.25f, 0.003f);
    EXPECT_NEAR(middle[3], 0.5f, 0.003f);
}

TEST_F(FigureFixture, TheBackgroundHasTheSceneSizeAndTheMaskTheMaskFormat)
{
    Setting::SettingService::Get()->projectWidth = 64;
    Setting::SettingService::Get()->projectHeight = 48;
    for (int asked : {0, 10, 500}) {
        auto background = resources->figureList.createFigureImage(0, asked, asked, ColorF{0, 1, 0, 1}, 4000, false);
        ASSERT_TRUE(background);
        EXPECT_EQ(background->getWidth(), 64u);
        EXPECT_EQ(background->getHeight(), 48u);
        EXPECT_EQ(coverage(alphaOf(*background)), 64 * 48);
    }

    auto star = resources->figureList.createFigureMask(6, 200, 200);
    ASSERT_TRUE(star);
    EXPECT_EQ(star->getFormat(), d3d->MaskFormat);
    EXPECT_EQ(star->getFormat(), Media::Format::A8Unorm);
    const double starArea =
        5 * 100 * 100 * (std::cos(72 * M_PI / 180) / std::cos(36 * M_PI / 180)) * std::sin(36 * M_PI / 180);
    EXPECT_NEAR(coverage(alphaOf(*star)), starArea, 0.01 * starArea);

    EXPECT_FALSE(resources->figureList.createFigureMask(-1, 10, 10));
    EXPECT_FALSE(resources->figureList.createFigureMask(static_cast<int>(resources->figureList.figures.size()), 10, 10));
    EXPECT_FALSE(resources->figureList.createFigureImage(1, 0, 10, ColorF{}, 1, false));
}

namespace {

// The user's figure folder, made before the resource service lists it.
class FigureFolder : public FigureFixture {
protected:
    void SetUp() override
    {
        folder = System::toLocalPath(System::FileName::expand(L"%Figure%"));
        for (const char* name : {"b.svg", "a.SVG", "\xF0\x9F\x98\x80.svg", "\xEF\xBC\xA1.svg", "c.png", "d.svg.bak"})
            TestKit::writeFile(folder + "/" + name, square);
        FigureFixture::SetUp();
    }
    std::string folder;
    const std::string square = R"(<svg xmlns="http://www.w3.org/2000/svg"><rect width="10" height="10"/></svg>)";
};

struct Region {
    double alpha = 0, r = 0, g = 0, b = 0; // means of premultiplied values
};

// Means over a grid of cols x rows regions of a premultiplied picture.
std::vector<Region> regions(const TestKit::Picture& p, int width, int height, int cols, int rows)
{
    std::vector<Region> out(size_t(cols) * rows);
    const double n = double(width / cols) * (height / rows);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Region& region = out[size_t(y / (height / rows)) * cols + size_t(x / (width / cols))];
            const TestKit::Pixel& px = p[size_t(y) * width + x];
            region.r += px[0] / n, region.g += px[1] / n, region.b += px[2] / n, region.alpha += px[3] / n;
        }
    return out;
}

} // namespace

TEST_F(FigureFolder, UserFiguresFollowTheBuiltInsInFileNameOrder)
{
    const std::vector<Resource::Figure>& figures = resources->figureList.figures;
    const std::wstring builtIn[] = {L"背景", L"円", L"四角形", L"三角形", L"五角形", L"六角形", L"星型", L"ハート"};
    const int32_t kinds[] = {1, 3, 2, 0, 0, 0, 0, 0};
    const Resource::Outline outlines[] = {Resource::Square,  Resource::Circle, Resource::Square, Resource::Triangle,
                                          Resource::Pentagon, Resource::Hexagon, Resource::Star, Resource::Heart};
    ASSERT_EQ(figures.size(), 12u);
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(figures[i].name, builtIn[i]);
        EXPECT_EQ(figures[i].kind, kinds[i]);
        EXPECT_EQ(figures[i].outline, &resources->outlines[outlines[i]]);
        EXPECT_TRUE(figures[i].filePath.empty());
    }
    // A supplementary character sorts by its UTF-16 surrogates: before U+FF21.
    const std::wstring users[] = {L"a", L"b", L"\U0001F600", L"\uFF21"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(figures[8 + i].name, users[i]);
        EXPECT_EQ(figures[8 + i].outline, nullptr);
        EXPECT_EQ(figures[8 + i].kind, 0);
    }
    EXPECT_EQ(System::toLocalPath(figures[8].filePath), folder + "/a.SVG");

    auto drawn = resources->figureList.createFigureImage(8, 20, 20, ColorF{1, 0, 0, 1}, 0, false);
    ASSERT_TRUE(drawn);
    EXPECT_NEAR(coverage(alphaOf(*drawn)), 100, 1);
    for (auto [path, svg] : {std::pair{L"a.SVG", true}, {L"/x/b.Svg", true}, {L"a.svgz", false}, {L"svg", false},
                             {L"/x.svg/a", false}, {L"a.svg.png", false}})
        EXPECT_EQ(Media::SvgDocument::isSvgFile(path), svg) << System::wideToUtf8(path);
}

TEST_F(FigureFixture, SvgFiguresMatchAnIndependentRendererAtTheSameSize)
{
    constexpr int W = 120, H = 80;
    const ColorF color{0, 0.5f, 1, 1}; // written as #0080ff
    const std::string svg = R"(<svg xmlns="http://www.w3.org/2000/svg")";
    const std::string box = R"( viewBox="0 0 120 80">)";
    struct Case {
        const char* what;
        std::string file;
        std::string reference; // what the drawing must look like, sized W x H
    } cases[] = {
        {"red only: recoloured, its opacity kept",
         svg + box + R"(<rect x="10" y="10" width="40" height="30" fill="red"/>)"
                     R"(<circle cx="90" cy="50" r="20" fill="#f00" fill-opacity="0.5"/></svg>)",
         svg + box + R"(<rect x="10" y="10" width="40" height="30" fill="#0080ff"/>)"
                     R"(<circle cx="90" cy="50" r="20" fill="#0080ff" fill-opacity="0.5"/></svg>)"},
        {"red and blue: kept",
         svg + box + R"(<rect x="10" y="10" width="40" height="30" fill="red"/>)"
                     R"(<circle cx="90" cy="50" r="20" fill="blue"/></svg>)",
         ""},
        {"black and red: kept",
         svg + box + R"(<g fill="black"><rect x="10" y="10" width="40" height="30"/></g>)"
                     R"X(<circle cx="90" cy="50" r="20" fill="rgb(255,0,0)"/></svg>)X",
         ""},
        {"black only: recoloured (a first black fill counts as a colour seen)",
         svg + box + R"(<rect x="10" y="10" width="40" height="30" fill="black"/>)"
                     R"(<circle cx="90" cy="50" r="20" style="fill:#000"/></svg>)",
         svg + box + R"(<rect x="10" y="10" width="40" height="30" fill="#0080ff"/>)"
                     R"(<circle cx="90" cy="50" r="20" fill="#0080ff"/></svg>)"},
        {"no fill: the colour",
         svg + box + R"(<rect x="10" y="10" width="40" height="30"/><circle cx="90" cy="50" r="20"/></svg>)",
         svg + box.substr(0, box.size() - 1) + R"( fill="#0080ff">)" +
             R"(<rect x="10" y="10" width="40" height="30"/><circle cx="90" cy="50" r="20"/></svg>)"},
        {"sized root: laid out at the asked size, user units stay pixels",
         svg + R"( width="60" height="40"><rect x="10" y="10" width="40" height="30" fill="red"/>)"
               R"(<circle cx="90" cy="50" r="20" fill="lime"/></svg>)",
         svg + R"( width="120" height="80"><rect x="10" y="10" width="40" height="30" fill="red"/>)"
               R"(<circle cx="90" cy="50" r="20" fill="lime"/></svg>)"},
        {"unsized root with a viewBox: centred at its aspect",
         svg + R"( viewBox="0 0 60 60"><rect width="60" height="30" fill="red"/>)"
               R"(<circle cx="30" cy="45" r="15" fill="blue"/></svg>)",
         svg + R"( width="120" height="80" viewBox="0 0 60 60"><rect width="60" height="30" fill="red"/>)"
               R"(<circle cx="30" cy="45" r="15" fill="blue"/></svg>)"},
        {"style fill: recoloured where it stands",
         svg + box + R"(<path style="stroke:none;fill:#00ff00" d="M10 10 H60 V70 Z"/>)"
                     R"(<rect x="70" y="10" width="40" height="60" style="fill: lime"/></svg>)",
         svg + box + R"(<path style="stroke:none;fill:#0080ff" d="M10 10 H60 V70 Z"/>)"
                     R"(<rect x="70" y="10" width="40" height="60" style="fill: #0080ff"/></svg>)"},
    };
    const std::string dir = TestKit::tempDir() + "/svg-cases";
    ::mkdir(dir.c_str(), 0755);
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = dir + "/case" + std::to_string(index) + ".svg";
        const std::string reference = dir + "/reference" + std::to_string(index) + ".svg";
        const std::string png = dir + "/reference" + std::to_string(index++) + ".png";
        TestKit::writeFile(file, c.file);
        TestKit::writeFile(reference, c.reference.empty() ? c.file : c.reference);
        ASSERT_EQ(TestKit::runCommand("rsvg-convert -w " + std::to_string(W) + " -h " + std::to_string(H) + " '" +
                                      reference + "' -o '" + png + "'"),
                  0);
        auto peer = Media::ImageService::Get()->loadFromFile(System::fromLocalPath(png).c_str());
        ASSERT_TRUE(peer);
        ASSERT_EQ(peer->width, uint32_t(W));
        ASSERT_EQ(peer->height, uint32_t(H));
        TestKit::Picture want(size_t(W) * H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const uint8_t* p = peer->row(uint32_t(y)) + 4 * x;
                const float a = p[3] / 255.0f;
                want[size_t(y) * W + x] = {p[0] / 255.0f * a, p[1] / 255.0f * a, p[2] / 255.0f * a, a};
            }

        EXPECT_TRUE(Media::SvgDocument::checkFile(System::fromLocalPath(file).c_str()));
        auto drawn = Media::SvgDocument::render(System::fromLocalPath(file).c_str(), W, H, color, Media::Format::Unknown);
        ASSERT_TRUE(drawn);
        const std::vector<Region> got = regions(download(*drawn), W, H, 4, 4), expected = regions(want, W, H, 4, 4);
        for (size_t i = 0; i < got.size(); ++i) {
            SCOPED_TRACE("region " + std::to_string(i));
            EXPECT_NEAR(got[i].alpha, expected[i].alpha, 0.02);
            EXPECT_NEAR(got[i].r, expected[i].r, 0.02);
            EXPECT_NEAR(got[i].g, expected[i].g, 0.02);
            EXPECT_NEAR(got[i].b, expected[i].b, 0.02);
        }
    }

    // Files that are not SVG documents: no picture, and the check says so.
    const std::string broken[] = {"<svg xmlns=\"http://www.w3.org/2000/svg\"><rect>", "not svg at all",
                                  R"(<html xmlns="http://www.w3.org/1999/xhtml"><svg/></html>)", ""};
    for (const std::string& text : broken) {
        SCOPED_TRACE(text);
        const std::string file = dir + "/broken.svg";
        TestKit::writeFile(file, text);
        EXPECT_FALSE(Media::SvgDocument::checkFile(System::fromLocalPath(file).c_str()));
        EXPECT_FALSE(Media::SvgDocument::render(System::fromLocalPath(file).c_str(), W, H, color, Media::Format::Unknown));
    }
    EXPECT_FALSE(Media::SvgDocument::checkFile(L"/no/such/figure.svg"));
    EXPECT_FALSE(Media::SvgDocument::render(L"/no/such/figure.svg", W, H, color, Media::Format::Unknown));

    // What the drawing leaves out is named in one warning per file, however often it is drawn.
    const std::string clipped = dir + "/clipped.svg";
    TestKit::writeFile(clipped, svg + box + R"(<defs><clipPath id="c"><rect width="5" height="5"/></clipPath></defs>)"
                                            R"X(<mask id="m"/><rect width="60" height="40" clip-path="url(#c)"/></svg>)X");
    TestKit::LogCapture captured;
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(Media::SvgDocument::render(System::fromLocalPath(clipped).c_str(), W, H, color, Media::Format::Unknown));
    const auto warnings = std::count_if(captured.lines().begin(), captured.lines().end(), [&](const std::string& line) {
        return line.find("WARN|") != std::string::npos && line.find(clipped) != std::string::npos;
    });
    EXPECT_EQ(warnings, 1);
    EXPECT_TRUE(captured.contains(clipped + ": drawn without <clipPath, mask> (not supported)"));
}
