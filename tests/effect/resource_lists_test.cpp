// The figure, mask and transition options of effect items come from the
// resource service's records when the effect service starts.
#include "core/file_name.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_mask.h"
#include "effect/effect_service.h"
#include "effect/resource_lists.h"
#include "media/direct2d_service.h"
#include "media/resource_service.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

using namespace Effect;

TEST(ResourceLists, FigureMaskAndTransitionOptionsFollowTheRecords)
{
    // The lists live as long as the process and keep the labels they hold: their first filling.
    if (!TestKit::inFreshProcess())
        return;
    TestKit::writeFile(System::toLocalPath(System::FileName::expand(L"%Figure%/mine.svg")), "<svg/>");
    TestKit::writeFile(System::toLocalPath(System::FileName::expand(L"%Transition%/blinds.2.png")), "");
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    services.acquire<Media::Direct2DService>();
    const Resource::ResourceService* resources = services.acquire<Resource::ResourceService>();
    services.acquire<EffectService>();

    const auto& figures = resources->figureList.figures;
    ASSERT_EQ(figures.size(), 9u);
    for (const auto& list : {EffectItemFigureSelect::getFigureList(), EffectItemMaskSelect::getMaskList()}) {
        ASSERT_EQ(list->labels.size(), figures.size());
        for (size_t i = 0; i < figures.size(); ++i)
            EXPECT_EQ(list->getLabel(static_cast<int>(i)), figures[i].name);
    }
    EXPECT_EQ(std::wstring(EffectItemFigureSelect::getFigureList()->getLabel(8)), L"mine");
    const auto& transitions = resources->transitionList.transitions;
    ASSERT_EQ(getTransitionList()->labels.size(), 8u);
    for (size_t i = 0; i < transitions.size(); ++i)
        EXPECT_EQ(getTransitionList()->getLabel(static_cast<int>(i)), transitions[i].name);
    EXPECT_EQ(getTransitionList()->getValue(L"blinds.2"), 7);

    // Items name their figures through the list.
    EffectItemList items;
    EffectItemFigureSelect heart(items, L"図形", L"ハート");
    EXPECT_EQ(heart.value, 7);
    EXPECT_EQ(EffectItemFigureSelect(items, L"図形").toString(), "円");
    EffectItemMaskSelect mask(items, L"マスク");
    EXPECT_EQ(mask.toString(), "円");
}
