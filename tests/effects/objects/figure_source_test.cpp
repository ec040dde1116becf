// 図形: the picture's size from サイズ and 縦横比, a built-in figure in its
// colour, a custom SVG file against rsvg-convert at the same size, and the
// file events (a dropped file, an invalid file refused with its message).
#include "tests/effects/objects/object_source_fixture.h"

#include "effects/objects/figure_load.h"
#include "media/resource_buffer.h"

using namespace SourceTest;

namespace {

class FigureSource : public ObjectSourceFixture {
protected:
    std::shared_ptr<Effect::FigureLoad> placeFigure()
    {
        object = edit->currentScene->createObject(Effect::FigureLoad::Name, layer++, 0, 9);
        auto figure = std::dynamic_pointer_cast<Effect::FigureLoad>(object->effects.at(0));
        EXPECT_TRUE(figure);
        edit->setFocusObject(object);
        return figure;
    }
    bool itemEvent(Effect::FigureLoad& figure, int code, const void* payload)
    {
        Edit::UpdateSection update;
        Effect::ItemEvent event;
        event.code = code;
        event.update = &update;
        event.object = object.get();
        event.effect = object->effects[0];
        event.payload = payload;
        return figure.itemEvent(event);
    }
    std::string svgFile(const std::string& name, const std::string& text)
    {
        const std::string path = IoTest::tempPath(name);
        TestKit::writeFile(path, text);
        return path;
    }
};

} // namespace

TEST_F(FigureSource, SizeAndAspectGiveThePictureSides)
{
    auto figure = placeFigure();
    ASSERT_TRUE(figure);
    struct Case {
        double size, aspect;
        int width, height; // 0: no picture
    };
    const Case cases[] = {
        {100, 0, 100, 100},   {100, 50, 50, 100},   {100, -50, 100, 50},  {100, 100, 0, 0},
        {100, -100, 0, 0},    {100, 33.33, 67, 100}, {7, -99.99, 0, 0},  {1, 0, 1, 1},
        {0, 0, 0, 0},         {4000, 0, 4000, 4000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size << " aspect " << c.aspect);
        figure->size.setValue(c.size, 0);
        figure->aspect.setValue(c.aspect, 0);
        Render::RenderObject r = renderAt(object, 0);
        auto picture = figure->inputVideo(r);
        if (c.width == 0) {
            EXPECT_FALSE(picture);
            continue;
        }
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->getWidth(), uint32_t(c.width));
        EXPECT_EQ(picture->getHeight(), uint32_t(c.height));
    }
    // Half a pixel, as a movement between two values may give: no picture.
    int w = -1, h = -1;
    Effect::FigureLoad::getImageSize(0.5f, 0, w, h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    Effect::FigureLoad::getImageSize(1.5f, 0, w, h);
    EXPECT_EQ(w, 2) << "sides round up";
    Effect::FigureLoad::getImageSize(NAN, 0, w, h);
    EXPECT_EQ(w, 0);
}

TEST_F(FigureSource, BuiltInFigureInItsColourAndAnIndexOutsideTheList)
{
    auto figure = placeFigure();
    ASSERT_TRUE(figure);
    figure->size.setValue(32, 0);
    figure->color.r = 255;
    figure->color.g = 0;
    figure->color.b = 0;
    Render::RenderObject r = renderAt(object, 0);
    auto picture = figure->inputVideo(r);
    ASSERT_TRUE(picture);
    const TestKit::Picture p = download(*picture);
    ASSERT_TRUE(finite(p));
    // Figure 1, the circle, filled (line width 4000): red in the middle, clear in the corners.
    const TestKit::Pixel centre = p[16 * 32 + 16], corner = p[0];
    EXPECT_NEAR(centre[0], 1, 1e-3);
    EXPECT_NEAR(centre[1], 0, 1e-3);
    EXPECT_NEAR(centre[3], 1, 1e-3);
    EXPECT_EQ(corner[3], 0);
    EXPECT_EQ(std::wstring(figure->getName()), std::wstring(figure->figure.list->getLabel(1)));

    // An outline of 2 pixels leaves the middle clear.
    figure->lineWidth.setValue(2, 0);
    auto ring = figure->inputVideo(r);
    ASSERT_TRUE(ring);
    EXPECT_EQ(download(*ring)[16 * 32 + 16][3], 0);

    figure->figure.value = 100000;
    EXPECT_FALSE(figure->inputVideo(r)) << "an index outside the list gives no picture";
}

TEST_F(FigureSource, CustomSvgMatchesRsvgConvertAtTheObjectsSize)
{
    auto figure = placeFigure();
    ASSERT_TRUE(figure);
    // Two colours (kept as they are), scaled from a 1:2 view box as the picture
    // 縦横比 50 makes is.
    const std::string path = svgFile("two.svg",
        R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 50 100">)"
        R"(<rect x="5" y="5" width="40" height="40" fill="#ff0000"/>)"
        R"(<circle cx="25" cy="75" r="18" fill="#0000ff"/></svg>)");
    const std::wstring dropped = IoTest::widePath(path);
    EXPECT_TRUE(itemEvent(*figure, Effect::ItemEvent::FileSet, dropped.c_str()));
    EXPECT_EQ(figure->figure.value, -1);
    EXPECT_EQ(figure->figure.path, dropped);
    EXPECT_EQ(std::wstring(figure->getName()), L"two.svg");

    figure->size.setValue(64, 0);
    figure->aspect.setValue(50, 0);
    Render::RenderObject r = renderAt(object, 0);
    auto picture = figure->inputVideo(r);
    ASSERT_TRUE(picture);
    const int W = 32, H = 64;
    ASSERT_EQ(picture->getWidth(), uint32_t(W));
    ASSERT_EQ(picture->getHeight(), uint32_t(H));
    const TestKit::Picture got = download(*picture);
    ASSERT_TRUE(finite(got));
    saveArtefact(got, W, H, "figure_custom_svg.png");

    const std::string png = IoTest::tempPath("two.png");
    ASSERT_EQ(TestKit::runCommand("rsvg-convert -w 32 -h 64 '" + path + "' -o '" + png + "'"), 0);
    auto peer = Media::ImageService::Get()->loadFromFile(IoTest::widePath(png).c_str());
    ASSERT_TRUE(peer);
    ASSERT_EQ(peer->width, uint32_t(W));
    // Per region of 8 x 8: mean premultiplied colour and coverage.
    for (int ry = 0; ry < H / 8; ++ry)
        for (int rx = 0; rx < W / 8; ++rx) {
            double mine[4] = {}, theirs[4] = {};
            for (int y = ry * 8; y < ry * 8 + 8; ++y)
                for (int x = rx * 8; x < rx * 8 + 8; ++x) {
                    const uint8_t* q = peer->row(uint32_t(y)) + 4 * x;
                    const double a = q[3] / 255.0;
                    const double want[4] = {q[0] / 255.0 * a, q[1] / 255.0 * a, q[2] / 255.0 * a, a};
                    for (int c = 0; c < 4; ++c) {
                        mine[c] += got[size_t(y) * W + x][c] / 64.0;
                        theirs[c] += want[c] / 64.0;
                    }
                }
            for (int c = 0; c < 4; ++c)
                EXPECT_NEAR(mine[c], theirs[c], 0.03) << "region (" << rx << ", " << ry << ") channel " << c;
        }
}

TEST_F(FigureSource, InvalidSvgFallsBackToFigureOneWithTheMessage)
{
    auto figure = placeFigure();
    ASSERT_TRUE(figure);
    const std::wstring broken = IoTest::widePath(svgFile("broken.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect>"));
    figure->figure.setFilePath(broken.c_str()); // chosen in the file control
    EXPECT_EQ(figure->figure.value, -1);
    EXPECT_FALSE(itemEvent(*figure, Effect::ItemEvent::ItemChanged, &figure->figure));
    EXPECT_EQ(figure->figure.value, 1);
    EXPECT_TRUE(figure->figure.path.empty());
    EXPECT_EQ(postedErrors(1), std::vector<std::string>{"このファイルには対応していません"});

    // A valid choice stays, without a message.
    const std::wstring good = IoTest::widePath(svgFile("good.svg",
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="4" height="4"><rect width="4" height="4"/></svg>)"));
    figure->figure.setFilePath(good.c_str());
    EXPECT_TRUE(itemEvent(*figure, Effect::ItemEvent::ItemChanged, &figure->figure));
    EXPECT_EQ(figure->figure.value, -1);
    EXPECT_EQ(postedErrors(1).size(), 1u);

    // An empty drop changes nothing.
    EXPECT_TRUE(itemEvent(*figure, Effect::ItemEvent::FileSet, L""));
    EXPECT_EQ(figure->figure.path, good);
    EXPECT_FALSE(itemEvent(*figure, 5, nullptr));
}

TEST_F(FigureSource, SupportedFilesAreSvgInAnyCase)
{
    auto figure = placeFigure();
    ASSERT_TRUE(figure);
    for (const wchar_t* path : {L"/a/A.SVG", L"/a/b.svg", L"/a/c.Svg"})
        EXPECT_TRUE(figure->isSupportedFile(path)) << System::wideToUtf8(path);
    for (const wchar_t* path : {L"/a/b.svgz", L"/a/svg", L"/a.svg/b.png", L""})
        EXPECT_FALSE(figure->isSupportedFile(path)) << System::wideToUtf8(path);
}
