// Sections of an object, its length changes, split and join, and placing copied objects.
#include "project/model/object_list.h"
#include "tests/project/project_fixture.h"
#include "tests/support/test_support.h"

using namespace ProjectTest;
using Edit::Object;
using Edit::Scene;

namespace {

std::vector<double> pointValues(Effect::EffectItemNumber& item)
{
    std::vector<double> values;
    for (size_t i = 0; i < item.values.size(); ++i)
        values.push_back(item.getIndexValue(static_cast<int>(i)));
    return values;
}

} // namespace

class SectionTest : public ModelTest {
protected:
    Scene scene{0, 0};
};

TEST_F(SectionTest, WhereMidPointsMayGo)
{
    auto one = place(scene, 0, 5, 5);
    EXPECT_EQ(one->getSectionLength(0), 0);
    for (int f = 4; f <= 6; ++f)
        EXPECT_FALSE(one->canAddSectionAt(f));
    EXPECT_FALSE(one->canSplitSection(5));
    one->addMidPoint(5);
    EXPECT_TRUE(one->midPoints.empty());

    auto object = place(scene, 1, 100, 130);
    object->midPoints = {10, 20}; // sections 100-109, 110-119, 120-130
    const struct {
        int frame, section;
        bool add;
    } frames[] = {{99, 0, false}, {100, 0, false}, {101, 0, true},  {109, 0, true}, {110, 1, false},
                  {119, 1, true}, {120, 2, false}, {129, 2, true}, {130, 2, false}, {131, 2, false}};
    for (const auto& f : frames) {
        EXPECT_EQ(object->getSectionIndex(f.frame), f.section) << f.frame;
        EXPECT_EQ(object->canAddSectionAt(f.frame), f.add) << f.frame;
    }
    EXPECT_EQ(object->getSectionLength(2), 10);
    EXPECT_TRUE(object->canSplitSection(125));

    // On the start frame it goes one later, on the end frame one earlier.
    auto plain = place(scene, 2, 0, 10);
    plain->addMidPoint(0);
    plain->addMidPoint(10);
    EXPECT_EQ(plain->midPoints, (std::vector<int>{1, 9}));
    // Sections of one frame are passed over to the next longer one.
    plain->addMidPoint(1);
    EXPECT_EQ(plain->midPoints, (std::vector<int>{1, 2, 9}));
}

TEST_F(SectionTest, MidPointsKeepTheItemPointsInStep)
{
    auto object = place(scene, 0, 0, 10);
    Effect::EffectItemNumber& x = itemX(*object->effects[0]);
    Effect::EffectItemNumber& y = *dynamic_cast<Effect::EffectItemNumber*>(object->effects[0]->items[1]);
    x.fromString("0.0,100.0,直線移動,0");
    auto values = object->getValuesAtFrame(&scene, *object, 4, true);
    object->addMidPoint(4, &values);
    EXPECT_EQ(pointValues(x), (std::vector<double>{0.0, 40.0, 100.0}));
    EXPECT_EQ(pointValues(y), (std::vector<double>{0.0})); // no movement: one value
    object->addMidPoint(7);
    EXPECT_EQ(pointValues(x), (std::vector<double>{0.0, 40.0, 0.0, 100.0})); // no values given: the default
    object->removeMidPoint(1);
    EXPECT_EQ(object->midPoints, std::vector<int>{7});
    EXPECT_EQ(pointValues(x), (std::vector<double>{0.0, 0.0, 100.0}));
    object->removeMidPoint(0); // out of range: nothing
    object->removeMidPoint(2);
    EXPECT_EQ(object->midPoints.size(), 1u);

    x.values.clear();
    const std::string error = TestKit::errorText([&] { object->removeMidPoint(1); });
    EXPECT_NE(error.find("item value index out of range."), std::string::npos);
    EXPECT_EQ(object->midPoints.size(), 1u); // refused before anything changed
}

TEST_F(SectionTest, LengthChangesStopAtNeighbours)
{
    auto left = place(scene, 0, 0, 9);
    auto object = place(scene, 0, 20, 29);
    auto right = place(scene, 0, 40, 49);
    scene.updateLayerObject();
    const struct {
        int length;
        bool keepEnd;
        int start, end;
    } cases[] = {{5, false, 20, 24}, {5, true, 25, 29}, {0, false, 20, 20}, {1, true, 29, 29},
                 {100, false, 20, 39}, {100, true, 10, 29}, {10, false, 20, 29}};
    for (const auto& c : cases) {
        object->start = 20;
        object->end = 29;
        scene.setObjectLength(*object, c.length, c.keepEnd);
        EXPECT_EQ(object->start, c.start) << c.length << " " << c.keepEnd;
        EXPECT_EQ(object->end, c.end) << c.length << " " << c.keepEnd;
    }
    object->start = 20;
    object->end = 29;
    object->midPoints = {5};
    scene.setObjectLength(*object, 3, false); // an object with mid points keeps its length
    EXPECT_EQ(object->end, 29);

    // Section 0 of 20..29 (mid point at 25) to 8 frames: cut at the neighbour 40.
    scene.setSectionLength(*object, 0, 8);
    EXPECT_EQ(object->midPoints, std::vector<int>{8});
    EXPECT_EQ(object->end, 32);
    scene.setSectionLength(*object, 1, 30);
    EXPECT_EQ(object->end, 39);
    EXPECT_EQ(object->midPoints, std::vector<int>{8});
}

TEST_F(SectionTest, StretchScalesTheMidPoints)
{
    auto object = place(scene, 0, 100, 110);
    object->midPoints = {3, 6};
    scene.stretchObject(*object, 22); // factor 2.1
    EXPECT_EQ(object->midPoints, (std::vector<int>{6, 12}));
    EXPECT_EQ(object->end, 121);

    auto tight = place(scene, 1, 0, 30);
    tight->midPoints = {10, 20, 25};
    scene.stretchObject(*tight, 2);
    EXPECT_EQ(tight->midPoints, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(tight->end, 4);

    auto blocked = place(scene, 2, 0, 10);
    place(scene, 2, 15, 20);
    scene.updateLayerObject();
    scene.stretchObject(*blocked, 50);
    EXPECT_EQ(blocked->end, 14);
}

TEST_F(SectionTest, SplitThenJoinKeepsTheBoundaryValues)
{
    auto object = place(scene, 0, 0, 99);
    object->midPoints = {30, 60};
    Effect::EffectItemNumber& x = itemX(*object->effects[0]);
    x.fromString("0.0,30.0,60.0,99.0,直線移動,0"); // the value is the frame

    Object left, right;
    for (int refused : {0, 100, -5})
        EXPECT_FALSE(object->splitAt(refused, left, right, scene)) << refused;
    EXPECT_TRUE(left.effects.empty());

    ASSERT_TRUE(object->splitAt(45, left, right, scene));
    EXPECT_EQ(left.start, 0);
    EXPECT_EQ(left.end, 44);
    EXPECT_EQ(left.midPoints, std::vector<int>{30});
    EXPECT_EQ(pointValues(itemX(*left.effects[0])), (std::vector<double>{0.0, 30.0, 44.0}));
    EXPECT_EQ(right.start, 45);
    EXPECT_EQ(right.end, 99);
    EXPECT_EQ(right.midPoints, std::vector<int>{15});
    EXPECT_EQ(pointValues(itemX(*right.effects[0])), (std::vector<double>{45.0, 60.0, 99.0}));
    EXPECT_NE(left.effects[0], object->effects[0]); // copies

    left.layer = right.layer = 0;
    right.end = 98;
    right.start = 46; // not touching
    EXPECT_FALSE(right.joinWith(left));
    right.start = 45;
    ASSERT_TRUE(right.joinWith(left));
    EXPECT_EQ(left.end, 98);
    EXPECT_EQ(left.midPoints, (std::vector<int>{30, 45}));
    // The seam keeps the left piece's end value, the end takes the right piece's.
    EXPECT_EQ(pointValues(itemX(*left.effects[0])), (std::vector<double>{0.0, 30.0, 44.0, 99.0}));

    // Pieces of one frame at either end.
    ASSERT_TRUE(object->splitAt(1, left, right, scene));
    EXPECT_EQ(left.end - left.start, 0);
    ASSERT_TRUE(object->splitAt(99, left, right, scene));
    EXPECT_EQ(right.end - right.start, 0);
    EXPECT_EQ(right.midPoints, std::vector<int>{});
}

TEST_F(SectionTest, PastePlacementAvoidsOverlaps)
{
    place(scene, 1, 10, 20);
    scene.updateLayerObject();
    Scene source(1, 1);
    auto a = place(source, 0, 0, 5);
    auto b = place(source, 1, 3, 8);
    auto group = std::make_shared<Edit::Group>();
    for (auto& o : {a, b}) {
        o->group = group;
        group->members.insert(o.get());
    }
    Edit::ObjectList list;
    Edit::pushObjectCopy(list, *a);
    Edit::pushObjectCopy(list, *b);
    const Edit::ObjectListRange range = Edit::getObjectListRange(list);
    EXPECT_EQ(range.minLayer, 0);
    EXPECT_EQ(range.maxLayer, 1);
    EXPECT_EQ(range.end, 8);

    std::vector<std::string> recorded;
    Edit::PlacementRecorder recorder{
        [&](const std::shared_ptr<Object>& o) { recorded.push_back("create " + std::to_string(o->layer)); },
        [&](const std::shared_ptr<Object>& o) { recorded.push_back("group " + std::to_string(o->layer)); }};
    // At frame 8 the copy of b would cover 11..16 over 10..20: the paste moves to frame 18.
    Edit::ObjectList placed = Edit::pasteObjectList(scene, list, 0, 8, true, &recorder);
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0]->start, 18);
    EXPECT_EQ(placed[0]->layer, 0);
    EXPECT_EQ(placed[1]->start, 21);
    EXPECT_EQ(placed[1]->layer, 1);
    EXPECT_EQ(scene.focusObject, placed[0]);
    EXPECT_EQ(placed[0]->group, placed[1]->group);
    EXPECT_NE(placed[0]->group, group);
    EXPECT_EQ(placed[0]->group->members.size(), 2u);
    EXPECT_EQ(recorded, (std::vector<std::string>{"create 0", "group 0", "create 1", "group 1"}));

    int layerOffset = 0;
    EXPECT_FALSE(Edit::canPlaceObjectList(scene, range, 18, layerOffset));
    EXPECT_EQ(layerOffset, 1);
    while (!Edit::canPlaceObjectList(scene, range, 18, layerOffset)) {
    }
    EXPECT_EQ(layerOffset, 2);

    // A copy that would land outside the layers places nothing.
    const size_t before = scene.getLayer(0).objects.size();
    EXPECT_NE(TestKit::errorText([&] { Edit::placeObjectList(scene, list, Edit::LayerLimit - 1, 0, false); })
                  .find("invalid layer number."),
              std::string::npos);
    EXPECT_EQ(scene.getLayer(0).objects.size(), before);
    EXPECT_EQ(scene.layerCount(), 2);
}
