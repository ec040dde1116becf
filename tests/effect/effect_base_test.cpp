// The effect base: media compatibility, default operations, the object lookup
// on a layer and the camera's target-layer item.
#include "effect/effect_item_layer.h"
#include "media/resource_buffer.h"
#include "project/model/layer.h"
#include "project/model/scene.h"
#include "tests/effect/effect_fixture.h"
#include "tests/support/test_support.h"

using namespace Effect;

namespace {

// An effect of any header whose output places the object at a fixed point.
class Placed : public EffectBase {
public:
    Placed(uint8_t type, uint8_t media, float x = 0, float y = 0, float z = 0)
        : EffectBase(L"placed", type, media, media, L""), x(x), y(y), z(z)
    {
    }
    std::shared_ptr<EffectBase> create() override { return nullptr; }
    Render::RenderObject::DrawState getOutputView(Render::RenderObject& object) override
    {
        Render::RenderObject::DrawState s;
        // The position moves with the frame so that the lookup frame shows.
        s.x = x + object.frame;
        s.y = y;
        s.z = z;
        return s;
    }
    float x, y, z;
};

std::shared_ptr<Edit::Object> place(Edit::Scene& scene, int layer, int start, int end,
                                    std::vector<std::shared_ptr<EffectBase>> effects)
{
    std::shared_ptr<Edit::Object> object = scene.addObject(layer, start, end);
    object->effects = std::move(effects);
    scene.updateLayerObject();
    return object;
}

} // namespace

TEST(MediaTypes, CompatibilityRule)
{
    const uint8_t yes[][2] = {{1, 3}, {2, 3}, {3, 1}, {3, 2}, {3, 5}, {4, 4}, {5, 5}, {1, 1}};
    const uint8_t no[][2] = {{3, 4}, {1, 2}, {4, 1}, {5, 3}, {2, 1}, {4, 3}, {5, 1}};
    for (auto& c : yes)
        EXPECT_TRUE(mediaCompatible(c[0], c[1])) << int(c[0]) << "," << int(c[1]);
    for (auto& c : no)
        EXPECT_FALSE(mediaCompatible(c[0], c[1])) << int(c[0]) << "," << int(c[1]);
    for (uint8_t held = 1; held <= 5; ++held)
        EXPECT_TRUE(mediaCompatible(held, 0));
}

TEST(EffectBaseDefaults, OperationsLeftOutSayWhichOne)
{
    EffectTest::Services services;
    EffectTest::SampleFilter filter;
    Render::RenderObject object;
    EXPECT_STREQ(filter.getName(), L"サンプル");
    struct Case {
        std::function<void()> call;
        const char* place;
    } cases[] = {
        {[&] { filter.inputVideo(object); }, "Effect::EffectBase::inputVideo"},
        {[&] { filter.getOutputView(object); }, "Effect::EffectBase::getOutputView"},
        {[&] { filter.filterVideo(object, nullptr); }, "Effect::EffectBase::filterVideo"},
        {[&] { filter.getLayerRange(); }, "Effect::EffectBase::getLayerRange"},
        {[&] { filter.getWaveformPosition(object); }, "Effect::EffectBase::getWaveformPosition"},
    };
    for (const Case& c : cases) {
        const std::string text = TestKit::errorText(c.call);
        EXPECT_EQ(text.rfind("not implement.", 0), 0u) << text;
        EXPECT_NE(text.find(c.place), std::string::npos) << text;
    }
    // The quiet defaults.
    filter.preInputVideo(object);
    filter.controlVideo(object);
    filter.createAnchor(object, 1, 1);
    EXPECT_EQ(filter.getDefaultInputEffect(), nullptr);
    EXPECT_EQ(filter.getAudioInfo(0), 0);
    EXPECT_FALSE(filter.getWaveform());
    ItemEvent event;
    EXPECT_FALSE(filter.itemEvent(event));
    EXPECT_FALSE(filter.isSupportedFile(L"a.png"));
    EXPECT_EQ(filter.items.size(), 3u);
    EXPECT_EQ(filter.items[0], &filter.size); // declaration order
}

class FindObject : public EffectTest::ServiceTest {
protected:
    Edit::Scene scene{0, 0};
};

TEST_F(FindObject, FindsTheObjectOverTheFrameWithFittingMedia)
{
    auto input = std::make_shared<Placed>(EffectType::Input, MediaType::Video);
    auto output = std::make_shared<Placed>(EffectType::Output, MediaType::Video);
    auto first = place(scene, 1, 0, 9, {input, output});
    auto second = place(scene, 1, 20, 29, {std::make_shared<Placed>(EffectType::Input, MediaType::VideoAudio),
                                           output});
    EXPECT_EQ(scene.findObject(1, 0, 0), first);
    EXPECT_EQ(scene.findObject(1, 9, 0), first);
    EXPECT_EQ(scene.findObject(1, 15, 0), nullptr); // in the gap
    EXPECT_EQ(scene.findObject(1, 20, 0), second);
    EXPECT_EQ(scene.findObject(1, 30, 0), nullptr);
    EXPECT_EQ(scene.findObject(1, 5, MediaType::Audio), nullptr);
    EXPECT_EQ(scene.findObject(1, 25, MediaType::Audio), second);
    EXPECT_EQ(scene.findObject(1, 5, MediaType::VideoAudio), first);
    EXPECT_EQ(scene.findObject(-1, 5, 0), nullptr);
    EXPECT_EQ(scene.findObject(7, 5, 0), nullptr);
    scene.layers.at(1).layer->hide = true;
    EXPECT_EQ(scene.findObject(1, 5, 0), nullptr);
}

TEST_F(FindObject, EnabledEffectsDecide)
{
    auto top = std::make_shared<Placed>(EffectType::Input, MediaType::Video);
    auto source = place(scene, 0, 0, 10, {top, std::make_shared<Placed>(EffectType::Output, MediaType::Video)});
    top->disable = true;
    EXPECT_EQ(scene.findObject(0, 5, 0), nullptr);

    // A filter object counts while any of its effects is enabled, even with its top effect off.
    auto a = std::make_shared<Placed>(EffectType::Filter, MediaType::Video);
    auto b = std::make_shared<Placed>(EffectType::Filter, MediaType::Video);
    auto filters = place(scene, 2, 0, 10, {a, b});
    a->disable = true;
    EXPECT_EQ(scene.findObject(2, 5, 0), filters);
    b->disable = true;
    EXPECT_EQ(scene.findObject(2, 5, 0), nullptr);
}

TEST_F(FindObject, LayerObjectItemAimsAtTheObjectsOfItsLayers)
{
    auto output = std::make_shared<Placed>(EffectType::Output, MediaType::Video, 100, 200, 300);
    place(scene, 0, 0, 100, {std::make_shared<Placed>(EffectType::Input, MediaType::Video), output});
    place(scene, 1, 0, 100,
          {std::make_shared<Placed>(EffectType::Input, MediaType::Video),
           std::make_shared<Placed>(EffectType::Output, MediaType::Video, -50, 0, 0)});
    place(scene, 2, 0, 100, {std::make_shared<Placed>(EffectType::Filter, MediaType::Video)});

    EffectItemList items;
    EffectItemLayerObject target(items, L"対象レイヤー");
    target.fromString("1,2,直線移動,0"); // layer 1 (index 0) to layer 2 (index 1)
    auto camera = EffectTest::makeObject(0, 100);
    Render::RenderObject r = EffectTest::renderAt(camera, 50);
    r.scene = &scene;
    const auto p = target.getPosition(r);
    // Halfway between (100 + 50, 200, 300) and (-50 + 50, 0, 0).
    EXPECT_FLOAT_EQ(p.x, 75.0f);
    EXPECT_FLOAT_EQ(p.y, 100.0f);
    EXPECT_FLOAT_EQ(p.z, 150.0f);
    EXPECT_EQ(target.values, (std::vector<int32_t>{1, 2})); // nothing of the item changed

    // No layer (0), a filter object, or a layer beyond the last give the origin at that point.
    for (const char* text : {"0", "3", "9"}) {
        target.fromString(text);
        const auto q = target.getPosition(r);
        EXPECT_FLOAT_EQ(q.x, 0.0f) << text;
        EXPECT_FLOAT_EQ(q.z, 0.0f) << text;
    }
}
