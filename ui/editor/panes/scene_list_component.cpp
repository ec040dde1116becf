#include "ui/editor/panes/scene_list_component.h"

#include "core/event_service.h"
#include "core/file_name.h"
#include "core/setting_service.h"
#include "core/translate_service.h"
#include "effect/media_object.h"
#include "platform/draw/target.h"
#include "platform/ui/surface.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_service.h"
#include "project/model/scene.h"
#include "ui/menus/scene_menu.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_service.h"

#include <algorithm>

namespace Component {

namespace {
using Brushes = Window::ColorBrushList;
constexpr int FilmBitmap = 14;
constexpr int DragMargin = 4;

std::wstring lowerExtension(const std::wstring& path)
{
    std::wstring ext = System::FileName::getExtension(path.c_str());
    std::transform(ext.begin(), ext.end(), ext.begin(), [](wchar_t c) { return wchar_t(std::towlower(c)); });
    return ext;
}
} // namespace

// ---- SceneButtonControl ----

SceneButtonControl::SceneButtonControl(Control::ListItemControl& list, std::shared_ptr<Edit::Scene> s)
    : ButtonControl(list.itemContainer, 0, 0, 0, Setting::Layout::ListItemHeight + 2), ListItemBase(list, *this),
      scene(std::move(s))
{
    acceptContextMenu = true;
}

int SceneButtonControl::getOrder()
{
    return scene->displayOrder;
}

void SceneButtonControl::setOrder(int order)
{
    scene->displayOrder = order;
}

bool SceneButtonControl::canMove()
{
    return scene->id != 0;
}

void SceneButtonControl::procLButtonDown(int x, int y)
{
    pressed = true;
    if (mouseService) {
        pressTop = rect.y;
        if (canMove())
            mouseService->beginDrag(0, 0, &Window::Cursors::SizeNS);
        else
            mouseService->beginDrag(x, y, &Window::Cursors::No);
    }
    procPaint();
}

void SceneButtonControl::procMouseDrag(int, int y)
{
    if (!pressed || !canMove())
        return;
    // The router reports the pointer relative to the row's top at the press;
    // the row moves as it trades places, so take it relative to its top now.
    const int d = y + pressTop - rect.y;
    const int i = list.getItemIndex(this), n = int(list.items.size());
    const int h = rect.height;
    if (d < 0) {
        if (i > 0 && n > 1) {
            const int hp = list.items[size_t(i - 1)]->control.rect.height;
            if (d < std::min((h - hp) / 2, 0) - DragMargin)
                swapItems(*list.items[size_t(i - 1)]);
        }
    } else if (i < n - 1 && n > 1) {
        const int hn = list.items[size_t(i + 1)]->control.rect.height;
        if (d > std::min(hn, (h + hn) / 2) + DragMargin)
            swapItems(*list.items[size_t(i + 1)]);
    }
}

void SceneButtonControl::procLButtonUp(int, int)
{
    const bool wasDrag = mouseService && mouseService->dragMoved;
    pressed = false;
    procPaint();
    if (wasDrag)
        return;
    // The switch rebuilds the list, this row included: nothing may follow it.
    if (Edit::EditService* edit = Edit::EditService::Get())
        edit->updateScene(scene->id);
}

void SceneButtonControl::procRelease()
{
    pressed = false;
    procPaint();
}

void SceneButtonControl::procMouseHover()
{
    Window::ToolTips::get().showAtCursor(scene->getInformationText());
}

void SceneButtonControl::procContextMenu(int, int)
{
    std::shared_ptr<Edit::Scene> keep = scene;
    Window::PopupMenu menu;
    Dialog::insertSceneMenu(*scene, menu);
    menu.insertSeparator();
    if (SceneListComponent* pane = SceneListComponent::Get())
        pane->procWindowMenu(menu);
    menuOpen = true;
    procPaint();
    menu.show([this] {
        menuOpen = false;
        procPaint();
    });
}

void SceneButtonControl::procPaint()
{
    Control::PaintSection section;
    if (!Control::openPaint(*this, section))
        return;
    const int W = rect.width, H = rect.height, a = Setting::Layout::ListItemHeight;
    int body = bodyBrush();
    Edit::EditService* edit = Edit::EditService::Get();
    if (edit && edit->currentScene == scene)
        body = Brushes::ButtonBodySelect;
    else if (menuOpen)
        body = Brushes::ButtonBodyPress;
    fillRect(0, 0, W, a, Control::brushOf(*this, body));
    if (Window::WindowService* window = Window::WindowService::Get())
        if (Platform::Draw::Bitmap* film = window->bitmapList.get(FilmBitmap))
            drawBitmap(film, 3, 3, a - 3, a - 3, 1.0f);
    Platform::Draw::TextFormat* trimmed =
        textFormatList->at(Resource::TextFormatList::Control).getTrimmingSign();
    const Control::TextSize size = shownName.layout(*textFormatList->get(Resource::TextFormatList::Control), scene->name);
    drawText(scene->name.c_str(), trimmed, Control::brushOf(*this, enabled ? Brushes::Text : Brushes::TextDisable), a,
             (a - size.height) / 2, std::max(1, W - a), std::max(1, size.height));
    fillRect(0, a, W, H, Control::brushOf(*this, Brushes::Grouping));
}

// ---- SceneListComponent ----

SceneListComponent::SceneListComponent()
    : WindowClientRenderTarget(L"シーンリスト", "Window.scene.list", {0, 0.7f, 0.2f, 1, AreaLeft, true}),
      container(0, 0, priority, &clientRect, &clientRect), header(container, L"シーンリスト"),
      list(container, Setting::Layout::TitleHeaderHeight + 2)
{
    acceptContextMenu = true;
    acceptDrop = true;
    if (Event::EventService* events = Event::EventService::Get()) {
        events->sceneChanged.push_back([this](int) { rebuildList(); });
        events->startup.push_back([this] { rebuildList(); });
    }
}

SceneListComponent::~SceneListComponent() = default;

void SceneListComponent::addSceneRow(const std::shared_ptr<Edit::Scene>& scene)
{
    list.items.push_back(std::make_unique<SceneButtonControl>(list, scene));
}

void SceneListComponent::rebuildList()
{
    list.items.clear();
    if (Edit::EditService* edit = Edit::EditService::Get())
        for (const std::shared_ptr<Edit::Scene>& scene : edit->project.getSceneList())
            addSceneRow(scene);
    std::stable_sort(list.items.begin(), list.items.end(),
                     [](const std::unique_ptr<Control::ListItemBase>& a,
                        const std::unique_ptr<Control::ListItemBase>& b) { return a->getOrder() < b->getOrder(); });
    list.updateItemLayout();
    list.procMove();
    list.procPaint();
}

void SceneListComponent::procContextMenu(int, int)
{
    Window::PopupMenu menu;
    menu.insertItem(L"シーンを新規作成", [] {
        if (Edit::EditService* edit = Edit::EditService::Get())
            edit->newScene();
    });
    menu.insertSeparator();
    procWindowMenu(menu);
    menu.show();
}

bool SceneListComponent::acceptsFile(const std::wstring& path)
{
    const std::wstring ext = lowerExtension(path);
    if (ext == L"tso")
        return true;
    if (ext == L"txt")
        return false;
    return Effect::isMediaObjectFile(path.c_str());
}

bool SceneListComponent::procDragOver(int, int, Window::DropInfo& info)
{
    if (info.files.empty() || !acceptsFile(info.files.front()))
        return false;
    int x = 0, y = 0;
    Platform::Ui::getCursorPos(x, y);
    Window::ToolTips::get().show({x, y + Window::ToolTips::CursorHeight}, L"シーンを作成", 0);
    return true;
}

bool SceneListComponent::procDrop(int, int, Window::DropInfo& info)
{
    Window::ToolTips::get().hide();
    if (info.files.empty())
        return false;
    const std::wstring& path = info.files.front();
    if (lowerExtension(path) == L"tso") {
        Edit::EditService* edit = Edit::EditService::Get();
        return edit && edit->createSceneFromTso(path);
    }
    return Edit::EditCommand::createSceneFromFile(path.c_str());
}

void SceneListComponent::procPaint()
{
    if (!isVisible() || clientRect.width <= 0 || clientRect.height <= 0 || !target)
        return;
    DrawSection section(*this, clientRect.x, clientRect.y, clientRect.x + clientRect.width,
                        clientRect.y + clientRect.height, true);
    container.paint();
}

void SceneListComponent::procMove()
{
    container.updateLayout();
}

} // namespace Component
