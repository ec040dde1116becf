// The render object's drawing-state matrices, its output view and moving it in time.
#include "media/render_buffer.h"
#include "render/render_object.h"
#include "tests/render/control_fixture.h"

#include <gtest/gtest.h>

using Math::float4;
using Math::float4x4;
using Render::RenderObject;
using RenderTest::FixedControl;

namespace {

void expectPoint(const float4& p, float x, float y, float z, float w, float tolerance = 1e-4f)
{
    EXPECT_NEAR(p.x, x, tolerance);
    EXPECT_NEAR(p.y, y, tolerance);
    EXPECT_NEAR(p.z, z, tolerance);
    EXPECT_NEAR(p.w, w, tolerance);
}

void expectMatrix(const float4x4& a, const float4x4& b)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a.m[i][j], b.m[i][j], 1e-5f) << "row " << i << " column " << j;
}

// Distinct, recognisable matrices.
float4x4 marked(float k)
{
    return Math::scaling(k, k + 1, k + 2) * Math::translation(k, -k, 2 * k);
}

} // namespace

TEST(DrawState, ObjectMatrixAppliesCentreZoomRotationsThenPosition)
{
    RenderObject::DrawState s;
    s.rz = 90;
    expectPoint(float4{1, 0, 0, 1} * s.getObjectMatrix(), 0, 1, 0, 1);

    // Z first, then Y, then X: (1, 0, 0) turns to +y about Z, then to +z about X.
    s.rx = 90;
    expectPoint(float4{1, 0, 0, 1} * s.getObjectMatrix(), 0, 0, 1, 1);

    RenderObject::DrawState t;
    t.cx = 10;
    t.sx = t.sy = t.sz = 2;
    t.rz = 90;
    t.x = 100;
    t.y = 50;
    t.z = -3;
    expectPoint(float4{10, 0, 0, 1} * t.getObjectMatrix(), 100, 50, -3, 1); // the centre stays on the position
    expectPoint(float4{11, 0, 0, 1} * t.getObjectMatrix(), 100, 52, -3, 1);
    // The rotation matrix is the same without centre and position.
    expectPoint(float4{1, 0, 0, 0} * t.getRotationMatrix(), 0, 2, 0, 0);
}

TEST(DrawState, ScreenMatrixPutsTheFramePlaneOnItsPixels)
{
    RenderObject::DrawState s;
    // The right edge of a 1920 x 1080 frame at the frame's plane.
    expectPoint(float4{960, 0, 0, 1} * s.getScreenMatrix(1920, 1080), 1024, 0, 51.2f, 1024);

    // Wherever the state moves the vanishing point, a point at z 0 lands on its
    // pixel (y up in clip space), with depth 51.2 / (z + 1024).
    s.x = 300;
    s.y = -200;
    for (float z : {0.0f, 500.0f, -400.0f}) {
        const float4 c = float4{480, 270, z, 1} * s.getScreenMatrix(1920, 1080);
        EXPECT_NEAR(c.z / c.w, 51.2f / (z + 1024), 1e-6f) << z;
        if (z == 0) {
            EXPECT_NEAR(c.x / c.w, 0.5f, 1e-6f);
            EXPECT_NEAR(c.y / c.w, -0.5f, 1e-6f);
        }
    }
    // A point further away moves towards the vanishing point, the state's position.
    const float4 far = float4{480, 270, 1024, 1} * s.getScreenMatrix(1920, 1080);
    const float vanishX = 2 * 300.f / 1920;
    EXPECT_NEAR(far.x / far.w, (0.5f + vanishX) / 2, 1e-6f);
}

TEST(DrawState, ControlReferencesChooseTheMatrices)
{
    Media::RenderBuffer target(Media::Format::R16G16B16A16Float);
    target.setSize(640, 360);
    auto camera = std::make_shared<FixedControl>();
    camera->viewProjection = marked(2);
    auto group = std::make_shared<FixedControl>();
    group->groupMatrix = marked(3);
    group->groupView = marked(4);

    RenderObject::DrawState s;
    s.target = &target;
    s.x = 12;
    s.y = -7;
    s.z = 30;
    s.rz = 45;
    const float4x4 object = s.getObjectMatrix();
    const float4x4 screen = s.getScreenMatrix(640, 360);

    struct Case {
        bool camera, group;
        float4x4 world, view, groupView;
    };
    const Case cases[] = {
        {false, false, object, screen, Math::translation(0, 0, -30) * screen},
        {false, true, object * group->groupMatrix, group->groupView, group->groupMatrix * group->groupView},
        {true, false, object, camera->viewProjection, camera->viewProjection},
        {true, true, object * group->groupMatrix, camera->viewProjection, group->groupMatrix * camera->viewProjection},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "camera " << c.camera << " group " << c.group);
        s.cameraControl = c.camera ? RenderTest::controlObject(camera) : nullptr;
        s.groupControl = c.group ? RenderTest::controlObject(group) : nullptr;
        expectMatrix(s.getWorldMatrix(), c.world);
        expectMatrix(s.getViewMatrix(), c.view);
        expectMatrix(s.getGroupViewMatrix(), c.groupView);
        expectMatrix(s.getWorldViewMatrix(), c.world * c.view);
    }

    // Without a group view the position itself maps onto its pixel.
    s.cameraControl = s.groupControl = nullptr;
    const float4 p = float4{s.x, s.y, s.z, 1} * s.getGroupViewMatrix();
    EXPECT_NEAR(p.x / p.w * 320, 12, 1e-3f);
    EXPECT_NEAR(-p.y / p.w * 180, -7, 1e-3f);
}

namespace {

// Places the object at a mark so the test sees whose view it got.
class MarkView : public Effect::EffectBase {
public:
    MarkView(uint8_t type, float mark)
        : EffectBase(L"目印", type, Effect::MediaType::Video, Effect::MediaType::Video, L"テスト"), mark(mark)
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<MarkView>(effectType, mark); }
    RenderObject::DrawState getOutputView(RenderObject& object) override
    {
        RenderObject::DrawState s = object.drawState;
        s.x = mark;
        s.y = static_cast<float>(object.sectionPosition.sectionIndex);
        seen = object.object.get();
        return s;
    }
    float mark;
    Edit::Object* seen = nullptr;
};

std::shared_ptr<Edit::Object> objectWith(std::vector<std::shared_ptr<Effect::EffectBase>> effects, int start, int end,
                                         std::vector<int> mids = {})
{
    auto o = std::make_shared<Edit::Object>();
    o->effects = std::move(effects);
    o->start = start;
    o->end = end;
    o->midPoints = std::move(mids);
    return o;
}

} // namespace

TEST(RenderObject, OutputViewComesFromTheControlOrTheObjectsOwnOutput)
{
    auto input = std::make_shared<MarkView>(Effect::EffectType::Input, 1);
    auto output = std::make_shared<MarkView>(Effect::EffectType::Output, 2);
    auto filterInput = std::make_shared<MarkView>(Effect::EffectType::Filter, 3);
    auto control = std::make_shared<MarkView>(Effect::EffectType::Control, 4);
    auto drawn = objectWith({input, output}, 0, 99, {50});
    auto filterObject = objectWith({filterInput}, 0, 99);
    auto controlOwner = objectWith({control}, 0, 99);

    RenderObject r;
    r.frame = 60;
    r.time = 60;
    r.objectList = std::make_shared<std::vector<std::shared_ptr<Edit::Object>>>(
        std::vector<std::shared_ptr<Edit::Object>>{drawn, filterObject});

    r.resetObject(drawn);
    EXPECT_EQ(r.getOutputView().x, 2);

    // While a filter object below is current, the drawn object's output answers
    // at its own section position; the filter object is current again afterwards.
    r.resetObject(filterObject);
    const RenderObject::DrawState view = r.getOutputView();
    EXPECT_EQ(view.x, 2);
    EXPECT_EQ(view.y, 1); // frame 60 lies in the drawn object's second section
    EXPECT_EQ(output->seen, drawn.get());
    EXPECT_EQ(r.object, filterObject);
    EXPECT_EQ(r.sectionPosition.sectionIndex, 0);

    r.resetObject(controlOwner);
    EXPECT_EQ(r.getOutputView().x, 4);
}

TEST(RenderObject, SetTimeMovesFrameAndSectionPosition)
{
    // A frame on a mid-point belongs to the section that starts there.
    RenderObject m;
    m.frame = 50;
    m.time = 50;
    m.resetObject(objectWith({}, 10, 109, {40, 70}));
    EXPECT_EQ(m.sectionPosition.sectionIndex, 1);
    EXPECT_EQ(m.sectionPosition.sectionCount, 3);
    EXPECT_DOUBLE_EQ(m.sectionPosition.sectionTime, 0.0);
    EXPECT_EQ(m.sectionPosition.sectionLength, 30);
    EXPECT_DOUBLE_EQ(m.sectionPosition.progress, 40.0 / 99);

    RenderObject r;
    r.resetObject(objectWith({}, 10, 109, {40}));
    r.setTime(55.75);
    EXPECT_EQ(r.frame, 55);
    EXPECT_DOUBLE_EQ(r.time, 55.75);
    EXPECT_EQ(r.sectionPosition.sectionIndex, 1);
    EXPECT_DOUBLE_EQ(r.sectionPosition.sectionTime, 5.75);
}
