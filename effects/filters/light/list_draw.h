#pragma once
// Draws with members of the renderer's shader list that the light, decoration,
// processing and placement filters share: the offset copy, the flat colour and
// the threshold that extracts an object's light. Each writes the list's shared
// 16-byte block, uploads it and draws at once.
#include "core/color.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Platform::Gpu { class BlendState; }

namespace Effect::ListDraw {

// Entry `index` of the blend-state list.
Platform::Gpu::BlendState* blend(uint32_t index);

// target(P) = source(P + (dx, dy)) at integer positions, transparent outside
// the source; blended with `state` (null: the source replaces the target).
void copyOffset(Media::ResourceBuffer& target, Media::ResourceBuffer& source, int dx, int dy,
                Platform::Gpu::BlendState* state);
// The flat colour over the whole target, blended with `state`.
void fill(Media::ResourceBuffer& target, const ColorF& colour, Platform::Gpu::BlendState* state);

// The light of a picture: luminance above threshold, times gain, each channel
// capped at gain; tinted with the colour when one is given (at its own
// brightness). A new picture of the input's size.
Picture extractLight(Media::ResourceBuffer& input, float threshold, float gain, const ColorF* colour);

} // namespace Effect::ListDraw
