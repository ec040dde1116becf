// The preview pane on real widgets (offscreen platform) with real input and
// without a renderer: handles from hand-built lists (which one a point hits,
// hover, clicks, drags with Shift and arrow keys, one undo step per drag),
// files dropped on the picture, and the player bar's buttons and zoom drag.
#include "core/translate_service.h"
#include "effect/anchor_list.h"
#include "io/input/input_service.h"
#include "media/direct2d_service.h"
#include "media/image_bitmap.h"
#include "media/image_buffer.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "platform/ui/surface.h"
#include "platform/ui/test_input.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/project/edit_fixture.h"
#include "ui/editor/preview/picture_geometry.h"
#include "ui/editor/preview/preview_edit_component.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_mouse.h"
#include "ui/window/window_service.h"

#include <cmath>
#include <filesystem>

namespace {

namespace Input = Platform::Ui::TestInput;
using Anchor::Flag;
using Anchor::Shape;
using Math::float2;

constexpr int VkShift = 0x10, VkRight = 0x27, VkDown = 0x28;

// An input whose handles record every event they get; a drag step moves its X.
class Recorder : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"記録";
    Recorder() : EffectBase(Name, Effect::EffectType::Input, Effect::MediaType::Video, Effect::MediaType::Video, L"テスト") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<Recorder>(); }
    struct Heard {
        int kind, id, x, y;
        bool shift;
    };
    bool anchorEvent(Anchor::AnchorEvent& e) override
    {
        heard.push_back({e.kind, e.id, e.dragOffset.x, e.dragOffset.y, e.shiftKey});
        if (e.kind == Anchor::AnchorEvent::Drag)
            x.setValue(x.values[0] + e.dragStep.x, 0);
        return e.kind == Anchor::AnchorEvent::AltActivate && handlesAlt;
    }
    std::vector<Heard> heard;
    bool handlesAlt = false;
    Effect::EffectItemNumber x{items, L"X", 0.0, -10000.0, 10000.0, 1.0};
};

class PreviewPane : public EditTest::EditFixture {
protected:
    PreviewPane()
    {
        effects().registerEffect<Recorder>();
        ui_.acquire<Media::ImageService>();
        ui_.acquire<Media::Direct2DService>();
        ui_.acquire<Resource::ResourceService>();
        ui_.acquire<Window::ShortcutManager>();
        mouse = ui_.acquire<Window::WindowMouseService>();
        window = ui_.acquire<Window::WindowService>();
        EXPECT_TRUE(Input::activate());
        Input::resizeWindow(900, 600);
        preview = panes_.acquire<Component::PreviewEditComponent>();
        preview->left = 0, preview->top = 0, preview->right = 1, preview->bottom = 1, preview->area = 4;
        preview->hide = 0;
        window->updateWindowLayout();
        Input::wait(20);
    }
    ~PreviewPane() override
    {
        Input::keyUp(VkShift);
        panes_.releaseAll();
        Window::ToolTips::get().release();
        Input::closePopups();
        ui_.releaseAll();
    }

    Component::PreviewVideoControl& video() { return preview->picture.video; }

    // A 640 x 360 picture with the given handles, fitted into the pane.
    void showList(std::shared_ptr<Anchor::AnchorList> list)
    {
        auto image = Media::ImageBuffer::create(Media::Format::B8G8R8A8Unorm, 640, 360);
        std::fill(image->data(), image->data() + size_t(image->pitch) * 360, uint8_t(0x40));
        preview->picture.setImage(Media::createRenderTargetBitmap(std::shared_ptr<const Media::ImageBuffer>(image)),
                                  std::move(list));
        preview->picture.procPaint();
        Input::wait(10);
    }
    // A handle at a point of the picture (-1 to 1, y up).
    Anchor::AnchorItem& add(Anchor::AnchorList& list, int32_t shape, uint32_t flags,
                            const std::shared_ptr<Edit::Object>& object, int32_t id, std::vector<float2> points)
    {
        list.items.emplace_back(shape, flags, object, object ? object->effects[0] : nullptr, id);
        list.items.back().points = std::move(points);
        return list.items.back();
    }
    // Window pixel of a picture point.
    std::pair<int, int> at(float2 p)
    {
        const Component::PictureRect& r = video().pictureRect;
        const float cx = (r.left + r.right) * 0.5f, cy = (r.top + r.bottom) * 0.5f;
        return {video().rect.x + int(std::lround(cx + p.x * (r.right - r.left) * 0.5f)),
                video().rect.y + int(std::lround(cy - p.y * (r.bottom - r.top) * 0.5f))};
    }
    // What findAnchor gives at a window pixel.
    Anchor::AnchorItem* hitAt(int x, int y) { return video().findAnchor(float(x - video().rect.x), float(y - video().rect.y)); }
    std::shared_ptr<Edit::Object> recorder(int layer)
    {
        return scene().createObject(Recorder::Name, layer, 0, 99);
    }
    static Recorder& of(const std::shared_ptr<Edit::Object>& object) { return dynamic_cast<Recorder&>(*object->effects[0]); }

    Window::WindowService* window = nullptr;
    Window::WindowMouseService* mouse = nullptr;
    Component::PreviewEditComponent* preview = nullptr;

private:
    System::ServiceStack ui_, panes_;
};

} // namespace

TEST_F(PreviewPane, TheHitHandleIsChosenByShapeThenDistanceThenFocusThenId)
{
    auto a = recorder(0), b = recorder(1), c = recorder(2);
    auto list = std::make_shared<Anchor::AnchorList>();
    const float2 p{0.2f, 0.1f};
    add(*list, Shape::ObjectPoint, 0, a, 5, {p});
    add(*list, Shape::ObjectPoint, 0, b, 3, {p});
    add(*list, Shape::ObjectPoint, 0, c, 4, {p});
    showList(list);
    ASSERT_GT(video().pictureRect.right - video().pictureRect.left, 300);
    auto [x, y] = at(p);
    ASSERT_NE(hitAt(x, y), nullptr);
    EXPECT_EQ(hitAt(x, y)->id, 3) << "same shape, distance and no focus: the smaller id";
    scene().focusObject = c;
    EXPECT_EQ(hitAt(x, y)->id, 4) << "then the focus object";
    // Nearer wins over the focus object.
    add(*list, Shape::ObjectPoint, 0, a, 9, {{p.x + 0.01f, p.y}});
    showList(list);
    std::tie(x, y) = at({p.x + 0.01f, p.y});
    EXPECT_EQ(hitAt(x, y)->id, 9);
    // A filter point (shape 6) wins over every object point (shape 8), nearer or not.
    add(*list, Shape::FilterPoint, 0, b, 7, {{p.x - 0.02f, p.y}});
    showList(list);
    EXPECT_EQ(hitAt(x, y)->id, 7);
}

TEST_F(PreviewPane, NeverHitItemsDoNotHoverAndDegeneratePolygonsHitAsSixteenPixels)
{
    auto a = recorder(0);
    auto list = std::make_shared<Anchor::AnchorList>();
    add(*list, Shape::ObjectPoint, Flag::NeverHit, a, 1, {{-0.5f, 0.5f}});
    // Four corners on one point, and a flat one along a horizontal line.
    add(*list, Shape::ObjectArea, 0, a, 2, {{0.3f, 0.3f}, {0.3f, 0.3f}, {0.3f, 0.3f}, {0.3f, 0.3f}});
    add(*list, Shape::ObjectArea, 0, a, 3, {{-0.6f, -0.5f}, {-0.1f, -0.5f}, {-0.1f, -0.5f}, {-0.6f, -0.5f}});
    showList(list);
    auto [nx, ny] = at({-0.5f, 0.5f});
    Input::move(nx, ny);
    Input::wait(10);
    EXPECT_EQ(video().hoverItem, nullptr) << "flag 0x10000000 never hovers";
    EXPECT_EQ(hitAt(nx, ny), nullptr);

    auto [px, py] = at({0.3f, 0.3f});
    struct Case {
        int dx, dy;
        bool hit;
    };
    for (const Case k : {Case{0, 0, true}, Case{7, 7, true}, Case{-7, 7, true}, Case{10, 0, false}, Case{0, -10, false}}) {
        const Anchor::AnchorItem* hit = hitAt(px + k.dx, py + k.dy);
        EXPECT_EQ(hit && hit->id == 2, k.hit) << "point polygon at " << k.dx << "," << k.dy;
    }
    auto [lx, ly] = at({-0.35f, -0.5f});
    for (const Case k : {Case{0, 7, true}, Case{0, -7, true}, Case{0, 10, false}, Case{0, -10, false}}) {
        const Anchor::AnchorItem* hit = hitAt(lx + k.dx, ly + k.dy);
        EXPECT_EQ(hit && hit->id == 3, k.hit) << "flat polygon at " << k.dx << "," << k.dy;
    }
    Input::move(lx, ly + 5);
    Input::wait(10);
    ASSERT_NE(video().hoverItem, nullptr);
    EXPECT_EQ(video().hoverItem->id, 3);
}

TEST_F(PreviewPane, DraggingAHandleOfTwoSelectedObjectsMovesBothInOneUndoStep)
{
    auto a = recorder(0), b = recorder(1);
    scene().selection.addObject(a, scene());
    scene().selection.addObject(b, scene());
    a->selected = b->selected = true;
    auto list = std::make_shared<Anchor::AnchorList>();
    add(*list, Shape::ObjectPoint, Flag::ObjectHandle, a, Anchor::Id::AllPoints, {{-0.3f, 0}});
    add(*list, Shape::ObjectPoint, Flag::ObjectHandle, b, Anchor::Id::AllPoints, {{0.3f, 0}});
    showList(list);
    const size_t steps = history().steps.size();
    auto [x, y] = at({-0.3f, 0});
    Input::move(x, y);
    Input::press(x, y);
    for (int d = 5; d <= 30; d += 5)
        Input::move(x + d, y + d / 3, Input::None, 1);
    Input::release(x + 30, y + 10);
    Input::wait(10);
    EXPECT_EQ(of(a).x.values[0], 30);
    EXPECT_EQ(of(b).x.values[0], 30);
    ASSERT_FALSE(of(b).heard.empty());
    EXPECT_EQ(of(b).heard.back().x, 30);
    EXPECT_EQ(of(b).heard.back().y, 10);
    EXPECT_EQ(history().steps.size(), steps + 1) << "one undo step for the whole drag";
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(of(a).x.values[0], 0);
    EXPECT_EQ(of(b).x.values[0], 0);
}

TEST_F(PreviewPane, ShiftKeepsTheLongerAxisAndArrowKeysStepOnePixel)
{
    auto a = recorder(0);
    auto list = std::make_shared<Anchor::AnchorList>();
    add(*list, Shape::ObjectPoint, 0, a, 1, {{-0.4f, 0}});
    add(*list, Shape::ObjectPoint, Flag::CameraView, a, 2, {{0.4f, 0}});
    showList(list);
    auto dragTo = [&](float2 p, int dx, int dy, uint32_t modifiers) {
        of(a).heard.clear();
        auto [x, y] = at(p);
        Input::move(x, y);
        Input::press(x, y);
        Input::move(x + dx / 2, y + dy / 2, modifiers, 1);
        Input::move(x + dx, y + dy, modifiers, 1);
        Input::release(x + dx, y + dy, Input::Left, modifiers);
        Input::wait(10);
        return of(a).heard.empty() ? Recorder::Heard{} : of(a).heard.back();
    };
    struct Case {
        int dx, dy;
        uint32_t modifiers;
        float2 on;
        int x, y;
        const char* what;
    };
    const Case cases[] = {
        {10, 30, Input::Shift, {-0.4f, 0}, 0, 30, "y is longer: x dropped"},
        {30, -10, Input::Shift, {-0.4f, 0}, 30, 0, "x is longer: y dropped"},
        {20, 20, Input::Shift, {-0.4f, 0}, 20, 0, "a tie keeps x"},
        {10, 30, Input::None, {-0.4f, 0}, 10, 30, "without Shift both"},
        {10, 30, Input::Shift, {0.4f, 0}, 10, 30, "a camera view handle is exempt"},
    };
    for (const Case& c : cases) {
        const Recorder::Heard h = dragTo(c.on, c.dx, c.dy, c.modifiers);
        EXPECT_EQ(h.kind, Anchor::AnchorEvent::Drag) << c.what;
        EXPECT_EQ(h.x, c.x) << c.what;
        EXPECT_EQ(h.y, c.y) << c.what;
        EXPECT_EQ(h.shift, c.modifiers == Input::Shift) << c.what;
    }
    // Arrow keys while the button is held move the drag by one pixel each.
    of(a).heard.clear();
    auto [x, y] = at({-0.4f, 0});
    Input::move(x, y);
    Input::press(x, y);
    Input::keyClick(VkRight);
    Input::keyClick(VkRight);
    Input::keyClick(VkDown);
    Input::wait(10);
    ASSERT_FALSE(of(a).heard.empty());
    EXPECT_EQ(of(a).heard.back().x, 2);
    EXPECT_EQ(of(a).heard.back().y, 1);
    Input::release(x, y);
}

TEST_F(PreviewPane, AClickOnlyButtonAndAHandledDoubleClickStartNoDrag)
{
    auto a = recorder(0);
    auto list = std::make_shared<Anchor::AnchorList>();
    add(*list, Shape::ObjectPoint, Flag::Button, a, 1, {{-0.4f, 0}});
    add(*list, Shape::ObjectPoint, 0, a, 2, {{0.4f, 0}});
    showList(list);
    auto [bx, by] = at({-0.4f, 0});
    Input::move(bx, by);
    Input::press(bx, by);
    Input::move(bx + 20, by, Input::None, 1);
    Input::release(bx + 20, by);
    Input::wait(10);
    ASSERT_EQ(of(a).heard.size(), 1u);
    EXPECT_EQ(of(a).heard[0].kind, Anchor::AnchorEvent::Activate);
    EXPECT_EQ(video().dragMode, 0);

    of(a).heard.clear();
    of(a).handlesAlt = true;
    auto [x, y] = at({0.4f, 0});
    Input::move(x, y);
    Input::click(x, y);
    Input::press(x, y);
    ASSERT_TRUE(mouse->doubleClick) << "the second press is a double click";
    Input::move(x + 20, y, Input::None, 1);
    Input::release(x + 20, y);
    Input::wait(10);
    bool dragged = false, alt = false;
    for (const Recorder::Heard& h : of(a).heard) {
        dragged = dragged || h.kind == Anchor::AnchorEvent::Drag;
        alt = alt || h.kind == Anchor::AnchorEvent::AltActivate;
    }
    EXPECT_TRUE(alt);
    EXPECT_FALSE(dragged) << "a handled double click starts no drag";
}

TEST_F(PreviewPane, DroppedFilesGoBelowTheOccupiedTopLayerUntilAnUnsupportedOne)
{
    System::ServiceStack input;
    Translate::TranslateService* translate = input.acquire<Translate::TranslateService>();
    Plugin::InputService* files = input.acquire<Plugin::InputService>();
    files->updateExtTypeList();
    const std::string dir = TestKit::tempDir() + "/drops";
    std::filesystem::create_directories(dir);
    ASSERT_EQ(TestKit::runCommand("convert -size 32x16 xc:red '" + dir + "/a.png' && convert -size 8x8 xc:blue '" + dir +
                                  "/b.png' && sox -n -r 44100 -b 16 -c 1 '" + dir + "/c.wav' synth 0.2 sine 440"),
              0);
    TestKit::writeFile(dir + "/d.xyz", "not a medium");
    recorder(0); // layer 0 is taken at the cursor
    scene().cursorFrame = 10;
    auto w = [&](const std::string& name) { return System::utf8ToWide(dir + "/" + name); };
    answerBoxes(true);
    const int x = video().rect.x + video().rect.width / 2, y = video().rect.y + video().rect.height / 2;
    ASSERT_TRUE(Input::dropFiles({w("a.png"), w("c.wav"), w("b.png")}, x, y));
    Input::wait(20);
    struct Expected {
        int layer;
        const wchar_t* name;
    };
    for (const Expected e : {Expected{1, L"画像ファイル"}, Expected{2, L"音声ファイル"}, Expected{3, L"画像ファイル"}}) {
        const Edit::LayerObjectList& layer = scene().getLayer(e.layer);
        ASSERT_EQ(layer.objects.size(), 1u) << "layer " << e.layer;
        EXPECT_EQ(layer.objects.front()->start, 10);
        EXPECT_STREQ(layer.objects.front()->effects[0]->name, e.name);
    }
    // An unsupported file stops the drop where it stands, with a message.
    scene().cursorFrame = 200;
    ASSERT_TRUE(Input::dropFiles({w("b.png"), w("d.xyz"), w("a.png")}, x, y));
    waitForBox();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), L"このファイルには対応していません");
    EXPECT_EQ(scene().getLayer(0).objects.size(), 2u) << "the first file, on the free top layer";
    EXPECT_EQ(scene().getLayer(1).objects.size(), 1u) << "nothing after the unsupported one";

    // A language file becomes the language; a project file is opened.
    TestKit::writeFile(dir + "/テスト言語.vml2", "[Menu]\r\n");
    ASSERT_TRUE(Input::dropFiles({w("テスト言語.vml2")}, x, y));
    Input::wait(10);
    EXPECT_EQ(translate->language, L"テスト言語");
    const std::string project = dir + "/dropped.vmp2";
    edit().project.saveProjectFile(System::utf8ToWide(project).c_str());
    scene().removeObject(*scene().getLayer(3).objects.front());
    answerBoxes(true);
    ASSERT_TRUE(Input::dropFiles({w("dropped.vmp2")}, x, y));
    Input::wait(20);
    EXPECT_EQ(edit().currentScene->getLayer(3).objects.size(), 1u) << "the saved project came back";
}

TEST_F(PreviewPane, PlayerBarButtonsFollowTheCursorAndTheFocusAndTheZoomDragFromFit)
{
    auto object = recorder(0);
    scene().lastFrame = 99;
    Component::PlayerNavigateControl& bar = preview->playerBar;
    auto enabled = [&](int k) { return bar.buttons[size_t(k)]->enabled; };
    struct Case {
        int cursor;
        bool focus;
        bool previous, next, sectionBack, sectionOn;
    };
    const Case cases[] = {
        {0, false, false, true, false, false},
        {99, false, true, false, false, false},
        {50, true, true, true, true, true},
        {0, true, false, true, false, true},
        {99, true, true, false, true, false},
    };
    for (const Case& c : cases) {
        scene().focusObject = c.focus ? object : nullptr;
        edit().setCursorFrame(c.cursor);
        bar.updateButtons();
        EXPECT_EQ(enabled(2), c.previous) << c.cursor << " focus " << c.focus;
        EXPECT_EQ(enabled(3), c.next) << c.cursor;
        EXPECT_EQ(enabled(4), c.sectionBack) << c.cursor;
        EXPECT_EQ(enabled(5), c.sectionOn) << c.cursor;
    }
    // The buttons step the cursor by real clicks.
    edit().setCursorFrame(50);
    Control::IconButtonControl& next = *bar.buttons[3];
    Input::click(next.rect.x + next.rect.width / 2, next.rect.y + next.rect.height / 2);
    Input::wait(10);
    EXPECT_EQ(scene().cursorFrame, 51);
    Control::IconButtonControl& previous = *bar.buttons[2];
    Input::click(previous.rect.x + previous.rect.width / 2, previous.rect.y + previous.rect.height / 2);
    Input::click(previous.rect.x + previous.rect.width / 2, previous.rect.y + previous.rect.height / 2);
    Input::wait(10);
    EXPECT_EQ(scene().cursorFrame, 49);
    scene().videoRate = 30;
    scene().videoScale = 1;
    edit().setCursorFrame(45);
    EXPECT_EQ(bar.timeCounter.text(), L"00:00:01.50");

    // Zoom drag from fit: the fitted zoom is where the drag starts.
    showList(std::make_shared<Anchor::AnchorList>());
    preview->displayZoom = 0;
    const int fit = preview->getFitZoom();
    ASSERT_GT(fit, 10);
    Component::ZoomButtonControl& zoom = bar.zoomButton;
    const int zx = zoom.rect.x + zoom.rect.width / 2, zy = zoom.rect.y + zoom.rect.height / 2;
    auto dragZoom = [&](int dy) {
        preview->displayZoom = 0;
        Input::press(zx, zy);
        Input::move(zx + 6, zy, Input::None, 1); // beyond the drag threshold, level
        Input::move(zx + 6, zy + dy, Input::None, 1);
        const int reached = preview->displayZoom;
        Input::release(zx, zy + dy);
        Input::wait(10);
        return reached;
    };
    EXPECT_EQ(dragZoom(-1), fit) << "one pixel is no step";
    EXPECT_GE(dragZoom(-2), fit + 1) << "two pixels up raise by at least 1 %";
    EXPECT_LE(dragZoom(2), fit - 1);
    EXPECT_EQ(dragZoom(-3000), 4000);
    EXPECT_EQ(dragZoom(3000), 10);
}
