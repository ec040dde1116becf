#pragma once
// 図形: the object source of a figure, a built-in shape of the figure list or
// a user SVG file, at a size and aspect, in one colour, filled or outlined.
// The particle output takes it as its input when it stands alone.
#include "effect/effect_base.h"
#include "effect/effect_item_color.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"

namespace Effect {

class FigureLoad : public EffectBase {
public:
    static constexpr const wchar_t* Name = L"図形";
    FigureLoad();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<FigureLoad>(); }

    // The figure at "サイズ" and "縦横比"; none below one pixel on a side, for an
    // index outside the list, or for an SVG file that does not draw.
    std::unique_ptr<Media::ResourceBuffer> inputVideo(Render::RenderObject& object) override;
    // The figure's label (translated), or the SVG file's name.
    const wchar_t* getName() override;
    // A dropped file becomes the custom figure; a custom file that does not
    // open as an SVG document is refused and figure 1 chosen again.
    bool itemEvent(ItemEvent& event) override;
    // The extension "svg" in any case.
    bool isSupportedFile(const wchar_t* path) override;

    // The picture's sides for a size and aspect (0 x 0: no picture).
    static void getImageSize(float size, float aspect, int& width, int& height);

    EffectItemFigureSelect figure{items, L"図形の種類"};
    EffectItemNumber size{items, L"サイズ", 100, 0, 4000, 1};
    EffectItemNumber aspect{items, L"縦横比", 0, -100, 100, 0.01};
    EffectItemNumber lineWidth{items, L"ライン幅", 4000, 0, 4000, 1};
    EffectItemColor color{items, L"色", 255, 255, 255};
    EffectItemCheck roundCorners{items, L"角を丸くする", false};
};

} // namespace Effect
