// getpixel, putpixel, copypixel and pixeloption on the software driver, in
// both engines, against the pixel values worked out from the rules.
#include "core/text.h"
#include "tests/script/script_gpu_fixture.h"

using namespace ScriptTest;
using TestKit::Pixel;
using TestKit::Picture;

namespace {

class PixelFunctions : public ScriptGpu {
protected:
    // A 4 x 3 object image with an opaque red pixel at (1, 2), a partly
    // transparent blue one (premultiplied) at (2, 0) and one fully clear.
    std::unique_ptr<Media::ResourceBuffer> image()
    {
        Picture p(12, Pixel{0.2f, 0.4f, 0.6f, 1});
        p[2 * 4 + 1] = {1, 0, 0, 1};
        p[0 * 4 + 2] = {0, 0, 0.6f, 0.6f};
        p[0 * 4 + 3] = {0, 0, 0, 0};
        return upload(p, 4, 3);
    }
};

} // namespace

TEST_F(PixelFunctions, ReadsInTheThreeTypesWithClampedCoordinates)
{
    for (const char* key : ScriptTest::EngineKeys) {
        SCOPED_TRACE(key);
        auto picture = image();
        EXPECT_EQ(run("local c, a = obj.getpixel(1, 2) mes(c .. ' ' .. a)"
                      " mes('|' .. table.concat({obj.getpixel(1, 2, 'rgb')}, ' '))"
                      " mes('|' .. table.concat({obj.getpixel(1, 2, 'yc')}, ' '))"
                      " mes('|' .. table.concat({obj.getpixel()}, ' '))"
                      " obj.pixeloption('type', 'rgb')"
                      " mes('|' .. table.concat({obj.getpixel(-5, 1000000)}, ' '))"
                      " mes('|' .. table.concat({obj.getpixel(2)}, ' '))"
                      " mes('|' .. table.concat({obj.getpixel(3, 0)}, ' '))"
                      " mes('|' .. table.concat({obj.getpixel(9, 0, 'other')}, ' '))",
                      key, picture),
                  "16711680 1|255 0 0 255|1225 -692 2048 4096|4 3|"
                  // (-5, 10^6) is column 0 of the last row; the blue pixel
                  // reads straight; the clear one reads 0.
                  "51 102 153 255|0 0 255 153|0 0 0 0|0 0");
        ASSERT_TRUE(picture);
    }
}

TEST_F(PixelFunctions, FrameReadsAndSizes)
{
    for (const char* key : ScriptTest::EngineKeys) {
        SCOPED_TRACE(key);
        auto picture = image();
        const Pixel& p = frameContent[3 * 16 + 5];
        auto byte = [](float straight) { return std::to_string(static_cast<int>(std::lround(straight * 255))); };
        const std::string expected =
            p[3] == 0 ? "0 0 0 0"
                      : byte(p[0] / p[3]) + " " + byte(p[1] / p[3]) + " " + byte(p[2] / p[3]) + " " + byte(p[3]);
        const std::string got =
            run("obj.pixeloption('get', 'frm') mes(table.concat({obj.getpixel()}, ' ') .. '|')"
                " mes(table.concat({obj.getpixel(5, 3, 'rgb')}, ' ')) mes('|' .. table.concat({obj.putpixel()}, ' '))"
                " obj.pixeloption('put', 'framebuffer') mes('|' .. table.concat({obj.putpixel()}, ' '))",
                key, picture);
        // Straight bytes may differ by one where the division rounds apart.
        EXPECT_EQ(got.substr(0, 6), "16 12|");
        EXPECT_EQ(got.substr(got.size() - 10), "|4 3|16 12");
        const std::string bytes = got.substr(6, got.size() - 16);
        int r, g, b, a, er, eg, eb, ea;
        ASSERT_EQ(std::sscanf(bytes.c_str(), "%d %d %d %d", &r, &g, &b, &a), 4) << bytes;
        ASSERT_EQ(std::sscanf(expected.c_str(), "%d %d %d %d", &er, &eg, &eb, &ea), 4);
        EXPECT_NEAR(r, er, 1);
        EXPECT_NEAR(g, eg, 1);
        EXPECT_NEAR(b, eb, 1);
        EXPECT_NEAR(a, ea, 1);
    }
}

TEST_F(PixelFunctions, PutPixelBlendsByTheRuleAndReadsStayThoseBeforeTheWrites)
{
    // (0, 0.5, 0, 0.5) written over D = (0.2, 0.4, 0.6, 1).
    struct Case {
        int blend;
        Pixel expected;
    };
    const Case cases[] = {
        {-1, {0, 0.5f, 0, 0.5f}},    {0, {0.1f, 0.7f, 0.3f, 1}}, {1, {0.2f, 0.9f, 0.6f, 1}},
        {2, {0.2f, -0.1f, 0.6f, 1}}, {3, {0.1f, 0.4f, 0.3f, 1}}, {4, {0, 0.5f, 0, 0.5f}},
    };
    for (const char* key : ScriptTest::EngineKeys) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(key) + " blend " + std::to_string(c.blend));
            auto picture = image();
            const std::string blend = c.blend < 0 ? "" : ", " + std::to_string(c.blend);
            // Read, write, read again: the second read is the first.
            EXPECT_EQ(run("local before = obj.getpixel(0, 0) obj.pixeloption('blend'" + blend +
                              ") obj.putpixel(0, 0, 0x00ff00, 0.5) obj.putpixel(-1, 0, 0xff0000, 1)"
                              " obj.putpixel(4, 2, 0xff0000, 1) mes(tostring(obj.getpixel(0, 0) == before))",
                          key, picture),
                      "true");
            const Picture out = download(*picture);
            EXPECT_TRUE(TestKit::nearPicture({out[0]}, {c.expected}, 1, 2e-3f));
            // Writes outside the picture change nothing.
            const Picture untouched = download(*image());
            ASSERT_EQ(out.size(), 12u);
            EXPECT_TRUE(TestKit::nearPicture(Picture(out.begin() + 1, out.end()),
                                             Picture(untouched.begin() + 1, untouched.end()), 4));
        }
        // The other types: rgb takes 0-255 values, yc the 4096 scale.
        auto picture = image();
        run("obj.pixeloption('type', 'rgb') obj.putpixel(0, 0, 255, 0, 0, 127.5)"
            " obj.pixeloption('type', 'yc') obj.putpixel(1, 0, 1225, -692, 2048, 4096)",
            key, picture);
        const Picture out = download(*picture);
        EXPECT_TRUE(TestKit::nearPicture({out[0], out[1]}, {{0.5f, 0, 0, 0.5f}, {1, 0, 2 / 255.0f, 1}}, 2, 2e-3f));
        EXPECT_NE(TestKit::errorText([&] { run("obj.putpixel(0, 0, 0xff)", key, picture); })
                      .find("bad argument #4 to 'putpixel'"),
                  std::string::npos);
        EXPECT_NE(TestKit::errorText([&] { run("obj.pixeloption('type', 'rgb') obj.putpixel(0, 0, 1, 2, 3)", key, picture); })
                      .find("bad argument #6 to 'putpixel'"),
                  std::string::npos);
        EXPECT_NE(TestKit::errorText([&] { run("obj.pixeloption('size', 1)", key, picture); }).find("unsupported"),
                  std::string::npos);
    }
}

TEST_F(PixelFunctions, CopyPixelWithinAndBetweenPictures)
{
    for (const char* key : ScriptTest::EngineKeys) {
        SCOPED_TRACE(key);
        auto picture = image();
        // Within the object, then a frame pixel into the object, then an
        // object pixel into the frame with "over".
        run("obj.copypixel(0, 0, 1, 2) obj.pixeloption('get', 'frm') obj.copypixel(1, 0, 6, 4)"
            " obj.pixeloption('get', 'object') obj.pixeloption('put', 'frm') obj.pixeloption('blend', 0)"
            " obj.copypixel(7, 7, 2, 0) obj.copypixel(100, 0, 0, 0)",
            key, picture);
        const Picture out = download(*picture);
        EXPECT_TRUE(TestKit::nearPicture({out[0], out[1]}, {{1, 0, 0, 1}, frameContent[4 * 16 + 6]}, 2));
        const Picture frameOut = readFrame(*frame);
        const Pixel& d = frameContent[7 * 16 + 7];
        const Pixel expected{d[0] * 0.4f, d[1] * 0.4f, d[2] * 0.4f + 0.6f, d[3] * 0.4f + 0.6f};
        EXPECT_TRUE(TestKit::nearPicture({frameOut[7 * 16 + 7]}, {expected}, 1));
        Picture rest = frameOut, restExpected = frameContent;
        rest.erase(rest.begin() + 7 * 16 + 7);
        restExpected.erase(restExpected.begin() + 7 * 16 + 7);
        EXPECT_TRUE(TestKit::nearPicture(rest, restExpected, 16, 0));
        frame = makeFrame(16, 12, frameContent);
        render.drawState.target = frame.get();
    }
}

TEST_F(PixelFunctions, MissingPicturesGiveNothing)
{
    for (const char* key : ScriptTest::EngineKeys) {
        SCOPED_TRACE(key);
        std::unique_ptr<Media::ResourceBuffer> none;
        EXPECT_EQ(run("mes(select('#', obj.getpixel(0, 0)) .. table.concat({obj.getpixel()}, ' '))"
                      " obj.putpixel(0, 0, 0xffffff, 1) obj.copypixel(0, 0, 1, 1)",
                      key, none),
                  "00 0");
        render.drawState.target = nullptr;
        EXPECT_EQ(run("obj.pixeloption('get', 'frm') mes(select('#', obj.getpixel(0, 0)))", key, none), "0");
        render.drawState.target = frame.get();
    }
}
