#include "ui/window/color_brush_list.h"

#include "core/color.h"
#include "core/log.h"
#include "core/setting_service.h"
#include "media/brush.h"
#include "platform/draw/resources.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace Media {
template <>
const char* comResourcePlace<Platform::Draw::Brush>()
{
    return "Media::ComResource<class Platform::Draw::Brush>::createResource";
}
} // namespace Media

namespace Window {

using Kind = ColorBrushList::Kind;

const ColorBrushList::Define ColorBrushList::defines[Count] = {
    {"Background", Kind::Solid, 0},         {"WindowBorder", Kind::Solid, 0},
    {"WindowSeparator", Kind::Solid, 0},    {"Grouping", Kind::Solid, 0},
    {"GroupingHover", Kind::Solid, 0},      {"GroupingSelect", Kind::Solid, 0},
    {"Border", Kind::Solid, 0},             {"BorderFocus", Kind::Solid, 0},
    {"BorderSelect", Kind::Solid, 0},       {"Border", Kind::Half, 0},
    {"Footer", Kind::Solid, 0},             {"FooterProgress", Kind::List, 0},
    {"FooterProgress", Kind::List, 1},      {"TitleHeader", Kind::Solid, 0},
    {"Text", Kind::Solid, 0},               {"TextDisable", Kind::Solid, 0},
    {"TextSelect", Kind::Solid, 0},         {"ButtonBody", Kind::Solid, 0},
    {"ButtonBodyHover", Kind::Solid, 0},    {"ButtonBodyPress", Kind::Solid, 0},
    {"ButtonBodyDisable", Kind::Solid, 0},  {"ButtonBodySelect", Kind::Solid, 0},
    {"SliderCursor", Kind::Solid, 0},       {"TrackBarRange", Kind::Solid, 0},
    {"ZoomGauge", Kind::Solid, 0},          {"ZoomGaugeHover", Kind::Solid, 0},
    {"ZoomGaugeOff", Kind::Solid, 0},       {"ZoomGaugeOffHover", Kind::Solid, 0},
    {"Layer", Kind::Solid, 0},              {"LayerHeader", Kind::Solid, 0},
    {"LayerHover", Kind::Solid, 0},         {"LayerDisable", Kind::Solid, 0},
    {"LayerRange", Kind::Solid, 0},         {"LayerRangeFrame", Kind::Solid, 0},
    {"ObjectVideo", Kind::Gradient, 0},     {"ObjectVideoSelect", Kind::Solid, 0},
    {"ObjectVideoFilter", Kind::Gradient, 0}, {"ObjectVideoFilterSelect", Kind::Solid, 0},
    {"ObjectAudio", Kind::Gradient, 0},     {"ObjectAudioSelect", Kind::Solid, 0},
    {"ObjectAudioFilter", Kind::Gradient, 0}, {"ObjectAudioFilterSelect", Kind::Solid, 0},
    {"ObjectControl", Kind::Gradient, 0},   {"ObjectControlSelect", Kind::Solid, 0},
    {"ObjectAudio", Kind::Fade, 0},         {"ClippingObject", Kind::Fade, 0},
    {"ClippingObjectMask", Kind::Solid, 0}, {"ObjectHover", Kind::Solid, 0},
    {"ObjectSection", Kind::Solid, 0},      {"ObjectWaveform", Kind::List, 0},
    {"ObjectWaveform", Kind::List, 1},      {"FrameRangeSelect", Kind::Solid, 0},
    {"FrameRangeOutside", Kind::Solid, 0},  {"FrameCursor", Kind::Solid, 0},
    {"FrameCursorWide", Kind::Solid, 0},    {"PlayerCursor", Kind::Solid, 0},
    {"GuideLine", Kind::Solid, 0},          {"GridLine", Kind::Solid, 0},
    {"Anchor", Kind::Solid, 0},             {"AnchorLine", Kind::Solid, 0},
    {"AnchorIn", Kind::Solid, 0},           {"AnchorOut", Kind::Solid, 0},
    {"AnchorSelect", Kind::Solid, 0},       {"AnchorHover", Kind::Solid, 0},
    {"AnchorEdge", Kind::Solid, 0},         {"HandleX", Kind::Solid, 0},
    {"HandleY", Kind::Solid, 0},            {"HandleZ", Kind::Solid, 0},
    {"HandleXHover", Kind::Solid, 0},       {"HandleYHover", Kind::Solid, 0},
    {"HandleZHover", Kind::Solid, 0},       {"OutsideDisplay", Kind::Solid, 0},
    {"LevelMeterRed", Kind::List, 0},       {"LevelMeterRed", Kind::List, 1},
    {"LevelMeterYellow", Kind::List, 0},    {"LevelMeterYellow", Kind::List, 1},
    {"LevelMeterGreen", Kind::List, 0},     {"LevelMeterGreen", Kind::List, 1},
};

namespace {
// The colours of a key's list; a missing or malformed value is opaque black,
// told once in the log, so that a broken style never stops the painting.
std::vector<ColorF> styleColors(const char* key)
{
    std::vector<ColorF> colors;
    const Setting::SettingService* settings = Setting::SettingService::Get();
    std::string text;
    if (settings) {
        text = settings->color.get(key).text;
    }
    try {
        size_t start = 0;
        while (true) {
            const size_t end = text.find(',', start);
            colors.push_back(parseRgbaText(text.substr(start, end == std::string::npos ? std::string::npos : end - start)));
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    } catch (const std::exception&) {
        System::Log::warn("Window::ColorBrushList", "style color [%s] is missing or invalid: \"%s\"; drawn black", key,
                          text.c_str());
        colors.assign(1, ColorF{0.0f, 0.0f, 0.0f, 1.0f});
    }
    return colors;
}

std::shared_ptr<Platform::Draw::Brush> makeBrush(const ColorBrushList::Define& define)
{
    const std::vector<ColorF> colors = styleColors(define.key);
    switch (define.kind) {
    case Kind::Solid: return Resource::ColorBrush::create(colors.front());
    case Kind::List: return Resource::ColorBrush::create(colors[std::min(size_t(define.entry), colors.size() - 1)]);
    case Kind::Gradient: return Resource::GradientBrush::create(colors.front(), colors.back());
    case Kind::Fade: {
        ColorF faded = colors.back();
        faded.a = 0.0f;
        return Resource::GradientBrush::create(colors.back(), faded);
    }
    case Kind::Half: {
        ColorF half = colors.front();
        half.a *= 0.5f;
        return Resource::ColorBrush::create(half);
    }
    }
    return Resource::ColorBrush::create(colors.front());
}
} // namespace

ColorBrushList::ColorBrushList()
{
    for (int i = 0; i < Count; ++i)
        entries_[i].setGenerator([i](std::shared_ptr<Platform::Draw::Brush>& slot) { slot = makeBrush(defines[i]); });
}

ColorBrushList::~ColorBrushList() = default;

Platform::Draw::Brush* ColorBrushList::get(int index)
{
    return entries_[index].createResource();
}

Platform::Draw::SolidColorBrush* ColorBrushList::solid(int index)
{
    return dynamic_cast<Platform::Draw::SolidColorBrush*>(get(index));
}

Platform::Draw::LinearGradientBrush* ColorBrushList::gradient(int index)
{
    return dynamic_cast<Platform::Draw::LinearGradientBrush*>(get(index));
}

} // namespace Window
