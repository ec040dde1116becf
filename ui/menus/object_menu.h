#pragma once
// The context-menu items of the object commands, for the current scene of the
// running edit service.
namespace Window { class BaseMenu; }

namespace Dialog {

// "切り取り", "コピー", "貼り付け", "削除", "複製"; paste is greyed while the
// clipboard is empty, every other item while there is no target.
void insertObjectEditMenu(Window::BaseMenu& menu);
// "グループ化" (greyed with fewer than two selected objects) and "グループ解除"
// (enabled when every selected object is grouped, or, with nothing selected,
// when the placed focus object is).
void insertGroupMenu(Window::BaseMenu& menu);
// Only when the selection holds a layer-control object and another object:
// "対象レイヤー範囲を調整" and a separator.
void insertLayerRangeMenu(Window::BaseMenu& menu);

} // namespace Dialog
