// Alias files: found in the alias folder, named, labelled and found again after
// an alias is saved.
#include "core/file_name.h"
#include "core/text.h"
#include "tests/effect/effect_fixture.h"
#include "tests/support/test_support.h"

using namespace Effect;

namespace {

class AliasFiles : public EffectTest::ServiceTest {
protected:
    static void write(const std::wstring& fileName)
    {
        TestKit::writeFile(System::toLocalPath(System::FileName::expand(L"%Alias%/") + fileName),
                           "[Effect.0]\r\neffect.name=none\r\n");
    }
    EffectService& registry() { return services.effects(); }
    std::vector<std::pair<std::wstring, int>> list()
    {
        std::vector<std::pair<std::wstring, int>> out;
        for (auto& alias : registry().aliases)
            out.emplace_back(alias->name, alias->kind);
        return out;
    }
    AliasDefine& alias(size_t i) { return *registry().aliases.at(i); }
};

} // namespace

TEST_F(AliasFiles, BothKindsOfOneNameRegisterWithLabelsOfTheirOwn)
{
    TestKit::LogCapture log;
    write(L"same.object");
    write(L"same.effect");
    write(L"a.b.effect");
    write(L"note.txt");
    registry().reloadAlias();
    EXPECT_EQ(list(), (std::vector<std::pair<std::wstring, int>>{{L"same", 100}, {L"a.b", 101}, {L"same", 101}}));
    EXPECT_EQ(alias(0).sectionName, "Effect.object.same");
    EXPECT_EQ(alias(2).sectionName, "Effect.effect.same");
    EXPECT_TRUE(log.contains("INFO|Effect::EffectService::registerAlias|register alias [a.b]"));

    // Saving the effect alias "same" labels the effect alias, not the object
    // alias that comes first in the list.
    registry().setAliasLabel(L"same", EffectType::EffectAlias, L"効果");
    registry().setAliasLabel(L"same", EffectType::ObjectAlias, L"物");
    registry().setAliasLabel(L"gone", EffectType::EffectAlias, L"x");
    EXPECT_EQ(alias(0).label, L"物");
    EXPECT_EQ(alias(1).label, L"");
    EXPECT_EQ(alias(2).label, L"効果");
}

TEST_F(AliasFiles, ARescanKeepsStoredOrdersAndLabelsAndPutsANewAliasLast)
{
    write(L"a.object");
    write(L"b.effect");
    registry().reloadAlias();
    const int orderA = alias(0).order, orderB = alias(1).order;
    alias(0).label = L"保存済み";

    // An alias is saved: the list is built again and the new one labelled.
    write(L"c.effect");
    registry().reloadAlias();
    registry().setAliasLabel(L"c", EffectType::EffectAlias, L"新しい");
    ASSERT_EQ(registry().aliases.size(), 3u);
    EXPECT_EQ(alias(0).order, orderA);
    EXPECT_EQ(alias(0).label, L"保存済み");
    EXPECT_EQ(alias(1).order, orderB);
    EXPECT_EQ(alias(2).label, L"新しい");

    std::vector<std::wstring> names;
    for (EffectMenuDefine* d : registry().getEffectMenuList(0, 0, 0))
        names.push_back(d->getName());
    EXPECT_EQ(names.back(), L"c");
    EXPECT_EQ(std::count(names.begin(), names.end(), L"a"), 1);
}
