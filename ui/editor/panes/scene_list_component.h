#pragma once
// The scene list pane: one row per scene in display order, the current one
// highlighted. A click switches scenes, a vertical drag reorders (the root
// scene stays first), the menus create, delete, rename and set up scenes, and
// a dropped media or older object file becomes a new scene. Rebuilt on every
// scene change. Main thread only.
#include "core/service.h"
#include "media/resource_service.h"
#include "ui/window/controls/list_controls.h"
#include "ui/window/window_client.h"

#include <memory>

namespace Edit { class Scene; }

namespace Component {

class SceneButtonControl : public Control::ButtonControl, public Control::ListItemBase, public Resource::FontResource {
public:
    SceneButtonControl(Control::ListItemControl& list, std::shared_ptr<Edit::Scene> scene);

    int getOrder() override;
    void setOrder(int order) override;
    bool canMove() override;

    void procLButtonDown(int x, int y) override;
    void procMouseDrag(int x, int y) override;
    void procLButtonUp(int x, int y) override;
    void procRelease() override;
    void procMouseHover() override;
    void procContextMenu(int x, int y) override;
    void procPaint() override;

    std::shared_ptr<Edit::Scene> scene;
    bool menuOpen = false;
    int pressTop = 0; // the row's top at the press (window pixels)
    Control::CachedText shownName;
};

class SceneListComponent : public System::Singleton<SceneListComponent>, public Window::WindowClientRenderTarget {
public:
    SceneListComponent();
    ~SceneListComponent() override;

    void rebuildList();
    void addSceneRow(const std::shared_ptr<Edit::Scene>& scene);

    void procContextMenu(int x, int y) override;
    bool procDragOver(int x, int y, Window::DropInfo& info) override;
    bool procDrop(int x, int y, Window::DropInfo& info) override;
    void procPaint() override;
    void procMove() override;

    // Whether the first file would be taken: "tso" yes, "txt" no, else a media object file.
    static bool acceptsFile(const std::wstring& path);

    Window::ControlContainer container;
    Control::TitleHeaderControl header;
    Control::ListItemControl list;
};

} // namespace Component
