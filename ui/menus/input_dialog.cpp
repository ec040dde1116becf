#include "ui/menus/input_dialog.h"

#include "core/log.h"
#include "core/translate_service.h"
#include "ui/menus/dialog.h"
#include "ui/menus/modal_point.h"

#include <algorithm>
#include <cmath>

namespace Dialog {

namespace {

// What a save-file box asks and answers.
struct SaveFileBox {
    std::wstring path;
    const std::wstring* filter;
};

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
    if (!askPerson(*this, "SceneDialog", caption(title)))
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
    setDialogAnswerer<SceneDialog>("SceneDialog", std::move(answerer));
}

bool InputStringDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::InputStringDialog::show", L"%s", caption(title).c_str());
    return askPerson(*this, "InputStringDialog", caption(title));
}

void InputStringDialog::setAnswerer(Answerer answerer)
{
    setDialogAnswerer<InputStringDialog>("InputStringDialog", std::move(answerer));
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
    if (!askPerson(*this, "FrameLengthDialog", caption(title)))
        return false;
    frames = secondsTyped ? secondsToFrames(seconds) : std::clamp(frames, minimum, maximum);
    return true;
}

void FrameLengthDialog::setAnswerer(Answerer answerer)
{
    setDialogAnswerer<FrameLengthDialog>("FrameLengthDialog", std::move(answerer));
}

bool InputNumberDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::InputNumberDialog::show", L"%s", caption(title).c_str());
    if (!askPerson(*this, "InputNumberDialog", caption(title)))
        return false;
    value = std::isnan(value) ? minimum : std::clamp(value, minimum, maximum);
    return true;
}

void InputNumberDialog::setAnswerer(Answerer answerer)
{
    setDialogAnswerer<InputNumberDialog>("InputNumberDialog", std::move(answerer));
}

bool InputIntegerDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::InputIntegerDialog::show", L"%s", caption(title).c_str());
    if (!askPerson(*this, "InputIntegerDialog", caption(title)))
        return false;
    value = std::clamp(value, minimum, maximum);
    return true;
}

void InputIntegerDialog::setAnswerer(Answerer answerer)
{
    setDialogAnswerer<InputIntegerDialog>("InputIntegerDialog", std::move(answerer));
}

const wchar_t* const AviFileSaveDialog::VideoTypes[5] = {L"RGB24bit", L"RGBA32bit", L"YUY2", L"RGBA64bit(PA64)",
                                                         L"RGBA64bit(HF64)"};
const wchar_t* const AviFileSaveDialog::AudioTypes[2] = {L"PCM16bit", L"PCM(float)32bit"};

bool AviFileSaveDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::AviFileSaveDialog::show", L"Video: %s / Audio: %s", videoType.c_str(),
                      audioType.c_str());
    return askPerson(*this, "AviFileSaveDialog", std::wstring());
}

void AviFileSaveDialog::setAnswerer(Answerer answerer)
{
    setDialogAnswerer<AviFileSaveDialog>("AviFileSaveDialog", std::move(answerer));
}

bool showSaveFileDialog(std::wstring& path, const std::wstring& filter, const wchar_t* title)
{
    stopPlayback();
    System::Log::info("Dialog::showSaveFileDialog", L"%s", title ? caption(title).c_str() : filter.c_str());
    SaveFileBox box{path, &filter};
    Platform::Ui::ModalPoint point;
    point.kind = Platform::Ui::ModalKind::FileBox;
    point.name = "SaveFileDialog";
    point.caption = title ? caption(title) : std::wstring();
    point.setSubject(&box);
    if (!Platform::Ui::answerWithoutPerson(point) || box.path.empty())
        return false;
    path = box.path;
    return true;
}

void setSaveFileAnswerer(SaveFileAnswerer answerer)
{
    if (!answerer) {
        Platform::Ui::setAnswerer(Platform::Ui::ModalKind::FileBox, nullptr, "SaveFileDialog");
        return;
    }
    Platform::Ui::setAnswerer(
        Platform::Ui::ModalKind::FileBox,
        [answerer = std::move(answerer)](Platform::Ui::ModalPoint& point) {
            SaveFileBox* box = point.subjectAs<SaveFileBox>();
            return box && answerer(box->path, *box->filter) ? 1 : 0;
        },
        "SaveFileDialog");
}

} // namespace Dialog
