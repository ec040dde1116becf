#include "effects/filters/placement/object_divide.h"

#include "render/render_object.h"

namespace Effect {

using namespace FilterPass;

ObjectDivide::ObjectDivide() : FilterEffect(Name, L"配置") {}

Picture ObjectDivide::filterVideo(Render::RenderObject& object, Picture picture)
{
    const int nx = roundToInt(columns.getValue(object)), ny = roundToInt(rows.getValue(object));
    const int W = widthOf(*picture), H = heightOf(*picture);
    object.num *= nx * ny;
    object.index *= nx * ny;
    for (int r = 0; r < ny; ++r)
        for (int c = 0; c < nx; ++c, ++object.index) {
            const int top = r * H / ny, height = (r + 1) * H / ny - top;
            const int left = c * W / nx, width = (c + 1) * W / nx - left;
            // More pieces than pixels: a piece of no width or height is left
            // out (the filters after this one never get an empty picture).
            if (width <= 0 || height <= 0)
                continue;
            Picture piece = newPicture(width, height);
            piece->copyRegion(*picture, left, top, width, height);
            Render::RenderObject part = object;
            part.drawState.x += static_cast<float>(width - W) / 2 + static_cast<float>(left);
            part.drawState.y += static_cast<float>(height - H) / 2 + static_cast<float>(top);
            piece = part.applyFilterEffects(std::move(piece), this);
            if (part.focusFixedSize)
                object.focusFixedSize = true;
            part.outputVideo(piece);
        }
    object.skipOutputTransform = true;
    object.setOutputAnchor(W, H);
    return nullptr;
}

} // namespace Effect
