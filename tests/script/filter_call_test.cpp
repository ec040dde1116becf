// obj.effect on the software driver: the filters after the script, and a
// named built-in filter with parameters, equal byte for byte to that filter
// run directly.
#include "core/text.h"
#include "effects/filters/blur/bokashi_filter.h"
#include "tests/script/script_gpu_fixture.h"

using namespace ScriptTest;
using TestKit::Picture;

namespace {

class FilterCall : public ScriptGpu {
protected:
    void SetUp() override
    {
        ScriptGpu::SetUp();
        effects->registerEffect<Effect::BokashiFilter>();
    }
    // An instance as the registry makes one, with the shared shaders.
    std::shared_ptr<Effect::BokashiFilter> blur()
    {
        return std::dynamic_pointer_cast<Effect::BokashiFilter>(effects->createEffect(Effect::BokashiFilter::Name));
    }
};

} // namespace

TEST_F(FilterCall, ANamedFilterWithParametersEqualsThatFilterRunDirectly)
{
    const Picture content = fixture(12, 9, 5);
    auto direct = blur();
    direct->range.setValue(3, 0);
    direct->aspect.setValue(-0.5, 0);
    auto result = direct->filterVideo(render, upload(content, 12, 9));
    const int width = static_cast<int>(result->getWidth());
    const Picture expected = download(*result);
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        auto picture = upload(content, 12, 9);
        TestKit::LogCapture log;
        run("obj.effect('ぼかし', '範囲', 3, '縦横比', '-0.5', '明るさ', 9) obj.effect('ないフィルタ')", key, picture);
        ASSERT_TRUE(picture);
        EXPECT_EQ(int(picture->getWidth()), width);
        EXPECT_TRUE(TestKit::nearPicture(download(*picture), expected, width, 0));
        EXPECT_TRUE(log.contains("SCRIPT|probe|invalid filter effect param. effect=ぼかし param=明るさ"));
        EXPECT_TRUE(log.contains("SCRIPT|probe|invalid filter effect. effect=ないフィルタ"));
    }
}

TEST_F(FilterCall, TheFiltersAfterTheScriptRunInsideTheCallAndNothingAtTheEnd)
{
    const Picture content = fixture(10, 10, 3);
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        // The script is the last filter: the image stays as it is.
        auto self = makeEffect("obj.effect()", key);
        object->effects.resize(2);
        object->effects.push_back(self);
        auto picture = upload(content, 10, 10);
        run(*self, picture);
        EXPECT_TRUE(TestKit::nearPicture(download(*picture), content, 10, 0));
        // A blur after it runs inside the call.
        auto blur = this->blur();
        blur->range.setValue(2, 0);
        object->effects.push_back(blur);
        auto result = blur->filterVideo(render, upload(content, 10, 10));
        const Picture expected = download(*result);
        picture = upload(content, 10, 10);
        run(*self, picture);
        ASSERT_EQ(picture->getWidth(), result->getWidth());
        EXPECT_TRUE(TestKit::nearPicture(download(*picture), expected, int(result->getWidth()), 0));
        object->effects.resize(2);
    }
}
