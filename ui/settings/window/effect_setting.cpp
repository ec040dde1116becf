#include "ui/settings/window/effect_setting.h"

#include "core/event_service.h"
#include "core/log.h"
#include "core/setting_service.h"
#include "effect/effect_base.h"
#include "effect/effect_define.h"
#include "effect/effect_item.h"
#include "effect/effect_service.h"
#include "effect/effect_types.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "ui/settings/controls/effect_item_control.h"
#include "ui/settings/controls/theme_icons.h"
#include "ui/settings/window/setting_component.h"
#include "ui/settings/window/setting_hooks.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/controls/control_paint.h"
#include "ui/window/tool_tips.h"

#include <algorithm>
#include <cwchar>

namespace Component {

const Effect::EffectBase* EffectSettingSelect::selectedEffect = nullptr;
std::shared_ptr<Control::FocusGroupArray> EffectSetting::buildingGroup;

namespace {

using Brushes = Window::ColorBrushList;

int itemHeight()
{
    return Setting::Layout::SettingItemHeight > 0 ? Setting::Layout::SettingItemHeight : 20;
}

const float foldRightPoints[6] = {0.3f, 0.2f, 0.3f, 0.8f, 0.75f, 0.5f};
const float foldDownPoints[6] = {0.2f, 0.3f, 0.8f, 0.3f, 0.5f, 0.75f};
const Control::IconSet foldRight{foldRightPoints, nullptr, nullptr};
const Control::IconSet foldDown{foldDownPoints, nullptr, nullptr};

bool isFilter(const Effect::EffectBase* effect)
{
    return effect && effect->effectType == Effect::EffectType::Filter;
}

int chainIndex(const Edit::Object& object, const Effect::EffectBase* effect)
{
    for (size_t i = 0; i < object.effects.size(); ++i)
        if (object.effects[i].get() == effect)
            return int(i);
    return -1;
}

// A new instance of the effect's definition with its values and flags.
std::shared_ptr<Effect::EffectBase> copyOf(const Effect::EffectBase& effect)
{
    Effect::EffectService* service = Effect::EffectService::Get();
    if (!service)
        return nullptr;
    std::shared_ptr<Effect::EffectBase> copy = service->findEffect(effect.name).createEffect();
    Effect::EffectBase::setItemData(*copy, effect);
    copy->disable = effect.disable;
    copy->hide = effect.hide;
    copy->lock = effect.lock;
    return copy;
}

// The transaction of the menu's chain commands.
void openChainCommand(Edit::UpdateSection& update, const std::shared_ptr<Edit::Object>& object)
{
    update.updateSettingList = true;
    update.updateTimeSetting = true;
    update.updateColorSetting = true;
    update.updateTextSetting = true;
    update.notifyEdit = true;
    update.targetObject = object;
    update.openUndoStep();
}

void runEditChanged()
{
    if (Event::EventService* events = Event::EventService::Get()) {
        std::shared_ptr<Edit::Object> none;
        events->editChanged(none);
    }
}

} // namespace

// ---- selection ----

void EffectSettingSelect::clearSelection()
{
    if (!selectedEffect)
        return;
    EffectSetting* panel = EffectSetting::findPanel(selectedEffect);
    selectedEffect = nullptr;
    if (panel) {
        panel->selected = false;
        panel->procPaint();
    }
}

// ---- the header ----

EffectSettingHeader::EffectSettingHeader(EffectSetting& owner, Window::WindowControl& row)
    : WindowControlRenderTarget(row, 0, 2, 0, 0), panel(owner), buttonSize(itemHeight()),
      container(0, 0, priority, &visibleRect, &rect), layout(container, 0, 0, 0, buttonSize),
      fold(layout, 0, buttonSize, &foldDown, false), name(layout, buttonSize + 2, 0, 0, 0, L"", 2),
      toggleRow(layout, 0, 4, 0, -2)
{
}

Platform::Draw::Brush* EffectSettingHeader::backgroundBrush()
{
    if (EffectSettingSelect::selectedEffect == panel.effect.get())
        return Control::brushOf(*this, Brushes::GroupingSelect);
    return Control::brushOf(*this, hovered ? Brushes::GroupingHover : Brushes::Grouping);
}

void EffectSettingHeader::placeToggle(Window::WindowControl& toggle)
{
    ++togglesPlaced;
    toggle.placeX = -togglesPlaced * buttonSize;
    toggle.placeY = 0;
    toggle.placeWidth = buttonSize - 6;
    toggle.placeHeight = 0;
    name.placeX = buttonSize + 2;
    name.placeWidth = -(togglesPlaced * buttonSize);
}

void EffectSettingHeader::procLButtonDown(int x, int y)
{
    panel.procLButtonDown(x + visibleRect.x - panel.visibleRect.x, y + visibleRect.y - panel.visibleRect.y);
}

void EffectSettingHeader::procMouseDrag(int x, int y)
{
    panel.procMouseDrag(x, y);
}

void EffectSettingHeader::procRelease()
{
    panel.procRelease();
}

void EffectSettingHeader::procMouseEnter()
{
    procPaint();
}

void EffectSettingHeader::procMouseLeave()
{
    procPaint();
}

void EffectSettingHeader::procPaint()
{
    Control::PaintSection section;
    if (!target || !Control::openPaint(*this, section))
        return;
    Platform::Draw::Brush* background = backgroundBrush();
    fillRect(0, 0, rect.width, rect.height, Control::brushOf(*this, Brushes::Grouping));
    if (EffectSettingSelect::selectedEffect == panel.effect.get())
        fillRect(2, 2, rect.width - 2, rect.height - 2, background);
    else
        fillRect(0, 0, rect.width, rect.height, background);
    container.paint();
}

void EffectSettingHeader::procMove()
{
    container.updateLayout();
}

// ---- the panel ----

EffectSetting::EffectSetting(SettingComponent& s, Window::ControlContainer& parent,
                             std::shared_ptr<Effect::EffectBase> shown)
    : EffectSetting(s, parent, std::move(shown), nullptr)
{
}

EffectSetting::EffectSetting(SettingComponent& s, Window::ControlContainer& parent,
                             std::shared_ptr<Effect::EffectBase> input, std::shared_ptr<Effect::EffectBase> output)
    : WindowControlRenderTarget(parent, 0, 0, 0, itemHeight() + 4), setting(s), effect(std::move(input)),
      outputEffect(std::move(output)), container(0, 0, priority, &visibleRect, &rect),
      headerRow(container, 0, 0, 0, itemHeight() + 4), band(headerRow, 0, 0, 0, 2), header(*this, headerRow)
{
    band.fill = Control::brushOf(band, Brushes::Background);
    effect->updateItemState();
    createHeader();
    createItemControls();
    effect->bindItemControl(*this);
}

EffectSetting::~EffectSetting()
{
    if (selectedEffect == effect.get())
        selectedEffect = nullptr;
    itemControls.clear();
}

EffectSetting* EffectSetting::findPanel(const Effect::EffectBase* shown)
{
    SettingComponent* s = SettingComponent::Get();
    if (!s || !shown)
        return nullptr;
    for (const auto& panel : s->panelList)
        if (panel->effect.get() == shown || panel->outputEffect.get() == shown)
            return panel.get();
    return nullptr;
}

bool EffectSetting::isFirstPanel() const
{
    return !setting.panelList.empty() && setting.panelList.front().get() == this;
}

void EffectSetting::createHeader()
{
    acceptContextMenu = true;
    acceptDrop = true;
    header.fold.onClick = [this](Control::ButtonControl&) { toggleFold(); };
    auto background = [this] { return header.backgroundBrush(); };

    header.enableCheck = std::make_unique<Control::CheckButtonControl>(header.toggleRow, 0, 0, 0, 0);
    header.enableCheck->checked = !effect->disable;
    header.enableCheck->backgroundGetter = background;
    // The first panel's check shows or hides the object itself.
    const bool objectItself = setting.panelList.empty() && !isFilter(effect.get());
    header.enableCheck->toolTip = objectItself ? L"オブジェクトの表示・非表示" : L"フィルタ効果の有効・無効";
    header.enableCheck->setCheckCallback([this](Control::CheckButtonControl& c) {
        if (setting.object)
            Edit::EditCommand::setEnableEffect(setting.object, effect, c.checked);
    });
    header.placeToggle(*header.enableCheck);

    if (effect->mediaType != Effect::MediaType::Audio) {
        header.lockToggle = std::make_unique<Control::CheckBitmapButtonControl>(header.toggleRow, 0, 0, 0, 0);
        header.lockToggle->onBitmap = themeBitmap(ThemeIcon::Lock);
        header.lockToggle->offBitmap = themeBitmap(ThemeIcon::Unlocked);
        header.lockToggle->checked = effect->lock;
        header.lockToggle->backgroundGetter = background;
        header.lockToggle->toolTip = L"プレビュー編集の操作をロック";
        header.lockToggle->setCheckCallback([this](Control::CheckButtonControl& c) {
            if (setting.object)
                Edit::EditCommand::setLockEffect(setting.object, effect, c.checked);
        });
        header.placeToggle(*header.lockToggle);
    }

    const wchar_t* changeTip = nullptr;
    if (isFilter(effect.get()))
        changeTip = L"フィルタ効果を切替\n同じラベルのフィルタに切り替えます";
    else if (outputEffect || (effect->effectType == Effect::EffectType::Control &&
                              effect->objectMediaType == Effect::MediaType::SceneChange))
        changeTip = L"オブジェクトの切替\n同じラベルのオブジェクトに切り替えます";
    if (changeTip) {
        header.changeButton = std::make_unique<Control::BitmapButtonControl>(header.toggleRow, 0, 0, 0, 0);
        header.changeButton->bitmap = themeBitmap(ThemeIcon::Change);
        header.changeButton->toolTip = changeTip;
        header.changeButton->onClick = [this](Control::ButtonControl&) {
            if (!setting.object)
                return;
            Window::PopupMenu menu;
            if (const auto& insert = SettingHooks::get().insertChangeMenu)
                insert(menu, setting.object, effect);
            menu.show();
        };
        header.placeToggle(*header.changeButton);
    }

    if (outputEffect &&
        (outputEffect->mediaType == Effect::MediaType::Video || outputEffect->mediaType == Effect::MediaType::VideoAudio) &&
        std::wcscmp(outputEffect->name, L"基本出力") != 0) {
        const Edit::Object* object = setting.object.get();
        header.clippingToggle = std::make_unique<Control::CheckBitmapButtonControl>(header.toggleRow, 0, 0, 0, 0);
        header.clippingToggle->onBitmap = themeBitmap(ThemeIcon::Clipping);
        header.clippingToggle->offBitmap = themeBitmap(ThemeIcon::ClippingOff);
        header.clippingToggle->checked = object && object->clipping;
        header.clippingToggle->backgroundGetter = background;
        header.clippingToggle->toolTip = L"クリッピングオブジェクトの有効・無効\n下位レイヤーのオブジェクトを切り抜きする";
        header.clippingToggle->setCheckCallback([this](Control::CheckButtonControl& c) {
            if (setting.object)
                Edit::EditCommand::setEnableClippingObject(setting.object, c.checked);
        });
        header.placeToggle(*header.clippingToggle);

        header.cameraToggle = std::make_unique<Control::CheckBitmapButtonControl>(header.toggleRow, 0, 0, 0, 0);
        header.cameraToggle->onBitmap = themeBitmap(ThemeIcon::Camera);
        header.cameraToggle->offBitmap = themeBitmap(ThemeIcon::CameraOff);
        header.cameraToggle->checked = object && object->camera;
        header.cameraToggle->backgroundGetter = background;
        header.cameraToggle->toolTip = L"カメラ制御の対象";
        header.cameraToggle->setCheckCallback([this](Control::CheckButtonControl& c) {
            if (setting.object)
                Edit::EditCommand::setEnableCameraObject(setting.object, c.checked);
        });
        header.placeToggle(*header.cameraToggle);
    }

    std::wstring text = effectText(effect->name);
    if (outputEffect)
        text += L" [" + effectText(outputEffect->name) + L"]";
    header.name.text = text;
    header.name.textBrush = Control::brushOf(header.name, Brushes::Text);
}

void EffectSetting::createItemControls()
{
    itemControls.clear();
    if (effect->hide) {
        header.fold.icon = &foldRight;
        return;
    }
    header.fold.icon = &foldDown;
    buildingGroup = std::make_shared<Control::FocusGroupArray>();
    if (outputEffect)
        for (Effect::EffectItem* item : outputEffect->items)
            addItemControl(outputEffect, *item);
    for (Effect::EffectItem* item : effect->items)
        addItemControl(effect, *item);
    buildingGroup.reset();
}

void EffectSetting::addItemControl(const std::shared_ptr<Effect::EffectBase>& owner, Effect::EffectItem& item)
{
    if (std::shared_ptr<EffectItemBaseControl> control = item.createControl(container, owner))
        itemControls.push_back(std::move(control));
}

EffectItemBaseControl* EffectSetting::findItemControl(const Effect::EffectItem* item)
{
    for (const auto& control : itemControls)
        if (control->getEffectItem() == item)
            return control.get();
    return nullptr;
}

bool EffectSetting::displayPositionByFrame() const
{
    return setting.options.displayPositionByFrame != 0;
}

EffectItemBaseControl* EffectSetting::findFileControl()
{
    for (const auto& control : itemControls) {
        const Effect::EffectItem* item = control->getEffectItem();
        if (item && (item->kind == Effect::EffectItemKind::File || item->kind == Effect::EffectItemKind::Figure))
            return control.get();
    }
    return nullptr;
}

void EffectSetting::updateValues()
{
    if (header.enableCheck)
        header.enableCheck->checked = !effect->disable;
    if (header.lockToggle)
        header.lockToggle->checked = effect->lock;
    for (const auto& control : itemControls)
        control->updateValue();
}

void EffectSetting::toggleFold()
{
    effect->hide = !effect->hide;
    createItemControls();
    setting.layoutPanels();
    setting.procMove();
    setting.procPaint();
}

bool EffectSetting::canMove() const
{
    if (!isFilter(effect.get()) || !setting.object)
        return false;
    const auto& chain = setting.object->effects;
    const int k = chainIndex(*setting.object, effect.get());
    if (k < 0)
        return false;
    return (k > 0 && isFilter(chain[size_t(k - 1)].get())) ||
           (size_t(k) + 1 < chain.size() && isFilter(chain[size_t(k + 1)].get()));
}

namespace {
int pressWindowY = 0; // the pointer's window row at the press of a panel drag
} // namespace

void EffectSetting::procLButtonDown(int x, int y)
{
    pressWindowY = visibleRect.y + y;
    // The drag's origin is the press point, relative to whichever target took the press (the header hands its on).
    int dx = x, dy = y;
    if (mouseService && mouseService->pressTarget && mouseService->pressTarget->rect) {
        dx = visibleRect.x + x - mouseService->pressTarget->rect->x;
        dy = visibleRect.y + y - mouseService->pressTarget->rect->y;
    }
    if (!canMove()) {
        if (mouseService)
            mouseService->beginDrag(dx, dy, &Window::Cursors::No);
        return;
    }
    if (mouseService)
        mouseService->beginDrag(dx, dy, &Window::Cursors::System32652);
    if (selectedEffect != effect.get()) {
        clearSelection();
        selected = true;
        selectedEffect = effect.get();
        procPaint();
    }
}

void EffectSetting::procMouseDrag(int, int dy)
{
    if (selectedEffect != effect.get())
        return;
    const int y = pressWindowY + dy - visibleRect.y;
    if (y < 0)
        movePanelUp(y);
    else
        movePanelDown(y);
}

void EffectSetting::movePanelUp(int y)
{
    const auto& list = setting.panelList;
    const auto self = std::find_if(list.begin(), list.end(), [this](const auto& p) { return p.get() == this; });
    if (self == list.end() || self == list.begin())
        return;
    const int h = placeHeight, above = (*(self - 1))->placeHeight;
    if (y < std::min((h - above) / 2, 0) - 4)
        movePanel(-1);
}

void EffectSetting::movePanelDown(int y)
{
    const auto& list = setting.panelList;
    const auto self = std::find_if(list.begin(), list.end(), [this](const auto& p) { return p.get() == this; });
    if (self == list.end() || self + 1 == list.end())
        return;
    const int h = placeHeight, below = (*(self + 1))->placeHeight;
    if (y > std::min(below, (h + below) / 2) + 4)
        movePanel(+1);
}

void EffectSetting::movePanel(int direction)
{
    const std::shared_ptr<Edit::Object> object = setting.object;
    if (!object)
        return;
    const int k = chainIndex(*object, effect.get());
    const int neighbour = k + direction;
    if (k < 0 || neighbour < 0 || size_t(neighbour) >= object->effects.size() ||
        !isFilter(object->effects[size_t(neighbour)].get()))
        return;
    {
        Edit::UpdateSection update;
        if (!dragUndo) {
            dragUndo = true;
            if (Undo::UndoService* undo = Undo::UndoService::Get()) {
                undo->recording = true;
                undo->pending.clear();
                undo->addObjectEffect(object);
            }
        }
        if (direction < 0)
            object->moveEffectUp(effect.get());
        else
            object->moveEffectDown(effect.get());
        auto& list = setting.panelList;
        const auto self = std::find_if(list.begin(), list.end(), [this](const auto& p) { return p.get() == this; });
        if (self != list.end() && (direction < 0 ? self != list.begin() : self + 1 != list.end()))
            std::iter_swap(self, self + direction);
    }
    setting.layoutPanels();
    setting.procMove();
    setting.procPaint();
}

void EffectSetting::procRelease()
{
    if (dragUndo) {
        dragUndo = false;
        if (Undo::UndoService* undo = Undo::UndoService::Get())
            undo->commitUndo();
        runEditChanged();
    }
    clearSelection();
}

bool EffectSetting::acceptsDrop(Window::DropInfo& info, EffectItemBaseControl*& control)
{
    control = findFileControl();
    return control && !info.files.empty() && effect->isSupportedFile(info.files.front().c_str());
}

bool EffectSetting::procDragOver(int, int, Window::DropInfo& info)
{
    EffectItemBaseControl* control = nullptr;
    if (!acceptsDrop(info, control))
        return false;
    Window::ToolTips::get().showAtCursor(L"ファイルを設定");
    return true;
}

bool EffectSetting::procDrop(int, int, Window::DropInfo& info)
{
    EffectItemBaseControl* control = nullptr;
    if (!acceptsDrop(info, control))
        return false;
    control->updateFile(info.files.front());
    return true;
}

void EffectSetting::procPaint()
{
    Control::PaintSection section;
    if (!target || rect.width <= 0 || rect.height <= 0 || !Control::openPaint(*this, section))
        return;
    const bool highlighted = selectedEffect == effect.get();
    fillRect(0, 0, rect.width, rect.height,
             Control::brushOf(*this, highlighted ? Brushes::GroupingSelect : Brushes::Grouping));
    container.paint();
    if (highlighted)
        drawRect(1, 1, rect.width - 1, rect.height - 1, Control::brushOf(*this, Brushes::BorderFocus), 2, nullptr);
}

void EffectSetting::procMove()
{
    container.updateLayout();
}

// ---- the effect menu and clipboard ----

void EffectSetting::procContextMenu(int, int)
{
    const std::shared_ptr<Edit::Object> object = setting.object;
    if (!object)
        return;
    const bool first = isFirstPanel();
    const bool filter = isFilter(effect.get());
    Window::PopupMenu menu;
    {
        Window::BaseMenu add(menu, L"フィルタ効果を追加");
        if (const auto& insert = SettingHooks::get().insertFilterMenu)
            insert(add, object, effect.get());
    }
    auto self = effect;
    menu.insertItem(L"フィルタ効果を削除", [object, self] { Edit::EditCommand::removeEffect(object, self); })
        .setEnable(!first);
    menu.insertSeparator();
    menu.insertItem(L"切り取り", [this] { cutEffect(); }).setEnable(!first);
    menu.insertItem(L"コピー", [this] { copyEffect(); }).setEnable(filter);
    menu.insertItem(L"貼り付け", [this] { pasteEffect(); }).setEnable(!setting.effectClipboard.empty());
    menu.insertSeparator();
    menu.insertItem(L"以降を切り取り", [this] { cutAfterEffect(); }).setEnable(!first);
    menu.insertItem(L"以降をコピー", [this] { copyAfterEffect(); }).setEnable(filter);
    if (outputEffect) {
        menu.insertSeparator();
        Window::BaseMenu input(menu, L"オブジェクトの入力切替");
        Window::BaseMenu output(menu, L"オブジェクトの出力切替");
        if (const auto& insert = SettingHooks::get().insertChangeMenu) {
            insert(input, object, effect);
            insert(output, object, outputEffect);
        }
    }
    menu.insertSeparator();
    menu.insertItem(L"設定を初期化", [this] { setDefaultSetting(); });
    {
        Window::BaseMenu save(menu, L"設定を保存");
        auto output = outputEffect;
        save.insertItem(L"現在の設定を初期値にする", [self, output] {
            if (Effect::EffectService* service = Effect::EffectService::Get()) {
                service->findEffect(self->name).saveDefaultValue(self.get());
                if (output)
                    service->findEffect(output->name).saveDefaultValue(output.get());
            }
        });
        save.insertItem(L"初期値を標準に戻す", [self, output] {
            if (Effect::EffectService* service = Effect::EffectService::Get()) {
                service->findEffect(self->name).resetDefaultValue(self.get());
                if (output)
                    service->findEffect(output->name).resetDefaultValue(output.get());
            }
        });
    }
    menu.insertSeparator();
    menu.insertItem(L"エイリアスを作成", [object, self, first] {
        if (first)
            object->saveObjectAliasFile();
        else
            Edit::EditCommand::saveEffectAliasFile(self);
    });
    menu.insertSeparator();
    menu.insertItem(L"全ての項目を折りたたみ/展開", [this, object] {
        const bool anyOpen = std::any_of(object->effects.begin(), object->effects.end(),
                                         [](const auto& e) { return !e->hide; });
        for (const auto& e : object->effects)
            e->hide = anyOpen;
        for (const auto& panel : setting.panelList)
            panel->createItemControls();
        setting.layoutPanels();
        setting.procMove();
        setting.procPaint();
    });
    menu.insertSeparator();
    setting.procWindowMenu(menu);
    if (selectedEffect != effect.get()) {
        clearSelection();
        selected = true;
        selectedEffect = effect.get();
        procPaint();
    }
    menu.show([] { EffectSettingSelect::clearSelection(); });
}

void EffectSetting::cutEffect()
{
    const std::shared_ptr<Edit::Object> object = setting.object;
    if (!object || isFirstPanel())
        return;
    System::Log::info("Component::EffectSetting::cutEffect", "cut effect");
    setting.effectClipboard = {copyOf(*effect)};
    const std::shared_ptr<Effect::EffectBase> self = effect; // the panel goes with the transaction's end
    Edit::UpdateSection update;
    openChainCommand(update, object);
    if (Undo::UndoService* undo = Undo::UndoService::Get())
        undo->addObjectEffect(object);
    object->removeEffect(self.get());
}

void EffectSetting::copyEffect()
{
    if (!isFilter(effect.get()))
        return;
    System::Log::info("Component::EffectSetting::copyEffect", "copy effect");
    setting.effectClipboard = {copyOf(*effect)};
}

void EffectSetting::cutAfterEffect()
{
    const std::shared_ptr<Edit::Object> object = setting.object;
    if (!object || isFirstPanel())
        return;
    System::Log::info("Component::EffectSetting::cutAfterEffect", "cut after effect");
    std::vector<std::shared_ptr<Effect::EffectBase>> cut;
    bool found = false;
    for (const auto& panel : setting.panelList) {
        found = found || panel.get() == this;
        if (found)
            cut.push_back(panel->effect);
    }
    setting.effectClipboard = cut;
    Edit::UpdateSection update;
    openChainCommand(update, object);
    if (Undo::UndoService* undo = Undo::UndoService::Get())
        undo->addObjectEffect(object);
    for (const auto& e : cut)
        object->removeEffect(e.get());
}

void EffectSetting::copyAfterEffect()
{
    if (!isFilter(effect.get()))
        return;
    System::Log::info("Component::EffectSetting::copyAfterEffect", "copy after effect");
    std::vector<std::shared_ptr<Effect::EffectBase>> copied;
    bool found = false;
    for (const auto& panel : setting.panelList) {
        found = found || panel.get() == this;
        if (found)
            copied.push_back(panel->effect);
    }
    setting.effectClipboard = copied;
}

void EffectSetting::pasteEffect()
{
    const std::shared_ptr<Edit::Object> object = setting.object;
    Effect::EffectService* service = Effect::EffectService::Get();
    if (!object || !service || setting.effectClipboard.empty())
        return;
    System::Log::info("Component::EffectSetting::pasteEffect", "paste effect");
    const std::vector<std::shared_ptr<Effect::EffectBase>> clipboard = setting.effectClipboard;
    const std::shared_ptr<Effect::EffectBase> self = effect;
    Edit::UpdateSection update;
    openChainCommand(update, object);
    if (Undo::UndoService* undo = Undo::UndoService::Get())
        undo->addObjectEffect(object);
    const uint8_t accepted = object->effects.empty() ? 0 : object->effects.front()->objectMediaType;
    for (auto entry = clipboard.rbegin(); entry != clipboard.rend(); ++entry) {
        const Effect::EffectBase& source = **entry;
        if (!isFilter(&source) || !Effect::mediaCompatible(accepted, source.mediaType))
            continue;
        Edit::EffectManager::EffectPtr* slot = object->setEffectByDefine(service->findEffect(source.name));
        if (!slot)
            continue;
        const std::shared_ptr<Effect::EffectBase> added = *slot;
        Effect::EffectBase::setItemData(*added, source);
        Effect::setEffectItemValueNum(*added, int(object->midPoints.size()) + 1);
        auto& chain = object->effects;
        if (!chain.empty() && chain.back() == added) {
            for (size_t i = chain.size() - 1; i > 0; --i) {
                const auto& before = chain[i - 1];
                if (before == self || !isFilter(before.get()))
                    break;
                std::swap(chain[i - 1], chain[i]);
            }
        }
    }
    object->fixEffectList();
}

void EffectSetting::setDefaultSetting()
{
    const std::shared_ptr<Edit::Object> object = setting.object;
    Effect::EffectService* service = Effect::EffectService::Get();
    if (!object || !service)
        return;
    System::Log::info("Component::EffectSetting::setDefaultSetting", L"initialize effect [%s]", effect->name);
    const std::shared_ptr<Effect::EffectBase> self = effect, output = outputEffect;
    Edit::UpdateSection update;
    openChainCommand(update, object);
    Undo::UndoService* undo = Undo::UndoService::Get();
    for (const auto& e : {self, output}) {
        if (!e)
            continue;
        if (undo)
            undo->addEffectUpdate(e);
        if (Effect::EffectBase* defaults = service->findEffect(e->name).getEffect())
            Effect::EffectBase::setItemData(*e, *defaults);
        Effect::setEffectItemValueNum(*e, int(object->midPoints.size()) + 1);
    }
}

} // namespace Component
