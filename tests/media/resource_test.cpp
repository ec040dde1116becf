// Fonts, shared resources and the interface render target.
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/text.h"
#include "media/brush.h"
#include "media/font_face.h"
#include "media/render_target.h"
#include "platform/draw/font.h"
#include "platform/draw/target.h"
#include "platform/draw/text.h"
#include "tests/media/media_fixture.h"
#include "tests/media/picture_probe.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

using Media::Direct2DService;

TEST_F(DrawServices, FontRegistryKeepsUprightFontsOncePerName)
{
    Direct2DService* d2d = Direct2DService::Get();
    ASSERT_GT(d2d->fontCount(), 5u);
    // Oblique and italic members never enter: every registered font is upright.
    for (auto* define : d2d->getFontListByName())
        EXPECT_EQ(define->font()->getStyle(), Platform::Draw::FontStyle::Normal) << System::wideToUtf8(define->getName());
    // Regular and Bold share one legacy family name: one definition, the
    // regular one, whatever order the toolkit lists the styles in; bold is
    // reached through the family.
    for (const wchar_t* name : {L"Noto Sans CJK JP", L"Noto Serif CJK JP", L"DejaVu Sans", L"DejaVu Serif"}) {
        SCOPED_TRACE(System::wideToUtf8(name));
        const Media::FontDefine* define = d2d->findFont(name);
        ASSERT_NE(define, nullptr);
        EXPECT_EQ(define->font()->getWeight(), 400);
        EXPECT_EQ(define->font()->getStretch(), 5);
        EXPECT_EQ(d2d->getFont(name, false, false)->getWeight(), 400);
        auto bold = d2d->getFont(name, true, false);
        EXPECT_EQ(bold->getWeight(), 700);
        EXPECT_EQ(bold->getSimulations(), 0u);
    }
    // A weight outside the four-member group has a name of its own.
    EXPECT_NE(d2d->findFont(L"DejaVu Sans Light"), nullptr);
    // Orders are distinct and the lists are sorted.
    auto byOrder = d2d->getFontList();
    std::set<int> orders;
    for (size_t i = 0; i < byOrder.size(); ++i) {
        orders.insert(byOrder[i]->order);
        if (i) {
            EXPECT_LT(byOrder[i - 1]->order, byOrder[i]->order);
        }
    }
    EXPECT_EQ(orders.size(), byOrder.size());
    EXPECT_LT(Media::compareStringLocale(L"font 9", L"Font 10"), 0);
}

TEST(NameOrder, NumbersCaseSymbolsKanaAndWidth)
{
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        int order;
    };
    const Case cases[] = {
        {L"item2", L"item10", -1},       {L"font 9", L"Font 10", -1}, {L"file007", L"file7", 0},
        {L"ABC", L"abc", 0},             {L"a-b.c", L"abc", 0},       {L"★x", L"x", 0},
        {L"(2) +b", L"2b", 0},           {L"カタカナ", L"かたかな", 0}, {L"ｶﾀｶﾅ", L"カタカナ", 0},
        {L"ＡＢＣ１０", L"abc9", 1},      {L"b", L"a", 1},             {L"あ", L"い", -1},
        {L"", L"a", -1},                 {L"", L"", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Media::compareStringLocale(c.a, c.b), c.order) << System::wideToUtf8(c.a) << " / " << System::wideToUtf8(c.b);
        EXPECT_EQ(Media::compareStringLocale(c.b, c.a), -c.order);
    }
}

TEST_F(DrawServices, FontLookupDerivesBoldAndFallsBackToTheDefaultFamily)
{
    Direct2DService* d2d = Direct2DService::Get();
    auto bold = d2d->getFont(L"Noto Sans CJK JP", true, false);
    EXPECT_EQ(bold->getWeight(), 700); // asked 600: the family's bold member
    EXPECT_EQ(bold->getSimulations(), 0u);
    auto italic = d2d->getFont(L"Noto Sans CJK JP", false, true);
    EXPECT_EQ(italic->getSimulations(), uint32_t(Platform::Draw::SimulationOblique)); // no slanted member: simulated

    // Not registered: the style's default family (installed here as "Noto Sans CJK JP").
    auto fallback = d2d->getFont(L"No Such Font", true, false);
    auto family = fallback->getFontFamily();
    ASSERT_NE(family, nullptr);
    const int en = Platform::Draw::findLocaleName(family->getFamilyNames(), L"en-us");
    ASSERT_GE(en, 0);
    EXPECT_EQ(family->getFamilyNames()[size_t(en)].name, Media::defaultFontFamily());
    EXPECT_GE(fallback->getWeight(), 600);
    // A family that is not installed falls back through the font configuration to one that covers Japanese.
    EXPECT_NE(Platform::Draw::substituteFamilyName(L"Yu Gothic UI").find(L"CJK"), std::wstring::npos);
}

TEST_F(DrawServices, FontFaceMetricsAndVerticalGlyphs)
{
    Resource::FontFace face;
    face.setFont(L"Noto Sans CJK JP", 40, false, false, true);
    EXPECT_FLOAT_EQ(face.ascent, 20);
    EXPECT_FLOAT_EQ(face.lineHeight, 40);
    face.setFont(L"Noto Sans CJK JP", 40, false, false, false);
    const auto& m = face.metrics;
    EXPECT_FLOAT_EQ(face.scale, 40.0f / m.designUnitsPerEm);
    EXPECT_FLOAT_EQ(face.lineHeight, (m.ascent + m.lineGap + m.descent) * face.scale);

    // The ideographic comma has a vertical form; a Latin letter keeps its glyph.
    Resource::FontGlyph comma, vcomma, a, va;
    comma.setGlyph(face, U'、', face.ascent);
    vcomma.setGlyphVertical(face, U'、', 20);
    a.setGlyph(face, U'A', face.ascent);
    va.setGlyphVertical(face, U'A', 20);
    EXPECT_NE(comma.glyphIndex, vcomma.glyphIndex);
    EXPECT_EQ(a.glyphIndex, va.glyphIndex);
    EXPECT_FLOAT_EQ(vcomma.originX, -vcomma.advanceX / 2 - 20);
    EXPECT_FLOAT_EQ(vcomma.originY, vcomma.metrics.verticalOriginY * face.scale);
    // The horizontal comma sits low and left, the vertical one high and right.
    EXPECT_GT(comma.rightBearing, comma.leftBearing);
    EXPECT_GT(vcomma.metrics.bottomSideBearing, vcomma.metrics.topSideBearing);
    // Bearings and advance describe the outline's black box.
    Platform::Draw::PathGeometry outline;
    outline.open();
    ASSERT_TRUE(face.font.get()->getGlyphOutline(a.glyphIndex, 40, outline));
    auto bounds = outline.getBounds();
    EXPECT_NEAR(bounds.left, a.leftBearing, 0.05);
    EXPECT_NEAR(bounds.right, a.advanceX - a.rightBearing, 0.05);
}

TEST_F(DrawServices, StrokeStylesHaveTheirDashPatterns)
{
    auto& list = Resource::ResourceService::Get()->strokeStyles;
    using Platform::Draw::CapStyle;
    using Platform::Draw::LineJoin;
    EXPECT_EQ(list.get(0)->dashes(), (std::vector<float>{3, 3}));
    EXPECT_EQ(list.get(1)->dashes(), (std::vector<float>{2, 2}));
    EXPECT_TRUE(list.get(2)->dashes().empty());
    EXPECT_EQ(list.get(2)->properties().lineJoin, LineJoin::Round);
    EXPECT_EQ(list.get(2)->properties().startCap, CapStyle::Round);
    EXPECT_EQ(list.get(3)->properties().lineJoin, LineJoin::Bevel);
    EXPECT_EQ(list.get(1), list.get(1)); // made once

    // Drawn: a 2-pixel line with style 0 is on for 6 pixels, off for 6.
    auto target = Platform::Draw::Target::createPicture(48, 8);
    Platform::Draw::SolidColorBrush black({0, 0, 0, 1});
    target->beginDraw();
    target->drawLine({0, 4}, {48, 4}, black, 2, list.get(0));
    ASSERT_EQ(target->endDraw(), 0);
    std::string row;
    for (int x = 0; x < 24; ++x)
        row += pixelAt(*target, x, 4).a > 128 ? '#' : '.';
    EXPECT_EQ(row, "######......######......");
}

TEST_F(DrawServices, TextFormatsFromTheStyle)
{
    auto& formats = Resource::ResourceService::Get()->textFormats;
    EXPECT_FLOAT_EQ(formats.at(Resource::TextFormatList::Control).getSize(), 9);
    EXPECT_FLOAT_EQ(formats.at(Resource::TextFormatList::ControlSmall).getSize(), 9 * 0.8f);
    EXPECT_EQ(formats.at(Resource::TextFormatList::ControlSmall).getName(), Media::defaultFontFamily());
    EXPECT_EQ(formats.at(Resource::TextFormatList::Log).getName(), L"Noto Sans Mono CJK JP");
    float height = formats.at(Resource::TextFormatList::TextEdit).getLineHeight();
    EXPECT_GT(height, 11);
    EXPECT_LT(height, 25);
    EXPECT_FLOAT_EQ(formats.at(Resource::TextFormatList::TextEdit).getLineHeight(), height);

    Resource::TextLayout whole(*formats.get(Resource::TextFormatList::Control), L"abc def", 0);
    Resource::TextLayout part(*formats.get(Resource::TextFormatList::Control), L"abc def", 3);
    EXPECT_GT(whole.getMetrics().width, part.getMetrics().width * 2);
}

TEST_F(DrawServices, BrushesFromStyleLists)
{
    Setting::SettingService::Get()->color.get("TestList").text = "ff0000,00ff00,0000ff80";
    std::shared_ptr<Platform::Draw::SolidColorBrush> brush;
    Resource::ColorBrush::createFromStyleList("TestList", 7, brush);
    EXPECT_FLOAT_EQ(brush->getColor().b, 1);
    EXPECT_NEAR(brush->getColor().a, 128 / 255.0f, 1e-6);
    Resource::ColorBrush::createFromStyleList("TestList", 0, brush);
    EXPECT_FLOAT_EQ(brush->getColor().r, 1);
    std::shared_ptr<Platform::Draw::LinearGradientBrush> fade;
    Resource::GradientBrush::createFadeFromStyle("TestList", 0, fade);
    ASSERT_EQ(fade->stops().size(), 2u);
    EXPECT_FLOAT_EQ(fade->stops()[0].color.b, 1);
    EXPECT_FLOAT_EQ(fade->stops()[1].color.a, 0);
}

TEST(ComResource, CreatesOnceAcrossThreadsAndReportsAMissingGenerator)
{
    std::atomic<int> runs{0};
    Media::ComResource<Platform::Draw::StrokeStyle> style([&](std::shared_ptr<Platform::Draw::StrokeStyle>& slot) {
        ++runs;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        slot = std::make_shared<Platform::Draw::StrokeStyle>(Platform::Draw::StrokeStyleProperties{}, nullptr, 0);
    });
    std::vector<std::thread> threads;
    std::vector<Platform::Draw::StrokeStyle*> seen(8);
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&, i] { seen[size_t(i)] = style.createResource(); });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(runs.load(), 1);
    for (auto* p : seen)
        EXPECT_EQ(p, seen[0]);

    Media::ComResource<Platform::Draw::Bitmap> empty;
    try {
        empty.createResource();
        FAIL();
    } catch (const std::exception& e) {
        std::string text = e.what();
        EXPECT_NE(text.find("resource generator not set."), std::string::npos);
        EXPECT_NE(text.find("Media::ComResource<class Platform::Draw::Bitmap>::createResource"), std::string::npos);
    }
}

TEST_F(DrawServices, DrawSectionsNestAndPlaceTheirClips)
{
    auto picture = Platform::Draw::Target::createPicture(64, 64);
    Media::RenderTarget window(picture.get(), 64, 64);
    Media::RenderTarget control(&window);
    Platform::Draw::SolidColorBrush red({1, 0, 0, 1});
    window.beginDraw();
    {
        Media::RenderTarget::DrawSection outer(window, 10, 10, 50, 50, true);
        {
            Media::RenderTarget::DrawSection inner(window, 5, 5, 15, 15, false); // at (15, 15), 10 x 10
            EXPECT_EQ(window.clipLeft, 15);
            EXPECT_EQ(window.originX, 15);
            control.fillRect(-20, -20, 100, 100, &red); // clipped to the inner section
            EXPECT_EQ(window.drawCount, 3);
        }
        Media::RenderTarget::DrawSection same(window, 10, 10, 50, 50, true); // equals the clip: nothing pushed
        window.drawRect(0, 0, 10, 10, &red, 1, nullptr);                      // at (10.5, 10.5)..(19.5, 19.5)
    }
    EXPECT_TRUE(picture->isDrawing());
    window.endDraw();
    EXPECT_FALSE(picture->isDrawing());
    EXPECT_EQ(window.clipLeft, 0);
    EXPECT_EQ(window.clipWidth, 64);
    InkBox ink = inkBox(*picture);
    EXPECT_EQ(ink.left, 10);
    EXPECT_EQ(ink.top, 10);
    EXPECT_EQ(ink.right, 24);
    EXPECT_EQ(ink.bottom, 24);
    EXPECT_EQ(pixelAt(*picture, 24, 24).a, 255);
    EXPECT_EQ(pixelAt(*picture, 12, 16).a, 0); // inside the rectangle's outline, outside the inner clip
}

TEST_F(DrawServices, VerticalGradientReachesItsLastColourHalfway)
{
    auto picture = Platform::Draw::Target::createPicture(4, 40);
    Media::RenderTarget window(picture.get(), 4, 40);
    auto brush = Resource::GradientBrush::create({0, 0, 0, 1}, {1, 1, 1, 1});
    window.beginDraw();
    window.fillGradientRectVertical(0, 0, 4, 40, brush.get());
    window.endDraw();
    EXPECT_LT(pixelAt(*picture, 1, 0).r, 10);
    EXPECT_NEAR(pixelAt(*picture, 1, 10).r, 128, 12);
    EXPECT_EQ(pixelAt(*picture, 1, 21).r, 255);
    EXPECT_EQ(pixelAt(*picture, 1, 39).r, 255);
}

TEST_F(DrawServices, TemporaryImageRestoresTheSavedStrip)
{
    auto picture = Platform::Draw::Target::createPicture(32, 16);
    Media::RenderTarget window(picture.get(), 32, 16);
    Platform::Draw::SolidColorBrush blue({0, 0, 1, 1}), white({1, 1, 1, 1});
    window.beginDraw();
    window.fillRect(0, 0, 32, 16, &blue);
    window.endDraw();
    const int position[2] = {4, 2};
    Media::WindowTemporaryImage saved;
    saved.pushImage(position, window, 2, 0, 8, 10);
    Platform::Draw::Bitmap* first = saved.image.get();
    window.beginDraw();
    window.fillRect(0, 0, 32, 16, &white);
    window.endDraw();
    saved.popImage();
    EXPECT_EQ(pixelAt(*picture, 6, 2).b, 255);
    EXPECT_EQ(pixelAt(*picture, 6, 2).r, 0);
    EXPECT_EQ(pixelAt(*picture, 13, 11).r, 0);
    EXPECT_EQ(pixelAt(*picture, 14, 11).r, 255); // outside the strip
    saved.pushImage(position, window, 2, 0, 8, 10);
    EXPECT_EQ(saved.image.get(), first); // same size: the bitmap is reused
    saved.pushImage(position, window, 2, 0, 9, 10);
    EXPECT_NE(saved.image.get(), nullptr);
}

TEST(FontDefineMenu, SettingsComeFromAndGoToTheMainIni)
{
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    System::Config::iniFile->getValue("Font.DejaVu Sans Mono", "order").text = "-5";
    System::Config::iniFile->getValue("Font.DejaVu Sans Mono", "hide").text = "1";
    services.acquire<Media::Direct2DService>();
    Media::FontDefine* mono = nullptr;
    for (auto* define : Media::Direct2DService::Get()->getFontList())
        if (std::wstring(define->getName()) == L"DejaVu Sans Mono")
            mono = define;
    ASSERT_NE(mono, nullptr);
    EXPECT_EQ(mono->order, -5);
    EXPECT_EQ(mono->hide, 1);
    EXPECT_EQ(Media::Direct2DService::Get()->getFontList().front(), mono); // listed first by its order
    EXPECT_STREQ(mono->getLabel(), L"DejaVu Sans Mono");
    mono->order = 3;
    services.releaseAll(); // the registry stores every definition's section
    std::string ini = TestKit::readFile(System::toLocalPath(System::FileName::expand(L"%AppData%\\velmora2.ini")));
    const size_t at = ini.find("[Font.DejaVu Sans Mono]\r\n");
    ASSERT_NE(at, std::string::npos) << ini;
    const std::string section = ini.substr(at, ini.find('[', at + 1) - at);
    EXPECT_NE(section.find("order=3\r\n"), std::string::npos) << section;
    EXPECT_NE(section.find("hide=1\r\n"), std::string::npos) << section;
}
