#pragma once
// What the scene lists show for a scene: its context menu and its tooltip.
#include <memory>

namespace Edit { class Scene; }
namespace Window {
class BaseMenu;
struct ScreenPoint;
} // namespace Window

namespace Dialog {

// "シーンを新規作成", "シーンを削除" (greyed for scene 0), a separator,
// "シーン名を変更", "シーンの設定"; each runs the edit service's command for the scene.
void insertSceneMenu(const Edit::Scene& scene, Window::BaseMenu& menu);
// The scene's information as a tooltip below the mouse cursor at the point.
void showSceneToolTip(const Edit::Scene& scene, Window::ScreenPoint mouse);

} // namespace Dialog
