// Scenes, layers, objects, groups and selection; frame rates, zoom, camera text.
#include "core/text.h"
#include "project/model/camera_state.h"
#include "project/model/frame_rate.h"
#include "project/model/frame_zoom.h"
#include "tests/project/project_fixture.h"

#include <cmath>
#include <functional>

using namespace ProjectTest;
using Edit::Scene;

namespace {

// Layers as "name:starts" joined by " " (a layer without a name shows "-"); each
// object's layer and each record's index must match the position.
std::string describe(const Scene& scene)
{
    std::string text;
    for (int i = 0; i < scene.layerCount(); ++i) {
        const Edit::LayerObjectList& list = scene.getLayer(i);
        if (scene.layers.find(i))
            EXPECT_EQ(list.layer->index, i);
        if (i)
            text += ' ';
        text += list.layer->name.empty() ? "-" : System::wideToUtf8(list.layer->name);
        text += ':';
        for (const auto& object : list.objects) {
            EXPECT_EQ(object->layer, i) << "object " << object->start;
            text += std::to_string(object->start) + ",";
        }
    }
    return text;
}

} // namespace

class LayerTest : public ModelTest {
protected:
    LayerTest() { build(scene); }
    // Layers 0..5 hold one object each (start 100 x layer) and are named A..F;
    // layers 6 and 7 are empty, named G and H.
    static void build(Scene& scene)
    {
        for (int i = 0; i < 8; ++i) {
            scene.ensureLayer(i);
            scene.layers.at(i).layer->name = std::wstring(1, static_cast<wchar_t>(L'A' + i));
            if (i < 6)
                scene.addObject(i, i * 100, i * 100 + 10);
        }
        scene.updateLayerObject();
    }
    Scene scene{0, 0};
};

TEST_F(LayerTest, InsertDeleteAndMoveRenumberLayersObjectsAndRecords)
{
    struct Case {
        const char* what;
        std::function<void(Scene&)> op;
        const char* layers;
    };
    const Case cases[] = {
        {"delete 2: 3..5 move up, an empty layer with a fresh record at 5", [](Scene& s) { s.deleteLayer(2); },
         "A:0, B:100, D:300, E:400, F:500, -: G: H:"},
        {"delete 6, beyond the used layers: nothing moves", [](Scene& s) { s.deleteLayer(6); },
         "A:0, B:100, C:200, D:300, E:400, F:500, -: H:"},
        {"insert at 2: 2..5 move down", [](Scene& s) { s.insertLayer(2); },
         "A:0, B:100, -: C:200, D:300, E:400, F:500, H:"},
        {"insert at 7, beyond lastLayer + 1: the empty layers between keep their names",
         [](Scene& s) { s.insertLayer(7); }, "A:0, B:100, C:200, D:300, E:400, F:500, G: -:"},
        {"insert at 9 creates the layers up to it", [](Scene& s) { s.insertLayer(9); },
         "A:0, B:100, C:200, D:300, E:400, F:500, G: H: -: -:"},
        {"move 1 to 4", [](Scene& s) { EXPECT_TRUE(s.moveLayer(1, 4)); },
         "A:0, C:200, D:300, E:400, B:100, F:500, G: H:"},
        {"move 4 to 0", [](Scene& s) { EXPECT_TRUE(s.moveLayer(4, 0)); },
         "E:400, A:0, B:100, C:200, D:300, F:500, G: H:"},
        {"move refused: same place, outside", [](Scene& s) {
             EXPECT_FALSE(s.moveLayer(3, 3));
             EXPECT_FALSE(s.moveLayer(-1, 2));
             EXPECT_FALSE(s.moveLayer(2, 8));
         }, "A:0, B:100, C:200, D:300, E:400, F:500, G: H:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scene fresh(0, 0);
        build(fresh);
        c.op(fresh);
        EXPECT_EQ(describe(fresh), c.layers);
    }
}

TEST_F(LayerTest, DeleteAndInsertHandOverRecords)
{
    const std::shared_ptr<Edit::Layer> c = scene.layers.at(2).layer;
    auto object = scene.layers.at(2).objects[0];
    EXPECT_EQ(scene.deleteLayer(2), c);
    EXPECT_EQ(c->index, -1); // detached: undo keeps it
    EXPECT_EQ(object->layer, -1);
    scene.updateLayerObject();
    EXPECT_EQ(scene.lastLayer, 4);
    // Undo gives the record back to a layer inserted at its place.
    EXPECT_EQ(scene.insertLayer(2, c), c);
    EXPECT_EQ(c->index, 2);
    EXPECT_EQ(scene.layers.at(2).layer, c);
    EXPECT_EQ(describe(scene), "A:0, B:100, C: D:300, E:400, F:500, G: H:");
    EXPECT_EQ(scene.deleteLayer(99), nullptr);
}

TEST_F(LayerTest, ReindexDropsDepartedObjectsSortsAndMeasures)
{
    EXPECT_EQ(scene.lastLayer, 5);
    EXPECT_EQ(scene.lastFrame, 510);
    for (auto& object : scene.layers.at(5).objects)
        scene.removeObject(*object);
    auto late = scene.addObject(1, 50, 60); // appended behind 100..110
    auto moved = scene.layers.at(3).objects[0];
    scene.moveObjectLayer(moved, 1);
    scene.updateLayerObject();
    EXPECT_EQ(scene.lastLayer, 4);
    EXPECT_EQ(scene.lastFrame, 410);
    EXPECT_TRUE(scene.layers.at(5).objects.empty());
    EXPECT_TRUE(scene.layers.at(3).objects.empty());
    EXPECT_EQ(describe(scene), "A:0, B:50,100,300, C:200, D: E:400, F: G: H:");

    // Overlapping objects (as files may hold) count by their greatest end.
    scene.addObject(4, 390, 900);
    scene.updateLayerObject();
    EXPECT_EQ(scene.lastFrame, 900);

    scene.clearLayer();
    EXPECT_EQ(scene.layerCount(), 1);
    EXPECT_EQ(scene.lastLayer, 0);
    EXPECT_EQ(scene.lastFrame, 0);
    EXPECT_EQ(late->layer, -1);
}

TEST_F(ModelTest, ControlRangesReachTheLayersBelow)
{
    Scene scene(0, 0);
    auto camera = place(scene, 1, 0, 99, L"カメラ制御");
    auto group = place(scene, 3, 50, 80, L"グループ制御");
    auto time = place(scene, 2, 10, 20, L"時間制御(オブジェクト)");
    EXPECT_TRUE(camera->layerControl);
    EXPECT_TRUE(time->layerControl);
    static_cast<TestEffect<GroupControl>&>(*group->effects[0]).range->value = 2;
    scene.updateLayerObject();
    ASSERT_EQ(scene.layers.at(1).controlRanges.size(), 1u);
    EXPECT_EQ(scene.layers.at(1).controlRanges[0].layerRange, 1000000); // 0: every layer below
    EXPECT_EQ(scene.layers.at(3).controlRanges[0].layerRange, 2);

    auto ranges = [&](int target, int from, int to) {
        std::string text;
        scene.enumControlRange(target, from, to, [&](int start, int end, bool isLast) {
            text += std::to_string(start) + "-" + std::to_string(end) + (isLast ? "! " : " ");
        });
        return text;
    };
    EXPECT_EQ(ranges(5, 0, 99), "0-99 10-20 50-80! "); // the group on 3 reaches 5 exactly
    EXPECT_EQ(ranges(6, 0, 99), "0-99 10-20 ");        // beyond the group's two layers
    EXPECT_EQ(ranges(3, 21, 49), "0-99 ");      // the time control's range ends at 20
    EXPECT_EQ(ranges(3, 15, 15), "0-99 10-20 ");
    EXPECT_EQ(ranges(1, 0, 99), "");            // nothing above layer 1 but layer 0
}

TEST_F(ModelTest, NearestObjectAndGroupsFindTheirObjects)
{
    Scene scene(0, 0);
    auto a = scene.addObject(0, 0, 9);
    auto b = scene.addObject(0, 20, 29);
    auto c = scene.addObject(0, 40, 49);
    scene.updateLayerObject();
    const Edit::LayerObjectList& list = scene.getLayer(0);
    EXPECT_EQ(list.findNearestObject(25, 25), b);
    EXPECT_EQ(list.findNearestObject(10, 19), nullptr);
    EXPECT_EQ(list.findNearestObject(5, 35), b);  // mid 20: b's start
    EXPECT_EQ(list.findNearestObject(0, 100), c); // mid 50: c's end 49 is nearest
    EXPECT_EQ(list.findNearestObject(0, 50), b);  // mid 25: b's start wins over c's
    EXPECT_EQ(scene.getLayer(-1).objects.size(), 0u);
    EXPECT_EQ(scene.getLayer(50).layer->lock, false);

    auto group = std::make_shared<Edit::Group>();
    for (auto& o : {a, c}) {
        o->group = group;
        group->members.insert(o.get());
    }
    EXPECT_EQ(group->getObjectList(scene), (std::vector<std::shared_ptr<Edit::Object>>{a, c}));
    scene.removeObject(*c);
    EXPECT_EQ(group->getObjectList(scene), (std::vector<std::shared_ptr<Edit::Object>>{a}));
    c.reset();
    scene.updateLayerObject(); // the last holder drops c: it leaves the group
    EXPECT_EQ(group->members.size(), 1u);
}

TEST_F(ModelTest, SelectionWithGroupsSkipsLockedLayers)
{
    Scene scene(0, 0);
    auto a = scene.addObject(0, 0, 9);
    auto b = scene.addObject(1, 0, 9);
    auto c = scene.addObject(2, 0, 9);
    auto d = place(scene, 3, 0, 9, L"カメラ制御");
    scene.updateLayerObject();
    auto group = std::make_shared<Edit::Group>();
    for (auto& o : {a, b, c}) {
        o->group = group;
        group->members.insert(o.get());
    }
    scene.layers.at(1).layer->lock = true;
    Edit::ObjectSelection& selection = scene.selection;
    EXPECT_TRUE(selection.addObjectWithGroup(c, scene));
    EXPECT_EQ(selection.objects, (std::vector<std::shared_ptr<Edit::Object>>{a, c}));
    EXPECT_FALSE(b->selected);
    EXPECT_EQ(selection.maxLayer, 2);
    EXPECT_FALSE(selection.hasLayerControl);
    EXPECT_FALSE(selection.addObjectWithGroup(a, scene)); // selected already: nothing changes
    EXPECT_EQ(selection.reselected, nullptr);
    selection.addObject(a, scene);
    EXPECT_EQ(selection.reselected, a.get());
    selection.addObject(b, scene); // locked layer
    EXPECT_EQ(selection.objects.size(), 2u);
    selection.addObject(d, scene);
    EXPECT_TRUE(selection.hasLayerControl);
    EXPECT_EQ(selection.maxLayer, 3);
    EXPECT_EQ(selection.reselected, nullptr);

    // Targets: the selection, else the placed focus object.
    auto onLayer = [](int layer) { return [layer](const std::shared_ptr<Edit::Object>& o) { return o->layer == layer; }; };
    EXPECT_TRUE(scene.checkTargetObject(onLayer(3)));
    selection.clear();
    EXPECT_FALSE(a->selected);
    EXPECT_FALSE(scene.checkTargetObject(onLayer(1)));
    scene.focusObject = b;
    EXPECT_TRUE(scene.checkTargetObject(onLayer(1)));
    scene.removeObject(*b);
    EXPECT_FALSE(scene.checkTargetObject([](const auto&) { return true; }));
}

TEST_F(ModelTest, ScenesByIdAndDisplayOrder)
{
    Edit::Project project;
    auto root = project.getScene(0);
    EXPECT_EQ(root->name, L"Root");
    EXPECT_EQ(project.getScene(3)->name, L"Scene3");
    EXPECT_EQ(project.getScene(3)->displayOrder, 1);
    EXPECT_EQ(project.getFreeSceneId(), 1);
    project.getScene(1)->displayOrder = 0;
    root->displayOrder = 5;
    std::vector<int> ids;
    for (auto& s : project.getSceneList())
        ids.push_back(s->id);
    EXPECT_EQ(ids, (std::vector<int>{1, 3, 0}));
    EXPECT_EQ(project.getFreeSceneId(), 2);

    auto object = project.getScene(3)->addObject(0, 0, 5);
    project.currentSceneId = 1;
    project.deleteScene(0);
    project.deleteScene(1);
    EXPECT_EQ(project.scenes.size(), 3u);
    project.deleteScene(3);
    EXPECT_EQ(project.scenes.size(), 2u);
    EXPECT_EQ(object->layer, -1);
    project.setPath(L"%AppData%/x.vmp2");
    EXPECT_EQ(project.path.find(L"%"), std::wstring::npos);
    project.clear();
    EXPECT_TRUE(project.scenes.empty());
    EXPECT_EQ(project.currentSceneId, 0);
    EXPECT_TRUE(project.path.empty());
}

TEST_F(ModelTest, NewScenesTakeTheNewProjectSettings)
{
    auto& settings = *Setting::SettingService::Get();
    settings.projectWidth = 640;
    settings.projectAudioRate = 22050;
    settings.gridX = L"8,x,9";
    Scene scene(2, 0);
    EXPECT_EQ(scene.width, 640);
    EXPECT_EQ(scene.height, 1080);
    EXPECT_EQ(scene.audioRate, 22050);
    EXPECT_EQ(scene.gridX, std::vector<int>{8}); // parsing stops at the first non-integer
    EXPECT_EQ(scene.gridY, (std::vector<int>{16, -16}));
    EXPECT_EQ(Edit::intListToString({16, -16, 0}), L"16,-16,0");
    EXPECT_EQ(scene.displayZoom.zoom, 10000);
}

TEST(FrameToSample, FramesJoinWithoutGapsAndAZeroRateGivesZero)
{
    // At 30000/1001 fps and 48 kHz frames hold 1601 or 1602 samples, and the
    // samples of any run of frames are the difference of its ends.
    int64_t total = 0;
    for (int f = 100; f < 400; ++f) {
        const int64_t n = Edit::frameToSample(f + 1, 48000, 30000, 1001) - Edit::frameToSample(f, 48000, 30000, 1001);
        EXPECT_TRUE(n == 1601 || n == 1602) << f;
        total += n;
    }
    EXPECT_EQ(total, std::llround(48000.0 * 400 * 1001 / 30000) - std::llround(48000.0 * 100 * 1001 / 30000));
    EXPECT_EQ(Edit::frameToSample(2.5, 44100, 30, 1), 3675); // a time between frames
    EXPECT_EQ(Edit::frameToSample(10, 48000, 0, 1), 0);
    EXPECT_EQ(Edit::frameToSample(10, 48000, -30, 1), 0);
}

TEST_F(ModelTest, FrameRates)
{
    auto& rates = Setting::SettingService::Get()->system.file;
    rates.loadFile(L"/nonexistent/system.conf", false); // no entries but these
    rates.loadText("[FrameRate]\n29.97=30000/1001\nbad=1/1\n24=24\n59.94=60000/1001\n", L"system.conf", false);
    EXPECT_DOUBLE_EQ(Edit::getFrameRateValue(30000, 1001), 29.97);
    EXPECT_DOUBLE_EQ(Edit::getFrameRateValue(24, 1), 24.0);
    EXPECT_DOUBLE_EQ(Edit::getFrameRateValue(48000, 1001), 48000.0 / 1001);
    int rate = 0, scale = 0;
    Edit::setFrameRateValue(rate, scale, 59.94);
    EXPECT_EQ(rate, 60000);
    EXPECT_EQ(scale, 1001);
    const struct {
        double fps;
        int rate, scale;
    } unlisted[] = {{25.0, 25, 1}, {23.976, 23976, 1000}, {0.5, 5, 10}, {-2.5, -25, 10}};
    for (const auto& c : unlisted) {
        Edit::setFrameRateValue(rate, scale, c.fps);
        EXPECT_EQ(rate, c.rate) << c.fps;
        EXPECT_EQ(scale, c.scale) << c.fps;
    }
    rates.loadFile(L"/nonexistent/system.conf", false);
    Edit::setFrameRateValue(rate, scale, 29.97);
    EXPECT_EQ(rate, 2997);
    EXPECT_EQ(scale, 100);
    EXPECT_NEAR(Edit::getFrameRateValue(30000, 1001), 29.97002997, 1e-8);
}

TEST_F(ModelTest, InformationText)
{
    Scene scene(4, 0);
    scene.name = L"Intro";
    scene.width = 1920;
    scene.height = 1080;
    scene.videoRate = 30000;
    scene.videoScale = 1001;
    scene.audioRate = 44100;
    scene.addObject(0, 0, 3596); // 3597 frames: 120.0 s
    scene.updateLayerObject();
    Setting::SettingService::Get()->system.file.loadFile(L"/nonexistent/system.conf", false);
    EXPECT_EQ(scene.getInformationText(),
              L"Intro\nTotalTime: 00:02:00\nVideo: 1920 x 1080 / 29.97003fps\nAudio: 44.1khz\n");
    scene.videoRate = 30;
    scene.videoScale = 1;
    scene.audioRate = 48000;
    EXPECT_EQ(scene.getInformationText(), L"Intro\nTotalTime: 00:01:59\nVideo: 1920 x 1080 / 30fps\nAudio: 48khz\n");
}

TEST(FrameZoom, LevelsAndSteps)
{
    EXPECT_EQ(Edit::FrameZoom().zoom, 10000);
    EXPECT_EQ(Edit::FrameZoom(750).zoom, 750);
    EXPECT_EQ(Edit::FrameZoom(12345).zoom, 10000);
    const struct {
        int current, steps, result;
    } steps[] = {{10000, 1, 15000}, {10000, -1, 7500}, {100000, 1, 100000}, {20, -1, 20},
                 {12345, 1, 20},    {12345, -1, 20},   {20, 100, 100000},   {100000, -2147483647, 20}};
    for (const auto& s : steps)
        EXPECT_EQ(Edit::FrameZoom::stepZoomLevel(s.current, s.steps).zoom, s.result) << s.current << " " << s.steps;
}

TEST(DisplayCamera, TextOfSixNumbers)
{
    Edit::CameraState camera;
    EXPECT_EQ(Edit::formatDisplayCamera(camera), "");
    camera.position.w = 7.0f; // w is not compared
    EXPECT_EQ(Edit::formatDisplayCamera(camera), "");
    camera.target.y = 2.5f;
    EXPECT_EQ(Edit::formatDisplayCamera(camera), "0.000000,0.000000,-1024.000000,0.000000,2.500000,0.000000");

    Edit::CameraState read;
    Edit::parseDisplayCamera(read, "1,2,3,4,5,6");
    EXPECT_EQ(read.position.x, 1.0f);
    EXPECT_EQ(read.target.z, 6.0f);
    for (const char* refused : {"1,2,3,4,5", "1,2,3,4,5,6,7", ""}) {
        Edit::CameraState unchanged;
        Edit::parseDisplayCamera(unchanged, refused);
        EXPECT_EQ(unchanged.position.z, -1024.0f) << refused;
    }
    // A part that is no finite number ends the reading; earlier parts stay.
    Edit::CameraState partial;
    Edit::parseDisplayCamera(partial, "9,8,x,4,5,6");
    EXPECT_EQ(partial.position.x, 9.0f);
    EXPECT_EQ(partial.position.y, 8.0f);
    EXPECT_EQ(partial.position.z, -1024.0f);
    EXPECT_EQ(partial.target.x, 0.0f);
    Edit::parseDisplayCamera(partial, "1,nan,3,4,5,6");
    EXPECT_EQ(partial.position.y, 8.0f);
}
