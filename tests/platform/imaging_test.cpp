// Decoding is checked against ImageMagick's own decode of files it made, and
// our encodes are read back by ImageMagick.
#include "platform/imaging/image_codec.h"
#include "platform/ui/application.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace Platform::Imaging;

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels; // tightly packed, 4 bytes per pixel
};

Result decodeInto(const std::string& path, PixelLayout layout, Picture& out)
{
    return decodeFile(path, layout, [&](int w, int h, size_t& stride) {
        out.width = w;
        out.height = h;
        out.pixels.assign(static_cast<size_t>(w) * h * 4, 0);
        stride = static_cast<size_t>(w) * 4;
        return out.pixels.data();
    });
}

// ImageMagick's decode of the first frame as straight RGBA bytes.
Picture magickRgba(const std::string& path)
{
    Picture p;
    std::string size;
    EXPECT_EQ(TestKit::runCommand("identify -format '%w %h' '" + path + "[0]'", &size), 0);
    EXPECT_EQ(std::sscanf(size.c_str(), "%d %d", &p.width, &p.height), 2);
    std::string raw = path + ".rgba";
    EXPECT_EQ(TestKit::runCommand("convert '" + path + "[0]' -depth 8 rgba:'" + raw + "'"), 0);
    std::string bytes = TestKit::readFile(raw);
    p.pixels.assign(bytes.begin(), bytes.end());
    return p;
}

// A picture with gradients, hard edges and partial transparency.
std::string makeSource()
{
    std::string path = TestKit::tempDir() + "/source.png";
    int rc = TestKit::runCommand("convert -size 37x23 gradient:red-blue \\( -size 37x23 gradient:white-black -rotate 90 "
                                 "-resize 37x23! \\) -compose CopyOpacity -composite -fill '#20c040' "
                                 "-draw 'rectangle 3,3 12,9' '" + path + "'");
    EXPECT_EQ(rc, 0);
    return path;
}

int maxDifference(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size())
        return 1000;
    int worst = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        worst = std::max(worst, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return worst;
}

class Imaging : public ::testing::Test {
protected:
    void SetUp() override { Platform::Ui::initializeApplication(); }
};

} // namespace

TEST_F(Imaging, DecodesLikeImageMagick)
{
    const std::string source = makeSource();
    const std::string dir = TestKit::tempDir();
    struct Case {
        const char* name;
        std::string command;
        int tolerance;
    } cases[] = {
        {"bmp24.bmp", "-background '#808080' -flatten -type TrueColor BMP3:", 0},
        {"bmp32.bmp", "-define bmp:format=bmp4 -alpha on BMP:", 0},
        {"alpha.png", "PNG32:", 0},
        {"gray.png", "-colorspace Gray -alpha off PNG8:", 0},
        {"progressive.jpg", "-background white -flatten -interlace Plane -quality 85 JPEG:", 3},
        {"plain.gif", "GIF:", 0},
        {"opaque.tif", "-background '#808080' -flatten -alpha off -depth 8 -compress Zip TIFF:", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir + "/" + c.name;
        ASSERT_EQ(TestKit::runCommand("convert '" + source + "' " + c.command + "'" + path + "'"), 0);
        Picture ours;
        ASSERT_TRUE(decodeInto(path, PixelLayout::Rgba, ours));
        Picture theirs = magickRgba(path);
        EXPECT_LE(maxDifference(ours, theirs), c.tolerance);
    }
}

TEST_F(Imaging, TiffWithAlphaDecodesPremultipliedLikeImageMagick)
{
    // The toolkit's reader premultiplies a TIFF's unassociated alpha, which
    // loses the colour under transparent pixels: compare the colours as the
    // program uses them, premultiplied (ImageMagick's rounded here).
    const std::string source = makeSource();
    struct Case {
        const char* name;
        const char* options;
        int tolerance;
    } cases[] = {
        {"alpha.tif", "-depth 8 -compress LZW", 1},
        {"deep.tif", "-depth 16 -compress Zip", 1}, // 16 bits a channel, rounded to 8 by each decoder
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = TestKit::tempDir() + "/" + c.name;
        ASSERT_EQ(TestKit::runCommand("convert '" + source + "' " + c.options + " TIFF:'" + path + "'"), 0);
        Picture ours;
        ASSERT_TRUE(decodeInto(path, PixelLayout::BgraPremultiplied, ours));
        Picture theirs = magickRgba(path);
        for (size_t i = 0; i + 3 < theirs.pixels.size(); i += 4) {
            const int a = theirs.pixels[i + 3];
            uint8_t premultiplied[4] = {};
            for (int k = 0; k < 3; ++k) // BGRA from RGBA
                premultiplied[2 - k] = static_cast<uint8_t>((theirs.pixels[i + k] * a + 127) / 255);
            premultiplied[3] = static_cast<uint8_t>(a);
            std::copy(premultiplied, premultiplied + 4, theirs.pixels.begin() + static_cast<long>(i));
        }
        EXPECT_LE(maxDifference(ours, theirs), c.tolerance);
    }
}

TEST_F(Imaging, GreyPngGivesEqualChannelsAndOpaqueAlpha)
{
    std::string path = TestKit::tempDir() + "/grey.png";
    ASSERT_EQ(TestKit::runCommand("convert -size 16x4 gradient:black-white -colorspace Gray -depth 8 PNG8:'" + path + "'"), 0);
    Picture p;
    ASSERT_TRUE(decodeInto(path, PixelLayout::Rgba, p));
    for (size_t i = 0; i < p.pixels.size(); i += 4) {
        EXPECT_EQ(p.pixels[i], p.pixels[i + 1]);
        EXPECT_EQ(p.pixels[i], p.pixels[i + 2]);
        EXPECT_EQ(p.pixels[i + 3], 255);
    }
}

TEST_F(Imaging, AnimatedGifGivesItsFirstFrame)
{
    std::string path = TestKit::tempDir() + "/anim.gif";
    ASSERT_EQ(TestKit::runCommand("convert -size 8x8 xc:red xc:lime xc:blue -loop 0 '" + path + "'"), 0);
    Picture p;
    ASSERT_TRUE(decodeInto(path, PixelLayout::Rgba, p));
    ASSERT_EQ(p.width, 8);
    EXPECT_EQ(p.pixels[0], 255);
    EXPECT_EQ(p.pixels[1], 0);
    EXPECT_EQ(p.pixels[2], 0);
}

TEST_F(Imaging, LargePhotosDecode)
{
    // 6000 x 6000 red pixels: 144 MB decoded, more than the toolkit allows by default.
    const std::string path = TestKit::tempDir() + "/large.png";
    ASSERT_EQ(TestKit::runCommand("python3 -c \"import zlib, struct\n"
                                  "w = h = 6000\n"
                                  "def chunk(t, d): return struct.pack('>I', len(d)) + t + d + "
                                  "struct.pack('>I', zlib.crc32(t + d))\n"
                                  "data = zlib.compress((b'\\0' + b'\\xff\\0\\0' * w) * h, 1)\n"
                                  "open('" + path + "', 'wb').write(b'\\x89PNG\\r\\n\\x1a\\n' + chunk(b'IHDR', "
                                  "struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) + chunk(b'IDAT', data) + "
                                  "chunk(b'IEND', b''))\""),
              0);
    Picture p;
    ASSERT_TRUE(decodeInto(path, PixelLayout::Rgba, p));
    ASSERT_EQ(p.width, 6000);
    ASSERT_EQ(p.height, 6000);
    const uint8_t* last = &p.pixels[p.pixels.size() - 4];
    EXPECT_EQ(last[0], 255);
    EXPECT_EQ(last[1], 0);
    EXPECT_EQ(last[3], 255);
}

TEST_F(Imaging, PremultipliedLayoutMultipliesByAlpha)
{
    std::string path = TestKit::tempDir() + "/half.png";
    ASSERT_EQ(TestKit::runCommand("convert -size 2x2 'xc:rgba(200,100,50,0.5)' PNG32:'" + path + "'"), 0);
    Picture p;
    ASSERT_TRUE(decodeInto(path, PixelLayout::BgraPremultiplied, p));
    const int alpha = p.pixels[3];
    EXPECT_NEAR(alpha, 128, 1);
    EXPECT_NEAR(p.pixels[2], 200 * alpha / 255, 1); // red, third byte
    EXPECT_NEAR(p.pixels[0], 50 * alpha / 255, 1);  // blue, first byte
}

TEST_F(Imaging, FailuresNameTheirStep)
{
    Picture p;
    Result missing = decodeInto(TestKit::tempDir() + "/nothing.png", PixelLayout::Rgba, p);
    EXPECT_EQ(missing.step, Step::Open);
    EXPECT_EQ(missing.error, ENOENT);

    std::string junk = TestKit::tempDir() + "/junk.png";
    TestKit::writeFile(junk, "this is not a picture at all");
    EXPECT_EQ(decodeInto(junk, PixelLayout::Rgba, p).step, Step::Format);

    std::string truncated = TestKit::tempDir() + "/cut.png";
    ASSERT_EQ(TestKit::runCommand("convert -size 64x64 plasma:fractal PNG24:'" + truncated + ".full'"), 0);
    std::string bytes = TestKit::readFile(truncated + ".full");
    TestKit::writeFile(truncated, bytes.substr(0, bytes.size() / 3));
    Result cut = decodeInto(truncated, PixelLayout::Rgba, p);
    EXPECT_FALSE(cut);
}

TEST_F(Imaging, EncodesReadBackInImageMagick)
{
    // A 5x3 premultiplied BGRA picture with an odd stride.
    const int w = 5, h = 3, stride = 24;
    std::vector<uint8_t> pixels(stride * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &pixels[y * stride + x * 4];
            uint8_t a = static_cast<uint8_t>(x == 4 ? 0 : 255 - y * 60);
            p[0] = static_cast<uint8_t>(x * 40 * a / 255);
            p[1] = static_cast<uint8_t>(y * 100 * a / 255);
            p[2] = static_cast<uint8_t>(a);
            p[3] = a;
        }
    std::string png = TestKit::tempDir() + "/ours.png";
    ASSERT_TRUE(encodeFile(png, Container::Png, pixels.data(), w, h, stride, PixelLayout::BgraPremultiplied, -1));
    std::string info;
    ASSERT_EQ(TestKit::runCommand("identify -format '%m %w %h %[channels]' '" + png + "'", &info), 0);
    EXPECT_EQ(info.substr(0, 8), "PNG 5 3 ");
    EXPECT_NE(info.find("a"), std::string::npos) << info; // alpha channel kept
    Picture back = magickRgba(png);
    ASSERT_EQ(back.pixels.size(), size_t(w * h * 4));
    // Row 1, column 2: straight colour (255, 100, 80) at alpha 195.
    const uint8_t* px = &back.pixels[(1 * w + 2) * 4];
    EXPECT_NEAR(px[0], 255, 1);
    EXPECT_NEAR(px[1], 100, 2);
    EXPECT_NEAR(px[2], 80, 2);
    EXPECT_EQ(px[3], 195);

    std::string jpg = TestKit::tempDir() + "/ours.jpg";
    ASSERT_TRUE(encodeFile(jpg, Container::Jpeg, pixels.data(), w, h, stride, PixelLayout::Bgrx, 0.95f));
    ASSERT_EQ(TestKit::runCommand("identify -format '%m %w %h %[colorspace]' '" + jpg + "'", &info), 0);
    EXPECT_EQ(info, "JPEG 5 3 sRGB");
    // Both carry 72 dots per inch.
    for (const std::string& file : {png, jpg}) {
        ASSERT_EQ(TestKit::runCommand("identify -units PixelsPerInch -format '%[fx:round(resolution.x)] "
                                      "%[fx:round(resolution.y)]' '" + file + "'", &info), 0);
        EXPECT_EQ(info, "72 72") << file;
    }
    EXPECT_EQ(encodedLayout(Container::Jpeg, PixelLayout::BgraPremultiplied), PixelLayout::Bgr24);
    EXPECT_EQ(encodedLayout(Container::Png, PixelLayout::Bgrx), PixelLayout::Bgr24);
}

TEST_F(Imaging, FailedEncodeLeavesNoFile)
{
    uint8_t pixel[4] = {1, 2, 3, 255};
    std::string inMissingFolder = TestKit::tempDir() + "/no/such/folder/x.png";
    Result r = encodeFile(inMissingFolder, Container::Png, pixel, 1, 1, 4, PixelLayout::Bgra, -1);
    EXPECT_EQ(r.step, Step::Open);
    EXPECT_EQ(r.error, ENOENT);

    // Past the open: a stride too small for the width fails and removes the begun file.
    std::string begun = TestKit::tempDir() + "/begun.png";
    r = encodeFile(begun, Container::Png, pixel, 4, 1, 4, PixelLayout::Bgra, -1);
    EXPECT_EQ(r.step, Step::Convert);
    const std::vector<std::string> files = TestKit::listFolder(TestKit::tempDir());
    EXPECT_EQ(std::find(files.begin(), files.end(), "begun.png"), files.end());
}
