#pragma once
// The object list pane: for the cursor frame of the current scene, the object
// each layer shows, top layer first, with its kind icon, its name and two
// toggles (lock preview editing, enable). A click focuses and selects the
// object; five options filter the kinds listed. Rebuilt after every edit,
// cursor move and scene change, reusing its rows while their number holds.
// Main thread only.
#include "core/config.h"
#include "core/service.h"
#include "media/resource_service.h"
#include "ui/window/controls/list_controls.h"
#include "ui/window/window_client.h"

#include <memory>
#include <vector>

namespace Edit { class Object; }

namespace Component {

class ObjectButtonControl : public Control::ButtonControl, public Control::ListItemBase, public Resource::FontResource {
public:
    ObjectButtonControl(Control::ListItemControl& list, const std::shared_ptr<Edit::Object>& object);

    // Holds the object and picks its icon when it changed; reloads both toggles.
    void setObject(const std::shared_ptr<Edit::Object>& object);
    // The theme bitmap index of the object's kind icon.
    static int kindIcon(const Edit::Object& object);

    int getOrder() override { return 0; }
    void setOrder(int) override {}
    bool canMove() override { return false; }

    void procKeyRelease() override;
    void procRelease() override;
    void procContextMenu(int x, int y) override;
    void procMouseHover() override;
    void procPaint() override;
    void procMove() override;

    bool highlighted() const;
    void click();

    std::shared_ptr<Edit::Object> object;
    int icon = -1;
    int iconChanges = 0; // how often the icon was chosen anew (rows reused)
    Control::LayoutControl toggleBox;
    Control::CheckBitmapButtonControl lockToggle;
    Control::CheckButtonControl enableToggle;
    Control::CachedText shownName;
};

class ObjectListComponent : public System::Singleton<ObjectListComponent>, public Window::WindowClientRenderTarget {
public:
    ObjectListComponent();
    ~ObjectListComponent() override;

    // The listed objects of the cursor frame by the options.
    void collectObjects();
    void refreshList();

    void procContextMenu(int x, int y) override;
    void procWindowMenu(Window::BaseMenu& menu) override;
    void procPaint() override;
    void procMove() override;

    std::vector<std::shared_ptr<Edit::Object>> objects;

    System::Config::Section options{"Window.object.list"};
    int displayVideoObject = 1;
    int displayAudioObject = 1;
    int displayControlObject = 1;
    int displayFilterObject = 1;
    int displayMediaObject = 1;

private:
    System::Config::Int displayVideoObjectParameter{options, "DisplayVideoObject", &displayVideoObject, 1};
    System::Config::Int displayAudioObjectParameter{options, "DisplayAudioObject", &displayAudioObject, 1};
    System::Config::Int displayControlObjectParameter{options, "DisplayControlObject", &displayControlObject, 1};
    System::Config::Int displayFilterObjectParameter{options, "DisplayFilterObject", &displayFilterObject, 1};
    System::Config::Int displayMediaObjectParameter{options, "DisplayMediaObject", &displayMediaObject, 1};
    System::Config::SectionSaver optionsSaver{&options};

public:
    Window::ControlContainer container;
    Control::TitleHeaderControl header;
    Control::ListItemControl list;
};

} // namespace Component
