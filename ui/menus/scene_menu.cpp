#include "ui/menus/scene_menu.h"

#include "project/edit/edit_service.h"
#include "project/model/scene.h"
#include "ui/window/base_menu.h"
#include "ui/window/tool_tips.h"

namespace Dialog {

namespace {
// The height of the mouse cursor: the tooltip stands below it.
constexpr int CursorHeight = 32;

// The command runs on the service that exists when it is chosen.
template <class F>
std::function<void()> onService(F f)
{
    return [f] {
        if (Edit::EditService* service = Edit::EditService::Get())
            f(*service);
    };
}
} // namespace

void insertSceneMenu(const Edit::Scene& scene, Window::BaseMenu& menu)
{
    const int id = scene.id;
    menu.insertItem(L"シーンを新規作成", onService([](Edit::EditService& s) { s.newScene(); }));
    menu.insertItem(L"シーンを削除", onService([id](Edit::EditService& s) { s.deleteScene(id); })).setEnable(id != 0);
    menu.insertSeparator();
    menu.insertItem(L"シーン名を変更", onService([id](Edit::EditService& s) { s.renameScene(id); }));
    menu.insertItem(L"シーンの設定", onService([id](Edit::EditService& s) { s.settingScene(id); }));
}

void showSceneToolTip(const Edit::Scene& scene, Window::ScreenPoint mouse)
{
    Window::ToolTips::get().show({mouse.x, mouse.y + CursorHeight}, scene.getInformationText());
}

} // namespace Dialog
