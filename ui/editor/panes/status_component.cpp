#include "ui/editor/panes/status_component.h"

#include "core/event_service.h"
#include "core/file_name.h"
#include "core/log.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "platform/ui/surface.h"
#include "project/edit/edit_service.h"
#include "project/model/frame_rate.h"
#include "project/model/scene.h"
#include "ui/window/window_footer.h"
#include "ui/window/window_service.h"

#include <cstdio>

namespace Component {

namespace {
constexpr size_t ValueMax = 15; // the short values are cut here

std::wstring cut(std::wstring text)
{
    if (text.size() > ValueMax)
        text.resize(ValueMax);
    return text;
}

std::wstring timeText(double seconds)
{
    wchar_t buffer[32];
    System::formatTime(buffer, seconds);
    return cut(buffer);
}

std::wstring readTemplate(const char* key)
{
    Setting::SettingService* settings = Setting::SettingService::Get();
    return settings ? settings->format.get(key).toString(L"") : std::wstring();
}
} // namespace

StatusComponent::StatusComponent() : footerLeft(readTemplate("FooterLeft")), footerRight(readTemplate("FooterRight"))
{
    Event::EventService* events = Event::EventService::Get();
    if (!events)
        return;
    auto sceneChanged = [this] {
        updateSceneInfo();
        updateTimes();
        updateFooterText();
        updateWindowTitle();
    };
    events->sceneChanged.push_back([sceneChanged](int) { sceneChanged(); });
    events->startup.push_back(sceneChanged);
    auto timesChanged = [this] {
        Edit::EditService* edit = Edit::EditService::Get();
        if (!edit || !edit->currentScene)
            return;
        const Edit::Scene& scene = *edit->currentScene;
        const int last = scene.lastFrame;
        if (scene.cursorFrame == cursorFrame && last == lastFrame)
            return;
        cursorFrame = scene.cursorFrame;
        lastFrame = last;
        updateTimes();
        updateFooterText();
    };
    events->cursorFrameChanged.push_back([timesChanged](int) { timesChanged(); });
    events->editChanged.push_back([timesChanged](std::shared_ptr<Edit::Object>&) { timesChanged(); });
}

StatusComponent::~StatusComponent() = default;

std::wstring StatusComponent::formatDecimal(double value)
{
    std::wstring text = System::formatString(L"%f", value);
    if (text.find(L'.') != std::wstring::npos) {
        while (!text.empty() && text.back() == L'0')
            text.pop_back();
        if (!text.empty() && text.back() == L'.')
            text.pop_back();
    }
    return text;
}

std::wstring StatusComponent::titleOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"/\\");
    std::wstring title = slash == std::wstring::npos ? path : path.substr(slash + 1);
    return title.empty() ? std::wstring(L"Velmora Tessel2") : title;
}

void StatusComponent::updateSceneInfo()
{
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit || !edit->currentScene)
        return;
    std::wstring path = edit->project.path;
    System::FileName::expandVariable(path);
    const size_t slash = path.find_last_of(L"/\\");
    projectName = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (const size_t dot = projectName.rfind(L'.'); dot != std::wstring::npos)
        projectName.resize(dot);
    const Edit::Scene& scene = *edit->currentScene;
    sceneName = scene.name;
    resolution = cut(System::formatString(L"%dx%d", scene.width, scene.height));
    frameRate = cut(formatDecimal(Edit::getFrameRateValue(scene.videoRate, scene.videoScale)) + L"fps");
    samplingRate = cut(formatDecimal(scene.audioRate / 1000.0) + L"khz");
}

void StatusComponent::updateTimes()
{
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit || !edit->currentScene)
        return;
    const Edit::Scene& scene = *edit->currentScene;
    const int last = scene.lastFrame;
    const double secondsPerFrame = scene.videoRate > 0 ? double(scene.videoScale) / scene.videoRate : 0.0;
    currentTime = timeText(scene.cursorFrame * secondsPerFrame);
    totalTime = timeText(last * secondsPerFrame);
    currentFrame = cut(std::to_wstring(scene.cursorFrame + 1));
    totalFrame = cut(std::to_wstring(last + 1));
    cursorFrame = scene.cursorFrame;
    lastFrame = last;
}

std::wstring StatusComponent::expandStatusVariable(const std::wstring& name) const
{
    if (name == L"ProjectName") return projectName;
    if (name == L"SceneName") return sceneName;
    if (name == L"Resolution") return resolution;
    if (name == L"FrameRate") return frameRate;
    if (name == L"SamplingRate") return samplingRate;
    if (name == L"CurrentTime") return currentTime;
    if (name == L"TotalTime") return totalTime;
    if (name == L"CurrentFrame") return currentFrame;
    if (name == L"TotalFrame") return totalFrame;
    System::Log::warn("Component::StatusComponent::expandStatusVariable", "invalid footer text variable. {%s}",
                      System::wideToUtf8(name).c_str());
    return {};
}

void StatusComponent::updateFooterText()
{
    std::wstring value;
    auto expand = [this, &value](std::wstring text) {
        System::expandBraceVariable(text, [this, &value](const std::wstring& name) {
            value = expandStatusVariable(name);
            return value.c_str();
        });
        return text;
    };
    leftText = expand(footerLeft);
    rightText = expand(footerRight);
    if (Window::WindowService* window = Window::WindowService::Get(); window && window->footer)
        window->footer->setText(leftText.c_str(), rightText.c_str());
}

void StatusComponent::updateWindowTitle()
{
    Edit::EditService* edit = Edit::EditService::Get();
    Window::WindowService* window = Window::WindowService::Get();
    if (!edit || !window)
        return;
    std::wstring path = edit->project.path;
    System::FileName::expandVariable(path);
    // A project read from a file that is not its path (an opened backup) is named after that file.
    const std::wstring title = titleOf(path.empty() ? edit->project.sourceName : path);
    if (title == window->title)
        return;
    window->title = title;
    if (window->surface)
        window->surface->setTitle(title);
}

} // namespace Component
