#include "ui/editor/panes/object_list_component.h"

#include "core/event_service.h"
#include "core/ini_file.h"
#include "core/setting_service.h"
#include "core/translate_service.h"
#include "effect/effect_base.h"
#include "effect/effect_types.h"
#include "platform/draw/target.h"
#include "platform/ui/main_thread.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_host.h"
#include "project/edit/edit_service.h"
#include "project/model/layer_object_list.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "ui/menus/object_menu.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_service.h"

#include <cstring>

namespace Component {

namespace {
using Brushes = Window::ColorBrushList;
using Effect::EffectType;
using Effect::MediaType;

// Theme bitmap indexes (Window::BitmapList).
enum Bitmap { CameraGreen = 0, LockClosed = 8, LockOpen = 9, Scissors = 10, Chain = 12, Film = 14, Picture = 15,
              Gear = 16, Sparkles = 17, LetterT = 18, Speaker = 6 };

constexpr int WatchControlKey = 17;

Platform::Draw::Bitmap* themeBitmap(int index)
{
    Window::WindowService* window = Window::WindowService::Get();
    return window && index >= 0 ? window->bitmapList.get(index) : nullptr;
}

Effect::EffectBase* topEffect(const Edit::Object& object)
{
    return object.effects.empty() ? nullptr : object.effects.front().get();
}

bool isVideoMedia(uint8_t media)
{
    return media == MediaType::Video || media == MediaType::VideoAudio;
}

// Adds the object to the selection and asks for the end of Ctrl, as every selecting gesture does.
void selectWithWatch(Window::WindowControl* control, const std::shared_ptr<Edit::Object>& object)
{
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit || !object || !edit->addSelectObject(object, true))
        return;
    Edit::EditHost& host = Edit::EditHost::get();
    if (host.getKeyWatch(control) == 0)
        host.setKeyWatch(control, WatchControlKey);
}
} // namespace

// ---- ObjectButtonControl ----

ObjectButtonControl::ObjectButtonControl(Control::ListItemControl& list, const std::shared_ptr<Edit::Object>& o)
    : ButtonControl(list.itemContainer, 0, 0, 0, Setting::Layout::ListItemHeight + 2), ListItemBase(list, *this),
      toggleBox(*this, -(2 * Setting::Layout::ListItemHeight - 6), 3, 0, Setting::Layout::ListItemHeight - 6),
      lockToggle(toggleBox, 0, 0, Setting::Layout::ListItemHeight - 6, Setting::Layout::ListItemHeight - 6),
      enableToggle(toggleBox, Setting::Layout::ListItemHeight - 3, 0, Setting::Layout::ListItemHeight - 6,
                   Setting::Layout::ListItemHeight - 6)
{
    acceptContextMenu = true;
    lockToggle.onBitmap = themeBitmap(LockClosed);
    lockToggle.offBitmap = themeBitmap(LockOpen);
    lockToggle.toolTip = L"プレビュー編集の操作をロック";
    lockToggle.backgroundGetter = [this] {
        return Control::brushOf(*this, highlighted() ? Brushes::ButtonBodySelect
                                                     : hovered ? Brushes::ButtonBodyHover : Brushes::ButtonBody);
    };
    // The command's notifications rebuild the list, possibly without this row:
    // it runs once the toggle's click has returned.
    lockToggle.setCheckCallback([this](Control::CheckButtonControl& toggle) {
        Platform::Ui::postToMainThread([target = object, lock = toggle.checked] {
            Edit::EditCommand::setLockClickedObject(target, lock);
        });
    });
    enableToggle.setCheckCallback([this](Control::CheckButtonControl& toggle) {
        Platform::Ui::postToMainThread([target = object, enable = toggle.checked] {
            Edit::EditCommand::setEnableClickedObject(target, enable);
        });
    });
    onClick = [this](Control::ButtonControl&) { click(); };
    setObject(o);
}

int ObjectButtonControl::kindIcon(const Edit::Object& object)
{
    const Effect::EffectBase* top = topEffect(object);
    if (!top)
        return Gear;
    const std::wstring name = top->name ? top->name : L"";
    switch (top->effectType) {
    case EffectType::Input:
        if (object.clipping)
            return Scissors;
        if (name == L"動画ファイル" || name == L"シーン")
            return Film;
        if (name == L"テキスト")
            return LetterT;
        if (top->mediaType == MediaType::Audio)
            return Speaker;
        return Picture;
    case EffectType::Control:
        if (name == L"カメラ制御")
            return CameraGreen;
        if (name == L"グループ制御" || name == L"グループ制御(音声)")
            return Chain;
        return Gear;
    case EffectType::Filter:
        return top->mediaType == MediaType::Video ? Sparkles : Gear;
    default:
        return Gear;
    }
}

void ObjectButtonControl::setObject(const std::shared_ptr<Edit::Object>& o)
{
    if (o != object) {
        object = o;
        icon = object ? kindIcon(*object) : -1;
        ++iconChanges;
    }
    const Effect::EffectBase* top = object ? topEffect(*object) : nullptr;
    lockToggle.checked = top && top->lock;
    enableToggle.checked = top && !top->disable;
    const bool audio = top && top->mediaType == MediaType::Audio;
    lockToggle.visible = !audio;
    enableToggle.toolTip = top && top->effectType == EffectType::Filter ? L"フィルタ効果の有効・無効"
                                                                        : L"オブジェクトの表示・非表示";
}

bool ObjectButtonControl::highlighted() const
{
    const Edit::EditService* edit = Edit::EditService::Get();
    if (!edit || !edit->currentScene || !object)
        return false;
    const Edit::Scene& scene = *edit->currentScene;
    if (!scene.selection.objects.empty())
        return object->selected;
    return scene.focusObject == object;
}

void ObjectButtonControl::click()
{
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit || !edit->currentScene)
        return;
    std::shared_ptr<Edit::Object> target = object;
    if (!Window::WindowMouseService::isKeyDown(WatchControlKey)) {
        edit->setFocusObject(target);
    } else if (edit->currentScene->selection.objects.empty() && edit->currentScene->focusObject) {
        selectWithWatch(this, edit->currentScene->focusObject);
    }
    selectWithWatch(this, target);
}

void ObjectButtonControl::procKeyRelease()
{
    if (Edit::EditService* edit = Edit::EditService::Get())
        edit->clickClearSelectObject(this);
}

void ObjectButtonControl::procRelease()
{
    ButtonControl::procRelease();
    if (Edit::EditService* edit = Edit::EditService::Get())
        edit->clickClearSelectObject(this);
}

void ObjectButtonControl::procContextMenu(int x, int y)
{
    Edit::EditService* edit = Edit::EditService::Get();
    if (edit && edit->currentScene &&
        (!Window::WindowMouseService::isKeyDown(WatchControlKey) || edit->currentScene->selection.objects.empty()))
        selectWithWatch(this, object);
    if (ObjectListComponent* pane = ObjectListComponent::Get())
        pane->procContextMenu(x, y);
}

void ObjectButtonControl::procMouseHover()
{
    Edit::EditService* edit = Edit::EditService::Get();
    Effect::EffectBase* top = object ? topEffect(*object) : nullptr;
    if (!edit || !top)
        return;
    const Translate::TranslateService* translate = Translate::TranslateService::Get();
    const wchar_t* name = top->getName();
    std::wstring shown = name ? name : L"";
    if (translate && translate->enabled)
        shown = translate->effect.translate(shown.c_str());
    Window::ToolTips::get().showAtCursor(edit->getLayerName(object->layer) + L" : " + shown);
}

void ObjectButtonControl::procMove()
{
    toggleBox.updateRect();
    lockToggle.updateRect();
    enableToggle.updateRect();
}

void ObjectButtonControl::procPaint()
{
    Control::PaintSection section;
    if (!Control::openPaint(*this, section))
        return;
    const int W = rect.width, H = rect.height, a = Setting::Layout::ListItemHeight;
    const int body = highlighted() ? Brushes::ButtonBodySelect : hovered ? Brushes::ButtonBodyHover : Brushes::ButtonBody;
    fillRect(0, 0, W, a, Control::brushOf(*this, body));
    if (Platform::Draw::Bitmap* bitmap = themeBitmap(icon))
        drawBitmap(bitmap, 3, 3, a - 3, a - 3, 1.0f);
    if (Effect::EffectBase* top = object ? topEffect(*object) : nullptr) {
        const wchar_t* name = top->getName();
        std::wstring shown = name ? name : L"";
        if (const Translate::TranslateService* translate = Translate::TranslateService::Get(); translate && translate->enabled)
            shown = translate->effect.translate(shown.c_str());
        const Control::TextSize size = shownName.layout(*textFormatList->get(Resource::TextFormatList::Control), shown);
        Platform::Draw::TextFormat* trimmed = textFormatList->at(Resource::TextFormatList::Control).getTrimmingSign();
        drawText(shown.c_str(), trimmed, Control::brushOf(*this, enabled ? Brushes::Text : Brushes::TextDisable), a,
                 (a - size.height) / 2, std::max(1, W - 3 * a + 6), std::max(1, size.height));
    }
    fillRect(0, a, W, H, Control::brushOf(*this, Brushes::Grouping));
    section.reset();
    lockToggle.procPaint();
    enableToggle.procPaint();
}

// ---- ObjectListComponent ----

ObjectListComponent::ObjectListComponent()
    : WindowClientRenderTarget(L"オブジェクトリスト", "Window.object.list", {0.8f, 0, 1, 0.3f, AreaRight, true}),
      container(0, 0, priority, &clientRect, &clientRect), header(container, L"オブジェクトリスト"),
      list(container, Setting::Layout::TitleHeaderHeight + 2)
{
    acceptContextMenu = true;
    if (System::Config::iniFile)
        options.load(*System::Config::iniFile);
    if (Event::EventService* events = Event::EventService::Get()) {
        events->editChanged.push_back([this](std::shared_ptr<Edit::Object>&) { refreshList(); });
        events->cursorFrameChanged.push_back([this](int) { refreshList(); });
        events->sceneChanged.push_back([this](int) { refreshList(); });
        events->startup.push_back([this] { refreshList(); });
        events->selectionChanged.push_back([this] { list.procPaint(); });
        events->focusObjectChanged.push_back([this](std::shared_ptr<Edit::Object>&) { list.procPaint(); });
    }
}

ObjectListComponent::~ObjectListComponent() = default;

void ObjectListComponent::collectObjects()
{
    objects.clear();
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit || !edit->currentScene)
        return;
    const Edit::Scene& scene = *edit->currentScene;
    const int f = scene.cursorFrame;
    for (int layer = 0; layer < scene.layerCount(); ++layer) {
        const Edit::LayerObjectList& list = scene.getLayer(layer);
        auto it = list.lowerBoundEnd(f);
        if (it == list.objects.end() || (*it)->start > f || (*it)->end < f)
            continue;
        const std::shared_ptr<Edit::Object>& object = *it;
        const Effect::EffectBase* top = topEffect(*object);
        if (!top)
            continue;
        bool kindShown = false;
        switch (top->effectType) {
        case EffectType::Input: kindShown = displayMediaObject != 0; break;
        case EffectType::Control: kindShown = displayControlObject != 0; break;
        case EffectType::Filter: kindShown = displayFilterObject != 0; break;
        default: kindShown = true; break;
        }
        const bool mediaShown = isVideoMedia(top->mediaType) ? displayVideoObject != 0 : displayAudioObject != 0;
        if (kindShown && mediaShown)
            objects.push_back(object);
    }
}

void ObjectListComponent::refreshList()
{
    collectObjects();
    if (list.items.size() == objects.size()) {
        for (size_t i = 0; i < objects.size(); ++i)
            static_cast<ObjectButtonControl&>(list.items[i]->control).setObject(objects[i]);
    } else {
        list.items.clear();
        for (const std::shared_ptr<Edit::Object>& object : objects)
            list.items.push_back(std::make_unique<ObjectButtonControl>(list, object));
    }
    list.updateItemLayout();
    list.procMove();
    list.procPaint();
}

void ObjectListComponent::procContextMenu(int, int)
{
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit || !edit->currentScene)
        return;
    Window::PopupMenu menu;
    if (edit->currentScene->selection.objects.empty()) {
        menu.insertItem(L"貼り付け", [] { Edit::EditCommand::pasteObject(); }).setEnable(!edit->objectClipboard.empty());
    } else {
        Dialog::insertObjectEditMenu(menu);
        menu.insertSeparator();
        Dialog::insertLayerRangeMenu(menu);
        Dialog::insertGroupMenu(menu);
    }
    menu.insertSeparator();
    procWindowMenu(menu);
    menu.show();
}

void ObjectListComponent::procWindowMenu(Window::BaseMenu& menu)
{
    Window::BaseMenu sub = menu.insertSubMenu(L"オプション");
    auto option = [this, &sub](const wchar_t* text, int* value) {
        sub.insertItem(text, [this, value] {
               *value = *value ? 0 : 1;
               refreshList();
           })
            .setCheck(*value != 0);
    };
    option(L"メディアオブジェクトを表示する", &displayMediaObject);
    option(L"フィルタオブジェクトを表示する", &displayFilterObject);
    option(L"制御オブジェクトを表示する", &displayControlObject);
    sub.insertSeparator();
    option(L"映像(画像)系のオブジェクトを表示する", &displayVideoObject);
    option(L"音声系のオブジェクトを表示する", &displayAudioObject);
    WindowClientRenderTarget::procWindowMenu(menu);
}

void ObjectListComponent::procPaint()
{
    if (!isVisible() || clientRect.width <= 0 || clientRect.height <= 0 || !target)
        return;
    DrawSection section(*this, clientRect.x, clientRect.y, clientRect.x + clientRect.width,
                        clientRect.y + clientRect.height, true);
    container.paint();
}

void ObjectListComponent::procMove()
{
    container.updateLayout();
}

} // namespace Component
