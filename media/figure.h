#pragma once
// The figure list: the built-in shapes and the user's SVG figures, each drawn
// on demand into a new picture of a requested size and colour, filled or as an
// outline of a given line width.
#include "core/color.h"
#include "media/path_data.h"
#include "platform/gpu/format.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Media {
class ResourceBuffer;
}

namespace Resource {

struct Figure {
    enum Kind : int32_t { Shape = 0, Background = 1, Rectangle = 2, Round = 3 };

    // A user figure: the SVG file at path.
    Figure(std::wstring name, std::wstring path);
    Figure(std::wstring name, const PathData* outline, int32_t kind);

    // The figure in a new picture of width x height in format (Unknown: the
    // working format). A background takes the scene's size instead. Null for a side of 0.
    std::unique_ptr<Media::ResourceBuffer> createImage(int width, int height, const ColorF& color, float lineWidth,
                                                       bool roundCorners,
                                                       Platform::Gpu::Format format = Platform::Gpu::Format::Unknown) const;

    std::wstring name;
    const PathData* outline = nullptr; // null for SVG figures
    std::wstring filePath;             // empty for built-ins
    int32_t kind = Shape;
};

class FigureList {
public:
    // The built-in figures (background, circle, square, triangle, pentagon,
    // hexagon, star, heart), then one per "%Figure%/*.svg" file in name order.
    void load(const OutlineSet& outlines);

    // Null for an index outside the list.
    std::unique_ptr<Media::ResourceBuffer> createFigureImage(int index, int width, int height, const ColorF& color,
                                                             float lineWidth, bool roundCorners) const;
    // The figure filled, in the mask format.
    std::unique_ptr<Media::ResourceBuffer> createFigureMask(int index, int width, int height) const;

    std::vector<Figure> figures;
};

// The size of the scene the background figure fills: the current scene's once
// the edit service installed its source, else the new-project defaults.
void getSceneSize(int& width, int& height);
// Installs where that size comes from (empty: the defaults again).
void setSceneSizeSource(std::function<void(int& width, int& height)> source);

// The files matching a pattern that may begin with a path variable, ordered
// by the UTF-16 code units of their paths.
std::vector<std::wstring> findSortedFiles(const wchar_t* pattern);

} // namespace Resource
