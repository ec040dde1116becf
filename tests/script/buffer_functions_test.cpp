// obj.load, obj.copybuffer and obj.clearbuffer on the software driver, in
// both engines: the sources that need no file, the rectangles, the reset
// drawing state, the round trips through temporary pictures and their errors.
#include "core/text.h"
#include "render/render_video_worker.h"
#include "tests/script/script_gpu_fixture.h"

using namespace ScriptTest;
using TestKit::Pixel;
using TestKit::Picture;

namespace {

class BufferFunctions : public ScriptGpu {
protected:
    // The part of a picture of the given width from (x, y), w x h.
    static Picture part(const Picture& p, int width, int x, int y, int w, int h)
    {
        Picture out;
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
                out.push_back(p[size_t(y + j) * width + x + i]);
        return out;
    }
    std::string size(const std::unique_ptr<Media::ResourceBuffer>& p)
    {
        return p ? std::to_string(p->getWidth()) + "x" + std::to_string(p->getHeight()) : "none";
    }
};

} // namespace

TEST_F(BufferFunctions, PlanesAndTheFrameWithRectangles)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        std::unique_ptr<Media::ResourceBuffer> picture;
        EXPECT_EQ(run("obj.load('plane', 0, 100) mes(obj.w .. 'x' .. obj.h)", key, picture), "0x0");
        EXPECT_FALSE(picture);
        EXPECT_EQ(run("obj.load('plane', 10, 6) mes(obj.w .. 'x' .. obj.h)", key, picture), "10x6");
        ASSERT_TRUE(picture);
        EXPECT_EQ(download(*picture), Picture(60, Pixel{0, 0, 0, 0}));
        run("obj.load('plane', 3, 2, 0xff0000)", key, picture);
        EXPECT_EQ(download(*picture), Picture(6, Pixel{1, 0, 0, 1}));

        // The frame from (10, 5) to its edges; then a rectangle of no width keeps the image.
        TestKit::LogCapture log;
        EXPECT_EQ(run("obj.load('framebuffer', 10, 5, 100000, 100000) mes(obj.w .. 'x' .. obj.h)"
                      " obj.load('framebuffer', 0, 0, 0, 10) mes('|' .. obj.w .. 'x' .. obj.h)",
                      key, picture),
                  "6x7|6x7");
        EXPECT_TRUE(log.contains("SCRIPT|probe|invalid framebuffer range"));
        // Without the flag the copy is opaque.
        Picture opaque = part(frameContent, 16, 10, 5, 6, 7);
        for (Pixel& p : opaque)
            p[3] = 1;
        EXPECT_EQ(download(*picture), opaque);
        run("obj.load('framebuffer', true)", key, picture);
        EXPECT_EQ(download(*picture), frameContent);
    }
}

TEST_F(BufferFunctions, LoadResetsTheDrawingState)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        std::unique_ptr<Media::ResourceBuffer> picture;
        EXPECT_EQ(run("obj.ox = 5 obj.rz = 30 obj.cx = 2 obj.zoom = 3 obj.alpha = 0.5 obj.load('plane', 2, 2)"
                      " mes(obj.ox .. obj.rz .. obj.cx .. obj.zoom .. obj.alpha)",
                      key, picture),
                  "00011");
        EXPECT_EQ(render.drawState.x, 0);
        EXPECT_EQ(render.drawState.sx, 1);
        EXPECT_NE(TestKit::errorText([&] { run("obj.load('tempbuffer')", key, picture); }).find("tempbuffer not exist"),
                  std::string::npos);
    }
}

TEST_F(BufferFunctions, CopiesRoundTripThroughTemporaryPictures)
{
    const Picture content = fixture(5, 4, 9);
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        auto picture = upload(content, 5, 4);
        EXPECT_EQ(run("mes(tostring(obj.copybuffer('tmp', 'obj')))"
                      " obj.load('plane', 1, 1, 0xffffff)"
                      " mes(tostring(obj.copybuffer('obj', 'tmp')) .. obj.w .. 'x' .. obj.h)"
                      " mes(tostring(obj.copybuffer('cache:x', 'tempbuffer')))"
                      " mes(tostring(obj.copybuffer('object', 'cache:none')) .. obj.w)"
                      " obj.load('tempbuffer', 1, 1, 2, 2) mes(obj.w .. 'x' .. obj.h)",
                      key, picture),
                  "truetrue5x4truefalse5" "2x2");
        EXPECT_EQ(download(*picture), part(content, 5, 1, 1, 2, 2));
        EXPECT_EQ(download(*cache->findBuffer("cache:x")), content);
        // Frame and object of different sizes.
        picture = upload(content, 5, 4);
        EXPECT_NE(TestKit::errorText([&] { run("obj.copybuffer('frm', 'obj')", key, picture); })
                      .find("different buffer size. src=object dst=framebuffer"),
                  std::string::npos);
        EXPECT_NE(TestKit::errorText([&] { run("obj.copybuffer('obj', 'image')", key, picture); })
                      .find("invalid buffer type. src=image dst=object"),
                  std::string::npos);
        EXPECT_NE(TestKit::errorText([&] { run("obj.copybuffer('frm', 'frm')", key, picture); })
                      .find("invalid buffer type. src=framebuffer dst=framebuffer"),
                  std::string::npos);
        EXPECT_EQ(run("mes(tostring(obj.copybuffer('obj')))", key, picture), "false");
        // The frame into a temporary picture and back onto the frame of the same size.
        EXPECT_EQ(run("mes(tostring(obj.copybuffer('tmp', 'frm')))"
                      " obj.clearbuffer('framebuffer', 0x0000ff) mes(tostring(obj.copybuffer('frm', 'tmp')))",
                      key, picture),
                  "truetrue");
        EXPECT_TRUE(TestKit::nearPicture(readFrame(*frame), frameContent, 16, 0));
    }
}

TEST_F(BufferFunctions, ClearsPaintOneColour)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        auto picture = upload(fixture(3, 3), 3, 3);
        run("obj.copybuffer('cache:c', 'obj') obj.clearbuffer('object') obj.clearbuffer('cache:c', 0x00ff00)"
            " obj.clearbuffer('cache:missing') obj.clearbuffer('framebuffer', 0xff0000)",
            key, picture);
        EXPECT_EQ(download(*picture), Picture(9, Pixel{0, 0, 0, 0}));
        EXPECT_EQ(download(*cache->findBuffer("cache:c")), Picture(9, Pixel{0, 1, 0, 1}));
        EXPECT_EQ(readFrame(*frame), Picture(16 * 12, Pixel{1, 0, 0, 1}));
        EXPECT_NE(TestKit::errorText([&] { run("obj.clearbuffer('frm')", key, picture); })
                      .find("invalid buffer type. target=frm"),
                  std::string::npos);
        frame = makeFrame(16, 12, frameContent);
        render.drawState.target = frame.get();
    }
}

TEST_F(BufferFunctions, BeforeIsTakenOnce)
{
    Render::RenderVideoWorker worker;
    render.videoWorker = &worker;
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        const Picture content = fixture(5, 2, 4);
        worker.spareImage = upload(content, 5, 2);
        std::unique_ptr<Media::ResourceBuffer> picture;
        EXPECT_EQ(run("obj.load('before') mes(obj.w) obj.copybuffer('cache:b', 'obj') obj.load('before') mes(obj.w)",
                      key, picture),
                  "50");
        EXPECT_FALSE(picture);
        EXPECT_FALSE(worker.spareImage);
        EXPECT_EQ(download(*cache->findBuffer("cache:b")), content);
    }
    render.videoWorker = nullptr;
}
