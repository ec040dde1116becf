// The render object's effect-chain driver: which objects take part, which
// effects each walk reaches, and that every walk gives the current object back.
#include "tests/render/render_fixture.h"

using RenderTest::effectLog;
using RenderTest::RenderFixture;
using Lines = std::vector<std::string>;

class EffectChain : public RenderFixture {
protected:
    // The object on layer 1 with filters a to d, a filter object on layer 2
    // (filters e, f disabled, g), then a picture object on layer 4 that ends
    // the list; layer 3 is empty.
    void SetUp() override
    {
        RenderFixture::SetUp();
        drawn = image(1, 0, 99, {1, 0, 0, 1}).object;
        for (const char* tag : {"a", "b", "c", "d"})
            filters.push_back(addFilter(drawn, tag));
        below = scene->createObject(RenderTest::TestFilter::Name, 2, 0, 99);
        dynamic_cast<RenderTest::TestFilter*>(below->effects[0].get())->tag = "e";
        addFilter(below, "f")->disable = true;
        addFilter(below, "g");
        image(4, 0, 99, {0, 1, 0, 1});
        image(5, 0, 99, {0, 0, 1, 1}); // never reached
        scene->updateLayerObject();
        r.scene = scene;
        r.frame = 10;
        r.time = 10;
        r.resetObject(drawn);
        r.collectFilterObjects(Effect::MediaType::Video);
        effectLog().take();
    }

    std::shared_ptr<Edit::Object> drawn, below;
    std::vector<RenderTest::TestFilter*> filters;
    Render::RenderObject r;
};

TEST_F(EffectChain, ListHoldsTheObjectAndTheFilterObjectsUpToTheNextObject)
{
    ASSERT_TRUE(r.objectList);
    EXPECT_EQ(*r.objectList, (Render::ObjectList{drawn, below}));
}

TEST_F(EffectChain, FiltersRunInChainOrderAfterTheGivenEffect)
{
    struct Case {
        const Effect::EffectBase* after;
        Lines filtered;
    };
    const Case cases[] = {
        {nullptr, {"a", "b", "c", "d", "e", "g"}},
        {filters[2], {"d", "e", "g"}}, // after the third filter: the rest, then the filter objects'
        {filters[3], {"e", "g"}},
    };
    for (const Case& c : cases) {
        r.resetObject(below); // a walk gives back whatever was current
        auto picture = upload({{1, 1, 1, 1}}, 1, 1);
        picture = r.applyFilterEffects(std::move(picture), c.after);
        EXPECT_TRUE(picture);
        EXPECT_EQ(r.object, below);
        Lines filtered;
        for (const std::string& line : effectLog().take())
            filtered.push_back(line.substr(7, 1));
        EXPECT_EQ(filtered, c.filtered);
    }
}

TEST_F(EffectChain, EmptyFilterResultEndsTheWalk)
{
    filters[1]->ends = true;
    auto picture = r.applyFilterEffects(upload({{1, 1, 1, 1}}, 1, 1), nullptr);
    EXPECT_FALSE(picture);
    EXPECT_EQ(effectLog().take(), (Lines{"filter a L1 f10 spare 0", "filter b L1 f10 spare 0"}));
}

TEST_F(EffectChain, PreparationReachesEnabledInputsAndFiltersOnly)
{
    r.prepareEffects();
    EXPECT_EQ(effectLog().take(), (Lines{"prepare a L1 f10", "prepare b L1 f10", "prepare c L1 f10", "prepare d L1 f10",
                                         "prepare e L2 f10", "prepare g L2 f10"}));
    EXPECT_EQ(r.object, drawn);
}

TEST_F(EffectChain, FilteringWithoutHandlesRestoresThemAndPassesFixedSizeOn)
{
    Anchor::AnchorList anchors;
    r.anchors = &anchors;
    r.focusFixedSize = true;
    Render::RenderObject caller;
    auto picture = r.applyFilterEffectsWithoutAnchor(upload({{1, 1, 1, 1}}, 1, 1), filters[3], &caller);
    EXPECT_TRUE(picture);
    EXPECT_EQ(r.anchors, &anchors);
    EXPECT_TRUE(caller.focusFixedSize);

    // Handles of the filters and of the output come only while anchors are gathered.
    r.setFilterAnchor(4, 4);
    r.setOutputAnchor(4, 4);
    EXPECT_EQ(effectLog().take(), (Lines{"filter e L2 f10 spare 0", "filter g L2 f10 spare 0", "anchor a L1 f10",
                                         "anchor b L1 f10", "anchor c L1 f10", "anchor d L1 f10", "anchor e L2 f10",
                                         "anchor g L2 f10", "anchor L1 f10 4x4"}));
    r.anchors = nullptr;
    r.setFilterAnchor(4, 4);
    r.setOutputAnchor(4, 4);
    EXPECT_TRUE(effectLog().take().empty());
}

TEST_F(EffectChain, FrameAudioRangeFollowsTheSceneRates)
{
    scene->audioRate = 48000;
    scene->videoRate = 30000;
    scene->videoScale = 1001;
    drawn->start = 3;
    const auto at = [](int64_t f) { return std::llround(48000.0 * f * 1001 / 30000); };
    int64_t total = 0;
    for (int frame = 0; frame < 40; ++frame) {
        r.frame = frame;
        const auto range = r.getFrameAudioRange();
        EXPECT_EQ(range.audioRate, 48000);
        EXPECT_EQ(range.first, at(frame));
        EXPECT_TRUE(range.count == 1601 || range.count == 1602) << frame;
        EXPECT_EQ(range.offset, at(frame) - at(3));
        total += range.count;
    }
    EXPECT_EQ(total, at(40) - at(0));
}
