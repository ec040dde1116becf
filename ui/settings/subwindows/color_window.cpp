#include "ui/settings/subwindows/color_window.h"

#include "core/event_service.h"
#include "core/ini_file.h"
#include "core/setting_service.h"
#include "core/translate_service.h"
#include "effect/effect_base.h"
#include "effect/effect_item_color.h"
#include "platform/draw/resources.h"
#include "platform/ui/surface.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "ui/menus/dialogs/input_dialog.h"
#include "ui/settings/controls/theme_icons.h"
#include "ui/settings/subwindows/subwindow_paint.h"
#include "ui/settings/window/setting_hooks.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/controls/control_paint.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_service.h"

#include <algorithm>

namespace Component {

namespace {

using Brushes = Window::ColorBrushList;

EffectColorSettingComponent* instance = nullptr;

int layoutValue(const char* key, int fallback)
{
    const Setting::SettingService* settings = Setting::SettingService::Get();
    return settings ? settings->layout.get(key).toInt(fallback) : fallback;
}

std::shared_ptr<Edit::Object> focusObject()
{
    const Edit::EditService* edit = Edit::EditService::Get();
    return edit && edit->currentScene ? edit->currentScene->focusObject : nullptr;
}

bool isColorItem(const Effect::EffectItem* item)
{
    return item && (item->kind == Effect::EffectItemKind::Color || item->kind == Effect::EffectItemKind::ColorOrNone) &&
           dynamic_cast<const Effect::EffectItemColor*>(item);
}

bool sameBytes(const ColorF& a, const ColorF& b)
{
    const ColorBytes x = colorToBytes(a.r, a.g, a.b), y = colorToBytes(b.r, b.g, b.b);
    return x.r == y.r && x.g == y.g && x.b == y.b;
}

ColorF fromBytes(uint8_t r, uint8_t g, uint8_t b)
{
    return {r / 255.0f, g / 255.0f, b / 255.0f, 1.0f};
}

std::wstring menuText(const wchar_t* text)
{
    const Translate::TranslateService* translate = Translate::TranslateService::Get();
    return translate ? std::wstring(translate->translateMenu(text)) : std::wstring(text);
}

void tipAtCursor(const wchar_t* text)
{
    int x = 0, y = 0;
    Platform::Ui::getCursorPos(x, y);
    Window::ToolTips::get().show({x, y + Window::ToolTips::CursorHeight}, text, 3000);
}

const std::vector<Control::IconLine> crossLines{{0.25f, 0.25f, 0.75f, 0.75f, 0.1f}, {0.75f, 0.25f, 0.25f, 0.75f, 0.1f}};
const Control::IconSet crossIcon{nullptr, nullptr, &crossLines};

// A 1-pixel (or wider) outline in the contrast grey of a colour.
void outline(Window::WindowControlRenderTarget& c, float l, float t, float r, float b, const ColorF& colour, float width)
{
    const float grey = Paint::contrastGrey(colour.r, colour.g, colour.b);
    Platform::Draw::SolidColorBrush brush({grey, grey, grey, 1.0f});
    Paint::frame(c, l, t, r, b, &brush, width);
}

} // namespace

// ---- the preview ----

EffectColorPreviewControl::EffectColorPreviewControl(EffectColorSettingComponent& o, Window::ControlContainer& container)
    : WindowControlRenderTarget(container, 0, 0, 1, 1), owner(o)
{
}

void EffectColorPreviewControl::procMove()
{
    cornerX = 3 * rect.width / 4;
    cornerY = 3 * rect.height / 4;
}

void EffectColorPreviewControl::procPaint()
{
    Control::PaintSection section;
    if (!Control::openPaint(*this, section))
        return;
    const int w = rect.width, h = rect.height;
    fillRect(0, 0, w, h, Control::brushOf(*this, Brushes::Grouping));
    const ColorF& c = owner.color;
    Platform::Draw::SolidColorBrush current({c.r, c.g, c.b, 1.0f});
    Paint::fill(*this, 0, 0, float(w - 3), float(h - 3), &current);
    outline(*this, 0.5f, 0.5f, w - 3.5f, h - 3.5f, c, 1.0f);
    const ColorF& p = owner.previousColor;
    Platform::Draw::SolidColorBrush previous({p.r, p.g, p.b, 1.0f});
    Paint::fill(*this, float(cornerX), float(cornerY), float(w), float(h), &previous);
    outline(*this, cornerX + 0.75f, cornerY + 0.75f, w - 0.75f, h - 0.75f, p, 1.5f);
    if (hover) {
        Paint::frame(*this, cornerX + 1.0f, cornerY + 1.0f, w - 1.0f, h - 1.0f, Control::brushOf(*this, Brushes::AnchorEdge), 3.0f);
        Paint::frame(*this, cornerX + 1.0f, cornerY + 1.0f, w - 1.0f, h - 1.0f, Control::brushOf(*this, Brushes::AnchorHover), 2.0f);
    }
}

void EffectColorPreviewControl::procMouseMove(int x, int y)
{
    const bool over = x >= cornerX && y >= cornerY;
    if (over != hover) {
        hover = over;
        procPaint();
    }
}

void EffectColorPreviewControl::procMouseLeave()
{
    if (hover) {
        hover = false;
        procPaint();
    }
}

void EffectColorPreviewControl::procLButtonDown(int x, int y)
{
    procMouseMove(x, y);
    if (hover)
        owner.swapPreview();
}

// ---- the header ----

EffectColorSettingHeader::EffectColorSettingHeader(EffectColorSettingComponent& o, Window::ControlContainer& container,
                                                   int r)
    : WindowControlRenderTarget(container, 0, 0, 0, r), owner(o), children(0, 0, priority, &visibleRect, &rect),
      icon(children, 2, 2, r - 4, r - 4), title(children, r + 2, -3 * r, L"色設定"),
      buttonBox(children, -3 * r, 2, 3 * r, -2), pick(buttonBox, 0, 0, r - 4, 0), palette(buttonBox, r, 0, r - 4, 0),
      close(buttonBox, 2 * r, r - 4, &crossIcon, false)
{
    icon.bitmap = themeBitmap(ThemeIcon::Color);
    icon.enabled = false;
    pick.bitmap = themeBitmap(ThemeIcon::ScreenPick);
    pick.toolTip = L"画面上から色を取得";
    palette.bitmap = themeBitmap(ThemeIcon::Settings);
    palette.toolTip = L"パレットを切替";
    pick.onClick = [this](Control::ButtonControl&) {
        setTitle(L"マウスクリックで色を取得", true);
        beginColorPick();
    };
    close.onClick = [this](Control::ButtonControl&) {
        if (!owner.isVisible())
            return;
        owner.setVisible(false);
        if (Window::WindowService* service = Window::WindowService::Get())
            service->updateWindowLayout();
    };
    setTitle(menuText(L"色設定"), false);
}

void EffectColorSettingHeader::setTitle(const std::wstring& text, bool active)
{
    title.text = text;
    title.textBrush = Control::brushOf(*this, active ? Brushes::Text : Brushes::TextDisable);
    procPaint();
}

void EffectColorSettingHeader::procPaint()
{
    Control::PaintSection section;
    if (!Control::openPaint(*this, section))
        return;
    Platform::Draw::Brush* body = Control::brushOf(*this, hovered ? Brushes::GroupingSelect : Brushes::Grouping);
    fillRect(0, 0, rect.width, rect.height, body);
    pick.background = palette.background = close.background = body;
    for (Window::WindowControl* c : std::vector<Window::WindowControl*>(children.controls))
        c->procPaint();
}

void EffectColorSettingHeader::procMove()
{
    children.updateLayout();
}

void EffectColorSettingHeader::procMouseEnter()
{
    procPaint();
}

void EffectColorSettingHeader::procMouseLeave()
{
    procPaint();
}

void EffectColorSettingHeader::procLButtonDown(int, int)
{
    owner.showTargetMenu();
}

void EffectColorSettingHeader::procPickColor(const uint8_t* rgb)
{
    owner.pickColor(rgb);
}

// ---- the window ----

EffectColorSettingComponent* EffectColorSettingComponent::Get()
{
    return instance;
}

EffectColorSettingComponent::EffectColorSettingComponent()
    : WindowClientRenderTarget(L"色設定", "Window.setting.color", {0.8f, 0.7f, 1.0f, 1.0f, AreaRight, false}),
      colors(std::make_shared<ColorSetting>()), margin(layoutValue("SettingItemMarginWidth", 6)),
      rowHeight(Setting::Layout::SettingItemHeight > 0 ? Setting::Layout::SettingItemHeight : 20),
      container(0, 0, 200, &clientRect, &clientRect), header(*this, container, rowHeight),
      strip(container, 0, rowHeight, 0, margin), preview(*this, container), rgb(*this, container),
      circle(*this, container), hsv(*this, container)
{
    instance = this;
    acceptContextMenu = true;
    if (System::Config::iniFile)
        options_.load(*System::Config::iniFile);
    strip.fill = Control::brushOf(strip, Brushes::Background);
    storeRecord();
    if (Event::EventService* events = Event::EventService::Get()) {
        events->focusObjectChanged.push_back([](std::shared_ptr<Edit::Object>& object) {
            if (EffectColorSettingComponent* w = Get())
                w->followObject(object);
        });
        events->sceneChanged.push_back([](int) {
            if (EffectColorSettingComponent* w = Get())
                w->followObject(focusObject());
        });
    }
    SettingHooks::get().openColorWindow = [](const std::shared_ptr<Edit::Object>& object,
                                             const std::shared_ptr<Effect::EffectBase>& effect,
                                             Effect::EffectItemColor* item) {
        if (EffectColorSettingComponent* w = Get())
            w->setTarget({object, effect, item}, item);
    };
}

EffectColorSettingComponent::~EffectColorSettingComponent()
{
    if (instance == this) {
        instance = nullptr;
        SettingHooks::get().openColorWindow = nullptr;
    }
}

void EffectColorSettingComponent::storeRecord()
{
    const ColorF* both[2] = {&color, &previousColor};
    for (int c = 0; c < 2; ++c) {
        colors->colors[c][0] = both[c]->r;
        colors->colors[c][1] = both[c]->g;
        colors->colors[c][2] = both[c]->b;
        colors->colors[c][3] = both[c]->a;
    }
}

void EffectColorSettingComponent::setTarget(const EffectItemTarget& source, Effect::EffectItem* item)
{
    if (!source.object || !isColorItem(item))
        return;
    std::shared_ptr<Effect::EffectBase> holder;
    for (const auto& effect : source.object->effects)
        if (std::find(effect->items.begin(), effect->items.end(), item) != effect->items.end()) {
            holder = effect;
            break;
        }
    if (!holder)
        return;
    if (target.object != source.object || target.effect != holder || target.item != item)
        target = {source.object, holder, item};
    const auto* colour = static_cast<const Effect::EffectItemColor*>(item);
    previousColor = fromBytes(colour->r, colour->g, colour->b);
    setColor(previousColor);
    storeRecord();
    updateHeader();
    refreshInputs();
    redrawControls();
    if (!isVisible()) {
        Window::WindowService* service = Window::WindowService::Get();
        if (service)
            service->makeRoomForClient(this);
        setVisible(true);
        if (service)
            service->updateWindowLayout();
    }
}

void EffectColorSettingComponent::updateColor()
{
    // An undo may have given the window its two colours back.
    const ColorF recorded[2] = {{colors->colors[0][0], colors->colors[0][1], colors->colors[0][2], colors->colors[0][3]},
                                {colors->colors[1][0], colors->colors[1][1], colors->colors[1][2], colors->colors[1][3]}};
    previousColor = recorded[1];
    setColor(recorded[0]);
    if (const auto* colour = dynamic_cast<const Effect::EffectItemColor*>(target.item))
        setColor(fromBytes(colour->r, colour->g, colour->b));
    storeRecord();
    refreshInputs();
    redrawControls();
}

void EffectColorSettingComponent::setColor(const ColorF& c)
{
    if (sameBytes(color, c))
        return;
    color = c;
    const ColorHsv hsvValue = rgbToHsv(c.r, c.g, c.b);
    value = hsvValue.v;
    if (hsvValue.v > 0) {
        saturation = hsvValue.s;
        if (hsvValue.s > 0)
            hue = hsvValue.h;
    }
    storeRecord();
}

void EffectColorSettingComponent::applyColor()
{
    storeRecord();
    auto* colour = dynamic_cast<Effect::EffectItemColor*>(target.item);
    if (!colour) {
        refreshInputs();
        redrawControls();
        return;
    }
    const EffectItemTarget bound = target; // the transaction's end may retarget
    Edit::UpdateSection update;
    update.notifyEdit = true;
    update.targetObject = bound.object;
    update.updateSettingValue = true;
    update.updateColorSetting = true;
    Undo::UndoService* undo = Undo::UndoService::Get();
    if (undo && !undo->recording) {
        update.openUndoStep();
        undo->addEffectUpdate(bound.effect);
    }
    const ColorBytes bytes = colorToBytes(color.r, color.g, color.b);
    colour->r = bytes.r;
    colour->g = bytes.g;
    colour->b = bytes.b;
    colour->none = false;
}

void EffectColorSettingComponent::beginGesture()
{
    Undo::UndoService* undo = Undo::UndoService::Get();
    if (!target || !undo || gestureOpen_)
        return;
    undo->recording = true;
    undo->pending.clear();
    undo->addEffectUpdate(target.effect);
    gestureOpen_ = true;
}

void EffectColorSettingComponent::endGesture()
{
    if (!gestureOpen_)
        return;
    gestureOpen_ = false;
    if (Undo::UndoService* undo = Undo::UndoService::Get())
        undo->commitUndo();
}

void EffectColorSettingComponent::followObject(const std::shared_ptr<Edit::Object>& object)
{
    if (isVisible() && object && !object->effects.empty()) {
        const std::shared_ptr<Effect::EffectBase>& top = object->effects.front();
        for (Effect::EffectItem* item : top->items)
            if (isColorItem(item)) {
                setTarget({object, top, item}, item);
                updateHeader();
                return;
            }
    }
    if (target) {
        target = {};
        updateHeader();
    }
}

void EffectColorSettingComponent::updateHeader()
{
    if (target)
        header.setTitle(colorTargetLabel(target), true);
    else
        header.setTitle(menuText(L"色設定"), false);
}

void EffectColorSettingComponent::refreshInputs()
{
    rgb.updateValues();
    hsv.updateValues();
}

void EffectColorSettingComponent::redrawControls()
{
    if (!isVisible() || !this->target || clientRect.width <= 0 || clientRect.height <= 0) {
        // Headless or hidden: nothing to show.
        if (!isVisible() || !Media::RenderTarget::target)
            return;
    }
    const Window::Rect& r = clientRect;
    DrawSection section(*this, r.x, r.y, r.x + r.width, r.y + r.height, true);
    preview.procPaint();
    circle.procPaint();
    rgb.procPaint();
    hsv.procPaint();
}

void EffectColorSettingComponent::showTargetMenu()
{
    const std::shared_ptr<Edit::Object> object = focusObject();
    if (!object) {
        tipAtCursor(L"設定対象のオブジェクトをフォーカスすると表示されます");
        return;
    }
    std::vector<EffectItemTarget> found;
    for (const auto& effect : object->effects)
        for (Effect::EffectItem* item : effect->items)
            if (isColorItem(item))
                found.push_back({object, effect, item});
    if (found.empty()) {
        tipAtCursor(L"色の設定対象項目がありません");
        return;
    }
    Window::PopupMenu menu;
    for (const EffectItemTarget& t : found)
        menu.insertItem(colorTargetLabel(t), [this, t] {
                setTarget(t, t.item);
                updateHeader();
            })
            .setRadioCheck()
            .setCheck(t.item == target.item && t.effect == target.effect);
    menu.show();
}

void EffectColorSettingComponent::swapPreview()
{
    if (sameBytes(color, previousColor))
        return;
    Undo::UndoService* undo = target ? Undo::UndoService::Get() : nullptr;
    if (undo) {
        undo->recording = true;
        undo->pending.clear();
        storeRecord();
        undo->addColorSettingUpdate(colors);
        undo->addEffectUpdate(target.effect);
    }
    const ColorF old = previousColor;
    previousColor = color;
    setColor(old);
    applyColor();
    if (undo)
        undo->commitUndo();
}

void EffectColorSettingComponent::pickColor(const uint8_t* bytes)
{
    updateHeader();
    if (!bytes)
        return;
    setColor(fromBytes(bytes[0], bytes[1], bytes[2]));
    applyColor();
}

void EffectColorSettingComponent::showBaseAngleDialog()
{
    Dialog::InputIntegerDialog dialog;
    dialog.title = L"カラーサークルの基準角度";
    dialog.label = L"基準角度";
    dialog.value = colorCircleAngle;
    dialog.minimum = 0;
    dialog.maximum = 360;
    if (!dialog.show())
        return;
    colorCircleAngle = dialog.value;
    circle.cachedHue = -1.0f;
    circle.procPaint();
}

void EffectColorSettingComponent::procPaint()
{
    const Window::Rect& r = clientRect;
    if (!Media::RenderTarget::target || !isVisible() || r.width <= 0 || r.height <= 0)
        return;
    DrawSection section(*this, r.x, r.y, r.x + r.width, r.y + r.height, true);
    fillRect(0, 0, r.width, r.height, colorBrushList->get(Brushes::Grouping));
    container.paint();
}

void EffectColorSettingComponent::procMove()
{
    const int M = margin, H = rowHeight, W = clientRect.width, Hw = clientRect.height;
    const int P = H + 2, S = 3 * P + 2;
    const int y0 = H + 2 * M;
    auto place = [](Window::WindowControl& c, int x, int y, int w, int h) {
        c.placeX = x;
        c.placeY = y;
        c.placeWidth = w;
        c.placeHeight = h;
    };
    place(preview, M, y0, S, S);
    const int B = std::max((W - 3 * M - S) / 2, 1);
    // The inputs' label column, value text and step button.
    static const int valueWidth = [this] {
        Control::CachedText text;
        Platform::Draw::TextFormat* format = rgb.slider0.textFormat;
        return format ? text.layout(*format, L"-999.0").width : 6 * rowHeight / 2;
    }();
    if (B < 2 * H + valueWidth) {
        place(rgb, M + S, y0, -M, S);
        place(hsv, -1, -1, -1, -1);
    } else {
        place(rgb, M + S, y0, B, S);
        place(hsv, -(M + B), y0, B, S);
    }
    const int y1 = y0 + S + M + M / 2;
    const int C = std::max(std::min((W - 2 * M) / 2, Hw - M / 2 - y1), 1);
    place(circle, M / 2, y1, C, C);
    container.updateLayout();
}

void EffectColorSettingComponent::procWindowMenu(Window::BaseMenu& menu)
{
    Window::BaseMenu options(menu, L"オプション");
    options.insertItem(L"カラーサークルの基準角度", [this] { showBaseAngleDialog(); });
    WindowClientRenderTarget::procWindowMenu(menu);
}

} // namespace Component
