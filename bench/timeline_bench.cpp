// The timeline window on the offscreen main window at 1920 x 1080 with 1,000
// objects over 50 layers (a third of them sound with waveforms, each with a
// name and two mid-points). Prints, in ms: a full repaint, one row, one step
// of the play cursor, and one drag step of 20 selected objects across
// obstacles; beside ImageMagick drawing the same bars into a
// picture of that size, and the ratio.
#include "bench/peer_tool.h"
#include "core/event_service.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "effect/effect_base.h"
#include "effect/effect_service.h"
#include "effect/effect_types.h"
#include "media/audio_buffer.h"
#include "media/direct2d_service.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "platform/ui/application.h"
#include "platform/ui/surface.h"
#include "platform/ui/test_input.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_object.h"
#include "ui/editor/timeline/edit_component.h"
#include "ui/editor/timeline/edit_layer_object_control.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/window_mouse.h"
#include "ui/window/window_service.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A picture source and a sound source with a waveform of 128 columns a frame.
template <uint8_t Media>
class BenchSource : public Effect::EffectBase {
public:
    BenchSource()
        : EffectBase(Media == Effect::MediaType::Audio ? L"音声ファイル" : L"画像ファイル", Effect::EffectType::Input,
                     Media, Media, L"bench")
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<BenchSource>(); }
    std::shared_ptr<Media::WaveformBuffer> getWaveform() override { return Media == Effect::MediaType::Audio ? wave() : nullptr; }
    double getWaveformPosition(Render::RenderObject& object) override
    {
        return (object.time - (object.object ? object.object->start : 0)) * 128.0;
    }
    static std::shared_ptr<Media::WaveformBuffer> wave()
    {
        static std::shared_ptr<Media::WaveformBuffer> shared = [] {
            auto w = std::make_shared<Media::WaveformBuffer>();
            w->columns = 128 * 200;
            w->bytes.allocMemory(w->columns * 2);
            uint16_t* e = static_cast<uint16_t*>(w->bytes.data);
            uint32_t seed = 1;
            for (uint32_t i = 0; i < w->columns; ++i) {
                seed = seed * 1664525u + 1013904223u;
                const int a = int(seed >> 25);
                e[i] = uint16_t((128 + a) << 8 | (127 - a));
            }
            return w;
        }();
        return shared;
    }
};

// The outputs a new object of each source gets.
template <uint8_t Media>
class BenchOutput : public Effect::EffectBase {
public:
    BenchOutput()
        : EffectBase(Media == Effect::MediaType::Audio ? L"音声再生" : L"標準描画", Effect::EffectType::Output, Media,
                     Media, L"bench")
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<BenchOutput>(); }
};

void registerBenchEffects(Effect::EffectService& service)
{
    service.registerEffect<BenchOutput<Effect::MediaType::Video>>();
    service.registerEffect<BenchOutput<Effect::MediaType::Audio>>();
    service.registerEffect<BenchSource<Effect::MediaType::Video>>();
    service.registerEffect<BenchSource<Effect::MediaType::Audio>>();
}

// ImageMagick drawing the same visible bars (without names: its text needs a font
// setup this machine's policy refuses) into a 1920 x 1080 picture.
double peerPaint(const std::vector<std::array<int, 4>>& bars)
{
    std::string draw;
    for (const auto& b : bars) {
        draw += " rectangle " + std::to_string(b[0]) + "," + std::to_string(b[1]) + " " + std::to_string(b[2]) + "," +
                std::to_string(b[3]);
    }
    const std::string file = "/tmp/velmora-timeline-bench.mvg";
    FILE* f = std::fopen(file.c_str(), "w");
    if (!f)
        return -1;
    std::fprintf(f, "viewbox 0 0 1920 1080\nfill '#26282c' rectangle 0,0 1920,1080\nfill '#4a6a8a'%s\n\n", draw.c_str());
    std::fclose(f);
    const std::string command = "convert mvg:" + file + " bmp:/dev/null";
    const double base = Bench::timeCommand("convert -size 1920x1080 xc:'#26282c' bmp:/dev/null");
    double best = 1e9;
    for (int i = 0; i < 3; ++i)
        best = std::min(best, Bench::timeCommand(command));
    std::remove(file.c_str());
    return best > 0 && base >= 0 ? best - base : -1;
}

struct Figures {
    double full = 0, row = 0, cursor = 0, drag = 0, dragWorst = 0;
    int width = 0, height = 0;
    std::vector<std::array<int, 4>> bars;
};

} // namespace

int main()
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    Platform::Ui::initializeApplication();
    Figures figures;
    {
        System::ServiceStack services;
        services.acquire<Setting::SettingService>();
        Effect::EffectService::builtInEffects = {registerBenchEffects, nullptr};
        services.acquire<Effect::EffectService>();
        services.acquire<Media::ImageService>();
        services.acquire<Media::Direct2DService>();
        services.acquire<Resource::ResourceService>();
        services.acquire<Event::EventService>();
        services.acquire<Window::ShortcutManager>();
        services.acquire<Window::WindowMouseService>();
        Window::WindowService* window = services.acquire<Window::WindowService>();
        services.acquire<Undo::UndoService>();
        Edit::EditService& edit = *services.acquire<Edit::EditService>();
        Platform::Ui::TestInput::activate();
        int l, t, r, b;
        window->surface->outerRect(l, t, r, b);
        Platform::Ui::TestInput::resizeWindow(1920, 1080 + (b - t) - window->height);
        Platform::Ui::TestInput::wait(50);

        Edit::Scene& scene = *edit.currentScene;
        {
            Edit::UpdateSection update(edit);
            update.updateLayerObject = true;
            for (int i = 0; i < 1000; ++i) {
                const int layer = i % 50, slot = i / 50; // 20 objects a layer, 40 frames each, 10 apart
                const bool sound = i % 3 == 0;
                auto& object = scene.createObject(sound ? L"音声ファイル" : L"画像ファイル", layer, slot * 50,
                                                  slot * 50 + 39);
                object->midPoints = {13, 26};
            }
        }
        Component::EditComponent* timeline = services.acquire<Component::EditComponent>();
        timeline->left = 0, timeline->top = 0, timeline->right = 1, timeline->bottom = 1, timeline->area = 4;
        window->updateWindowLayout();
        timeline->view.updateZoom(Edit::FrameZoom(20000)); // two pixels a frame: every object in view
        timeline->updateView(-1);
        figures.width = timeline->clientRect.width;
        figures.height = timeline->clientRect.height;
        Component::EditLayerObjectControl& view = *timeline->objectView;
        for (int i = 0; i < 1000; ++i) {
            const int layer = i % 50, slot = i / 50, rowTop = view.rect.y + layer * 26;
            if (rowTop + 26 <= view.rect.y + view.rect.height)
                figures.bars.push_back({view.rect.x + slot * 100, rowTop + 6, view.rect.x + slot * 100 + 80, rowTop + 26});
        }

        const int runs = 30;
        for (int i = 0; i < 3; ++i)
            timeline->procPaint();
        Clock::time_point start = Clock::now();
        for (int i = 0; i < runs; ++i)
            timeline->procPaint();
        figures.full = msSince(start) / runs;

        start = Clock::now();
        for (int i = 0; i < runs * 10; ++i)
            view.drawLayer(i % timeline->view.visibleLayers);
        figures.row = msSince(start) / (runs * 10);

        start = Clock::now();
        for (int i = 0; i < runs * 10; ++i) {
            scene.playFrame = i;
            timeline->onPlaybackFrame(2, i);
        }
        figures.cursor = msSince(start) / (runs * 10);
        view.restoreStrip();

        // 20 objects of layer 0 and 1 selected; each step moves them 7 frames, across the others.
        edit.layerObjectMoveSnap = 0;
        Component::LayerObjectEditor& editor = view.editor;
        for (int i = 0; i < 20; ++i)
            scene.selection.addObject(scene.getLayer(i).objects[5], scene);
        editor.hoverObject = scene.selection.objects.front();
        const int pressX = int(timeline->view.pixelOf(editor.hoverObject->start)) + 4;
        editor.beginEditDrag(Component::LayerObjectEditor::DragMode::MoveObject, pressX, 10, false);
        const int steps = 60;
        double total = 0;
        for (int i = 1; i <= steps; ++i) {
            const Clock::time_point step = Clock::now();
            editor.dragMove(pressX + (i % 20) * 14, 10, false);
            const double ms = msSince(step);
            total += ms;
            figures.dragWorst = std::max(figures.dragWorst, ms);
        }
        std::printf("drag moved the first selected object to frame %d (selected %zu)\n", editor.hoverObject->start,
                    scene.selection.objects.size());
        editor.finishEditDrag();
        figures.drag = total / steps;
        scene.selection.clear();
        services.releaseAll();
    }
    const double peer = peerPaint(figures.bars);
    std::system("uptime");
    std::printf("timeline %dx%d, 1,000 objects over 50 layers (a third sound with waveforms), names, mid-points\n",
                figures.width, figures.height);
    std::printf("full repaint: %.2f ms (target < 16 ms)\n", figures.full);
    if (peer > 0)
        std::printf("ImageMagick, the visible bars: %.2f ms (ratio %.1fx)\n", peer * 1000,
                    peer * 1000 / figures.full);
    std::printf("one row: %.3f ms (target < 2 ms)\n", figures.row);
    std::printf("one play-cursor step: %.3f ms (target < 1 ms)\n", figures.cursor);
    std::printf("one drag step of 20 selected objects: %.2f ms, worst %.2f ms (target < 16 ms)\n", figures.drag,
                figures.dragWorst);
    Platform::Ui::shutdownApplication();
    return 0;
}
