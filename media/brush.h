#pragma once
// Brushes from colours and from the style's [Color] values.
#include "core/color.h"
#include "platform/draw/resources.h"

#include <memory>

namespace Resource {

struct ColorBrush {
    static std::shared_ptr<Platform::Draw::SolidColorBrush> create(const ColorF& color);
    static void createFromStyle(const char* key, std::shared_ptr<Platform::Draw::SolidColorBrush>& slot);
    // The key holds a comma list of colours: part min(n, parts - 1).
    static void createFromStyleList(const char* key, int n, std::shared_ptr<Platform::Draw::SolidColorBrush>& slot);
};

struct GradientBrush {
    // Two stops (0: start, 1: end), gamma 2.2, clamped; both points at (0, 0)
    // until the drawing code places them.
    static std::shared_ptr<Platform::Draw::LinearGradientBrush> create(const ColorF& start, const ColorF& end);
    // From the first colour of the key's list to its last.
    static void createFromStyle(const char* key, std::shared_ptr<Platform::Draw::LinearGradientBrush>& slot);
    // From the last colour c of the list to c with its alpha multiplied by factor.
    static void createFadeFromStyle(const char* key, float factor,
                                    std::shared_ptr<Platform::Draw::LinearGradientBrush>& slot);
};

Platform::Draw::Color toDrawColor(const ColorF& c);

} // namespace Resource
