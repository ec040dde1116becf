// Every registered video filter over a picture with transparent and soft
// edges, at its defaults and at its extreme settings: what it returns (and
// what it draws into the frame) is a valid premultiplied picture, every value
// a finite number with 0 <= colour <= alpha (within half precision).
#include "core/text.h"
#include "effect/effect_define.h"
#include "effect/effect_item_color.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effect/effect_types.h"
#include "media/render_buffer.h"
#include "media/shader_list.h"
#include "tests/effects/filters/filter_fixture.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <functional>
#include <string>
#include <vector>

namespace FilterTest {
namespace {

using namespace Effect;

// 19 x 13: two transparent pixels round the edge, then a soft edge whose
// alpha rises over four pixels, varied colours, and a dim corner.
Image softEdgedPicture()
{
    const int W = 19, H = 13;
    Image image = blank(W, H);
    uint32_t seed = 5;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const int edge = std::min(std::min(x, y), std::min(W - 1 - x, H - 1 - y));
            const float a = edge < 2 ? 0.0f : std::min(1.0f, (edge - 1) * 0.25f);
            float c[3];
            for (float& v : c) {
                seed = seed * 1664525u + 1013904223u;
                v = static_cast<float>(seed >> 8) / 16777216.0f;
            }
            if (x < 8 && y < 6) // dark and bright neighbours
                c[0] = c[1] = c[2] = (x + y) % 2 ? 1.0f : 0.0f;
            image(x, y) = {c[0] * a, c[1] * a, c[2] * a, a};
        }
    return stored(image);
}

// What a valid picture holds; the first fault found, else empty. Light may
// stand above alpha where emitted is true (see the test).
std::string invalidPixel(const Image& image, bool emitted = false)
{
    constexpr float Slack = 4e-3f; // half precision at 1, and the blends' rounding
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const Pixel p = image.pixels[size_t(y) * image.width + x];
            for (int c = 0; c < 4; ++c) {
                if (!std::isfinite(p[c]))
                    return "pixel " + std::to_string(x) + "," + std::to_string(y) + " channel " + std::to_string(c) +
                           " is " + std::to_string(p[c]);
            }
            const float top = emitted ? INFINITY : p[3] + Slack;
            const bool fine = p[3] >= -Slack && p[3] <= 1 + Slack && p[0] >= -Slack && p[1] >= -Slack &&
                              p[2] >= -Slack && p[0] <= top && p[1] <= top && p[2] <= top;
            if (!fine)
                return "pixel " + std::to_string(x) + "," + std::to_string(y) + " is (" + std::to_string(p[0]) + ", " +
                       std::to_string(p[1]) + ", " + std::to_string(p[2]) + ", " + std::to_string(p[3]) + ")";
        }
    return {};
}

// The settings a filter is run at: its defaults, every number item at its
// maximum or its minimum, and every check on. A colour left unset (which
// passes the picture on) gets one, so the pass runs. Extremes beyond ±100 are
// held there: on a picture of 19 x 13 a radius or an offset of 100 is as
// extreme, and keeps the grown pictures small enough to check.
enum class Setting { Defaults, Maximum, Minimum, ChecksOn };
constexpr double ExtremeCap = 100;
const char* settingName(Setting s)
{
    switch (s) {
    case Setting::Defaults: return "defaults";
    case Setting::Maximum: return "maximum";
    case Setting::Minimum: return "minimum";
    case Setting::ChecksOn: return "checks on";
    }
    return "";
}

void applySetting(EffectBase& effect, Setting setting)
{
    for (EffectItem* item : effect.items) {
        if (auto* colour = dynamic_cast<EffectItemColor*>(item); colour && colour->none) {
            colour->r = 0, colour->g = 200, colour->b = 40, colour->none = false;
        } else if (auto* number = dynamic_cast<EffectItemNumber*>(item)) {
            if (setting == Setting::Maximum || setting == Setting::Minimum) {
                const double scale = number->scale;
                double v = (setting == Setting::Maximum ? number->maxValue : number->minValue) / scale;
                v = std::clamp(v, -ExtremeCap, ExtremeCap);
                number->values.assign(number->values.size(), static_cast<int32_t>(std::lround(v * scale)));
            }
        } else if (auto* check = dynamic_cast<EffectItemCheck*>(item); check && setting == Setting::ChecksOn) {
            check->value = true;
        }
    }
}

class FilterTable : public FilterFixture {};

TEST_F(FilterTable, EveryFilterGivesAValidPictureAtItsDefaultsAndExtremes)
{
    // The light filters add light as colour (additive blends, light brighter
    // than its coverage): where they add it, colour stands above alpha by
    // design, emitted light that a premultiplied blend adds onto what lies
    // below (light alone has no alpha at all). For them every value must
    // still be a finite number, no colour negative, alpha in 0..1.
    const std::set<std::wstring> emitting = {L"グロー", L"発光", L"閃光", L"拡散光", L"ライト"};
    const Image in = softEdgedPicture();
    ASSERT_EQ(invalidPixel(in), "");
    int filters = 0;
    for (EffectMenuDefine* entry : effects->getEffectMenuList(201, 0, 0)) {
        if (entry->getEffectType() != EffectType::Filter || !mediaCompatible(entry->getMediaType(), MediaType::Video))
            continue;
        const std::wstring name = entry->getName();
        if (!effects->createEffect(name.c_str()))
            continue; // an alias
        ++filters;
        for (Setting setting : {Setting::Defaults, Setting::Maximum, Setting::Minimum, Setting::ChecksOn}) {
            SCOPED_TRACE(testing::Message() << System::wideToUtf8(name) << " at " << settingName(setting));
            auto effect = effects->createEffect(name.c_str());
            applySetting(*effect, setting);
            // Filters that draw the object themselves draw into this frame.
            Media::RenderBuffer frame(Media::Format::R16G16B16A16Float);
            frame.createTexture2D(24, 18);
            Shader::ShaderList::published()->copyShader.copyToRenderBuffer(frame, *upload(blank(24, 18)));
            render = EffectTest::renderAt(object, 10);
            render.objectList = std::make_shared<Render::ObjectList>(Render::ObjectList{object});
            render.drawState.target = &frame;
            std::unique_ptr<Media::ResourceBuffer> out;
            try {
                out = effect->filterVideo(render, upload(in));
            } catch (const std::exception& e) {
                ADD_FAILURE() << "threw: " << e.what();
                continue;
            }
            const bool emitted = emitting.count(name) != 0;
            if (out && !out->empty()) {
                const std::string fault = invalidPixel(download(*out), emitted);
                EXPECT_EQ(fault, "") << "the returned picture";
            }
            const std::string fault = invalidPixel(download(*frame.createResourceBuffer(true)), emitted);
            EXPECT_EQ(fault, "") << "the frame";
        }
    }
    EXPECT_GE(filters, 40);
}

TEST_F(FilterTable, LensBlurFollowedByBlurStaysFinite)
{
    // Reads outside the picture were -inf on the brightness scale, which the
    // blur's running sums carried into every pixel as NaN.
    auto lens = effects->createEffect(L"レンズブラー");
    auto blur = effects->createEffect(L"ぼかし");
    ASSERT_TRUE(lens && blur);
    const Image in = softEdgedPicture();
    std::unique_ptr<Media::ResourceBuffer> picture = lens->filterVideo(render, upload(in));
    ASSERT_TRUE(picture);
    picture = blur->filterVideo(render, std::move(picture));
    ASSERT_TRUE(picture);
    const Image got = download(*picture);
    EXPECT_EQ(invalidPixel(got), "");
    // The middle still holds the picture.
    EXPECT_GT(got.at(got.width / 2, got.height / 2)[3], 0.5f);
}

} // namespace
} // namespace FilterTest
