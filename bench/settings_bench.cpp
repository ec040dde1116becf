// Prints the milliseconds of a focus change in the object settings window to
// an object of 12 effects (about 120 controls: the panels rebuilt, laid out
// and painted), and of one slider step of a number item with 50 selected
// objects carrying the effect (the write-back, the propagation to every
// object and the repaint) — beside ImageMagick drawing the same control
// faces with their labels into a picture of the window's size.
#include "bench/peer_tool.h"
#include "core/event_service.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "effect/effect_base.h"
#include "effect/effect_item_color.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effect/effect_service.h"
#include "media/direct2d_service.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "platform/ui/application.h"
#include "platform/ui/surface.h"
#include "platform/ui/test_input.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "ui/settings/controls/number_control.h"
#include "ui/settings/window/effect_setting.h"
#include "ui/settings/window/setting_windows.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/window_service.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// A source and an output, and a filter of ten items: eight numbers, a check and a colour.
template <uint8_t Type>
class BenchEffect : public Effect::EffectBase {
public:
    static const wchar_t* name()
    {
        // A video source's output is looked up by the standard drawing's name.
        return Type == Effect::EffectType::Input ? L"ベンチ入力" : Type == Effect::EffectType::Output ? L"標準描画" : L"ベンチフィルタ";
    }
    BenchEffect() : EffectBase(name(), Type, 1, 1, L"ベンチ")
    {
        for (int i = 0; i < 8; ++i)
            numbers.push_back(std::make_unique<Effect::EffectItemNumber>(items, L"数値" + std::to_wstring(i), 0.0,
                                                                         -1000.0, 1000.0, 0.01));
        for (Effect::EffectItem* item : items)
            item->notify = true;
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<BenchEffect>(); }
    std::vector<std::unique_ptr<Effect::EffectItemNumber>> numbers;
    Effect::EffectItemCheck check{items, L"チェック", false};
    Effect::EffectItemColor color{items, L"色", 255, 128, 0};
};

void registerBenchEffects(Effect::EffectService& s)
{
    s.registerEffect<BenchEffect<Effect::EffectType::Input>>();
    s.registerEffect<BenchEffect<Effect::EffectType::Output>>();
    s.registerEffect<BenchEffect<Effect::EffectType::Filter>>();
}

double peerPaint(int width, int height, const std::vector<Window::Rect>& faces)
{
    std::string draw, text;
    for (const Window::Rect& f : faces) {
        draw += " rectangle " + std::to_string(f.x) + "," + std::to_string(f.y) + " " + std::to_string(f.x + f.width) +
                "," + std::to_string(f.y + f.height);
        text += " text " + std::to_string(f.x + 6) + "," + std::to_string(f.y + 16) + " '12.34'";
    }
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string command = "convert -size " + size +
                                " xc:'#202124' -font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf -fill '#2e3136' "
                                "-stroke '#3c3f44' -draw \"" + draw +
                                "\" -stroke none -fill '#e0e2e6' -pointsize 12 -draw \"" + text + "\" bmp:/dev/null";
    const double base = Bench::timeCommand("convert -size " + size + " xc:'#202124' bmp:/dev/null");
    double best = 1e9;
    for (int i = 0; i < 3; ++i)
        best = std::min(best, Bench::timeCommand(command));
    return best > 0 && base >= 0 ? best - base : -1;
}

} // namespace

int main()
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    Platform::Ui::initializeApplication();
    double focusMs = 0, slideMs = 0;
    int controls = 0, width = 0, height = 0;
    std::vector<Window::Rect> faces;
    {
        System::ServiceStack services;
        services.acquire<Setting::SettingService>();
        services.acquire<Media::ImageService>();
        services.acquire<Media::Direct2DService>();
        services.acquire<Resource::ResourceService>();
        services.acquire<Event::EventService>();
        services.acquire<Window::ShortcutManager>();
        services.acquire<Window::WindowMouseService>();
        Window::WindowService* window = services.acquire<Window::WindowService>();
        Effect::EffectService::builtInEffects = {registerBenchEffects, nullptr};
        Effect::EffectService* effects = services.acquire<Effect::EffectService>();
        Effect::EffectService::builtInEffects = {};
        services.acquire<Undo::UndoService>();
        Edit::EditService* edit = services.acquire<Edit::EditService>();
        Component::SettingWindows* windows = services.acquire<Component::SettingWindows>();
        Platform::Ui::TestInput::activate();
        int l, t, r, b;
        window->surface->outerRect(l, t, r, b);
        Platform::Ui::TestInput::resizeWindow(1920, 1080 + (b - t) - window->height);
        Component::SettingComponent& setting = windows->setting;
        setting.area = Window::WindowClient::AreaCenter;
        setting.left = setting.top = 0;
        setting.right = setting.bottom = 1;
        window->updateWindowLayout();

        // 52 objects of an input, its output and 11 filters: 12 panels of 10 rows.
        Edit::Scene& scene = *edit->currentScene;
        std::vector<std::shared_ptr<Edit::Object>> objects;
        for (int i = 0; i < 52; ++i) {
            auto object = scene.createObject(L"ベンチ入力", i, 0, 299);
            for (int f = 0; f < 11; ++f)
                object->setFilterEffect(effects->findEffect(L"ベンチフィルタ"));
            objects.push_back(object);
        }
        // Focus changes between two objects, each a full rebuild, layout and paint.
        const int runs = 20;
        setting.setTarget(objects[0]);
        setting.setTarget(objects[1]);
        Clock::time_point start = Clock::now();
        for (int i = 0; i < runs; ++i)
            setting.setTarget(objects[size_t(i % 2)]);
        focusMs = ms(start, Clock::now()) / runs;
        for (const auto& panel : setting.panelList) {
            controls += int(panel->itemControls.size());
            for (const auto& c : panel->itemControls)
                if (auto* row = dynamic_cast<Component::EffectItemRowControl*>(c.get()); row && row->rect.y < 1080)
                    faces.push_back(row->rect);
        }
        width = setting.clientRect.width;
        height = setting.clientRect.height;

        // One slider step of the first filter's first number with 50 other objects selected.
        for (size_t i = 2; i < objects.size(); ++i)
            scene.selection.addObject(objects[i], scene);
        Component::NumberItemControl* number = nullptr;
        for (const auto& effect : setting.object->effects)
            if (effect->effectType == Effect::EffectType::Filter) {
                for (const auto& panel : setting.panelList)
                    if (!number)
                        number = dynamic_cast<Component::NumberItemControl*>(panel->findItemControl(
                            dynamic_cast<BenchEffect<Effect::EffectType::Filter>&>(*effect).numbers[0].get()));
                break;
            }
        if (!number) {
            std::fprintf(stderr, "no number control on the first filter\n");
            Platform::Ui::shutdownApplication();
            return 1;
        }
        Control::SliderInputControl& slider = number->startSlider;
        slider.onChangeBegin(slider);
        const int steps = 200;
        start = Clock::now();
        for (int i = 0; i < steps; ++i)
            slider.applyValue(slider.value + 1);
        slideMs = ms(start, Clock::now()) / steps;
        slider.onChangeEnd(slider);
        // The figure counts only when every selected object took the steps.
        auto firstNumber = [](const std::shared_ptr<Edit::Object>& o) -> double {
            for (const auto& effect : o->effects)
                if (effect->effectType == Effect::EffectType::Filter)
                    return dynamic_cast<BenchEffect<Effect::EffectType::Filter>&>(*effect).numbers[0]->values.at(0);
            return 0.0;
        };
        for (size_t i = 2; i < objects.size(); ++i)
            if (firstNumber(objects[i]) != firstNumber(setting.object) || firstNumber(setting.object) == 0.0) {
                std::fprintf(stderr, "object %zu did not take the slider's steps\n", i);
                Platform::Ui::shutdownApplication();
                return 1;
            }
        setting.setTarget(nullptr);
    }
    const double peer = peerPaint(width, height, faces);
    std::system("uptime");
    std::printf("settings window %dx%d, an object of 12 effects: %d controls\n", width, height, controls);
    std::printf("focus change (rebuild, layout, paint): %.2f ms (target 30 ms)\n", focusMs);
    if (peer > 0)
        std::printf("ImageMagick, the %zu visible rows' faces and labels: %.2f ms (ratio %.1fx)\n", faces.size(),
                    peer * 1000, peer * 1000 / focusMs);
    std::printf("slider step with 50 selected objects (write-back, propagation, repaint): %.3f ms (target 8 ms)\n",
                slideMs);
    Platform::Ui::shutdownApplication();
    return 0;
}
