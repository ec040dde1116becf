#include "effects/filters/placement/object_divide.h"

#include "render/render_object.h"

#include <vector>

namespace Effect {

using namespace FilterPass;

ObjectDivide::ObjectDivide() : FilterEffect(Name, L"配置") {}

Picture ObjectDivide::filterVideo(Render::RenderObject& object, Picture picture)
{
    const int nx = roundToInt(columns.getValue(object)), ny = roundToInt(rows.getValue(object));
    const int W = widthOf(*picture), H = heightOf(*picture);
    struct Piece {
        int index, left, top;
        Picture picture;
    };
    // Every piece is cut before any is drawn: the copies follow one another,
    // and the draws of a chain that ends at the output follow one another
    // into the frame (one pass), instead of a copy between every two draws.
    std::vector<Piece> pieces;
    pieces.reserve(static_cast<size_t>(nx) * static_cast<size_t>(ny));
    for (int r = 0, index = 0; r < ny; ++r)
        for (int c = 0; c < nx; ++c, ++index) {
            const int top = r * H / ny, height = (r + 1) * H / ny - top;
            const int left = c * W / nx, width = (c + 1) * W / nx - left;
            // More pieces than pixels: a piece of no width or height is left
            // out (the filters after this one never get an empty picture).
            if (width <= 0 || height <= 0)
                continue;
            Picture piece = newPicture(width, height);
            piece->copyRegion(*picture, left, top, width, height);
            pieces.push_back({index, left, top, std::move(piece)});
        }
    picture.reset();
    object.num *= nx * ny;
    const int first = object.index * nx * ny;
    for (Piece& p : pieces) {
        object.index = first + p.index;
        const int width = widthOf(*p.picture), height = heightOf(*p.picture);
        Render::RenderObject part = object;
        part.drawState.x += static_cast<float>(width - W) / 2 + static_cast<float>(p.left);
        part.drawState.y += static_cast<float>(height - H) / 2 + static_cast<float>(p.top);
        Picture piece = part.applyFilterEffects(std::move(p.picture), this);
        if (part.focusFixedSize)
            object.focusFixedSize = true;
        part.outputVideo(piece);
    }
    object.index = first + nx * ny;
    object.skipOutputTransform = true;
    object.setOutputAnchor(W, H);
    return nullptr;
}

} // namespace Effect
