#pragma once
// オフスクリーン描画: the object drawn into a frame-sized picture where its
// output would place it, so that the filters after it work on the object as
// it lands in the frame; the output then composites that picture unmoved.
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"
#include "effects/objects/output_shader_effect.h"

namespace Effect {

class TempDraw : public FilterEffect<TempDraw>, public OutputShaderEffect {
public:
    static constexpr const wchar_t* Name = L"オフスクリーン描画";
    TempDraw();
    // Once per chain: a later one passes the picture on.
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;
};

} // namespace Effect
