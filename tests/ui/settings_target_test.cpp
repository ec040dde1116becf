// The sub-windows' targets and labels.
#include "tests/ui/settings_fixture.h"
#include "ui/settings/subwindows/effect_item_target.h"

using namespace SettingsTest;

namespace {
class SubWindowTarget : public SettingsFixture {};
} // namespace

TEST_F(SubWindowTarget, LabelsNameTheObjectForOutputsAndListGroupsFromTheItem)
{
    auto text = scene().createObject(TextSource::Name, 0, 0, 99);
    text->setFilterEffect(Effect::EffectService::Get()->findEffect(AllKinds::Name));
    const auto& output = text->effects[1];
    AllKinds& filter = kinds(text);
    // An output's item is named after the object's top effect; a filter's after the filter.
    EXPECT_EQ(Component::colorTargetLabel({text, output, output->items[0]}), L"テキスト [X]");
    EXPECT_EQ(Component::colorTargetLabel({text, text->effects[2], &filter.color}), L"全種類 [色]");

    auto& top = dynamic_cast<TextSource&>(*text->effects[0]);
    Effect::EffectItemNumber y{top.items, L"Y", 0, -1, 1, 1}, z{top.items, L"Z", 0, -1, 1, 1};
    Effect::EffectItemNumber::Group group;
    Effect::EffectItemNumber::makeGroup(group, {&top.number, &y, &z});
    EXPECT_EQ(Component::numberTargetLabel({text, text->effects[0], &z}), L"テキスト [Z,数値,Y]");
    EXPECT_EQ(Component::numberTargetLabel({text, text->effects[0], &y}), L"テキスト [Y,Z,数値]");
    EXPECT_EQ(Component::numberTargetLabel({text, text->effects[2], &filter.number}), L"全種類 [数値]");

    // Time-control targets: none until a movement has the curve; a group through its first member.
    EXPECT_TRUE(Component::timeControlTargets(text).empty());
    for (auto* item : {&top.number, &y, &z})
        setMovement(*item, L"直線移動(時間制御)");
    setMovement(filter.number, L"直線移動(時間制御)");
    const auto targets = Component::timeControlTargets(text);
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_EQ(targets[0].item, &top.number);
    EXPECT_EQ(targets[1].item, &filter.number);
    top.items.pop_back();
    top.items.pop_back();

    // The text target: the top effect's first text item, only on a text object.
    EXPECT_EQ(Component::textTarget(text).item, &top.text);
    auto image = placeAll(1);
    EXPECT_FALSE(Component::textTarget(image)) << "text items elsewhere do not count";
}
