#include "ui/menus/input_dialog.h"

#include "core/log.h"
#include "core/translate_service.h"
#include "ui/menus/dialog.h"

#include <algorithm>
#include <cmath>

namespace Dialog {

namespace {

SceneDialog::Answerer sceneAnswerer;
InputStringDialog::Answerer stringAnswerer;
FrameLengthDialog::Answerer frameLengthAnswerer;
InputNumberDialog::Answerer numberAnswerer;
SaveFileAnswerer saveFileAnswerer;
InputIntegerDialog::Answerer integerAnswerer;
AviFileSaveDialog::Answerer aviAnswerer;

// The dialog's caption as shown, through the "Dialog" table.
std::wstring caption(const std::wstring& title)
{
    if (Translate::TranslateService::enabled && Translate::TranslateService::Get())
        return Translate::TranslateService::Get()->dialog.translate(title.c_str());
    return title;
}

} // namespace

bool SceneDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::SceneDialog::show", L"%s", caption(title).c_str());
    if (!sceneAnswerer || !sceneAnswerer(*this))
        return false;
    Edit::SceneSettings& v = values;
    v.width = std::clamp(v.width, 32, 16384);
    v.height = std::clamp(v.height, 32, 16384);
    v.videoRate = std::max(v.videoRate, 1);
    v.videoScale = std::max(v.videoScale, 1);
    v.audioRate = std::max(v.audioRate, 1);
    return true;
}

void SceneDialog::setAnswerer(Answerer answerer)
{
    sceneAnswerer = std::move(answerer);
}

bool InputStringDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::InputStringDialog::show", L"%s", caption(title).c_str());
    return stringAnswerer && stringAnswerer(*this);
}

void InputStringDialog::setAnswerer(Answerer answerer)
{
    stringAnswerer = std::move(answerer);
}

int FrameLengthDialog::secondsToFrames(double value) const
{
    const double frameCount = std::round(value * videoRate / std::max(videoScale, 1));
    if (std::isnan(frameCount) || frameCount <= minimum)
        return minimum;
    return frameCount >= maximum ? maximum : static_cast<int>(frameCount);
}

double FrameLengthDialog::framesToSeconds(int count) const
{
    return videoRate > 0 ? static_cast<double>(count) * std::max(videoScale, 1) / videoRate : 0.0;
}

bool FrameLengthDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::FrameLengthDialog::show", L"%s", caption(title).c_str());
    seconds = framesToSeconds(frames);
    secondsTyped = false;
    if (!frameLengthAnswerer || !frameLengthAnswerer(*this))
        return false;
    frames = secondsTyped ? secondsToFrames(seconds) : std::clamp(frames, minimum, maximum);
    return true;
}

void FrameLengthDialog::setAnswerer(Answerer answerer)
{
    frameLengthAnswerer = std::move(answerer);
}

bool InputNumberDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::InputNumberDialog::show", L"%s", caption(title).c_str());
    if (!numberAnswerer || !numberAnswerer(*this))
        return false;
    value = std::isnan(value) ? minimum : std::clamp(value, minimum, maximum);
    return true;
}

void InputNumberDialog::setAnswerer(Answerer answerer)
{
    numberAnswerer = std::move(answerer);
}

bool InputIntegerDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::InputIntegerDialog::show", L"%s", caption(title).c_str());
    if (!integerAnswerer || !integerAnswerer(*this))
        return false;
    value = std::clamp(value, minimum, maximum);
    return true;
}

void InputIntegerDialog::setAnswerer(Answerer answerer)
{
    integerAnswerer = std::move(answerer);
}

const wchar_t* const AviFileSaveDialog::VideoTypes[5] = {L"RGB24bit", L"RGBA32bit", L"YUY2", L"RGBA64bit(PA64)",
                                                         L"RGBA64bit(HF64)"};
const wchar_t* const AviFileSaveDialog::AudioTypes[2] = {L"PCM16bit", L"PCM(float)32bit"};

bool AviFileSaveDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::AviFileSaveDialog::show", L"Video: %s / Audio: %s", videoType.c_str(),
                      audioType.c_str());
    return aviAnswerer && aviAnswerer(*this);
}

void AviFileSaveDialog::setAnswerer(Answerer answerer)
{
    aviAnswerer = std::move(answerer);
}

bool showSaveFileDialog(std::wstring& path, const std::wstring& filter, const wchar_t* title)
{
    stopPlayback();
    System::Log::info("Dialog::showSaveFileDialog", L"%s", title ? caption(title).c_str() : filter.c_str());
    std::wstring chosen = path;
    if (!saveFileAnswerer || !saveFileAnswerer(chosen, filter) || chosen.empty())
        return false;
    path = chosen;
    return true;
}

void setSaveFileAnswerer(SaveFileAnswerer answerer)
{
    saveFileAnswerer = std::move(answerer);
}

} // namespace Dialog
