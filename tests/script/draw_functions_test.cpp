// obj.draw and obj.drawpoly on the software driver in both engines, each
// against the object's own output drawing the same thing directly, byte for
// byte.
#include "core/text.h"
#include "effects/objects/basic_output.h"
#include "media/vertex_list.h"
#include "tests/script/script_gpu_fixture.h"

using namespace ScriptTest;
using TestKit::Pixel;
using TestKit::Picture;

namespace {

class DrawFunctions : public ScriptGpu {
protected:
    void SetUp() override
    {
        ScriptGpu::SetUp();
        effects->registerEffect<Effect::VideoOutput>();
        output = std::dynamic_pointer_cast<Effect::VideoOutput>(effects->createEffect(Effect::VideoOutput::Name));
        object->effects[1] = output;
        content = fixture(6, 4, 17);
    }

    // The frame after the object's output drew the picture with the render
    // as changed by edit.
    std::string reference(const std::function<void(Render::RenderObject&)>& edit)
    {
        auto fresh = makeFrame(16, 12, frameContent);
        Render::RenderObject copy = render;
        copy.drawState.target = fresh.get();
        edit(copy);
        auto picture = upload(content, 6, 4);
        copy.outputVideo(picture);
        return snapshot(*fresh);
    }

    // The frame after the script ran on the picture.
    std::string scripted(const std::string& script, const char* key, bool withImage = true)
    {
        frame = makeFrame(16, 12, frameContent);
        render.drawState.target = frame.get();
        std::unique_ptr<Media::ResourceBuffer> picture = withImage ? upload(content, 6, 4) : nullptr;
        run(script, key, picture);
        left = std::move(picture);
        return snapshot(*frame);
    }

    std::shared_ptr<Effect::VideoOutput> output;
    Picture content;
    std::unique_ptr<Media::ResourceBuffer> left;
};

std::shared_ptr<Media::VertexListQuadPosUv> quad(const float p[12], const float uv[8])
{
    auto list = std::make_shared<Media::VertexListQuadPosUv>();
    for (int c = 0; c < 4; ++c)
        list->vertices.push_back({p[3 * c], p[3 * c + 1], p[3 * c + 2], uv[2 * c], uv[2 * c + 1], 1.0f, 0});
    return list;
}

} // namespace

TEST_F(DrawFunctions, DrawPlacesTheObjectAsItsOutputWouldAndOnlyOnce)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        render.drawState = Render::RenderObject::DrawState{};
        EXPECT_EQ(scripted("obj.draw()", key), reference([](Render::RenderObject&) {}));
        EXPECT_TRUE(drawn);
        EXPECT_FALSE(left); // the owner gets nothing to draw a second time
        const std::string moved = reference([](Render::RenderObject& r) {
            r.drawState.x += 100;
            r.drawState.sx = r.drawState.sy = r.drawState.sz = 2;
            r.drawState.alpha = 0.5f;
            r.drawState.rz = 30;
        });
        EXPECT_EQ(scripted("obj.draw(100, 0, 0, 2, 0.5, 0, 0, 30)", key), moved);
        // Changes the script made to "obj" count.
        EXPECT_EQ(scripted("obj.ox = 100 obj.zoom = 2 obj.draw(0, 0, 0, 1, 0.5, 0, 0, 30)", key), moved);
        render.drawState = Render::RenderObject::DrawState{};
        EXPECT_NE(scripted("obj.draw(1)", key), reference([](Render::RenderObject&) {}));
    }
}

TEST_F(DrawFunctions, ADrawTargetLeavesTheFrameAlone)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        render.drawState = Render::RenderObject::DrawState{};
        const std::string untouched = reference([](Render::RenderObject& r) { r.drawState.alpha = 0; });
        EXPECT_EQ(scripted("obj.setoption('drawtarget', 'tempbuffer', 20, 20) obj.draw(0, 0, 0)", key), untouched);
        EXPECT_FALSE(drawn);
        ASSERT_TRUE(left);
        auto expected = std::make_unique<Media::ResourceBuffer>(20, 20);
        const float clear[4] = {0, 0, 0, 0};
        expected->clearRenderTargetView(clear);
        auto picture = upload(content, 6, 4);
        output->shader.drawPolygon(Render::RenderObject::DrawState{}, *expected, picture.get(), nullptr);
        const Picture got = download(*cache->findBuffer("tempbuffer"));
        EXPECT_EQ(got, download(*expected));
        // The image sits centred: (7, 8) to (12, 11).
        EXPECT_EQ(got[8 * 20 + 7], content[0]);
        EXPECT_EQ(got[11 * 20 + 12], content[23]);
        // Back to the frame.
        scripted("obj.setoption('drawtarget', 'tempbuffer') obj.setoption('drawtarget', 'frm') obj.draw()", key);
        EXPECT_TRUE(drawn);
    }
}

TEST_F(DrawFunctions, DrawPolyWithNumbersMapsTheImageOntoTheQuad)
{
    const float corners[12] = {-8, -5, 0, 7, -6, 0, 6, 5, 0, -7, 4, 0};
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        render.drawState = Render::RenderObject::DrawState{};
        const float whole[8] = {0, 0, 1, 0, 1, 1, 0, 1};
        EXPECT_EQ(scripted("obj.drawpoly(-8, -5, 0, 7, -6, 0, 6, 5, 0, -7, 4, 0)", key),
                  reference([&](Render::RenderObject& r) { r.vertices = quad(corners, whole); }));
        EXPECT_TRUE(drawn);
        // u and v in pixels, clamped to the image; the call alpha.
        const float part[8] = {0.5f, 0, 1, 0.25f, 1, 1, 0, 1};
        EXPECT_EQ(scripted("obj.drawpoly(-8, -5, 0, 7, -6, 0, 6, 5, 0, -7, 4, 0, 3, -2, 60, 1, 9, 4, -1, 8, 0.5)", key),
                  reference([&](Render::RenderObject& r) {
                      r.vertices = quad(corners, part);
                      r.drawState.alpha = 0.5f;
                  }));
        EXPECT_NE(TestKit::errorText([&] { scripted("obj.drawpoly(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13)", key); })
                      .find("bad argument #14 to 'drawpoly'"),
                  std::string::npos);
    }
}

TEST_F(DrawFunctions, DrawPolyTablesInTheirFourFormats)
{
    const std::string corners = "-8, -5, 0, 7, -6, 0, 6, 5, 0, -7, 4, 0";
    const float p[12] = {-8, -5, 0, 7, -6, 0, 6, 5, 0, -7, 4, 0};
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        render.drawState = Render::RenderObject::DrawState{};
        // 20 numbers: u and v in pixels, not clamped.
        const float uv[8] = {0, 0, 1, 0, 1, 1.5f, 0, 1};
        EXPECT_EQ(scripted("obj.drawpoly({{" + corners + ", 0, 0, 6, 0, 6, 6, 0, 4}}, 0.75)", key),
                  reference([&](Render::RenderObject& r) {
                      r.vertices = quad(p, uv);
                      r.drawState.alpha = 0.75f;
                  }));
        // 28 numbers: coloured quads, also without an image.
        auto colours = std::make_shared<Media::VertexListQuadPosColor>();
        for (int c = 0; c < 4; ++c)
            colours->vertices.push_back({p[3 * c], p[3 * c + 1], p[3 * c + 2], 0.5f, 0, 0, 0.5f});
        const std::string red = "0.5, 0, 0, 0.5, 0.5, 0, 0, 0.5, 0.5, 0, 0, 0.5, 0.5, 0, 0, 0.5";
        const std::string coloured = scripted("obj.drawpoly({{" + corners + ", " + red + "}})", key, false);
        EXPECT_EQ(coloured, reference([&](Render::RenderObject& r) { r.vertices = colours; }));
        EXPECT_NE(coloured, reference([](Render::RenderObject& r) { r.drawState.alpha = 0; }));
        // 32 and 40 numbers: with normals.
        const std::string normals = ", 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1";
        EXPECT_NE(scripted("obj.drawpoly({{" + corners + ", 0, 0, 6, 0, 6, 4, 0, 4" + normals + "}})", key),
                  reference([](Render::RenderObject& r) { r.drawState.alpha = 0; }));
        EXPECT_EQ(scripted("obj.drawpoly({{" + corners + ", " + red + normals + "}})", key, false), coloured);
        auto error = [&](const std::string& script) { return TestKit::errorText([&] { scripted(script, key); }); };
        EXPECT_NE(error("obj.drawpoly({{" + corners + ", 0, 0, 6, 0, 6, 4, 0, 4}, {" + corners +
                        ", 0, 0, 6, 0, 6, 4, 0}})")
                      .find("invalid number of argument"),
                  std::string::npos);
        EXPECT_NE(error("obj.drawpoly({{1, 2, 3}})").find("invalid number of argument"), std::string::npos);
        EXPECT_NE(error("obj.drawpoly({1, 2, 3})").find("argument not table"), std::string::npos);
        EXPECT_NE(error("obj.drawpoly({{" + corners + ", 0, 0, 6, 0, 6, 4, 0, 'x'}})").find("number expected"),
                  std::string::npos);
    }
}
