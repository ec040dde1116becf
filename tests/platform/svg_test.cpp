// SVG documents: paint values, element edits where the value stands, what a
// document may hold, and where its viewBox lands in the viewport.
#include "platform/draw/svg.h"
#include "platform/draw/target.h"
#include "platform/ui/application.h"

#include <gtest/gtest.h>

#include <string>

using namespace Platform::Draw;

namespace {
std::unique_ptr<SvgDocument> load(const std::string& body, const std::string& rootAttributes = "")
{
    std::string error;
    auto document = SvgDocument::parse(R"(<svg xmlns="http://www.w3.org/2000/svg" )" + rootAttributes + ">" + body +
                                           "</svg>",
                                       &error);
    EXPECT_TRUE(document) << error;
    return document;
}

struct Ink {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    long count = 0;
};

Ink inkOf(const Target& t)
{
    Ink ink;
    for (int y = 0; y < t.height(); ++y)
        for (int x = 0; x < t.width(); ++x)
            if (t.bits()[y * t.stride() + x * 4 + 3] > 127) {
                ink.left = std::min(ink.left, x), ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x), ink.bottom = std::max(ink.bottom, y);
                ++ink.count;
            }
    return ink;
}
} // namespace

TEST(Svg, PaintsAreColoursOnlyInTheirColourForms)
{
    struct Case {
        const char* text;
        bool parses;
        SvgPaintType type;
        int r, g, b;
    } cases[] = {
        {"#f80", true, SvgPaintType::Color, 255, 136, 0},
        {" #FF8000 ", true, SvgPaintType::Color, 255, 128, 0},
        {"rgb(255, 128, 0)", true, SvgPaintType::Color, 255, 128, 0},
        {"RGB( 100% ,50%,0% )", true, SvgPaintType::Color, 255, 128, 0},
        {"rgb(300,-5,0)", true, SvgPaintType::Color, 255, 0, 0},
        {"darkSlateGray", true, SvgPaintType::Color, 47, 79, 79},
        {"none", true, SvgPaintType::None, 0, 0, 0},
        {"currentColor", true, SvgPaintType::CurrentColor, 0, 0, 0},
        {"url(#gradient) red", true, SvgPaintType::Uri, 0, 0, 0},
        {"transparent", false, SvgPaintType::None, 0, 0, 0},
        {"inherit", false, SvgPaintType::None, 0, 0, 0},
        {"#ff00", false, SvgPaintType::None, 0, 0, 0},
        {"#ggg", false, SvgPaintType::None, 0, 0, 0},
        {"rgb(1,2)", false, SvgPaintType::None, 0, 0, 0},
        {"rgb(1,2,3", false, SvgPaintType::None, 0, 0, 0},
        {"url(#open", false, SvgPaintType::None, 0, 0, 0},
        {"", false, SvgPaintType::None, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SvgPaint paint;
        ASSERT_EQ(parseSvgPaint(c.text, paint), c.parses);
        if (!c.parses)
            continue;
        EXPECT_EQ(paint.type, c.type);
        if (c.type == SvgPaintType::Color) {
            EXPECT_FLOAT_EQ(paint.color.r, c.r / 255.0f);
            EXPECT_FLOAT_EQ(paint.color.g, c.g / 255.0f);
            EXPECT_FLOAT_EQ(paint.color.b, c.b / 255.0f);
            EXPECT_EQ(paint.color.a, 1.0f);
        }
    }
}

TEST(Svg, ValuesAreReadAndWrittenWhereTheyStand)
{
    auto document =
        load(R"(<rect style="stroke:blue; fill : red !important;opacity:1" fill="green" width="5"/><circle/>)");
    SvgElement& rect = *document->root().children().at(0);
    SvgElement& circle = *document->root().children().at(1);
    EXPECT_TRUE(rect.isAttributeSpecified("fill"));
    EXPECT_EQ(rect.getAttribute("fill"), "red"); // the declaration wins over the attribute
    EXPECT_FALSE(circle.isAttributeSpecified("fill"));

    rect.setAttribute("fill", Color{0, 0, 1, 0.5f});
    rect.setAttribute("width", 12.5f);
    circle.setAttribute("fill", Color{1, 1, 1, 1});
    EXPECT_EQ(rect.getAttribute("style"), "stroke:blue; fill : #0000ff !important;opacity:1");
    EXPECT_EQ(rect.getAttribute("width"), "12.5");
    const std::string text = document->serialize();
    EXPECT_NE(text.find(R"(fill="green")"), std::string::npos) << text;
    EXPECT_NE(text.find(R"(<circle fill="#ffffff"/>)"), std::string::npos) << text;
}

TEST(Svg, DocumentsHoldOnlyWhatIsDrawn)
{
    std::string error;
    EXPECT_FALSE(SvgDocument::parse("not xml", &error));
    EXPECT_FALSE(SvgDocument::parse(R"(<svg xmlns="http://www.w3.org/2000/svg"><g></svg>)", &error));
    EXPECT_FALSE(SvgDocument::parse(R"(<html xmlns="http://www.w3.org/1999/xhtml"/>)", &error));
    EXPECT_EQ(error, "the root element is not svg");
    EXPECT_FALSE(SvgDocument::parse(R"(<svg xmlns="http://www.w3.org/2000/svg"/><svg/>)", &error));
    std::string deep;
    for (size_t i = 1; i < SvgDocument::MaxDepth; ++i)
        deep = "<g>" + deep + "</g>";
    EXPECT_TRUE(load(deep));
    EXPECT_FALSE(SvgDocument::parse(R"(<svg xmlns="http://www.w3.org/2000/svg"><g>)" + deep + "</g></svg>", &error));

    // Clip paths and their kind are left out (named once), symbols become
    // definitions, other namespaces, comments and pictures of other files go,
    // text stays.
    auto document = load(R"(<!-- c --><defs><clipPath id="c"><rect/></clipPath><mask id="m"/></defs>)"
                         R"(<clipPath/><symbol id="s"><rect/></symbol><x:meta xmlns:x="urn:x"><rect/></x:meta>)"
                         R"(<text>a &amp; <![CDATA[<b>]]></text><image href="/etc/x.png"/>)"
                         R"(<image xmlns:l="http://www.w3.org/1999/xlink" l:href="data:image/png;base64,AA"/>)");
    EXPECT_EQ(document->unsupportedElements(), (std::vector<std::string>{"clipPath", "mask"}));
    // A symbol keeps its namespace prefix when it becomes a group.
    auto prefixed = SvgDocument::parse(R"(<s:svg xmlns:s="http://www.w3.org/2000/svg"><s:symbol id="a"/></s:svg>)");
    ASSERT_TRUE(prefixed);
    const std::string written = prefixed->serialize();
    EXPECT_NE(written.find(R"(<s:defs><s:g id="a"/></s:defs>)"), std::string::npos) << written;
    const std::string text = document->serialize();
    EXPECT_EQ(text.substr(text.find("<svg")),
              R"(<svg xmlns="http://www.w3.org/2000/svg"><defs/><defs><g id="s"><rect/></g></defs>)"
              R"(<text>a &amp; <![CDATA[<b>]]></text>)"
              R"(<image xmlns:l="http://www.w3.org/1999/xlink" l:href="data:image/png;base64,AA"/></svg>)"
              "\n");
}

TEST(Svg, TheViewBoxIsPlacedByItsAspectRule)
{
    struct Case {
        const char* root;
        Rect placement;
    } cases[] = {
        {R"(width="10" height="10")", {0, 0, 200, 100}},
        {R"(viewBox="0 0 50 50")", {50, 0, 150, 100}},
        {R"(viewBox="0,0,50,50" preserveAspectRatio="xMinYMax")", {0, 0, 100, 100}},
        {R"(viewBox="0 0 50 50" preserveAspectRatio="xMaxYMid meet")", {100, 0, 200, 100}},
        {R"(viewBox="0 0 50 50" preserveAspectRatio="xMidYMin slice")", {0, 0, 200, 200}},
        {R"(viewBox="0 0 50 50" preserveAspectRatio="defer none")", {0, 0, 200, 100}},
        {R"(viewBox="0 0 0 50")", {0, 0, 0, 0}},
        {R"(viewBox="0 0 -1 50")", {0, 0, 200, 100}},
        {R"(viewBox="0 0 50")", {0, 0, 200, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.root);
        auto document = load("", c.root);
        document->setViewportSize(200, 100);
        const Rect r = document->viewBoxPlacement();
        EXPECT_FLOAT_EQ(r.left, c.placement.left);
        EXPECT_FLOAT_EQ(r.top, c.placement.top);
        EXPECT_FLOAT_EQ(r.right, c.placement.right);
        EXPECT_FLOAT_EQ(r.bottom, c.placement.bottom);
    }
}

TEST(Svg, DrawingFillsTheViewportAndLeavesClipsOut)
{
    Platform::Ui::initializeApplication();
    struct Case {
        const char* root;
        const char* body;
        Ink ink;
    } cases[] = {
        // The root is laid out at the viewport size whatever it says; user units stay pixels.
        {R"(width="10" height="10")", R"(<rect x="20" y="10" width="30" height="20"/>)", {20, 10, 49, 29, 600}},
        {R"(width="100%" height="1em")", R"(<rect x="150" width="50" height="100"/>)", {150, 0, 199, 99, 5000}},
        // A square viewBox in a wide viewport: centred, scaled by 2.
        {R"(viewBox="0 0 50 50")", R"(<rect width="50" height="50"/>)", {50, 0, 149, 99, 10000}},
        // Without its clip the rectangle is whole; the clip's own shape is not drawn.
        {"", R"(<clipPath id="c"><rect x="150" width="50" height="100"/></clipPath>)"
             R"X(<rect clip-path="url(#c)" width="100" height="100"/>)X",
         {0, 0, 99, 99, 10000}},
        {"", R"(<symbol id="s"><rect width="10" height="10"/></symbol><use href="#s" x="5" y="5"/>)"
             R"(<use xmlns:xlink="http://www.w3.org/1999/xlink" xlink:href="#s" x="190" y="90"/>)",
         {5, 5, 199, 99, 200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        auto document = load(c.body, c.root);
        document->setViewportSize(200, 100);
        auto target = Target::createPicture(200, 100);
        target->beginDraw();
        target->drawSvgDocument(*document);
        ASSERT_EQ(target->endDraw(), ResultOk);
        const Ink ink = inkOf(*target);
        EXPECT_EQ(ink.left, c.ink.left);
        EXPECT_EQ(ink.top, c.ink.top);
        EXPECT_EQ(ink.right, c.ink.right);
        EXPECT_EQ(ink.bottom, c.ink.bottom);
        EXPECT_EQ(ink.count, c.ink.count);
    }
}
