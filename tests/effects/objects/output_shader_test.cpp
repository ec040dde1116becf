// The drawing core on 16 x 16 frames against the processor model of the
// object shaders: blend modes through an output, the direct composite at its
// whole-pixel offset, the offscreen and polygon draws, the sampler choice,
// billboards, and the camera's depth and lighting paths.
#include "tests/effects/objects/draw_fixture.h"

#include "media/vertex_list.h"

using DrawTest::DrawState;
using TestKit::FrameModel;
using TestKit::Picture;
using TestKit::Pixel;

namespace {

class OutputShaderTest : public DrawTest::DrawFixture {
protected:
    // The picture placed with its top-left corner at (x0, y0) in a W-wide frame.
    static bool inside(int x, int y, int x0, int y0, int w, int h) { return x >= x0 && y >= y0 && x < x0 + w && y < y0 + h; }

    Picture drawn(const Picture& background, Media::ResourceBuffer& picture)
    {
        auto frame = makeFrame(W, H, background);
        render.drawState.target = frame.get();
        core.drawObject(render, *frame, picture);
        return readFrame(*frame);
    }
};

Picture solid(int w, int h, const Pixel& p) { return Picture(size_t(w) * h, p); }

} // namespace

TEST_F(OutputShaderTest, BlendModesThroughTheCoreFollowTheShaderRules)
{
    const Picture background = fixture(W, H, 5);
    const Picture texels = fixture(12, 10, 21);
    auto picture = upload(texels, 12, 10);
    for (int mode : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 20, 21, 22, 23}) {
        SCOPED_TRACE(testing::Message() << "blend " << mode);
        output->edit = [mode](DrawState& s) {
            s.blendMode = mode;
            s.alpha = 0.75f;
        };
        // Modes 20 and above are drawn as mode 0 by an output.
        const int effective = mode >= 20 ? 0 : mode;
        FrameModel model(W, H, background);
        for (int y = 3; y < 13; ++y)
            for (int x = 2; x < 14; ++x)
                model.fragment(size_t(y) * W + x, texels[size_t(y - 3) * 12 + (x - 2)], 0.75f, effective, background,
                               false, 0);
        EXPECT_TRUE(TestKit::nearPicture(drawn(background, *picture), model.frame, W, 4e-3f));
    }
}

TEST_F(OutputShaderTest, PositionRotationAndZoomPlaceThePicture)
{
    const Picture background = solid(W, H, {0, 0, 0, 0});
    const Picture texels = fixture(4, 4, 3);
    auto picture = upload(texels, 4, 4);
    // Twice the size, moved by (-3, 2): the picture covers 8 x 8 pixels from
    // (1, 6), sampled bilinearly with a transparent border.
    output->edit = [](DrawState& s) {
        s.x = -3;
        s.y = 2;
        s.sx = s.sy = 2;
    };
    const Picture got = drawn(background, *picture);
    Picture want = background;
    for (int y = 6; y < 14; ++y)
        for (int x = 1; x < 9; ++x)
            want[size_t(y) * W + x] = Reference::sample(texels, 4, 4, (x + 0.5f - 1) / 8, (y + 0.5f - 6) / 8,
                                                                 true, 4, 4);
    EXPECT_TRUE(TestKit::nearPicture(got, want, W, 1e-2f));

    // A half turn about z mirrors both axes around the centre.
    output->edit = [](DrawState& s) { s.rz = 180; };
    const Picture turned = drawn(background, *picture);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            for (int c = 0; c < 4; ++c)
                EXPECT_NEAR(turned[size_t(6 + y) * W + 6 + x][c], texels[size_t(3 - y) * 4 + (3 - x)][c], 2e-3f);
}

TEST_F(OutputShaderTest, DirectCompositeUsesTheObjectsWholePixelOffset)
{
    const Picture background = fixture(W, H, 9);
    struct Case {
        int width;
        float x, cx;
        int offsetX; // image column = frame column + offset
    };
    // (w - 16) / 2 + (cx - x), nearest integer, halves away from zero.
    const Case cases[] = {{16, 0, 0, 0}, {17, 0, 0, 1}, {17, 2, 0, -2}, {15, 0, 0, -1}, {16, 3.4f, 0.2f, -3}};
    for (const Case& k : cases) {
        for (int mode : {0, 3}) {
            SCOPED_TRACE(testing::Message() << "width " << k.width << " x " << k.x << " blend " << mode);
            const Picture texels = fixture(k.width, H, 31);
            auto picture = upload(texels, k.width, H);
            render.drawState.x = k.x;
            render.drawState.cx = k.cx;
            // The output's own position does not move a picture drawn in frame space.
            output->edit = [mode](DrawState& s) {
                s.x += 100;
                s.alpha = 0.5f;
                s.blendMode = mode;
            };
            auto frame = makeFrame(W, H, background);
            core.drawObjectDirect(render, *frame, *picture);
            FrameModel model(W, H, background);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    const int u = x + k.offsetX;
                    if (u >= 0 && u < k.width)
                        model.fragment(size_t(y) * W + x, texels[size_t(y) * k.width + u], 0.5f, mode, background, false, 0);
                }
            EXPECT_TRUE(TestKit::nearPicture(readFrame(*frame), model.frame, W, 4e-3f));
        }
    }
}

TEST_F(OutputShaderTest, OffscreenDrawIsOpaqueModeZeroAtTheOutputsPlace)
{
    const Picture texels = fixture(6, 4, 12);
    auto picture = upload(texels, 6, 4);
    output->edit = [](DrawState& s) {
        s.x = 2;
        s.y = -1;
        s.alpha = 0.25f;
        s.blendMode = 3;
    };
    auto buffer = target(W, H);
    core.drawObjectOffscreen(render, *buffer, *picture);
    const Picture got = download(*buffer);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const bool in = inside(x, y, 7, 5, 6, 4);
            const Pixel want = in ? texels[size_t(y - 5) * 6 + (x - 7)] : Pixel{0, 0, 0, 0};
            for (int c = 0; c < 4; ++c)
                ASSERT_NEAR(got[size_t(y) * W + x][c], want[c], 2e-3f) << x << "," << y;
        }
}

TEST_F(OutputShaderTest, VertexListDrawsIntoTheCallersTarget)
{
    const Picture texels = fixture(4, 4, 2);
    auto picture = upload(texels, 4, 4);
    // Two quads in pixel coordinates: the picture at (1, 1) and again at (9, 9).
    Media::VertexListQuadPosUv list;
    for (float o : {1.0f, 9.0f}) {
        list.vertices.push_back({o, o, 0, 0, 0, 1, 0});
        list.vertices.push_back({o + 4, o, 0, 1, 0, 1, 0});
        list.vertices.push_back({o + 4, o + 4, 0, 1, 1, 1, 0});
        list.vertices.push_back({o, o + 4, 0, 0, 1, 1, 0});
    }
    auto buffer = target(W, H);
    d3d->setRenderTarget(*buffer);
    core.setConstantBuffer(pixelProjection(W, H));
    core.setShaderState(nullptr, false, true);
    list.setShader();
    core.drawVertexList(picture.get(), list);
    const Picture got = download(*buffer);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            Pixel want{0, 0, 0, 0};
            if (inside(x, y, 1, 1, 4, 4))
                want = texels[size_t(y - 1) * 4 + (x - 1)];
            if (inside(x, y, 9, 9, 4, 4))
                want = texels[size_t(y - 9) * 4 + (x - 9)];
            for (int c = 0; c < 4; ++c)
                ASSERT_NEAR(got[size_t(y) * W + x][c], want[c], 2e-3f) << x << "," << y;
        }
}

TEST_F(OutputShaderTest, PolygonDrawReadsACopyAndReplacesForAlphaModes)
{
    const Picture background = fixture(W, H, 40);
    const Picture texels = fixture(8, 8, 41);
    auto picture = upload(texels, 8, 8);
    for (int mode : {0, 3, 21}) {
        SCOPED_TRACE(testing::Message() << "blend " << mode);
        auto buffer = upload(background, W, H);
        DrawState state;
        state.alpha = 0.6f;
        state.blendMode = mode;
        core.drawPolygon(state, *buffer, picture.get(), nullptr);
        Picture want = background;
        for (int y = 4; y < 12; ++y)
            for (int x = 4; x < 12; ++x) {
                const Pixel s = texels[size_t(y - 4) * 8 + (x - 4)];
                Pixel& d = want[size_t(y) * W + x];
                if (mode == 0) {
                    d = FrameModel::over(FrameModel::scaled(s, 0.6f), d);
                } else if (s[3] >= 0.001f) {
                    const Pixel o = Reference::blendMode(mode, s, d, 0.6f);
                    d = mode >= 20 ? FrameModel::half(o) : FrameModel::over(o, d);
                }
            }
        EXPECT_TRUE(TestKit::nearPicture(download(*buffer), want, W, 4e-3f));
    }
}

TEST_F(OutputShaderTest, SamplerDefaultsToBorderForTheQuadAndClampForACustomList)
{
    const Picture background = solid(W, H, {0, 0, 0, 0});
    auto picture = upload(solid(4, 4, {1, 1, 1, 1}), 4, 4);
    // Half a pixel to the right: the left edge pixel samples halfway into the border.
    auto drawWith = [&](Platform::Gpu::SamplerState* sampler) {
        output->edit = [sampler](DrawState& s) {
            s.x = 0.5f;
            s.samplerState = sampler;
        };
        return drawn(background, *picture);
    };
    auto sampler = [&](uint32_t i) { return Shader::SamplerStateList::published()->get(i); };
    const Picture border = drawWith(sampler(Shader::SamplerStateList::LinearBorder));
    const Picture clamp = drawWith(sampler(Shader::SamplerStateList::LinearClamp));
    ASSERT_NE(border, clamp);
    EXPECT_EQ(drawWith(nullptr), border);

    auto list = std::make_shared<Media::VertexListQuadPosUv>();
    list->vertices = {{-2, -2, 0, 0, 0, 1, 0}, {2, -2, 0, 1, 0, 1, 0}, {2, 2, 0, 1, 1, 1, 0}, {-2, 2, 0, 0, 1, 1, 0}};
    render.vertices = list;
    EXPECT_EQ(drawWith(nullptr), clamp);
}

TEST_F(OutputShaderTest, BillboardsUnderACameraSetTheFixedSizeFlag)
{
    const Picture background = solid(W, H, {0, 0, 0, 0});
    auto picture = upload(solid(4, 4, {0.5f, 0.25f, 0, 1}), 4, 4);
    const Picture plain = drawn(background, *picture);

    // Mode 3 without a camera: nothing changes.
    output->edit = [](DrawState& s) { s.billboard = 3; };
    EXPECT_EQ(drawn(background, *picture), plain);
    EXPECT_FALSE(render.focusFixedSize);

    Render::ControlView& camera = useCamera();
    output->edit = [](DrawState& s) { s.billboard = 0; };
    const Picture underCamera = drawn(background, *picture);
    // Mode 2 keeps the matrix but sets the flag.
    output->edit = [](DrawState& s) { s.billboard = 2; };
    EXPECT_EQ(drawn(background, *picture), underCamera);
    EXPECT_TRUE(render.focusFixedSize);
    // Mode 3 turns the picture towards the camera's direction: along z it
    // stays, looking along x it is seen edge-on and covers nothing.
    render.focusFixedSize = false;
    output->edit = [](DrawState& s) { s.billboard = 3; };
    EXPECT_EQ(drawn(background, *picture), underCamera);
    EXPECT_TRUE(render.focusFixedSize);
    camera.viewDirection = {1, 0, 0};
    EXPECT_EQ(drawn(background, *picture), background);
}

TEST_F(OutputShaderTest, CameraWithoutLightsTakesTheDepthPathAndLightsAddNormals)
{
    const Pixel colour = {0.5f, 0.25f, 0.125f, 1};
    auto picture = upload(solid(4, 4, colour), 4, 4);
    const Picture background = solid(W, H, {0, 0, 0, 0});
    useCamera();
    output->edit = [](DrawState& s) { s.shine = 0.25f; };
    {
        auto frame = makeFrame(W, H, background);
        render.drawState.target = frame.get();
        core.drawObject(render, *frame, *picture);
        const auto companions = frame->getCompanions();
        EXPECT_TRUE(companions[0] && companions[1] && companions[2]);
        EXPECT_FALSE(companions[3] || companions[4]) << "the normal companions were touched";
        const Picture got = readFrame(*frame);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                for (int c = 0; c < 4; ++c)
                    ASSERT_NEAR(got[size_t(y) * W + x][c], inside(x, y, 6, 6, 4, 4) ? colour[c] : 0.0f, 2e-3f);
        // The opaque depth is stored where the picture stands.
        const std::vector<float> depth = readFloats(frame->getDepthBuffer());
        EXPECT_LT(depth[size_t(8) * W + 8], 1e9f);
        EXPECT_EQ(depth[0], 1e10f);
    }
    {
        auto frame = makeFrame(W, H, background);
        render.drawState.target = frame.get();
        frame->getLights().push_back({});
        core.drawObject(render, *frame, *picture);
        const auto companions = frame->getCompanions();
        ASSERT_TRUE(companions[3] && companions[4]);
        const Picture normals = download(*companions[3]);
        const Pixel centre = normals[size_t(8) * W + 8];
        EXPECT_NEAR(std::fabs(centre[2]), 1.0f, 1e-3f);
        EXPECT_NEAR(centre[3], 0.25f, 1e-3f); // the gloss
        EXPECT_EQ(normals[0][3], -1.0f);      // untouched pixels keep their clear value
    }
}
