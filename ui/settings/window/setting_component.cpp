#include "ui/settings/window/setting_component.h"

#include "core/event_service.h"
#include "core/ini_file.h"
#include "core/setting_service.h"
#include "effect/effect_base.h"
#include "effect/effect_types.h"
#include "project/edit/edit_service.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "ui/settings/controls/effect_item_control.h"
#include "ui/settings/window/effect_setting.h"
#include "ui/settings/window/setting_header.h"
#include "ui/settings/window/setting_hooks.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/controls/control_paint.h"
#include "ui/window/controls/slider_input_control.h"

#include <algorithm>

namespace Component {

namespace {

SettingComponent* instance = nullptr;

int headerHeightSetting()
{
    const Setting::SettingService* settings = Setting::SettingService::Get();
    return settings ? settings->layout.get("SettingHeaderHeight").toInt(24) : 24;
}

int scrollBarSize()
{
    return Setting::Layout::ScrollBarSize > 0 ? Setting::Layout::ScrollBarSize : 20;
}

int itemHeight()
{
    return Setting::Layout::SettingItemHeight > 0 ? Setting::Layout::SettingItemHeight : 20;
}

std::shared_ptr<Edit::Scene> currentScene()
{
    const Edit::EditService* edit = Edit::EditService::Get();
    return edit ? edit->currentScene : nullptr;
}

} // namespace

SettingComponent* SettingComponent::Get()
{
    return instance;
}

SettingComponent::SettingComponent()
    : WindowClientRenderTarget(L"オブジェクト設定", "Window.setting", {0.8f, 0.3f, 1.0f, 0.7f, AreaRight, true}),
      headerHeight(headerHeightSetting()), container(0, 0, 200, &clientRect, &clientRect),
      panelArea(container, 0, headerHeight, -scrollBarSize(), 0),
      header(std::make_unique<SettingHeader>(*this, container, headerHeight)),
      scrollBar(container, -scrollBarSize(), 0, scrollBarSize()),
      panelContainer(0, 0, panelArea.priority, &panelArea.visibleRect, &panelArea.rect)
{
    previous_ = instance;
    instance = this;
    acceptContextMenu = true;
    acceptRightButton = true;
    acceptWheel = true;
    if (System::Config::iniFile)
        section_.load(*System::Config::iniFile);
    scrollBar.lineStep = 2 * (itemHeight() + 2);
    scrollBar.onScroll = [this](Control::ScrollBarControl&, int wanted) { scrollTo(wanted); };
    // The slider inputs drag by this window's settings.
    Control::SliderInputControl::readSettings = [this] {
        return Control::SliderSettings{options.sliderMoveMode, options.sliderMoveRatio, options.sliderDirectMove};
    };
    // The lists keep their listeners for the program's life: they find the window through the accessor.
    if (Event::EventService* events = Event::EventService::Get()) {
        events->cursorFrameChanged.push_back([](int frame) {
            if (SettingComponent* s = Get())
                s->updateCursorFrame(frame);
        });
        events->focusObjectChanged.push_back([](std::shared_ptr<Edit::Object>& focus) {
            if (SettingComponent* s = Get())
                s->setTarget(focus);
        });
        events->editChanged.push_back([](std::shared_ptr<Edit::Object>& target) {
            if (SettingComponent* s = Get())
                s->updateEdit(target);
        });
        events->sceneChanged.push_back([](int) {
            SettingComponent* s = Get();
            const auto scene = currentScene();
            if (!s || !scene)
                return;
            s->setTarget(scene->focusObject);
            s->updateCursorFrame(scene->cursorFrame);
        });
    }
}

SettingComponent::~SettingComponent()
{
    panelList.clear();
    effectClipboard.clear();
    Control::SliderInputControl::readSettings = nullptr;
    if (instance == this)
        instance = previous_;
}

void SettingComponent::updateSection(int frame)
{
    if (!object)
        return;
    const std::vector<int>& offsets = object->midPoints;
    const int n = int(offsets.size());
    sectionCount = n + 1;
    const int s = object->getSectionIndex(frame);
    currentSection = currentPoint = s;
    const int start = object->start;
    const int m = s == 0 ? start : start + offsets[size_t(s - 1)];
    int length;
    if (n == 0)
        length = object->end - start;
    else if (s == 0)
        length = offsets[0];
    else if (s < n)
        length = offsets[size_t(s)] - offsets[size_t(s - 1)];
    else
        length = object->end - offsets[size_t(n - 1)] - start;
    if (frame > m + length / 2) {
        currentPoint = s + 1;
        if (options.sectionViewMode != 2)
            currentSection = s + 1;
    }
}

void SettingComponent::updateFrame()
{
    for (const auto& panel : panelList)
        for (const auto& control : panel->itemControls)
            control->updateFrame();
}

void SettingComponent::rebuildPanels()
{
    panelList.clear();
    if (!object)
        return;
    const auto& chain = object->effects;
    for (size_t i = 0; i < chain.size(); ++i) {
        const auto& effect = chain[i];
        if (effect->effectType == Effect::EffectType::Output)
            continue;
        if (effect->effectType == Effect::EffectType::Input && i + 1 < chain.size() &&
            chain[i + 1]->effectType == Effect::EffectType::Output)
            panelList.push_back(std::make_unique<EffectSetting>(*this, panelContainer, effect, chain[i + 1]));
        else
            panelList.push_back(std::make_unique<EffectSetting>(*this, panelContainer, effect));
    }
}

void SettingComponent::layoutPanels()
{
    totalHeight = 0;
    for (const auto& panel : panelList) {
        int y = itemHeight() + 4;
        if (!panel->effect->hide) {
            for (const auto& control : panel->itemControls) {
                auto* row = dynamic_cast<EffectItemRowControl*>(control.get());
                if (!row)
                    continue;
                row->placeX = 0;
                row->placeY = y;
                row->placeWidth = 0;
                if (control->span[1] >= 1.0f)
                    y += row->placeHeight;
            }
        }
        panel->placeX = 0;
        panel->placeY = totalHeight;
        panel->placeWidth = 0;
        panel->placeHeight = y;
        totalHeight += y;
    }
}

void SettingComponent::setScrollPosition(int position)
{
    const int row = itemHeight() + 2;
    const int visible = clientRect.height;
    const int margin = std::min(std::max(visible / 8, row), 4 * row);
    const int maximum = std::max(0, totalHeight + headerHeight + margin - visible);
    position = std::clamp(position, 0, maximum);
    scrollBar.minPos = std::min(0, totalHeight + margin);
    scrollBar.maxPos = std::max(0, totalHeight + margin);
    scrollBar.setPosition(scrollBar.first, scrollBar.last);
    scrollBar.setPosition(position, position + visible - headerHeight);
    scrollPosition = position;
    panelContainer.originY = position;
    panelContainer.updateLayout();
}

void SettingComponent::paintAll(bool withHeader)
{
    const Window::Rect& r = clientRect;
    if (!target || !isVisible() || r.width <= 0 || r.height <= 0)
        return;
    DrawSection section(*this, r.x, r.y, r.x + r.width, r.y + r.height, true);
    const int below = headerHeight + totalHeight - scrollPosition;
    if (below < r.height)
        fillRect(0, std::max(below, headerHeight), r.width - scrollBarSize(), r.height,
                 colorBrushList->get(Window::ColorBrushList::Background));
    for (Window::WindowControl* c : std::vector<Window::WindowControl*>(container.controls))
        if (withHeader || c != header.get())
            c->procPaint();
    for (const auto& panel : panelList)
        panel->procPaint();
}

void SettingComponent::procPaint()
{
    paintAll(true);
}

void SettingComponent::scrollTo(int position)
{
    setScrollPosition(position);
    paintAll(false);
}

void SettingComponent::procMove()
{
    container.updateLayout();
    setScrollPosition(scrollPosition);
}

void SettingComponent::procRButtonDown(int x, int y)
{
    scrollAtPress = scrollPosition;
    if (mouseService)
        mouseService->beginDrag(x, y, &Window::Cursors::SizeAll);
}

void SettingComponent::procMouseDrag(int, int y)
{
    scrollTo(scrollAtPress - y);
}

void SettingComponent::procMouseWheel(int x, int y, int delta)
{
    scrollBar.procMouseWheel(x + clientRect.x - scrollBar.rect.x, y + clientRect.y - scrollBar.rect.y, delta);
}

void SettingComponent::setTarget(const std::shared_ptr<Edit::Object>& shown)
{
    if (shown == object)
        return;
    object.reset();
    totalHeight = 0;
    panelList.clear();
    setScrollPosition(0);
    if (shown) {
        object = shown;
        const auto scene = currentScene();
        updateSection(scene ? scene->cursorFrame : shown->start);
        rebuildPanels();
        layoutPanels();
        setScrollPosition(0);
    }
    procMove();
    header->updateTarget();
    procPaint();
}

void SettingComponent::updateEdit(const std::shared_ptr<Edit::Object>& targetObject)
{
    if (!object || (targetObject && targetObject != object))
        return;
    if (object->layer == -1) {
        setTarget(nullptr);
        return;
    }
    const auto scene = currentScene();
    const int cursor = scene ? scene->cursorFrame : object->start;
    if (panelList.empty()) {
        updateSection(cursor);
        rebuildPanels();
        layoutPanels();
        procMove();
    }
    if (sectionCount == 0) {
        updateSection(cursor);
        updateFrame();
    }
    header->updateTarget();
    procPaint();
}

void SettingComponent::updateCursorFrame(int frame)
{
    if (!object)
        return;
    updateSection(frame);
    updateFrame();
    header->setCursorFrame(frame);
}

void SettingComponent::showSectionAtFrame(int frame)
{
    if (!object)
        return;
    const int before = currentPoint;
    updateSection(frame);
    updateFrame();
    const auto scene = currentScene();
    header->setCursorFrame(scene ? scene->cursorFrame : frame);
    if (currentPoint != before)
        if (Event::EventService* events = Event::EventService::Get())
            events->settingFrameChanged(currentPoint);
}

void SettingComponent::updateValues()
{
    if (!object)
        return;
    for (const auto& panel : panelList)
        panel->updateValues();
}

void SettingComponent::clearPanels()
{
    panelList.clear();
}

void SettingComponent::fullRefresh()
{
    const auto scene = currentScene();
    if (object)
        updateSection(scene ? scene->cursorFrame : object->start);
    rebuildPanels();
    layoutPanels();
    procMove();
    procPaint();
}

void SettingComponent::insertOptionMenu(Window::BaseMenu& menu)
{
    Window::BaseMenu options_(menu, L"オプション");
    Window::BaseMenu sections(options_, L"区間表示");
    struct Mode {
        const wchar_t* text;
        int mode;
    };
    for (const Mode m : {Mode{L"区間表示しない", 0}, Mode{L"区間表示する", 2}, Mode{L"2点間のみ表示", 1}}) {
        const int mode = m.mode;
        sections.insertItem(m.text, [this, mode] {
            options.sectionViewMode = mode;
            fullRefresh();
            if (Event::EventService* events = Event::EventService::Get()) {
                std::shared_ptr<Edit::Object> none;
                events->editChanged(none);
            }
        }).setCheck(options.sectionViewMode == mode);
    }
    options_.insertSeparator();
    options_.insertItem(L"スライダーの移動量の設定", [this] { showSliderSettingDialog(); });
    options_.insertSeparator();
    struct Flag {
        const wchar_t* text;
        int* value;
        bool inverted;
    };
    for (const Flag f : {Flag{L"スライダーをクリックした位置に移動", &options.sliderDirectMove, false},
                         Flag{L"スライダーの増減ボタンを表示", &options.sliderButtonHidden, true},
                         Flag{L"スライダーの値の位置を表示", &options.sliderCursorHidden, true},
                         Flag{L"スライド時にマウスを移動しない", &options.slideMouseHidden, false},
                         Flag{L"再生位置をフレーム番号で表示", &options.displayPositionByFrame, false}}) {
        int* value = f.value;
        options_.insertItem(f.text, [this, value] {
            *value = *value ? 0 : 1;
            fullRefresh();
        }).setCheck((*value != 0) != f.inverted);
    }
}

void SettingComponent::showSliderSettingDialog()
{
    int mode = options.sliderMoveMode, ratio = options.sliderMoveRatio;
    const auto& ask = SettingHooks::get().showSliderSettingDialog;
    if (!ask || !ask(mode, ratio))
        return;
    options.sliderMoveMode = std::clamp(mode, 0, 2);
    options.sliderMoveRatio = std::clamp(ratio, 1, 1000);
    fullRefresh();
}

void SettingComponent::procWindowMenu(Window::BaseMenu& menu)
{
    insertOptionMenu(menu);
    WindowClientRenderTarget::procWindowMenu(menu);
}

} // namespace Component
