#include "effects/filters/placement/image_loop.h"

#include "media/direct3d_service.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "media/vertex_list.h"
#include "render/render_object.h"

namespace Effect {

using namespace FilterPass;

ImageLoop::ImageLoop() : FilterEffect(Name, L"配置") {}

void ImageLoop::drawTiles(Media::ResourceBuffer& target, Media::ResourceBuffer& source, float left, float top,
                          float right, float bottom)
{
    // New pictures hold whatever their memory held: the quad is blended over
    // transparent black, not over that.
    static const float transparent[4] = {0, 0, 0, 0};
    target.clearRenderTargetView(transparent);

    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    Shader::ShaderList& list = shaderList();
    bindSampler(Shader::SamplerStateList::LinearWrap);
    d3d->bindBlendState(Shader::BlendStateList::published()->get(Shader::BlendStateList::Over), transparent);
    d3d->bindRasterizerState(Shader::RasterizerStateList::published()->get(Shader::RasterizerStateList::Solid));
    d3d->bindVertexShader(list.quadUvVertexShader);
    d3d->bindPixelShader(list.sampleShader);

    // One quad over the whole target in clip space (y up).
    Media::VertexListQuadPosUv quad;
    quad.vertices = {{-1, -1, 0, left, bottom, 1, 0},
                     {1, -1, 0, right, bottom, 1, 0},
                     {1, 1, 0, right, top, 1, 0},
                     {-1, 1, 0, left, top, 1, 0}};
    d3d->setRenderTarget(target);
    drawVertexList(&source, quad);
}

Picture ImageLoop::filterVideo(Render::RenderObject& object, Picture picture)
{
    const int nx = roundToInt(columns.getValue(object)), ny = roundToInt(rows.getValue(object));
    if (nx < 1 || ny < 1)
        return picture;
    const float ox = static_cast<float>(offsetX.getValue(object)), oy = static_cast<float>(offsetY.getValue(object));
    const int W = widthOf(*picture), H = heightOf(*picture);

    if (!individual.value) {
        Picture out = newPicture(nx * W, ny * H);
        // A canvas clamped to the largest picture side keeps whole-pixel
        // tiles and loses what lies past its edge, as every growing filter
        // does, instead of squeezing all the repeats into it.
        const float across = static_cast<float>(widthOf(*out)) / static_cast<float>(W);
        const float down = static_cast<float>(heightOf(*out)) / static_cast<float>(H);
        drawTiles(*out, *picture, ox, oy, across + ox, down + oy);
        return out;
    }

    // Each tile an object of its own: the copies count on from the object's
    // own index, tile by tile in rows.
    const int count = nx * ny;
    object.num *= count;
    object.index *= count;
    Picture tile = newPicture(W, H);
    drawTiles(*tile, *picture, ox, oy, 1 + ox, 1 + oy);
    picture.reset();
    for (int i = 0; i < ny; ++i)
        for (int j = 0; j < nx; ++j, ++object.index) {
            Render::RenderObject part = object;
            part.drawState.x += (static_cast<float>(j) - static_cast<float>(nx - 1) / 2) * static_cast<float>(W);
            part.drawState.y += (static_cast<float>(i) - static_cast<float>(ny - 1) / 2) * static_cast<float>(H);
            Picture piece = part.applyFilterEffectsWithoutAnchor(tile->clone(), this, &object);
            part.outputVideo(piece);
        }
    object.skipOutputTransform = true;
    object.setOutputAnchor(nx * W, ny * H);
    return nullptr;
}

} // namespace Effect
