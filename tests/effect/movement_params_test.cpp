// Movement parameter presets: the files, the names they give, the file a preset
// is saved to, and the lists the menus show.
#include "core/file_name.h"
#include "core/text.h"
#include "tests/effect/effect_fixture.h"
#include "tests/support/test_support.h"

#include <map>

using namespace Effect;

namespace {

class Presets : public EffectTest::ServiceTest {
protected:
    MovementParamsManager& manager() { return services.effects().movementParams; }
    static std::wstring write(const std::wstring& fileName, const std::string& bytes)
    {
        const std::wstring path = System::FileName::expand(L"%Default%/") + fileName;
        TestKit::writeFile(System::toLocalPath(path), bytes);
        return path;
    }
    std::map<std::wstring, std::vector<double>> presets()
    {
        std::map<std::wstring, std::vector<double>> out;
        for (auto& [name, define] : manager().presets)
            out[name] = define.params;
        return out;
    }
};

} // namespace

TEST_F(Presets, FilesNameTheirPresetsByTheirEntries)
{
    using Presets = std::map<std::wstring, std::vector<double>>;
    struct Case {
        const char* bytes;
        bool shipped;
        Presets expected;
        const char* report; // after the path, or null for none
    };
    const Case cases[] = {
        {"p=0.1,0.2\r\n", false, {{L"ease", {0.1, 0.2}}}, nullptr},
        {"a=1\nb=2 ,3x\n", false, {{L"a@ease", {1}}, {L"b@ease", {2, 3}}}, nullptr},
        {"a=1\nb=2\n", true, {{L"a", {1}}, {L"b", {2}}}, nullptr},
        // Comments, empty lines and lines without exactly one "=" are no entries.
        {"; note\n\nx=1=2\nplain\np=3\n", false, {{L"ease", {3}}}, nullptr},
        {"=1\nk=2\n", true, {{L"", {1}}, {L"k", {2}}}, nullptr},
        {"p=\n", false, {{L"ease", {}}}, nullptr},
        // A part that is no number ends the file; the presets before it stay.
        {"a=1\nb=2,\nc=3\n", false, {{L"a@ease", {1}}}, "stod"},
        {"a=1\nb=x\n", false, {{L"a@ease", {1}}}, "stod"},
        {"a=1\na=2\n", false, {{L"a@ease", {1}}}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        TestKit::ReportCapture reports;
        manager().presets.clear();
        write(L"ease.params", c.bytes);
        manager().registerMovementParams(L"%Default%/ease.params", c.shipped);
        EXPECT_EQ(presets(), c.expected);
        if (c.report)
            EXPECT_EQ(reports.messages(), std::vector<std::string>{
                                              std::string("Failed to register movement params. [%Default%/ease.params]\n\n") +
                                              c.report});
        else if (std::string(c.bytes) != "a=1\na=2\n")
            EXPECT_TRUE(reports.messages().empty());
        else
            EXPECT_EQ(reports.messages(), std::vector<std::string>{"Failed to register movement params. [a@ease]\n\n"
                                                                   "Duplicate params with the same key exist."});
    }
}

TEST_F(Presets, ASavedPresetIsOneLineThatReadsBack)
{
    const std::wstring path = MovementParamsManager::getUserFilePath(L"curve");
    MovementParamsDefine::saveMovementParamsFile(L"%Default%/curve.params", {0.25, 1, -3});
    EXPECT_EQ(TestKit::readFile(System::toLocalPath(path)), "params=0.25,1,-3\r\n");
    MovementParamsDefine::saveMovementParamsFile(path.c_str(), {10, -0.5, 1e-7, 123456.125});
    EXPECT_EQ(TestKit::readFile(System::toLocalPath(path)), "params=10,-0.5,0,123456.125\r\n");
    MovementParamsDefine::saveMovementParamsFile(path.c_str(), {});
    EXPECT_EQ(TestKit::readFile(System::toLocalPath(path)), "params=\r\n");

    MovementParamsDefine::saveMovementParamsFile(path.c_str(), {0.25, 1, -3});
    manager().reloadMovementParams();
    EXPECT_EQ(presets(), (std::map<std::wstring, std::vector<double>>{{L"curve", {0.25, 1, -3}}}));
}

TEST_F(Presets, TypedNamesStayInsideTheDefaultFolder)
{
    const std::wstring folder = System::FileName::expand(L"%Default%");
    for (const wchar_t* name : {L"../up", L"a/b", L"..", L"x\\..\\y"}) {
        const std::wstring path = MovementParamsManager::getUserFilePath(name);
        EXPECT_EQ(path.rfind(folder + L"/", 0), 0u);
        EXPECT_EQ(path.find(L'/', folder.size() + 1), std::wstring::npos) << System::wideToUtf8(path);
    }
    EXPECT_EQ(MovementParamsManager::getUserFilePath(L"ease"), folder + L"/ease.params");
}

TEST_F(Presets, AReloadGivesHigherDefaultOrdersButStoredOrdersStay)
{
    write(L"a.params", "p=1\n");
    write(L"b.params", "p=2\n");
    manager().reloadMovementParams();
    const int a = manager().presets.at(L"a").order, b = manager().presets.at(L"b").order;
    EXPECT_LT(a, b);
    manager().presets.at(L"b").order = -1;
    manager().presets.at(L"b").label = L"速い";
    manager().presets.at(L"a").label = L"速い";
    write(L"c.params", "p=3\n");
    manager().reloadMovementParams();
    EXPECT_EQ(manager().presets.at(L"a").order, a); // stored at the reload
    EXPECT_EQ(manager().presets.at(L"b").order, -1);
    EXPECT_GT(manager().presets.at(L"c").order, b + 2);

    std::vector<std::wstring> names;
    for (MovementParamsDefine* d : manager().getMovementParamsList())
        names.push_back(d->getName());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"b", L"a", L"c"}));
    const auto labels = manager().getMovementParamsLabelList();
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_STREQ(labels[0], L"速い");
}
