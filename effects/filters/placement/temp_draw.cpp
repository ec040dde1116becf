#include "effects/filters/placement/temp_draw.h"

#include "media/render_buffer.h"
#include "project/model/scene.h"
#include "render/render_object.h"

namespace Effect {

using namespace FilterPass;

TempDraw::TempDraw() : FilterEffect(Name, L"") {}

Picture TempDraw::filterVideo(Render::RenderObject& object, Picture picture)
{
    if (object.offscreenDrawn)
        return picture;
    // The frame the output draws into; without one, the scene's size.
    int width = 0, height = 0;
    if (const Media::RenderBuffer* frame = object.drawState.target; frame && frame->getWidth() > 0) {
        width = static_cast<int>(frame->getWidth());
        height = static_cast<int>(frame->getHeight());
    } else if (object.scene) {
        width = object.scene->width;
        height = object.scene->height;
    }
    if (width <= 0 || height <= 0)
        return picture;

    Picture drawn = newPicture(width, height);
    static const float transparent[4] = {0, 0, 0, 0};
    drawn->clearRenderTargetView(transparent);
    drawObjectOffscreen(object, *drawn, *picture);

    object.offscreenDrawn = true;
    object.focusFixedSize = true;
    Render::RenderObject::DrawState& s = object.drawState;
    s.x = s.y = s.z = 0;
    s.rx = s.ry = s.rz = 0;
    s.sx = s.sy = s.sz = 1;
    s.cx = s.cy = s.cz = 0;
    return drawn;
}

} // namespace Effect
