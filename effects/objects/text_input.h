#pragma once
// テキスト: the object source of a text, laid out and drawn by the media
// layer's text drawing (with its inline tags, display speed and decorations).
// A text may hold script blocks "<?...?>", each replaced by what its script
// passes to "mes" ("<?=expression?>" passes the expression's value). The text
// can also become one object per character, each through the object's filters
// and output, optionally laid along the object's motion path, and can fit the
// object's length to the time the text takes to appear.
#include "effect/effect_item_color.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "effects/objects/script_effect.h"

#include <string>

namespace Media { class TextDraw; }

namespace Effect {

class TextInput : public ScriptEffect {
public:
    static constexpr const wchar_t* Name = L"テキスト";
    // The name shows at most this many UTF-16 units of the text.
    static constexpr size_t NameLength = 100;

    // One row of "文字装飾": what the text drawing gets.
    struct Decoration {
        float border; // outline width as a fraction of the size
        float shadow;
        bool round;   // rounded joins
    };
    // One row of "文字揃え": the object's centre as a fraction of the text's
    // size, the line alignment and the writing direction.
    struct Alignment {
        float centerX, centerY, line;
        bool vertical;
    };
    static const Decoration Decorations[7];
    static const Alignment Alignments[18];

    TextInput();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TextInput>(); }
    // The shared resource, named as the effect, with the default engine.
    void createCommonResource() override;

    // The text drawn at its alignment's centre; none for an empty text or one
    // of no size. With 文字毎に個別オブジェクト every character goes through
    // the filters and output itself, and the source gives no picture.
    std::unique_ptr<Media::ResourceBuffer> inputVideo(Render::RenderObject& object) override;
    // The text's first 100 units with line feeds shown as U+23CE; the display
    // name for an empty text.
    const wchar_t* getName() override;
    bool itemEvent(ItemEvent& event) override;
    // The extension "txt" in any case.
    bool isSupportedFile(const wchar_t* path) override;
    // 移動座標上に表示 is offered only with 文字毎に個別オブジェクト.
    void updateItemState() override;

    // The text with every script block replaced by its result (a block that
    // fails gives ""); the text itself when it holds no block.
    std::wstring expandScript(Render::RenderObject& object);
    // The text drawing's parameters at the render object, or from each
    // number item's first value without one.
    void setupTextDraw(Media::TextDraw& draw, const Render::RenderObject* object) const;
    // The time in seconds the text takes to appear (its display speed and
    // waits), laid out with the first values and no render object.
    double getDisplayTime() const;

    EffectItemNumber size{items, L"サイズ", 40, 1, 1000, 0.01};
    EffectItemNumber letterSpacing{items, L"字間", 0, -100, 100, 0.01};
    EffectItemNumber lineSpacing{items, L"行間", 0, -100, 100, 0.01};
    EffectItemNumber speed{items, L"表示速度", 0, 0, 100, 0.01};
    EffectItemFontSelect font{items, L"フォント"};
    EffectItemColor color{items, L"文字色", 255, 255, 255};
    EffectItemColor color2{items, L"影・縁色", 0, 0, 0};
    EffectItemSelectButton decoration;
    EffectItemSelectButton alignment;
    EffectItemCheckButton bold{items, L"B", false, 0.8f, 0.9f};
    EffectItemCheckButton italic{items, L"I", false, 0.9f, 1.0f};
    EffectItemText text{items, L"テキスト", L""};
    EffectItemCheck individual{items, L"文字毎に個別オブジェクト", false};
    EffectItemCheck onPath{items, L"移動座標上に表示", false};
    EffectItemCheck fitLength{items, L"オブジェクトの長さを自動調節", false};

private:
    void drawCharacters(Render::RenderObject& object, Media::TextDraw& draw, int width, int height);
    // Fits the object's length to the display time (item events 1, 4 and 5).
    bool fitObjectLength(ItemEvent& event);

    std::wstring displayName_; // built by getName, emptied by every item event
};

} // namespace Effect
