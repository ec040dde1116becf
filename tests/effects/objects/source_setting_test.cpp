// The media sources in the settings window: the play position shown in frames,
// the information asked of a file or scene control, the "YUVの設定" button with
// its menu chosen through the headless popup, and the track item held to the
// file's tracks.
#include "tests/effects/objects/source_fixture.h"

#include "effects/objects/image_load.h"
#include "effects/objects/movie_load.h"
#include "effects/objects/scene_load.h"
#include "ui/settings/controls/file_controls.h"
#include "ui/settings/controls/number_control.h"
#include "ui/settings/window/effect_setting.h"
#include "ui/window/tool_tips.h"

#include <cmath>

using namespace SourceTest;

namespace {

class SourceSetting : public SourceFixture {};

} // namespace

TEST_F(SourceSetting, ThePlayPositionShowsFramesFromOneWhenTheWindowSaysSo)
{
    // 30000/1001 frames per second (29.97).
    auto movie = place<Effect::MovieLoad>(media("ntsc.tst", Rgb24 + " rate=30000 scale=1001"));
    using Control = Component::NumberItemControl;
    Control* seconds = control<Control>(movie->position);
    ASSERT_TRUE(seconds);
    movie->position.setValue(1.0, 0);
    EXPECT_EQ(seconds->displayValue(0), 1.0) << "seconds while the option is off";
    EXPECT_EQ(seconds->displayRange().step, 0.001);

    windows->setting.options.displayPositionByFrame = 1;
    rebuild();
    Control* frames = control<Control>(movie->position);
    ASSERT_TRUE(frames);
    // "再生範囲" holds the range [0, 300 frames of 1/29.97 s]: the start counts
    // from frame 1, the end (a difference from the start) carries no offset.
    ASSERT_EQ(movie->position.values.size(), 2u);
    EXPECT_EQ(frames->displayValue(0), 31.0) << "round(29.97) + 1";
    EXPECT_EQ(frames->displayValue(1), 300.0);
    EXPECT_DOUBLE_EQ(frames->itemValue(1, 0), 0.0) << "frame 1 is 0 s";
    EXPECT_DOUBLE_EQ(frames->itemValue(31, 0), 30 * 1001 / 30000.0);
    EXPECT_DOUBLE_EQ(frames->itemValue(300, 1), 300 * 1001 / 30000.0);
    const Control::Range range = frames->displayRange();
    EXPECT_EQ(range.step, 1.0);
    EXPECT_EQ(range.minValue, 1.0);
    EXPECT_EQ(range.maxValue, std::round(30000.0 / 1001 * 100000)) << "the maximum converts as a difference";
    EXPECT_EQ(frames->startSlider.text, L"31");
    EXPECT_EQ(frames->endSlider.text, L"300");

    // Without usable media the converters leave the seconds as they are.
    movie->file.path.clear();
    movie->resetMediaInfo();
    EXPECT_EQ(frames->displayValue(0), 1.0);
    EXPECT_EQ(frames->itemValue(2.5, 0), 2.5);

    // The audio source's play position is an ordinary number: never frames.
    place<Effect::AudioLoad>(media("sound.tst", Rgb24));
    auto* sound = control<Control>(std::dynamic_pointer_cast<Effect::AudioLoad>(object->effects[0])->position);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->displayRange().step, 0.001);
}

TEST_F(SourceSetting, AskingAFileOrSceneControlShowsTheInformation)
{
    Window::ToolTips& tip = Window::ToolTips::get();
    const std::wstring movieFile = media("info.tst", Rgb24);
    struct Case {
        const char* name;
        std::function<const Effect::EffectItem*()> place;
        std::wstring expected;
    };
    Edit::Scene& inner = *edit->project.getScene(1);
    inner.createObject(Effect::MovieLoad::Name, 0, 0, 89);
    inner.updateLayerObject();
    inner.name = L"内側";
    const Case cases[] = {
        {"movie", [&] { return &place<Effect::MovieLoad>(movieFile)->file; }, L"Video: 8 x 4 / 30fps / RGB24bit"},
        {"audio", [&] { return &place<Effect::AudioLoad>(movieFile)->file; }, L"Audio: 8khz / 2ch / PCM16bit"},
        {"image", [&] { return &place<Effect::ImageLoad>(movieFile)->file; }, L"Image: 8 x 4"},
        {"scene",
         [&]() -> const Effect::EffectItem* {
             object = edit->currentScene->createObject(Effect::SceneLoad::Name, layer++, 0, 9);
             auto scene = std::dynamic_pointer_cast<Effect::SceneLoad>(object->effects[0]);
             scene->scene.value = 1;
             edit->setFocusObject(object);
             return &scene->scene;
         },
         L"内側\nTotalTime: 00:00:03"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tip.text.clear();
        const Effect::EffectItem* item = c.place();
        Component::EffectItemBaseControl* found = control<Component::EffectItemBaseControl>(*item);
        ASSERT_TRUE(found);
        ASSERT_TRUE(found->requestInformation());
        EXPECT_NE(tip.text.find(c.expected), std::wstring::npos) << System::wideToUtf8(tip.text);
    }
    // Other items tell nothing.
    auto movie = std::dynamic_pointer_cast<Effect::MovieLoad>(place<Effect::MovieLoad>(movieFile));
    EXPECT_FALSE(control<Component::EffectItemBaseControl>(movie->speed)->requestInformation());
    EXPECT_FALSE(control<Component::EffectItemBaseControl>(movie->yuv)) << "the YUV setting has no control";
}

TEST_F(SourceSetting, TheYuvButtonComesWithYuy2AndYc48Video)
{
    const auto& spaces = Media::YUVformat::yuvToRgbTable();
    ASSERT_GE(spaces.size(), 2u);
    struct Case {
        const char* name;
        std::string format;
        bool button, rangeEnabled;
    };
    for (const Case& c : {Case{"RGB24", Rgb24, false, false}, Case{"YUY2", Yuy2, true, true},
                          Case{"YC48", Yc48, true, false}}) {
        SCOPED_TRACE(c.name);
        auto movie = place<Effect::MovieLoad>(media(std::string(c.name) + ".tst", c.format));
        auto* file = control<Component::FileItemControl>(movie->file);
        ASSERT_TRUE(file);
        ASSERT_EQ(file->extraButton.has_value(), c.button);
        if (!c.button)
            continue;
        EXPECT_EQ(file->extraButton->text, L"YUVの設定");
        EXPECT_EQ(file->extraButton->icon, 154);

        // The person looks at the menu and picks colour space 2, then the range "Full".
        std::vector<std::wstring> seen;
        auto choose = [&](size_t sub, size_t entry) {
            Window::PopupMenu::setChooser([&seen, sub, entry](const Window::PopupMenu& menu) {
                seen.clear();
                for (int i = 0; i < menu.itemCount(); ++i) {
                    const Platform::Ui::MenuEntry item = menu.item(i);
                    seen.push_back(item.text + (item.enabled ? L"" : L" (grey)"));
                    const Window::BaseMenu inner = menu.subMenu(i);
                    for (int j = 0; j < inner.itemCount(); ++j)
                        seen.push_back(L" " + inner.item(j).text + (inner.item(j).checked ? L" *" : L""));
                }
                // The sub-menu's entry is chosen; a greyed sub-menu cannot be opened.
                return menu.item(int(sub)).enabled ? menu.subMenu(int(sub)).item(int(entry)).id : 0;
            });
            EXPECT_TRUE(file->pressExtraButton());
        };
        const size_t before = edit->currentScene->undoHistory.steps.size();
        choose(0, 2);
        EXPECT_EQ(movie->yuv.colorSpace, 2);
        ASSERT_GE(seen.size(), 4u);
        EXPECT_EQ(seen[0], L"YUV色空間");
        EXPECT_EQ(seen[1], L" 自動 *");
        EXPECT_EQ(seen[2], L" " + spaces[0].name);
        EXPECT_EQ(seen.back(), L" Full");
        EXPECT_EQ(seen[seen.size() - 3], c.rangeEnabled ? L"YUVレンジ" : L"YUVレンジ (grey)");
        choose(1, 1);
        EXPECT_EQ(movie->yuv.colorRange, c.rangeEnabled ? 1 : 0);
        EXPECT_EQ(seen[3], L" " + spaces[1].name + L" *") << "the stored space is checked";
        // Each choice is one undo step of the effect.
        EXPECT_EQ(edit->currentScene->undoHistory.steps.size(), before + (c.rangeEnabled ? 2 : 1));
    }

    // A movie that is not the focus object's input: no button.
    auto movie = place<Effect::MovieLoad>(media("yuy2.tst", Yuy2));
    edit->setFocusObject(edit->currentScene->createObject(Effect::AudioLoad::Name, layer++, 0, 9));
    Component::EffectSetting panel(windows->setting, windows->setting.panelContainer, movie);
    auto* file = dynamic_cast<Component::FileItemControl*>(panel.findItemControl(&movie->file));
    ASSERT_TRUE(file);
    EXPECT_FALSE(file->extraButton);
}

TEST_F(SourceSetting, TheTrackIsHeldToTheFilesTracks)
{
    // The movie's tracks are the larger of the video and audio counts, the
    // audio source's the audio tracks.
    const std::wstring three = media("three.tst", Rgb24 + " video_tracks=1 audio_tracks=3");
    const std::wstring single = media("single.tst", Rgb24);
    auto movie = place<Effect::MovieLoad>(three);
    EXPECT_EQ(movie->track.maxValue, 2) << "the panel brought the item up to date";
    EXPECT_TRUE(movie->track.visible);
    struct Case {
        int value;
        unsigned track;
    };
    for (const Case c : {Case{0, 0}, Case{1, 1}, Case{5, 2}, Case{-1, 2}}) {
        movie->track.value = c.value;
        EXPECT_EQ(movie->selectedTrack(), c.track) << c.value;
    }
    auto sound = place<Effect::AudioLoad>(media("video2.tst", Rgb24 + " video_tracks=4 audio_tracks=2"));
    sound->track.value = 3;
    EXPECT_EQ(sound->selectedTrack(), 1u);
    EXPECT_EQ(sound->track.maxValue, 1);

    // A single-track file: the item is disabled and every call uses track 0.
    movie = place<Effect::MovieLoad>(single);
    movie->track.value = 2;
    EXPECT_EQ(movie->selectedTrack(), 0u);
    EXPECT_EQ(movie->track.maxValue, 0);
    EXPECT_FALSE(movie->track.visible);

    // Code 6 (the sound moved to an object per track) sets the track.
    const int second = 1;
    Effect::ItemEvent event;
    event.code = Effect::ItemEvent::SoundTrack;
    event.payload = &second;
    movie->file.path = three;
    movie->resetMediaInfo();
    EXPECT_FALSE(movie->itemEvent(event));
    EXPECT_EQ(movie->selectedTrack(), 1u);
    EXPECT_EQ(movie->getAudioInfo(1), 3);
}

TEST_F(SourceSetting, TheWindowsOptionsComeFromTheMainIniAndGoBackToIt)
{
    auto movie = place<Effect::MovieLoad>(media("ini.tst", Rgb24));
    System::IniFile& ini = *System::Config::iniFile;
    ini.getValue("Setting", "DisplayPositionByFrame").text = "1";
    ini.getValue("Setting", "SectionViewMode").text = "x"; // unreadable: the default
    {
        Component::SettingComponent setting;
        EXPECT_EQ(setting.options.displayPositionByFrame, 1);
        EXPECT_EQ(setting.options.sectionViewMode, 2);
        setting.setTarget(object);
        auto* position = dynamic_cast<Component::NumberItemControl*>(
            setting.panelList.at(0)->findItemControl(&movie->position));
        ASSERT_TRUE(position);
        EXPECT_EQ(position->displayRange().step, 1.0) << "frames";
        setting.options.sectionViewMode = 0;
        setting.options.sliderMoveRatio = 250;
    }
    EXPECT_EQ(ini.getValue("Setting", "SectionViewMode").toInt(), 0);
    EXPECT_EQ(ini.getValue("Setting", "SliderMoveRatio").toInt(), 250);
}
