// The project file: writing against a golden file, reading back, the reader's
// refusals, an interrupted save and paths of a project that moved.
#include "core/event_service.h"
#include "core/file.h"
#include "core/report.h"
#include "core/text.h"
#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"
#include "project/files/file_path_rebase.h"
#include "tests/project/project_file_fuzz.h"
#include "tests/project/project_fixture.h"
#include "tests/support/test_support.h"

#include <cstring>
#include <functional>

using namespace ProjectTest;
using Edit::Project;

namespace {

const std::string golden = std::string(VELMORA_PROJECT_TEST_DATA) + "/golden_project.vmp2";

std::wstring wide(const std::string& path)
{
    return System::utf8ToWide(path);
}

// A project file of one scene and the given object sections (CRLF added).
std::string projectText(const std::string& objects, const std::string& scene = "video.width=64\nvideo.height=48\n")
{
    std::string text = "[project]\nfile=/p/a.vmp2\n[scene.0]\nscene=0\n" + scene +
                       "video.rate=30\nvideo.scale=1\n" + objects;
    std::string crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return crlf;
}

const std::string goodObject = "layer=0\nframe=0,9\n";
const std::string goodEffects = "effect.name=画像ファイル\nX=3.5\n";

std::string objectSections(int number, const std::string& keys, const std::string& effect = goodEffects)
{
    std::string text = "[" + std::to_string(number) + "]\n" + keys;
    if (!effect.empty())
        text += "[" + std::to_string(number) + ".0]\n" + effect;
    return text;
}

int countObjects(const Project& project)
{
    int count = 0;
    for (const auto& [id, scene] : project.scenes)
        scene->layers.forEach([&](int, const Edit::LayerObjectList& list) { count += static_cast<int>(list.objects.size()); });
    return count;
}

} // namespace

class ProjectFileTest : public ModelTest {
protected:
    std::string path(const std::string& name) { return TestKit::tempDir() + "/" + name; }

    // Two scenes (display order other than id order), a named empty layer
    // below the last used one and one beyond it, two groups, mid points, flags.
    void build(Project& project)
    {
        project.setPath(L"/projects/demo.vmp2");
        project.currentSceneId = 2;
        auto root = project.getScene(0);
        auto intro = project.getScene(2);
        root->displayOrder = 1;
        intro->displayOrder = 0;
        intro->name = L"Intro";
        intro->width = 1280;
        intro->height = 720;
        intro->videoRate = 30000;
        intro->videoScale = 1001;
        intro->audioRate = 48000;
        intro->cursorFrame = 12;
        intro->displayFrame = 3;
        intro->displayLayer = 1;
        intro->displayZoom = Edit::FrameZoom(7500);
        intro->displayCamera.target.y = 2.5f;
        intro->gridX = {10, -10};
        intro->gridWidth = 100;
        intro->tempoBpm = 128.5f;
        intro->tempoBeat = 3;
        intro->tempoOffset = 0.25f;
        for (auto* scene : {root.get()}) {
            scene->width = 1920;
            scene->height = 1080;
            scene->videoRate = 30;
            scene->videoScale = 1;
            scene->audioRate = 44100;
            scene->gridX = scene->gridY = intro->gridY = {16, -16};
            scene->gridWidth = scene->gridHeight = intro->gridHeight = 200;
            scene->gridStep = intro->gridStep = 200.0f;
            scene->gridRange = intro->gridRange = 10000.0f;
            scene->tempoBpm = 120.0f;
            scene->tempoBeat = 4;
            scene->tempoOffset = 0.0f;
        }

        auto first = std::make_shared<Edit::Group>();
        auto second = std::make_shared<Edit::Group>();
        auto join = [](const std::shared_ptr<Edit::Object>& o, const std::shared_ptr<Edit::Group>& g) {
            o->group = g;
            g->members.insert(o.get());
        };
        auto a = intro->createObject(L"画像ファイル", 0, 0, 29);
        a->effects[0]->items[0]->fromString("1.5");
        a->effects[0]->items[1]->fromString("2");
        a->effects[0]->items[2]->fromString("/media/a.png");
        auto& blur = *a->setFilterEffect(define(L"ぼかし"));
        blur->disable = true;
        blur->items[0]->fromString("0.0,10.5,直線移動,0");
        join(a, first);
        intro->ensureLayer(5);
        intro->layers.at(1).layer->name = L"BG";
        intro->layers.at(5).layer->name = L"beyond";
        auto b = intro->createObject(L"音声ファイル", 2, 10, 40);
        b->clipping = true;
        b->camera = false;
        b->effects[0]->items[2]->fromString("/media/b.wav");
        join(b, first);

        root->layers.at(0).layer->lock = true;
        root->layers.at(0).layer->hide = true;
        auto c = root->createObject(L"画像ファイル", 0, 100, 199);
        c->addMidPoint(110);
        c->addMidPoint(125);
        c->effects[0]->items[0]->fromString("0.0,1.0,2.0,3.0,直線移動,0");
        c->effects[1]->hide = true;
        c->effects[1]->lock = true;
        join(c, second);
        root->focusObject = c;
        for (auto& [id, scene] : project.scenes)
            scene->updateLayerObject();
    }
};

TEST_F(ProjectFileTest, WritesTheGoldenFileAndReadsItBackByteForByte)
{
    Project project;
    build(project);
    const std::string first = path("first.vmp2");
    project.saveProjectFile(wide(first).c_str());
    EXPECT_EQ(TestKit::readFile(first), TestKit::readFile(golden));

    Project read;
    EXPECT_EQ(read.loadProjectFile(wide(golden).c_str()), 0);
    EXPECT_EQ(read.path, L"/projects/demo.vmp2");
    EXPECT_EQ(read.currentSceneId, 2);
    auto root = read.getScene(0);
    auto intro = read.getScene(2);
    EXPECT_EQ(intro->displayZoom.zoom, 7500);
    EXPECT_EQ(intro->displayCamera.target.y, 2.5f);
    EXPECT_EQ(intro->layers.at(1).layer->name, L"BG");
    EXPECT_EQ(intro->lastLayer, 2);
    const auto& a = intro->layers.at(0).objects.at(0);
    const auto& b = intro->layers.at(2).objects.at(0);
    const auto& c = root->layers.at(0).objects.at(0);
    EXPECT_EQ(a->group, b->group);
    EXPECT_NE(c->group, nullptr);
    EXPECT_NE(c->group, a->group);
    EXPECT_EQ(c->midPoints, (std::vector<int>{10, 25}));
    EXPECT_EQ(root->focusObject, c);
    EXPECT_FALSE(b->camera);
    EXPECT_TRUE(b->clipping);
    EXPECT_TRUE(a->effects[2]->disable);
    EXPECT_TRUE(root->layers.at(0).layer->lock);

    const std::string second = path("second.vmp2");
    read.saveProjectFile(wide(second).c_str());
    EXPECT_EQ(TestKit::readFile(second), TestKit::readFile(golden));
}

TEST_F(ProjectFileTest, AnotherIniReaderSeesTheSameSectionsAndKeys)
{
    System::IniFile ini;
    ini.loadText(TestKit::readFile(golden), L"golden", false);
    std::string ours;
    for (const std::string& name : ini.sectionNames()) {
        ours += "[" + name + "]\n";
        for (const auto& entry : ini.getSection(name.c_str()).section())
            ours += entry.key + "=" + entry.value.text + "\n";
    }
    const std::string script =
        "import configparser, sys\n"
        "p = configparser.ConfigParser(interpolation=None, strict=True)\n"
        "p.optionxform = str\n"
        "p.read(sys.argv[1], encoding='utf-8')\n"
        "for s in p.sections():\n"
        "    print('[' + s + ']')\n"
        "    for k, v in p.items(s):\n"
        "        print(k + '=' + v)\n";
    TestKit::writeFile(path("read.py"), script);
    std::string theirs;
    ASSERT_EQ(TestKit::runCommand("PYTHONIOENCODING=utf-8 python3 " + path("read.py") + " " + golden, &theirs), 0);
    EXPECT_EQ(theirs, ours);
}

TEST_F(ProjectFileTest, EachBadObjectCostsOnlyItself)
{
    const struct {
        const char* what;
        std::string keys;
        std::string effect;
        const char* message;
    } cases[] = {
        {"one frame number", "layer=0\nframe=5\n", goodEffects, "not enough frame number list."},
        {"end before start", "layer=0\nframe=9,5\n", goodEffects, "invalid frame number list."},
        {"mid point on the start", "layer=0\nframe=0,0,10\n", goodEffects, "invalid frame number list."},
        {"frame beyond the range", "layer=0\nframe=0,3000000000\n", goodEffects, "invalid frame number list."},
        {"negative frame", "layer=0\nframe=-5,10\n", goodEffects, "invalid frame number list."},
        {"huge layer", "layer=2000000000\nframe=0,9\n", goodEffects, "invalid layer number."},
        {"negative layer", "layer=-1\nframe=0,9\n", goodEffects, "invalid layer number."},
        {"no layer", "frame=0,9\n", goodEffects, "ini file parameter undefined."},
        {"no effect.name", goodObject, "X=1\n", "ini file parameter undefined."},
        {"unknown effect", goodObject, "effect.name=無い効果\n", "not found effect."},
        {"chain refusal", goodObject, "effect.name=画像ファイル\n[1.1]\neffect.name=音量調整\n",
         "different effect type."},
        {"no effect", goodObject, "", "no effect defined."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = path("bad.vmp2");
        TestKit::writeFile(file, projectText(objectSections(0, goodObject) + objectSections(1, c.keys, c.effect) +
                                             objectSections(2, "layer=1\nframe=0,9\ngroup=4\n")));
        TestKit::LogCapture log;
        Project project;
        EXPECT_EQ(project.loadProjectFile(wide(file).c_str()), 1);
        EXPECT_EQ(countObjects(project), 2);
        EXPECT_TRUE(log.contains(c.message));
        EXPECT_TRUE(log.contains("failed to load object [1]"));
        auto scene = project.getScene(0);
        EXPECT_EQ(scene->layers.at(1).objects.at(0)->group->members.size(), 1u);
        EXPECT_EQ(itemX(*scene->layers.at(0).objects.at(0)->effects[0]).getIndexValue(0), 3.5);
    }
}

TEST_F(ProjectFileTest, ScenesLayersAndDefaultsWhenReading)
{
    const std::string file = path("p.vmp2");
    // A missing required scene key fails the whole load.
    TestKit::writeFile(file, projectText(objectSections(0, goodObject), "video.width=64\n"));
    Project broken;
    EXPECT_NE(TestKit::errorText([&] { broken.loadProjectFile(wide(file).c_str()); })
                  .find("ini file parameter undefined."),
              std::string::npos);
    EXPECT_NE(TestKit::errorText([&] { broken.loadProjectFile(wide(path("none.vmp2")).c_str()); })
                  .find("failed to open file."),
              std::string::npos);

    // Gaps stop the numbering; missing keys take their defaults; layer numbers out of range are skipped.
    TestKit::writeFile(file, projectText(objectSections(0, "layer=0\nframe=0,5,9\n") +
                                             objectSections(1, "layer=0\nframe=20,29\ncamera=0\n") +
                                             objectSections(3, goodObject) +
                                             "[layer.0]\nlayer=3\nname=kept\n[layer.1]\nlayer=-1\nname=x\n"
                                             "[layer.2]\nlayer=20000\n[layer.4]\nlayer=4\nname=gap\n",
                                         "video.width=64\nvideo.height=48\ndisplay.zoom=12345\n"));
    TestKit::LogCapture log;
    Project project;
    EXPECT_EQ(project.loadProjectFile(wide(file).c_str()), 0);
    auto scene = project.getScene(0);
    EXPECT_EQ(countObjects(project), 2);
    EXPECT_EQ(scene->audioRate, 48000);
    EXPECT_EQ(scene->displayZoom.zoom, 10000);
    EXPECT_EQ(scene->displayOrder, 0);
    EXPECT_EQ(scene->name, L"Root");
    EXPECT_EQ(scene->displayCamera.position.z, -1024.0f);
    EXPECT_TRUE(scene->layers.at(0).objects[0]->camera);
    EXPECT_FALSE(scene->layers.at(0).objects[1]->camera);
    EXPECT_EQ(scene->layers.at(0).objects[0]->midPoints, std::vector<int>{5});
    EXPECT_EQ(scene->layerCount(), 4);
    EXPECT_EQ(scene->layers.at(3).layer->name, L"kept");
    EXPECT_TRUE(log.contains("invalid layer number. [layer.1] layer=-1"));
    EXPECT_TRUE(log.contains("invalid layer number. [layer.2] layer=20000"));
}

TEST_F(ProjectFileTest, OnlyProjectAndSceneWhenEmpty)
{
    Project project;
    project.getScene(0)->width = 8;
    const std::string file = path("empty.vmp2");
    project.saveProjectFile(wide(file).c_str());
    System::IniFile ini;
    ini.loadText(TestKit::readFile(file), L"empty", false);
    EXPECT_EQ(ini.sectionNames(), (std::vector<std::string>{"project", "scene.0"}));
}

TEST_F(ProjectFileTest, ASaveFailingHalfWayLeavesTheOldFile)
{
    Project project;
    auto scene = project.getScene(0);
    for (int i = 0; i < 600; ++i) // more than one write block
        scene->createObject(L"画像ファイル", 0, i * 10, i * 10 + 9);
    scene->createObject(L"壊れ", 1, 0, 9);
    scene->updateLayerObject();
    const std::string folder = path("save");
    System::File::createDirectory(wide(folder).c_str());
    const std::string file = folder + "/p.vmp2";
    project.saveProjectFile(wide(file).c_str());
    const std::string before = TestKit::readFile(file);
    ASSERT_GT(before.size(), 65536u);

    scene->layers.at(0).objects[0]->start = 1;
    breakWriting = true;
    EXPECT_NE(TestKit::errorText([&] { project.saveProjectFile(wide(file).c_str()); }).find("disk full"),
              std::string::npos);
    EXPECT_EQ(TestKit::readFile(file), before);
    EXPECT_EQ(TestKit::listFolder(folder), std::vector<std::string>{"p.vmp2"});
}

TEST_F(ProjectFileTest, AProjectSavedOnWindowsLoadsAndItsPathsMove)
{
    const std::string file = path("moved.vmp2");
    const std::string objects =
        objectSections(0, goodObject, "effect.name=画像ファイル\nファイル=C:\\Users\\me\\Proj\\media\\a.png\n") +
        objectSections(1, goodObject, "effect.name=画像ファイル\nファイル=C:\\Users\\me\\proj\\media\\proj\\b.png\n") +
        objectSections(2, goodObject, "effect.name=画像ファイル\nファイル=D:\\other\\c.png\n");
    std::string text = projectText(objects);
    text.replace(text.find("file=/p/a.vmp2"), 14, "file=C:\\Users\\me\\proj\\demo.vmp2");
    TestKit::writeFile(file, text);

    auto paths = [](Project& project) {
        std::vector<std::wstring> list;
        for (const auto& object : project.getScene(0)->layers.at(0).objects)
            list.push_back(object->effects[0]->items[2]->getFilePath());
        return list;
    };
    const std::vector<std::wstring> stored = {L"C:\\Users\\me\\Proj\\media\\a.png",
                                              L"C:\\Users\\me\\proj\\media\\proj\\b.png", L"D:\\other\\c.png"};
    {
        Project project;
        EXPECT_EQ(project.loadProjectFile(wide(file).c_str()), 0);
        EXPECT_EQ(paths(project), stored);
        int asked = 0;
        EXPECT_FALSE(project.updateEffectItemFilePath(L"/home/u/work/demo.vmp2", [&] { return ++asked, false; }));
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(paths(project), stored); // Cancel changes nothing

        TestKit::LogCapture log;
        EXPECT_TRUE(project.updateEffectItemFilePath(L"/home/u/work/demo.vmp2", [] { return true; }));
        EXPECT_EQ(paths(project), (std::vector<std::wstring>{L"/home/u/work/media/a.png",
                                                             L"/home/u/work/media/proj/b.png", L"D:\\other\\c.png"}));
        EXPECT_TRUE(log.contains(
            "INFO|Edit::Project::updateEffectItemFilePath|update file path [C:\\Users\\me\\Proj\\media\\a.png] -> "
            "[/home/u/work/media/a.png]"));
    }
    {
        // The box asks once; its Cancel also changes nothing.
        std::vector<std::wstring> boxes;
        Platform::Ui::setMessageBoxAnswerer([&](const Platform::Ui::MessageBox& box) {
            boxes.push_back(box.text);
            return Platform::Ui::BoxAnswer::Cancel;
        });
        Project project;
        project.loadProjectFile(wide(file).c_str());
        EXPECT_FALSE(project.updateEffectItemFilePath(L"/home/u/work/demo.vmp2"));
        Platform::Ui::setMessageBoxAnswerer(nullptr);
        EXPECT_EQ(boxes, std::vector<std::wstring>{Edit::filePathRebaseQuestion()});
        EXPECT_EQ(paths(project), stored);
    }
}

TEST_F(ProjectFileTest, PathsThatStillExistStay)
{
    const std::string old = path("old");
    System::File::createDirectory(wide(old + "/media").c_str());
    TestKit::writeFile(old + "/media/keep.png", "x");
    const std::string objects =
        objectSections(0, goodObject, "effect.name=画像ファイル\nファイル=" + old + "/media/keep.png\n") +
        objectSections(1, goodObject, "effect.name=画像ファイル\nファイル=" + old + "/media/gone.png\n");
    std::string text = projectText(objects);
    text.replace(text.find("file=/p/a.vmp2"), 14, "file=" + old + "/p.vmp2");
    const std::string file = path("p.vmp2");
    TestKit::writeFile(file, text);
    Project project;
    project.loadProjectFile(wide(file).c_str());
    const Edit::FilePathRebase rebase = Edit::findFilePathRebase(project, wide(path("new/p.vmp2")));
    ASSERT_EQ(rebase.changes.size(), 1u);
    EXPECT_EQ(rebase.changes[0].to, wide(path("new/media/gone.png")));
    // An item changed meanwhile is left alone.
    rebase.changes[0].effect->items[2]->setFilePath(L"/elsewhere.png");
    Edit::applyFilePathRebase(rebase);
    EXPECT_EQ(std::wstring(rebase.changes[0].effect->items[2]->getFilePath()), L"/elsewhere.png");
}

TEST_F(ProjectFileTest, TheUserIsToldOnceAboutLostObjects)
{
    Platform::Ui::initializeApplication();
    System::ServiceReference<Event::EventService> events;
    // What reaches the interface's error box on the main thread.
    std::vector<std::wstring> shown;
    System::Report::Sink sink;
    sink.wideError = [&](const std::wstring& message) {
        shown.push_back(message);
        return 0;
    };
    System::Report::setSink(std::move(sink));
    const std::string file = path("two.vmp2");
    TestKit::writeFile(file, projectText(objectSections(0, "layer=0\nframe=5\n") +
                                         objectSections(1, goodObject, "effect.name=無い効果\n")));
    Project project;
    EXPECT_EQ(project.loadProjectFile(wide(file).c_str()), 2);
    EXPECT_TRUE(shown.empty()); // posted, not shown from the reading thread
    Platform::Ui::postToMainThread([] { Platform::Ui::quitMainLoop(); });
    Platform::Ui::runMainLoop();
    System::Report::setSink({});
    Platform::Ui::shutdownApplication();
    EXPECT_EQ(shown, std::vector<std::wstring>{L"一部のオブジェクトの読み込みに失敗しました"});
}

namespace {

// The process's peak resident size grows from the present one on: the peak
// is reset to it here, and read in bytes by peakBytes.
void resetPeak()
{
    TestKit::writeFile("/proc/self/clear_refs", "5");
}
long long statusBytes(const char* key)
{
    const std::string status = TestKit::readFile("/proc/self/status");
    const size_t at = status.find(key);
    return at == std::string::npos ? -1 : std::stoll(status.substr(at + std::strlen(key))) * 1024;
}

// The memory a hostile file may take to load; the address checker keeps
// freed blocks aside for a while, so its builds get more room.
#if defined(__SANITIZE_ADDRESS__)
constexpr long long LoadBudget = 200ll << 20;
#else
constexpr long long LoadBudget = 50ll << 20;
#endif

} // namespace

TEST_F(ProjectFileTest, HostileFilesLoadInBoundedMemoryWithTheirWarnings)
{
    struct Case {
        const char* what;
        std::string text;
        int failed, scenes, objects;
        const char* warning;
    };
    std::string undeclared, highLayers, declared;
    for (int i = 0; i < 3000; ++i) {
        // Each section names a scene of its own that the file never declares.
        undeclared += (i % 2 ? "[layer." + std::to_string(i / 2) + "]\nlayer=9999\nscene=" + std::to_string(i + 1) +
                                   "\nname=x\n"
                             : "") +
                      objectSections(i, "layer=9999\nscene=" + std::to_string(i + 1) + "\nframe=0,9\n");
    }
    for (int i = 0; i < 1000; ++i) {
        // Declared scenes, each with layer 9,999 named and used.
        declared += "[scene." + std::to_string(i + 1) + "]\nscene=" + std::to_string(i + 1) +
                    "\nvideo.width=64\nvideo.height=48\nvideo.rate=30\nvideo.scale=1\n";
        highLayers += "[layer." + std::to_string(i) + "]\nlayer=9999\nscene=" + std::to_string(i + 1) + "\nname=top\n" +
                      objectSections(i, "layer=9999\nscene=" + std::to_string(i + 1) + "\nframe=0,9\n");
    }
    const Case cases[] = {
        {"3,000 sections of undeclared scenes", projectText(undeclared), 3000, 1, 0, "undefined scene."},
        {"1,000 scenes using layer 9,999", projectText(declared + highLayers), 0, 1001, 1000, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestKit::LogCapture log;
        const long long before = statusBytes("VmRSS:");
        resetPeak();
        {
            Project project;
            EXPECT_EQ(project.loadProjectText(c.text, L"hostile.vmp2"), c.failed);
            EXPECT_EQ(static_cast<int>(project.scenes.size()), c.scenes);
            EXPECT_EQ(countObjects(project), c.objects);
            const long long grown = statusBytes("VmHWM:") - before;
            EXPECT_LT(grown, LoadBudget) << "the load took " << (grown >> 20) << " MB";
            if (c.objects) {
                EXPECT_EQ(project.getScene(1000)->lastLayer, 9999);
                EXPECT_EQ(project.getScene(1000)->getLayer(9999).layer->name, L"top");
                EXPECT_EQ(project.getScene(1000)->layerCount(), 10000);
            }
        }
        if (c.warning) {
            EXPECT_TRUE(log.contains(c.warning));
            EXPECT_TRUE(log.contains("undefined scene. [layer.0] scene=2"));
            EXPECT_TRUE(log.contains("failed to load object [2999]"));
        }
    }
}

TEST_F(ProjectFileTest, SceneSettingsOutsideTheLimitsRefuseTheFile)
{
    const std::string base = "video.width=64\nvideo.height=48\n";
    const std::string cases[] = {
        "video.width=2000000000\nvideo.height=48\n",
        "video.width=64\nvideo.height=-5\n",
        "video.width=0\nvideo.height=48\n",
        "video.width=16385\nvideo.height=48\n",
        base + "audio.rate=-44100\n",
        base + "audio.rate=0\n",
        base + "audio.rate=2000000000\n",
        base + "display.tempo.bpm=nan\n",
        base + "display.tempo.bpm=0\n",
        base + "display.tempo.offset=inf\n",
        base + "display.grid.step=-nan\n",
        base + "display.grid.range=1e39\n", // no float: refused as a number already
    };
    for (const std::string& scene : cases) {
        SCOPED_TRACE(scene);
        Project project;
        const std::string error = TestKit::errorText([&] { project.loadProjectText(projectText("", scene), L"p"); });
        EXPECT_TRUE(error.find("invalid scene setting.") != std::string::npos ||
                    error.find("invalid format(float)") != std::string::npos)
            << error;
    }
    // Rate and scale are required numbers of their own: 0 and -1 are refused the same way.
    for (const char* format : {"video.rate=0\nvideo.scale=1\n", "video.rate=30\nvideo.scale=-1\n"}) {
        const std::string text = "[project]\n[scene.0]\nscene=0\nvideo.width=64\nvideo.height=48\n" + std::string(format);
        Project project;
        EXPECT_NE(TestKit::errorText([&] { project.loadProjectText(text, L"p"); }).find("invalid scene setting."),
                  std::string::npos);
    }
    // The limits themselves load.
    Project edge;
    EXPECT_EQ(edge.loadProjectText(projectText("", "video.width=16384\nvideo.height=1\naudio.rate=768000\n"), L"p"), 0);
    EXPECT_EQ(edge.getScene(0)->width, 16384);
}

TEST_F(ProjectFileTest, ANewSceneAfterTheHighestStoredOrderTakesItInsteadOfOverflowing)
{
    const std::string text = projectText("", "video.width=64\nvideo.height=48\ndisplay.order=2147483647\n") +
                             "[scene.1]\r\nscene=3\r\nvideo.width=8\r\nvideo.height=8\r\nvideo.rate=30\r\n"
                             "video.scale=1\r\ndisplay.order=5\r\n";
    Project project;
    ASSERT_EQ(project.loadProjectText(text, L"p"), 0);
    const auto added = project.getScene(9);
    std::vector<int> ids, orders;
    for (const auto& scene : project.getSceneList()) {
        ids.push_back(scene->id);
        orders.push_back(scene->displayOrder);
    }
    EXPECT_EQ(ids, (std::vector<int>{3, 0, 9})); // the stored order kept, the new scene last
    EXPECT_EQ(orders, (std::vector<int>{5, 2147483647, 2147483647}));
}

TEST_F(ProjectFileTest, HostileInputsAreRefusedOrReadToAFixedPoint)
{
    const std::string inputs[] = {
        TestKit::readFile(golden),
        "",
        "[scene.0]\nscene=1\nvideo.width=1\nvideo.height=1\nvideo.rate=0\nvideo.scale=0\n",
        projectText("[0]\nlayer=9999\nframe=2000000000,2000000000\n[0.0]\neffect.name=画像ファイル\n"),
        projectText("[0]\nlayer=0\nframe=0,2,1,9\n[0.0]\neffect.name=画像ファイル\nX=1,2,3,直線移動,0\n"),
        projectText("[0]\nlayer=0\nframe=0,9\nscene=-7\ngroup=-1\nfocus=1\n[0.0]\neffect.name=カメラ制御\n"
                    "[1]\nlayer=0\nframe=0,9\nscene=-7\ngroup=-1\nfocus=1\n[1.0]\neffect.name=ぼかし\n"),
        projectText("", "video.width=64\nvideo.height=48\ndisplay.grid.x=a\ndisplay.camera=1,2,3,inf,5,6\n"),
    };
    for (const std::string& input : inputs)
        EXPECT_NO_THROW(ProjectFuzz::readProjectFile(reinterpret_cast<const uint8_t*>(input.data()), input.size()))
            << input;
}
