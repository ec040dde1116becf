// テキスト: the decoration and alignment rows handed to the text drawing, the
// picture and its centre, vertical columns, characters as objects of their own
// (through the filters and output, along a motion path), the name, the length
// fit with its undo, dropped text files, and the script blocks.
#include "tests/effects/objects/object_source_fixture.h"

#include "core/text.h"
#include "effect/movement.h"
#include "effect/script_plugin.h"
#include "effect/script_service.h"
#include "effects/objects/basic_output.h"
#include "effects/objects/text_input.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/text_draw.h"
#include "project/edit/undo_service.h"
#include "script/lua_script.h"

#include <numbers>

using namespace SourceTest;
using Effect::TextInput;

namespace {

// What an output is asked to draw: each character's copy of the render object.
struct Drawn {
    int index, num, frameOffset;
    Render::RenderObject::DrawState state;
    bool keepPosition;
    uint32_t width, height;
};

// 標準描画 that notes every draw instead of drawing.
class NotingOutput : public Effect::VideoOutput {
public:
    std::shared_ptr<EffectBase> create() override { return std::make_shared<NotingOutput>(); }
    void outputVideo(Render::RenderObject& object, Media::RenderBuffer&,
                     std::unique_ptr<Media::ResourceBuffer>& picture) override
    {
        drawn.push_back({object.index, object.num, object.frameOffset, object.drawState, object.skipOutputPosition,
                         picture->getWidth(), picture->getHeight()});
    }
    std::vector<Drawn> drawn;
};

// A filter that counts the pictures it passes on.
class CountingFilter : public Effect::EffectBase {
public:
    CountingFilter()
        : EffectBase(L"数える", Effect::EffectType::Filter, Effect::MediaType::Video, Effect::MediaType::Video, L"")
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<CountingFilter>(); }
    std::unique_ptr<Media::ResourceBuffer> filterVideo(Render::RenderObject&,
                                                       std::unique_ptr<Media::ResourceBuffer> picture) override
    {
        ++passed;
        return picture;
    }
    int passed = 0;
};

class TextSource : public ObjectSourceFixture {
protected:
    void SetUp() override
    {
        ObjectSourceFixture::SetUp();
        object = edit->currentScene->createObject(TextInput::Name, 0, 0, 99);
        text = std::dynamic_pointer_cast<TextInput>(object->effects.at(0));
        ASSERT_TRUE(text);
        edit->setFocusObject(object);
        frame = makeFrame(16, 16, TestKit::Picture(256));
    }
    void TearDown() override
    {
        text.reset();
        frame.reset();
        ObjectSourceFixture::TearDown();
    }
    bool itemEvent(int code, const void* payload)
    {
        Edit::UpdateSection update;
        Effect::ItemEvent event;
        event.code = code;
        event.update = &update;
        event.object = object.get();
        event.effect = text;
        event.payload = payload;
        return text->itemEvent(event);
    }
    std::shared_ptr<NotingOutput> noteOutput()
    {
        auto noting = std::make_shared<NotingOutput>();
        object->effects.at(1) = noting; // the chain: input, output, filters
        return noting;
    }
    Render::RenderObject at(int objectFrame)
    {
        Render::RenderObject r = renderAt(object, objectFrame);
        r.drawState.target = frame.get();
        return r;
    }
    int length() const { return object->end - object->start + 1; }

    std::shared_ptr<TextInput> text;
    std::unique_ptr<Media::RenderBuffer> frame;
};

} // namespace

TEST_F(TextSource, DecorationAndAlignmentRowsReachTheTextDrawing)
{
    text->color.r = 10;
    text->color.g = 20;
    text->color.b = 30;
    text->color2.g = 200;
    struct Decoration {
        int value;
        float border, shadow;
        bool round;
    };
    const Decoration decorations[] = {{0, 0, 0, true},     {1, 0, 1.0f, true},     {2, 0, 0.5f, true},
                                      {3, 0.15f, 0, true}, {4, 0.075f, 0, true},   {5, 0.225f, 0, true},
                                      {6, 0.075f, 0, false}};
    for (const Decoration& d : decorations) {
        SCOPED_TRACE(testing::Message() << "文字装飾 " << d.value);
        text->decoration.value = d.value;
        Media::TextDraw draw;
        text->setupTextDraw(draw, nullptr);
        EXPECT_FLOAT_EQ(draw.borderFactor, d.border);
        EXPECT_FLOAT_EQ(draw.shadowFactor, d.shadow);
        EXPECT_EQ(draw.roundBorder, d.round);
        EXPECT_FLOAT_EQ(draw.color.r, 10 / 255.0f);
        EXPECT_FLOAT_EQ(draw.color.b, 30 / 255.0f);
        // 標準文字 draws both colours in 文字色.
        EXPECT_FLOAT_EQ(draw.color2.r, d.value == 0 ? 10 / 255.0f : 0.0f);
        EXPECT_FLOAT_EQ(draw.color2.g, d.value == 0 ? 20 / 255.0f : 200 / 255.0f);
    }
    struct Alignment {
        int value;
        float line;
        bool vertical;
    };
    const Alignment alignments[] = {{0, 0, false},   {1, 0.5f, false}, {2, 1, false},    {3, 0, false},
                                    {4, 0.5f, false}, {5, 1, false},   {6, 0, false},    {7, 0.5f, false},
                                    {8, 1, false},   {9, 0, true},     {10, 0.5f, true}, {11, 1, true},
                                    {12, 0, true},   {13, 0.5f, true}, {14, 1, true},    {15, 0, true},
                                    {16, 0.5f, true}, {17, 1, true}};
    for (const Alignment& a : alignments) {
        SCOPED_TRACE(testing::Message() << "文字揃え " << a.value);
        text->alignment.value = a.value;
        Media::TextDraw draw;
        text->setupTextDraw(draw, nullptr);
        EXPECT_FLOAT_EQ(draw.alignment, a.line);
        EXPECT_EQ(draw.vertical, a.vertical);
        EXPECT_EQ(std::wstring(text->alignment.list->getLabel(a.value)).rfind(L"縦書", 0) == 0, a.vertical);
    }
    // The rest of the row, at the first values without a render object, and at a frame with one.
    text->size.setValue(33, 0);
    text->letterSpacing.setValue(-2, 0);
    text->lineSpacing.setValue(5, 0);
    text->speed.setValue(4, 0);
    text->bold.value = true;
    Media::TextDraw draw;
    text->setupTextDraw(draw, nullptr);
    EXPECT_FLOAT_EQ(draw.size, 33);
    EXPECT_FLOAT_EQ(draw.letterSpacing, -2);
    EXPECT_FLOAT_EQ(draw.lineSpacing, 5);
    EXPECT_DOUBLE_EQ(draw.speed, 4);
    EXPECT_TRUE(draw.bold);
    EXPECT_FALSE(draw.italic);
    EXPECT_FALSE(draw.fontName.empty());
    EXPECT_EQ(draw.time, 0);
    Render::RenderObject r = at(45);
    text->setupTextDraw(draw, &r);
    EXPECT_DOUBLE_EQ(draw.time, 1.5) << "45 frames at 30/1";
}

TEST_F(TextSource, ThePictureIsCentredByItsAlignment)
{
    text->text.text = L"Ag";
    Render::RenderObject r = at(0);
    EXPECT_FALSE(TextInput().inputVideo(r)) << "an empty text gives no picture";

    struct Case {
        int alignment;
        float cx, cy; // fractions of the picture
    };
    for (const Case& c : {Case{0, -0.5f, -0.5f}, Case{4, 0, 0}, Case{8, 0.5f, 0.5f}, Case{10, 0.5f, 0}}) {
        SCOPED_TRACE(c.alignment);
        text->alignment.value = c.alignment;
        r = at(0);
        auto picture = text->inputVideo(r);
        ASSERT_TRUE(picture);
        const float w = float(picture->getWidth()), h = float(picture->getHeight());
        EXPECT_FLOAT_EQ(r.drawState.cx, c.cx * w);
        EXPECT_FLOAT_EQ(r.drawState.cy, c.cy * h);
        const TestKit::Picture p = download(*picture);
        ASSERT_TRUE(finite(p));
        float ink = 0;
        for (const auto& px : p)
            ink += px[3];
        EXPECT_GT(ink, 20);
    }
}

TEST_F(TextSource, AVerticalRowDrawsColumns)
{
    text->text.text = L"一二三四\n五";
    text->size.setValue(20, 0);
    Render::RenderObject r = at(0);
    auto across = text->inputVideo(r);
    text->alignment.value = 9; // 縦書 上寄[右]
    r = at(0);
    auto down = text->inputVideo(r);
    ASSERT_TRUE(across && down);
    EXPECT_GT(across->getWidth(), across->getHeight());
    EXPECT_GT(down->getHeight(), down->getWidth());
    // Columns run right to left: the first line's column is on the right,
    // the one-character second line at the left, top only.
    const TestKit::Picture p = download(*down);
    saveArtefact(p, int(down->getWidth()), int(down->getHeight()), "text_vertical.png");
    const int w = int(down->getWidth()), h = int(down->getHeight());
    auto inkIn = [&](int x0, int x1, int y0, int y1) {
        float sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                sum += p[size_t(y) * w + x][3];
        return sum;
    };
    EXPECT_GT(inkIn(w / 2, w, h * 3 / 4, h), 5) << "the long column reaches the bottom on the right";
    EXPECT_LT(inkIn(0, w / 2, h / 2, h), 1) << "the short column stays at the top on the left";
    EXPECT_GT(inkIn(0, w / 2, 0, h / 4), 5);
}

TEST_F(TextSource, EachCharacterIsAnObjectOfItsOwn)
{
    auto filter = std::make_shared<CountingFilter>();
    object->effects.push_back(filter);
    auto noting = noteOutput();
    text->text.text = L"ABCDE";
    text->speed.setValue(10, 0);
    text->individual.value = true;
    Render::RenderObject r = at(30);
    EXPECT_FALSE(text->inputVideo(r)) << "the source itself gives no picture";
    ASSERT_EQ(noting->drawn.size(), 5u);
    EXPECT_EQ(filter->passed, 5);
    EXPECT_EQ(r.num, 5);
    float previous = -1e9f;
    for (int i = 0; i < 5; ++i) {
        const Drawn& d = noting->drawn[size_t(i)];
        EXPECT_EQ(d.index, i);
        EXPECT_EQ(d.frameOffset, 3 * i) << "0.1 s apart at 30/1";
        EXPECT_GT(d.state.x, previous) << "left to right";
        previous = d.state.x;
        EXPECT_FALSE(d.keepPosition);
        EXPECT_GT(d.width, 0u);
    }
    // Alignment 0 puts the text's top-left at the object: the first character
    // lies right of and below the origin.
    EXPECT_GT(noting->drawn[0].state.x, 0);
    EXPECT_GT(noting->drawn[0].state.y, 0);
    EXPECT_EQ(r.drawState.x, 0) << "the object's own state is restored";

    // Before the display time reaches them, later characters are not drawn.
    noting->drawn.clear();
    r = at(4);
    text->inputVideo(r);
    EXPECT_EQ(noting->drawn.size(), 2u) << "0.133 s: characters 0 and 1";
}

TEST_F(TextSource, CharactersOnAStraightPathTurnByItsAngle)
{
    auto noting = noteOutput();
    auto* linear = Effect::EffectService::Get()->findMovement(L"直線移動").movement.get();
    for (Effect::EffectItemNumber* item : {&noting->x, &noting->y}) {
        item->setMovement(linear);
        item->resizeValues(2);
        item->setValue(0, 0);
        item->setValue(300, 1);
    }
    text->text.text = L"ABCDE";
    text->individual.value = true;
    text->onPath.value = true;
    Render::RenderObject r = at(10);
    text->inputVideo(r);
    ASSERT_EQ(noting->drawn.size(), 5u);
    for (const Drawn& d : noting->drawn) {
        SCOPED_TRACE(d.index);
        EXPECT_NEAR(d.state.rz, 45, 1e-3) << "the path's angle";
        EXPECT_TRUE(d.keepPosition) << "the path gives the position";
        // On the diagonal, moved off it by the character's place across the line.
        EXPECT_TRUE(std::isfinite(d.state.x) && std::isfinite(d.state.y));
    }
    EXPECT_GT(noting->drawn[4].state.x, noting->drawn[0].state.x);
    EXPECT_GT(noting->drawn[4].state.y, noting->drawn[0].state.y);

    // Centred across the line (中央揃え[中]) the characters sit on the diagonal itself.
    text->alignment.value = 4;
    noting->drawn.clear();
    r = at(10);
    text->inputVideo(r);
    ASSERT_EQ(noting->drawn.size(), 5u);
    for (const Drawn& d : noting->drawn)
        EXPECT_NEAR(d.state.x, d.state.y, 4) << d.index;

    // A path that does not move: no turn.
    for (Effect::EffectItemNumber* item : {&noting->x, &noting->y})
        item->setMovement(Effect::NoMove::instance);
    noting->drawn.clear();
    r = at(10);
    text->inputVideo(r);
    ASSERT_EQ(noting->drawn.size(), 5u);
    for (const Drawn& d : noting->drawn)
        EXPECT_EQ(d.state.rz, 0);
}

TEST_F(TextSource, TheNameIsTheTextCutAtAHundredUnits)
{
    EXPECT_EQ(std::wstring(text->getName()), L"テキスト");
    struct Case {
        std::wstring text, name;
    };
    const std::wstring hundred(100, L'x');
    const Case cases[] = {
        {std::wstring(150, L'a'), std::wstring(100, L'a') + L"..."},
        {hundred, hundred},
        {L"line\nnext\tand\rcr", L"line\u23CEnext and cr"},
        // 99 units, then a character of two units that would end past the cut.
        {std::wstring(99, L'b') + L"\U0001F600" + L"c", std::wstring(99, L'b') + L"..."},
        // 98 units and the pair fit: 100 units.
        {std::wstring(98, L'b') + L"\U0001F600" + L"c", std::wstring(98, L'b') + L"\U0001F600..."},
        {std::wstring(98, L'b') + L"\U0001F600", std::wstring(98, L'b') + L"\U0001F600"},
    };
    for (const Case& c : cases) {
        text->text.text = c.text;
        itemEvent(Effect::ItemEvent::ItemChanged, &text->text); // the change empties the cached name
        EXPECT_EQ(System::wideToUtf8(text->getName()), System::wideToUtf8(c.name));
    }
}

TEST_F(TextSource, TheLengthFitsTheDisplayTimeAndUndoes)
{
    text->text.text = std::wstring(20, L'字');
    text->speed.setValue(10, 0);
    EXPECT_FALSE(itemEvent(Effect::ItemEvent::ItemChanged, &text->speed)) << "off: no fit";
    EXPECT_EQ(length(), 100);

    text->fitLength.value = true;
    const double seconds = text->getDisplayTime();
    EXPECT_DOUBLE_EQ(seconds, 2.0) << "20 characters at 10 per second";
    const size_t steps = edit->currentScene->undoHistory.steps.size();
    {
        Edit::UpdateSection update;
        Effect::ItemEvent event;
        event.code = Effect::ItemEvent::ItemChanged;
        event.update = &update;
        event.object = object.get();
        event.effect = text;
        event.payload = &text->fitLength;
        EXPECT_TRUE(text->itemEvent(event));
        EXPECT_TRUE(update.notifyEdit && update.updateSettingValue && update.updateColorSetting &&
                    update.updateLayerObject);
    }
    EXPECT_EQ(length(), std::lround(seconds * 30));
    EXPECT_EQ(edit->currentScene->undoHistory.steps.size(), steps + 1);
    ASSERT_TRUE(Undo::UndoService::Get()->undo());
    const auto& restored = edit->currentScene->getLayer(0).objects.front();
    EXPECT_EQ(restored->end - restored->start + 1, 100);

    // Dragging an edge fits again without an undo step of its own.
    const size_t after = edit->currentScene->undoHistory.steps.size();
    object = restored;
    text = std::dynamic_pointer_cast<TextInput>(object->effects.at(0));
    ASSERT_TRUE(text);
    text->fitLength.value = true;
    EXPECT_TRUE(itemEvent(5, nullptr));
    EXPECT_EQ(length(), 60);
    EXPECT_EQ(edit->currentScene->undoHistory.steps.size(), after);

    // A moving display speed, or mid-points: no fit.
    text->speed.setMovement(Effect::EffectService::Get()->findMovement(L"直線移動").movement.get());
    EXPECT_FALSE(itemEvent(5, nullptr));
    text->speed.setMovement(Effect::NoMove::instance);
    text->speed.setValue(0, 0);
    EXPECT_FALSE(itemEvent(5, nullptr)) << "no display time";
}

TEST_F(TextSource, DroppedTextFilesInUtf8AndCp932)
{
    EXPECT_TRUE(text->isSupportedFile(L"/notes/NOTE.TXT"));
    EXPECT_TRUE(text->isSupportedFile(L"/notes/a.txt"));
    EXPECT_FALSE(text->isSupportedFile(L"/notes/a.text"));
    EXPECT_FALSE(text->isSupportedFile(L"/notes.txt/a"));

    const std::string utf8 = IoTest::tempPath("utf8.TXT");
    TestKit::writeFile(utf8, "日本語の文\nsecond line");
    const std::wstring utf8Path = IoTest::widePath(utf8);
    EXPECT_TRUE(itemEvent(Effect::ItemEvent::FileSet, utf8Path.c_str()));
    EXPECT_EQ(text->text.text, L"日本語の文\nsecond line");
    EXPECT_EQ(std::wstring(text->getName()), L"日本語の文\u23CEsecond line");

    const std::string sjis = IoTest::tempPath("sjis.txt");
    ASSERT_EQ(TestKit::runCommand("printf '%s' 'ｶﾅと漢字～' | iconv -f UTF-8 -t CP932 > '" + sjis + "'"), 0);
    ASSERT_NE(TestKit::readFile(sjis), "ｶﾅと漢字～") << "the file is not UTF-8";
    EXPECT_TRUE(itemEvent(Effect::ItemEvent::FileSet, IoTest::widePath(sjis).c_str()));
    EXPECT_EQ(System::wideToUtf8(text->text.text), "ｶﾅと漢字～");

    const std::wstring missing = IoTest::widePath(IoTest::tempPath("missing.txt"));
    EXPECT_FALSE(itemEvent(Effect::ItemEvent::FileSet, missing.c_str()));
    EXPECT_EQ(System::wideToUtf8(text->text.text), "ｶﾅと漢字～") << "the text stays";
    EXPECT_EQ(postedErrors(1), std::vector<std::string>{"ファイルの読み込みに失敗しました"});
}

TEST_F(TextSource, AFailingBlockBecomesNothingWithALogLine)
{
    System::ServiceStack scripts;
    auto* service = scripts.acquire<Plugin::ScriptService>();
    service->registerPlugin<Plugin::LuaScript>();
    service->registerPlugin<Plugin::LuaJitScript>();
    TextInput prototype;
    prototype.createCommonResource();
    auto made = std::dynamic_pointer_cast<TextInput>(prototype.create());
    made->shareResource(prototype);
    ASSERT_TRUE(made->getScript() && made->getScript()->engine) << "the default engine";
    EXPECT_EQ(std::wstring(made->name), TextInput::Name);

    made->text.text = L"A<?=1+2?>B<?mes('x')?>C<?=1+2?>";
    Render::RenderObject r = at(0);
    EXPECT_EQ(made->expandScript(r), L"A3BxC3");
    made->text.text = L"A<?error('a')?>B<?mes(?>C<?error('a')?>";
    TestKit::LogCapture log;
    EXPECT_EQ(made->expandScript(r), L"ABC");
    size_t failures = 0;
    for (const std::string& line : log.lines())
        failures += line.rfind("WARN|Effect::TextInput::expandScript|script exception: ", 0) == 0;
    EXPECT_EQ(failures, 3u) << "each block runs, the identical one too";
    made->text.text = L"no blocks <? here";
    EXPECT_EQ(made->expandScript(r), L"no blocks <? here");

    // The rest of the text is drawn.
    made->text.text = L"<?error()?>";
    EXPECT_FALSE(made->inputVideo(r)) << "nothing left to draw";
    made->text.text = L"<?error()?>W";
    EXPECT_TRUE(made->inputVideo(r));
}
