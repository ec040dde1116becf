// The filter skeleton: 色ずれ against its reference (sizes, margins, kinds),
// one shader set per class shared by every instance, constants written per
// pass, every pass consuming its input when a device call throws, and the
// table's rows in menu order.
#include "effects/filters/basic/basic_effects.h"
#include "effects/filters/blur/blur_direction_filter.h"
#include "effects/filters/blur/blur_filter.h"
#include "effects/filters/blur/bokashi_filter.h"
#include "effects/filters/blur/bokeh_filter.h"
#include "effects/filters/blur/border_blur_filter.h"
#include "effects/filters/skeleton/color_shift_filter.h"
#include "tests/effects/filters/filter_reference.h"

namespace FilterTest {
namespace {

using Effect::ColorShiftFilter;

struct ShiftCase {
    float width, angle, strength;
    int kind;
    int grownX, grownY; // margins on each side
};

Image colorShift(const Image& in, const ShiftCase& c)
{
    const float theta = static_cast<float>(c.angle * 3.14159265358979323846 / 180.0);
    const float sx = -std::sin(theta) * c.width, sy = std::cos(theta) * c.width;
    const int mx = int(std::ceil(std::fabs(sx) - 0.001f)), my = int(std::ceil(std::fabs(sy) - 0.001f));
    const float t[2] = {sx / in.width, sy / in.height}, m[2] = {-t[0], -t[1]}, o[2] = {0, 0};
    const float* shifts[6][3] = {{t, m, o}, {t, o, m}, {o, t, m}, {t, m, o}, {t, o, m}, {o, t, m}};
    const float alpha = c.strength * 0.01f;
    return Ref::generate(in.width + 2 * mx, in.height + 2 * my, [&](int x, int y) {
        const float px = x + 0.5f - mx, py = y + 0.5f - my;
        const float u = px / in.width, v = py / in.height;
        Pixel s[3];
        for (int k = 0; k < 3; ++k)
            s[k] = Reference::sample(in.pixels, in.width, in.height, u + shifts[c.kind][k][0], v + shifts[c.kind][k][1],
                                     true, 4, 4);
        const float a = (s[0][3] + s[1][3] + s[2][3]) / 3;
        Pixel shifted{s[0][0], s[1][1], s[2][2], a};
        if (c.kind < 3)
            for (int k = 0; k < 3; ++k)
                shifted[k] *= a;
        const Pixel c0 = in.at(int(px), int(py));
        Pixel out;
        for (int k = 0; k < 4; ++k)
            out[k] = c0[k] + (shifted[k] - c0[k]) * alpha;
        return out;
    });
}

class SkeletonTest : public FilterFixture {
protected:
    std::shared_ptr<ColorShiftFilter> shift(const ShiftCase& c)
    {
        auto f = make<ColorShiftFilter>();
        f->width.setValue(c.width, 0);
        f->angle.setValue(c.angle, 0);
        f->strength.setValue(c.strength, 0);
        f->kind.value = c.kind;
        return f;
    }
};

TEST_F(SkeletonTest, ColorShiftMatchesTheReference)
{
    const Image in = fixture();
    const ShiftCase cases[] = {
        {0, 90, 100, 0, 0, 0},     // no shift: the input
        {3, 90, 100, 0, 3, 0},     // 3 to each side, the vertical residue below 0.001
        {3.1f, 90, 100, 0, 4, 0},
        {3, 0, 100, 1, 0, 3},      // 角度 0 shifts vertically
        {3, 90, 0, 0, 3, 0},       // strength 0: the input on a larger canvas
        {3, 90, 100, 3, 3, 0},     // "B": colours as sampled
        {3, 90, 60, 5, 3, 0},
        {2.5f, 30, 100, 2, 2, 3},  // between texels
    };
    for (const ShiftCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "width " << c.width << " angle " << c.angle << " strength " << c.strength
                                        << " kind " << c.kind);
        const Image got = filter(*shift(c), in);
        EXPECT_EQ(got.width, in.width + 2 * c.grownX);
        EXPECT_EQ(got.height, in.height + 2 * c.grownY);
        // Linear filtering on the device weighs with 8-bit fractions.
        EXPECT_TRUE(near(got, colorShift(in, c), 1.0f / 128));
    }
}

TEST_F(SkeletonTest, ColorShiftMarginsAtStrengthZero)
{
    // The picture centred on the larger canvas; the margins transparent except
    // the column left of it and the row above it, which repeat its first ones.
    const Image in = stored(solid(4, 3, {0.2f, 0.4f, 0.6f, 1}));
    const Image got = filter(*shift({2, 45, 0, 0, 2, 2}), in);
    ASSERT_EQ(got.width, 8);
    ASSERT_EQ(got.height, 7);
    EXPECT_EQ(got.at(1, 2), in.at(0, 0));
    EXPECT_EQ(got.at(2, 1), in.at(0, 0));
    EXPECT_EQ(got.at(1, 1), in.at(0, 0));
    EXPECT_EQ(got.at(0, 2)[3], 0.0f);
    EXPECT_EQ(got.at(6, 3)[3], 0.0f);
    EXPECT_EQ(got.at(3, 5)[3], 0.0f);
    EXPECT_EQ(got.at(5, 4), in.at(3, 2));
}

TEST_F(SkeletonTest, TwoInstancesShareOneSetAndWriteTheirOwnConstants)
{
    const ShiftCase first{2, 90, 100, 0, 2, 0}, second{1, 0, 50, 4, 0, 1};
    auto a = shift(first), b = shift(second);
    auto& prototype = core<ColorShiftFilter>();
    EXPECT_EQ(a->commonResource(), prototype.commonResource());
    EXPECT_EQ(b->commonResource(), prototype.commonResource());
    // Both passes are recorded before the device runs either.
    const Image in = fixture();
    auto out = b->filterVideo(render, a->filterVideo(render, upload(in)));
    EXPECT_TRUE(near(download(*out), colorShift(colorShift(in, first), second), 1.0f / 128));
}

TEST_F(SkeletonTest, InstancesMadeAfterStartUpBuildNoShader)
{
    DeviceProbe& device = useProbe();
    for (auto& [name, define] : effects->effects) {
        std::shared_ptr<Effect::EffectBase> instance = effects->createEffect(name.c_str());
        ASSERT_TRUE(instance);
        if (instance->effectType == Effect::EffectType::Filter && instance->mediaType == Effect::MediaType::Video)
            instance->filterVideo(render, upload(fixture()));
    }
    EXPECT_EQ(device.shadersMade, 0);
}

TEST_F(SkeletonTest, EveryPassConsumesItsInputWhenTheDeviceFails)
{
    // Each filter set so that its pass makes a picture.
    const std::vector<std::pair<const wchar_t*, std::function<void(Effect::EffectBase&)>>> filters = {
        {ColorShiftFilter::Name, [](Effect::EffectBase&) {}},
        {Effect::BokashiFilter::Name, [](Effect::EffectBase&) {}},
        {Effect::BokashiFilter::Name, [](Effect::EffectBase& e) { static_cast<Effect::BokashiFilter&>(e).light.setValue(5, 0); }},
        {Effect::BlurFilter::Name, [](Effect::EffectBase&) {}},
        {Effect::BlurDirectionFilter::Name, [](Effect::EffectBase&) {}},
        {Effect::BorderBlurFilter::Name, [](Effect::EffectBase&) {}},
        {Effect::BokehFilter::Name, [](Effect::EffectBase&) {}},
        {Effect::BasicExpand::Name, [](Effect::EffectBase& e) { static_cast<Effect::BasicExpand&>(e).left.setValue(2, 0); }},
        {Effect::BasicInvert::Name, [](Effect::EffectBase& e) { static_cast<Effect::BasicInvert&>(e).hue.value = true; }},
    };
    DeviceProbe& device = useProbe();
    for (const auto& [name, set] : filters) {
        SCOPED_TRACE(System::wideToUtf8(name));
        std::shared_ptr<Effect::EffectBase> effect = effects->createEffect(name);
        set(*effect);
        auto input = upload(fixture());
        d3d->context->finish();
        std::weak_ptr<Platform::Gpu::Texture> texture = input->getShaderResourceView()->texturePtr();
        device.failTextures = true;
        EXPECT_THROW(effect->filterVideo(render, std::move(input)), std::exception);
        device.failTextures = false;
        d3d->context->finish();
        EXPECT_TRUE(texture.expired());
    }
}

TEST_F(SkeletonTest, TheTableRegistersEachClassAtItsRowInMenuOrder)
{
    struct Row {
        const wchar_t* name;
        const wchar_t* category;
        uint8_t media;
    } const rows[] = {
        {L"色調補正", L"色調整", 1},   {L"グラデーション", L"色調整", 1}, {L"単色化", L"色調整", 1},
        {L"特定色域変換", L"色調整", 1}, {L"拡張色設定", L"色調整", 1},   {L"クリッピング", L"クリッピング", 1},
        {L"斜めクリッピング", L"クリッピング", 1}, {L"扇クリッピング", L"クリッピング", 1},
        {L"マスク", L"クリッピング", 1},
        {L"ぼかし", L"ぼかし", 1},     {L"レンズブラー", L"ぼかし", 1},  {L"放射ブラー", L"ぼかし", 1},
        {L"方向ブラー", L"ぼかし", 1}, {L"境界ぼかし", L"ぼかし", 1},    {L"色ずれ", L"光効果", 1},
        {L"クロマキー", L"抽出", 1},   {L"ルミナンスキー", L"抽出", 1},  {L"カラーキー", L"抽出", 1},
        {L"エッジ抽出", L"抽出", 1},   {L"波紋", L"変形", 1},            {L"ラスター", L"変形", 1},
        {L"極座標変換", L"変形", 1},   {L"ディスプレイスメントマップ", L"変形", 1}, {L"リサイズ", L"変形", 1},
        {L"座標", L"基本効果", 1},     {L"拡大率", L"基本効果", 1},      {L"透明度", L"基本効果", 1},
        {L"回転", L"基本効果", 1},     {L"領域拡張", L"基本効果", 1},    {L"反転", L"基本効果", 1},
        {L"音量フェード", L"音声効果", 2}, {L"モノラル化", L"音声効果", 2}, {L"音量調整", L"音声効果", 2},
    };
    std::vector<std::wstring> menu;
    for (Effect::EffectMenuDefine* entry : effects->getEffectMenuList(0, 0, 0))
        for (const Row& row : rows)
            if (std::wstring(entry->getName()) == row.name)
                menu.push_back(row.name);
    std::vector<std::wstring> want;
    for (const Row& row : rows) {
        SCOPED_TRACE(System::wideToUtf8(row.name));
        want.push_back(row.name);
        Effect::EffectDefine& define = effects->findEffect(row.name);
        ASSERT_TRUE(define.prototype);
        EXPECT_EQ(define.getEffectType(), Effect::EffectType::Filter);
        EXPECT_EQ(define.getMediaType(), row.media);
        EXPECT_EQ(define.getObjectMediaType(), row.media);
        EXPECT_EQ(std::wstring(define.prototype->category), row.category);
    }
    EXPECT_EQ(menu, want);
}

} // namespace
} // namespace FilterTest
