// The filter stage of 材質設定(カメラ制御) and of the script effects: the gloss
// of the drawing state, and a script pass whose script fails logging one
// warning and ending the chain with the picture released. Also the rows of
// the light, decoration, processing, placement and material classes in the
// table, in menu order.
#include "core/text.h"
#include "effect/effect_define.h"
#include "effect/script_service.h"
#include "effects/objects/material_setting.h"
#include "effects/objects/script_edit.h"
#include "effects/objects/script_effect_kinds.h"
#include "script/lua_script.h"
#include "tests/effects/filters/filter_fixture.h"
#include "tests/support/test_support.h"

namespace FilterTest {
namespace {

using namespace Effect;

class MaterialScriptTest : public FilterFixture {};

TEST_F(MaterialScriptTest, MaterialSettingSetsTheGloss)
{
    auto f = make<MaterialSetting>();
    EXPECT_FLOAT_EQ(render.drawState.shine, 0.7f); // the drawing state's default
    for (const auto& [gloss, shine] : {std::pair{0.0, 0.0f}, std::pair{70.0, 0.7f}, std::pair{100.0, 1.0f}}) {
        f->gloss.setValue(gloss, 0);
        auto image = upload(fixture());
        Media::ResourceBuffer* raw = image.get();
        EXPECT_EQ(f->filterVideo(render, std::move(image)).get(), raw); // the picture itself
        EXPECT_FLOAT_EQ(render.drawState.shine, shine);
    }
}

TEST_F(MaterialScriptTest, AFailingScriptLogsOnceAndEndsTheChain)
{
    auto* engines = services.acquire<Plugin::ScriptService>();
    engines->registerPlugin<Plugin::LuaJitScript>();
    // The registry's steps: the prototype's resource takes the default engine.
    ScriptEdit prototype;
    prototype.createCommonResource();
    ASSERT_TRUE(prototype.getCommonResource()->engine);
    EXPECT_EQ(prototype.getCommonResource()->engine->key, "luaJIT");
    auto edit = std::dynamic_pointer_cast<ScriptEdit>(prototype.create());
    edit->shareResource(prototype);
    edit->script.text = L"obj.alpha = 0.5 error('broken')";

    ScriptFilter filter(L"テストスクリプト");
    filter.createCommonResource();
    filter.getCommonResource()->engine = engines->findScriptPlugin(nullptr);
    filter.getCommonResource()->text = "error('broken')";

    for (EffectBase* effect : std::initializer_list<EffectBase*>{edit.get(), &filter}) {
        const std::string place = effect == &filter ? "Effect::ScriptFilter::filterVideo"
                                                    : "Effect::ScriptEdit::filterVideo";
        SCOPED_TRACE(place);
        TestKit::LogCapture log;
        auto input = upload(fixture());
        d3d->context->finish();
        std::weak_ptr<Platform::Gpu::Texture> texture = input->getShaderResourceView()->texturePtr();
        EXPECT_EQ(effect->filterVideo(render, std::move(input)), nullptr);
        d3d->context->finish();
        EXPECT_TRUE(texture.expired()); // the picture given to the pass is released
        std::vector<std::string> warnings;
        for (const std::string& line : log.lines())
            if (line.rfind("WARN|", 0) == 0)
                warnings.push_back(line);
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0].substr(0, 5 + place.size() + 1), "WARN|" + place + "|");
        EXPECT_NE(warnings[0].find("script exception: "), std::string::npos);
        EXPECT_NE(warnings[0].find("]:1: broken"), std::string::npos) << warnings[0];
    }
}

TEST_F(MaterialScriptTest, TheTableHoldsEachClassAtItsRow)
{
    struct Row {
        const wchar_t* name;
        const wchar_t* category;
    } const rows[] = {
        {L"グロー", L"光効果"},          {L"発光", L"光効果"},         {L"閃光", L"光効果"},
        {L"拡散光", L"光効果"},          {L"ライト", L"光効果"},       {L"色ずれ", L"光効果"},
        {L"縁取り", L"装飾"},            {L"ドロップシャドウ", L"装飾"}, {L"凸エッジ", L"装飾"},
        {L"シャープ", L"加工"},          {L"ノイズ除去", L"加工"},     {L"インターレース解除", L"加工"},
        {L"ノイズ", L"加工"},            {L"モザイク", L"加工"},       {L"オフスクリーン描画", L""},
        {L"画像ループ", L"配置"},        {L"オブジェクト分割", L"配置"},
        {L"フェード", L"切り替え効果"},  {L"ワイプ", L"切り替え効果"}, {L"振動", L"アニメーション効果"},
        {L"スクリプト制御", L"アニメーション効果"}, {L"材質設定(カメラ制御)", L"カメラ制御"},
        {L"座標", L"基本効果"},
    };
    std::vector<std::wstring> menu, want;
    for (Effect::EffectMenuDefine* entry : effects->getEffectMenuList(0, 0, 0))
        for (const Row& row : rows)
            if (std::wstring(entry->getName()) == row.name)
                menu.push_back(row.name);
    for (const Row& row : rows) {
        SCOPED_TRACE(System::wideToUtf8(row.name));
        want.push_back(row.name);
        Effect::EffectDefine& define = effects->findEffect(row.name);
        ASSERT_TRUE(define.prototype);
        EXPECT_EQ(define.getEffectType(), Effect::EffectType::Filter);
        EXPECT_EQ(define.getMediaType(), Effect::MediaType::Video);
        EXPECT_EQ(define.getObjectMediaType(), Effect::MediaType::Video);
        EXPECT_EQ(std::wstring(define.prototype->category), row.category);
    }
    EXPECT_EQ(menu, want);
}

} // namespace
} // namespace FilterTest
