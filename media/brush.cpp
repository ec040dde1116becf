#include "media/brush.h"

#include "core/failure.h"
#include "core/ini_file.h"
#include "core/setting_service.h"

#include <algorithm>
#include <vector>

namespace Resource {

namespace {
std::vector<ColorF> styleColors(const char* key, const char* place)
{
    Setting::SettingService* settings = Setting::SettingService::Get();
    if (!settings)
        throw System::makeException(place, "setting service not created.", nullptr);
    std::vector<ColorF> colors;
    for (const auto& part : settings->color.get(key).split(","))
        colors.push_back(part.toRGBA());
    if (colors.empty())
        colors.push_back(settings->color.get(key).toRGBA());
    return colors;
}
} // namespace

Platform::Draw::Color toDrawColor(const ColorF& c)
{
    return {c.r, c.g, c.b, c.a};
}

std::shared_ptr<Platform::Draw::SolidColorBrush> ColorBrush::create(const ColorF& color)
{
    return std::make_shared<Platform::Draw::SolidColorBrush>(toDrawColor(color));
}

void ColorBrush::createFromStyle(const char* key, std::shared_ptr<Platform::Draw::SolidColorBrush>& slot)
{
    auto colors = styleColors(key, "Resource::ColorBrush::createFromStyle");
    slot = create(colors.front());
}

void ColorBrush::createFromStyleList(const char* key, int n, std::shared_ptr<Platform::Draw::SolidColorBrush>& slot)
{
    auto colors = styleColors(key, "Resource::ColorBrush::createFromStyleList");
    const int last = static_cast<int>(colors.size()) - 1;
    slot = create(colors[static_cast<size_t>(std::clamp(n, 0, last))]);
}

std::shared_ptr<Platform::Draw::LinearGradientBrush> GradientBrush::create(const ColorF& start, const ColorF& end)
{
    auto brush = std::make_shared<Platform::Draw::LinearGradientBrush>(
        std::vector<Platform::Draw::GradientStop>{{0.0f, toDrawColor(start)}, {1.0f, toDrawColor(end)}});
    brush->setStartPoint({0, 0});
    brush->setEndPoint({0, 0});
    return brush;
}

void GradientBrush::createFromStyle(const char* key, std::shared_ptr<Platform::Draw::LinearGradientBrush>& slot)
{
    auto colors = styleColors(key, "Resource::GradientBrush::createFromStyle");
    slot = create(colors.front(), colors.back());
}

void GradientBrush::createFadeFromStyle(const char* key, float factor,
                                        std::shared_ptr<Platform::Draw::LinearGradientBrush>& slot)
{
    auto colors = styleColors(key, "Resource::GradientBrush::createFadeFromStyle");
    ColorF faded = colors.back();
    faded.a *= factor;
    slot = create(colors.back(), faded);
}

} // namespace Resource
