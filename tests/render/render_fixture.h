#pragma once
// The render tests' world: the graphics device on the software driver, the
// settings and effect services with small in-test effects under the names
// the render plan recognises, a project with a tiny scene, a video worker,
// and a processor model of what the plan should draw.
//
// The in-test effects: an input whose picture is uploaded from a generated
// memory picture, a standard output that draws it with the drawing state's
// matrices through the object shaders, a filter, group, camera and time
// controls on the control view, a scene change that pre-renders the frame
// before it, and a scene input that renders another scene.
#include "core/event_service.h"
#include "core/service.h"
#include "effect/effect_base.h"
#include "effect/effect_item_layer.h"
#include "effect/effect_service.h"
#include "media/image_buffer.h"
#include "media/object_draw.h"
#include "media/vertex_list.h"
#include "project/model/object.h"
#include "project/model/project.h"
#include "project/model/scene.h"
#include "platform/ui/application.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "render/control_view.h"
#include "render/pre_input_buffer.h"
#include "render/render_object.h"
#include "render/render_section.h"
#include "render/render_service.h"
#include "render/render_video_worker.h"
#include "render/resource_cache.h"
#include "tests/media/gpu_fixture.h"

#include <climits>
#include <mutex>
#include <string>
#include <vector>

namespace RenderTest {

// What the in-test effects did, in call order, from any thread.
class EffectLog {
public:
    void add(std::string line)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(std::move(line));
    }
    std::vector<std::string> take()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::move(lines_);
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};
inline EffectLog& effectLog()
{
    static EffectLog log;
    return log;
}

inline std::string at(const Render::RenderObject& r)
{
    return " L" + std::to_string(r.object ? r.object->layer : -1) + " f" + std::to_string(r.frame);
}

// A solid premultiplied picture of width x height.
class TestImage : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"テスト画像";
    TestImage() : EffectBase(Name, Effect::EffectType::Input, Effect::MediaType::Video, Effect::MediaType::Video, L"テスト") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestImage>(); }
    std::unique_ptr<Media::ResourceBuffer> inputVideo(Render::RenderObject& r) override
    {
        effectLog().add("input" + at(r) + " o" + std::to_string(r.preRenderOffset));
        if (onInput)
            onInput();
        if (width == 0)
            return nullptr;
        auto image = Media::ImageBuffer::create(Media::Format::R16G16B16A16Float, width, height);
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<uint16_t*>(image->row(y));
            for (int x = 0; x < width * 4; ++x)
                row[x] = TestKit::floatToHalf(colour[x % 4]);
        }
        const int options[2] = {0, 0};
        return std::make_unique<Media::ResourceBuffer>(*image, options);
    }
    int width = 8, height = 8;
    TestKit::Pixel colour = {1, 0, 0, 1};
    std::function<void()> onInput; // runs on the object thread as the input is asked
};

// The standard output: places the picture at its own position added to the
// drawing state and draws it through the object shaders.
class TestOutput : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"標準描画";
    TestOutput() : EffectBase(Name, Effect::EffectType::Output, Effect::MediaType::Video, Effect::MediaType::Video, L"テスト") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestOutput>(); }
    Render::RenderObject::DrawState getOutputView(Render::RenderObject& r) override
    {
        Render::RenderObject::DrawState s = r.drawState;
        s.x += x;
        s.y += y;
        s.z += z;
        s.alpha *= alpha;
        return s;
    }
    void outputVideo(Render::RenderObject& r, Media::RenderBuffer& target,
                     std::unique_ptr<Media::ResourceBuffer>& picture) override
    {
        effectLog().add("draw" + at(r) + (target.getFormat() == Media::Format::A8Unorm ? " mask" : ""));
        const Render::RenderObject::DrawState s = getOutputView(r);
        const Math::float4x4 m = s.getWorldViewMatrix();
        Media::ObjectConstant c;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                c.projection[i][j] = m.m[j][i];
        c.alpha = s.alpha;
        for (int i = 0; i < 4; ++i)
            c.normalWorld[i][i] = 1;
        Media::Direct3DService* d3d = Media::Direct3DService::Get();
        auto quad = Media::VertexListQuadPosUvCommon::getCenteredQuad(picture->getWidth(), picture->getHeight());
        Media::ObjectDraw::setTarget(target, Media::ObjectDraw::Companions::None);
        Media::ObjectDraw::setConstants(c);
        Media::ObjectDraw::setSources(picture.get(), Shader::SamplerStateList::published()->get(Shader::SamplerStateList::PointClamp), nullptr);
        d3d->bindRasterizerState(Shader::RasterizerStateList::published()->get(Shader::RasterizerStateList::Solid));
        d3d->bindBlendState(Shader::BlendStateList::published()->get(Shader::BlendStateList::Over), nullptr);
        quad->setShader();
        quad->draw();
        Media::ObjectDraw::clear();
    }
    void createAnchor(Render::RenderObject& r, int width, int height) override
    {
        effectLog().add("anchor" + at(r) + " " + std::to_string(width) + "x" + std::to_string(height));
    }
    float x = 0, y = 0, z = 0, alpha = 1;
};

// A filter that logs and passes the picture on, or ends the chain.
class TestFilter : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"テストフィルタ";
    TestFilter() : EffectBase(Name, Effect::EffectType::Filter, Effect::MediaType::Video, Effect::MediaType::Video, L"テスト") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestFilter>(); }
    void preInputVideo(Render::RenderObject& r) override
    {
        effectLog().add("prepare " + tag + at(r));
        if (prepareThrows)
            throw std::runtime_error("prepare failed");
    }
    // Logs whether the previous object's picture is still held.
    std::unique_ptr<Media::ResourceBuffer> filterVideo(Render::RenderObject& r,
                                                       std::unique_ptr<Media::ResourceBuffer> picture) override
    {
        const bool spare = r.videoWorker && r.videoWorker->spareImage;
        effectLog().add("filter " + tag + at(r) + " spare " + (spare ? "1" : "0"));
        return ends ? nullptr : std::move(picture);
    }
    void controlVideo(Render::RenderObject& r) override { effectLog().add("control " + tag + at(r)); }
    void createAnchor(Render::RenderObject& r, int, int) override { effectLog().add("anchor " + tag + at(r)); }
    std::string tag = "f";
    bool ends = false;
    bool prepareThrows = false;
};

// The part the controls share: a layer range.
template <const wchar_t* N>
class TestControl : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = N;
    TestControl() : EffectBase(N, Effect::EffectType::Control, Effect::MediaType::Video, Effect::MediaType::Video, L"テスト") {}
    Effect::EffectItemLayerRange* getLayerRange() override { return &range; }

    Effect::EffectItemLayerRange range{items, L"対象レイヤー数"};
};

inline constexpr wchar_t GroupName[] = L"グループ制御";
inline constexpr wchar_t CameraName[] = L"カメラ制御";
inline constexpr wchar_t TimeName[] = L"時間制御(オブジェクト)";
inline constexpr wchar_t SceneChangeName[] = L"シーンチェンジ";

// Moves the objects it governs by (dx, dy), inside its enclosing groups.
class TestGroup : public TestControl<GroupName> {
public:
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestGroup>(); }
    void controlVideo(Render::RenderObject& r) override
    {
        Render::ControlView& record = *r.control;
        effectLog().add("group" + at(r) + " parent " + std::to_string(record.parentLayer()));
        record.groupMatrix = Math::translation(dx, dy, 0);
        if (const Render::ControlView* outer = r.drawState.groupControl.get())
            record.groupMatrix = record.groupMatrix * outer->groupMatrix;
        record.groupView = r.drawState.getViewMatrix();
    }
    float dx = 0, dy = 0;
};

// An orthographic camera over the scene: pixels as without a camera, depth
// growing with z (0.5 at z 0). The plan sorts by it: it is made while the
// camera is met on the planning thread.
class TestCamera : public TestControl<CameraName> {
public:
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestCamera>(); }
    void preInputVideo(Render::RenderObject& r) override
    {
        if (r.drawState.cameraControl)
            return;
        Math::float4x4& m = r.control->viewProjection;
        m = Math::identity();
        m.m[0][0] = 2.0f / static_cast<float>(r.scene->width);
        m.m[1][1] = -2.0f / static_cast<float>(r.scene->height);
        m.m[2][2] = 1e-4f;
        m.m[3][2] = 0.5f;
    }
    void controlVideo(Render::RenderObject& r) override
    {
        effectLog().add(std::string("camera") + at(r) + (r.drawState.cameraControl ? " flush" : " met"));
    }
};

// Shifts the frame of the layers it governs.
class TestTime : public TestControl<TimeName> {
public:
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestTime>(); }
    void preInputVideo(Render::RenderObject& r) override
    {
        effectLog().add("time" + at(r));
        r.frame += shift;
        r.time += shift;
    }
    int shift = 0;
};

// Shows the frame before its start, rendered from the layers above it.
class TestSceneChange : public TestControl<SceneChangeName> {
public:
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestSceneChange>(); }
    void preInputVideo(Render::RenderObject& r) override
    {
        const int before = r.object->start - 1;
        r.preInput = r.videoWorker->preRenderFrame(r.scene, before, r.frame - before, r.object->layer - 1);
        last = r.preInput;
    }
    std::shared_ptr<Render::PreInputBuffer> last;
};

// Shows a frame of a scene: the picture arrives through the image callback
// before the object's task runs.
class TestScene : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"テストシーン";
    TestScene() : EffectBase(Name, Effect::EffectType::Input, Effect::MediaType::Video, Effect::MediaType::Video, L"テスト") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestScene>(); }
    struct Holder : Render::PreInputBuffer {
        std::shared_ptr<Media::ImageBuffer> image;
    };
    void preInputVideo(Render::RenderObject& r) override
    {
        auto holder = std::make_shared<Holder>();
        r.preInput = holder;
        r.videoWorker->renderSceneFrame(shown, r.frame, [holder](std::shared_ptr<Media::ImageBuffer> image) {
            holder->image = std::move(image);
        });
    }
    std::unique_ptr<Media::ResourceBuffer> inputVideo(Render::RenderObject& r) override
    {
        auto* holder = static_cast<Holder*>(r.preInput.get());
        if (!holder || !holder->image)
            return nullptr;
        const int options[2] = {0, 0};
        return std::make_unique<Media::ResourceBuffer>(*holder->image, options);
    }
    Edit::Scene* shown = nullptr;
};

inline void registerRenderEffects(Effect::EffectService& s)
{
    s.registerEffect<TestImage>();
    s.registerEffect<TestOutput>();
    s.registerEffect<TestFilter>();
    s.registerEffect<TestGroup>();
    s.registerEffect<TestCamera>();
    s.registerEffect<TestTime>();
    s.registerEffect<TestSceneChange>();
    s.registerEffect<TestScene>();
}

// The processor model: rectangles composited "over", clip masks, tints.
struct Canvas {
    int width, height;
    TestKit::Picture pixels;
    Canvas(int w, int h) : width(w), height(h), pixels(size_t(w) * h, TestKit::Pixel{0, 0, 0, 0}) {}

    static TestKit::Pixel over(const TestKit::Pixel& s, const TestKit::Pixel& d)
    {
        TestKit::Pixel o;
        for (int c = 0; c < 4; ++c)
            o[c] = TestKit::toHalf(s[c] + d[c] * (1 - s[3]));
        return o;
    }
    // A w x h picture of one colour centred at (x, y) from the frame's centre.
    template <class F>
    void forRect(float x, float y, int w, int h, F&& f)
    {
        const int left = static_cast<int>(width / 2 + x - w / 2.0f), top = static_cast<int>(height / 2 + y - h / 2.0f);
        for (int j = std::max(top, 0); j < std::min(top + h, height); ++j)
            for (int i = std::max(left, 0); i < std::min(left + w, width); ++i)
                f(pixels[size_t(j) * width + i]);
    }
    void draw(float x, float y, int w, int h, const TestKit::Pixel& colour, float alpha = 1)
    {
        const TestKit::Pixel s{colour[0] * alpha, colour[1] * alpha, colour[2] * alpha, colour[3] * alpha};
        forRect(x, y, w, h, [&](TestKit::Pixel& p) { p = over(s, p); });
    }
};

// Mask coverage as the 8-bit mask stores it.
inline float maskLevel(float a) { return std::round(a * 255) / 255; }

class RenderFixture : public TestKit::GpuFixture {
protected:
    static constexpr int Width = 64, Height = 36;

    // The services in their start-up order after the graphics device: events,
    // effects, undo, edit and render; the current scene is the tiny one.
    void SetUp() override
    {
        GpuFixture::SetUp();
        Platform::Ui::initializeApplication();
        acquireGraphicServices();
        services.acquire<Event::EventService>();
        acquireMediaServices();
        Effect::EffectService::builtInEffects = effectTable();
        services.acquire<Effect::EffectService>();
        Effect::EffectService::builtInEffects = {};
        services.acquire<Undo::UndoService>();
        edit = services.acquire<Edit::EditService>();
        services.acquire<Render::RenderService>();
        worker = &Render::RenderService::Get()->videoWorker;
        project = &edit->project;
        useScene(edit->currentScene.get());
        effectLog().take();
    }
    void TearDown() override
    {
        services.releaseAll();
        GpuFixture::TearDown();
    }
    // Services before the event service (imaging, 2D drawing, shared
    // resources); none by default.
    virtual void acquireGraphicServices() {}
    // Services between the event and effect services (input, caches); none by default.
    virtual void acquireMediaServices() {}
    // The effects registered: the in-test ones by default.
    virtual Effect::EffectService::BuiltInEffects effectTable() const { return {registerRenderEffects, nullptr}; }

    void useScene(Edit::Scene* s)
    {
        scene = s;
        scene->width = Width;
        scene->height = Height;
    }
    // An empty current scene again.
    void clearScene()
    {
        for (int layer = 0; layer < scene->layerCount(); ++layer)
            for (const auto& object : std::vector(scene->getLayer(layer).objects))
                scene->removeObject(*object);
        scene->updateLayerObject();
    }

    // A picture object with the standard output; its effects for the test to set.
    struct Placed {
        std::shared_ptr<Edit::Object> object;
        TestImage* image;
        TestOutput* output;
    };
    Placed image(int layer, int start, int end, const TestKit::Pixel& colour, float x = 0, float y = 0, int size = 8,
                 Edit::Scene* in = nullptr)
    {
        auto& object = (in ? in : scene)->createObject(TestImage::Name, layer, start, end);
        Placed p{object, dynamic_cast<TestImage*>(object->effects[0].get()),
                 dynamic_cast<TestOutput*>(object->effects[1].get())};
        p.image->colour = colour;
        p.image->width = p.image->height = size;
        p.output->x = x;
        p.output->y = y;
        return p;
    }
    template <class T>
    T* control(int layer, int start, int end, int range, Edit::Scene* in = nullptr)
    {
        auto& object = (in ? in : scene)->createObject(T::Name, layer, start, end);
        auto* effect = dynamic_cast<T*>(object->effects[0].get());
        effect->range.value = range;
        return effect;
    }
    TestFilter* addFilter(const std::shared_ptr<Edit::Object>& object, const std::string& tag)
    {
        Effect::EffectBase* effect = object->setFilterEffect(Effect::EffectService::Get()->findEffect(TestFilter::Name))->get();
        auto* filter = dynamic_cast<TestFilter*>(effect);
        filter->tag = tag;
        return filter;
    }

    // Plans the frame on the worker's request thread as a frame request does
    // (without the project lock), waits for the object thread and reads the
    // frame back there.
    TestKit::Picture renderPlan(int frame, Anchor::AnchorList* anchors = nullptr, Edit::Scene* of = nullptr)
    {
        Edit::Scene* planned = of ? of : scene;
        planned->updateLayerObject();
        TestKit::Picture out;
        Render::RenderVideoWorker& w = *worker;
        w.requestThread.request(3, [&] {
            Media::RenderBuffer target(d3d->PixelFormat);
            Render::ResourceCache cache(w.temporaryImageCacheSize);
            w.planningScenes.clear();
            try {
                Render::RenderWorkerBase::RenderSection(w, planned, frame, &target, &cache, anchors, 0, INT_MAX, false);
            } catch (...) {
                w.objectThread.wait();
                throw;
            }
            w.objectThread.wait();
            out = readBuffer(target);
        });
        w.requestThread.wait();
        return out;
    }

    TestKit::Picture readBuffer(Media::RenderBuffer& buffer)
    {
        TestKit::Picture out(size_t(buffer.getWidth()) * buffer.getHeight());
        if (!buffer.getTexture())
            return {};
        auto image = buffer.readImageBuffer();
        for (uint32_t y = 0; y < buffer.getHeight(); ++y) {
            const auto* row = reinterpret_cast<const uint16_t*>(image->row(y));
            for (uint32_t x = 0; x < buffer.getWidth(); ++x)
                for (int c = 0; c < 4; ++c)
                    out[size_t(y) * buffer.getWidth() + x][c] = TestKit::halfToFloat(row[4 * x + c]);
        }
        return out;
    }

    System::ServiceStack services;
    Edit::EditService* edit = nullptr;
    Edit::Project* project = nullptr;
    Edit::Scene* scene = nullptr;
    Render::RenderVideoWorker* worker = nullptr;
};

} // namespace RenderTest
