#include "ui/menus/dialogs/input_dialog.h"

#include "core/log.h"
#include "platform/ui/dialog_window.h"
#include "project/model/frame_rate.h"
#include "ui/menus/dialog.h"
#include "ui/menus/modal_point.h"

#include <algorithm>
#include <cmath>

namespace Dialog {

namespace {

// Whether an answerer stands in for the person: installed for the dialog
// while no test driver works the real one.
bool answered(const char* name)
{
    if (Platform::Ui::hasDialogDriver())
        return false;
    Platform::Ui::ModalPoint point;
    point.kind = Platform::Ui::ModalKind::Dialog;
    point.name = name;
    return !Platform::Ui::personAnswers(point);
}

std::wstring trimBlanks(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos)
        return {};
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

} // namespace

// ---- scene ----

SceneDialog::SceneDialog() : DialogTemplate(L"", "SceneDialog") {}

bool SceneDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::SceneDialog::show", L"%s", translateDialog(title).c_str());
    Edit::SceneSettings& v = values;
    if (answered("SceneDialog")) {
        if (!askPerson(*this, "SceneDialog", translateDialog(title)))
            return false;
        v.width = std::clamp(v.width, 32, 16384);
        v.height = std::clamp(v.height, 32, 16384);
        v.videoRate = std::max(v.videoRate, 1);
        v.videoScale = std::max(v.videoScale, 1);
        v.audioRate = std::max(v.audioRate, 1);
        return true;
    }
    caption = title;
    items.clear();
    DialogItemText* nameRow = withName ? addItem<DialogItemText>(L"名前", v.name, true) : nullptr;
    DialogItemImageSize* sizeRow =
        withSize ? addItem<DialogItemImageSize>(L"解像度", v.width, v.height, 32, 16384) : nullptr;
    DialogItemNumber* rateRow =
        withRate ? addItem<DialogItemNumber>(L"フレームレート", Edit::getFrameRateValue(v.videoRate, v.videoScale),
                                             0.001, 1000.0)
                 : nullptr;
    DialogItemInteger* audioRow =
        withAudio ? addItem<DialogItemInteger>(L"サンプリングレート", v.audioRate, 1, 3072000) : nullptr;
    if (!create(0))
        return false;
    if (nameRow)
        v.name = nameRow->value;
    if (sizeRow) {
        v.width = sizeRow->imageWidth;
        v.height = sizeRow->imageHeight;
    }
    if (rateRow)
        Edit::setFrameRateValue(v.videoRate, v.videoScale, rateRow->value);
    if (audioRow)
        v.audioRate = audioRow->value;
    return true;
}

void SceneDialog::setAnswerer(Answerer answerer)
{
    setDialogAnswerer<SceneDialog>("SceneDialog", std::move(answerer));
}

// ---- one text ----

InputStringDialog::InputStringDialog() : DialogTemplate(L"", "InputStringDialog") {}

bool InputStringDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::InputStringDialog::show", L"%s", translateDialog(title).c_str());
    if (answered("InputStringDialog"))
        return askPerson(*this, "InputStringDialog", translateDialog(title));
    caption = title;
    items.clear();
    auto* row = addItem<DialogItemText>(label, text, required);
    if (!create(0))
        return false;
    text = row->value;
    return true;
}

void InputStringDialog::setAnswerer(Answerer answerer)
{
    setDialogAnswerer<InputStringDialog>("InputStringDialog", std::move(answerer));
}

// ---- frame length ----

FrameLengthDialog::FrameLengthDialog() : DialogTemplate(L"", "FrameLengthDialog") {}

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

double FrameLengthDialog::secondsLimit() const
{
    return videoRate > 0 ? static_cast<double>(maximum) * std::max(videoScale, 1) / videoRate : 0.0;
}

bool FrameLengthDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::FrameLengthDialog::show", L"%s", translateDialog(title).c_str());
    seconds = framesToSeconds(frames);
    secondsTyped = false;
    if (answered("FrameLengthDialog")) {
        if (!askPerson(*this, "FrameLengthDialog", translateDialog(title)))
            return false;
        frames = secondsTyped ? secondsToFrames(seconds) : std::clamp(frames, minimum, maximum);
        return true;
    }
    caption = title;
    items.clear();
    lastFramesText.clear();
    lastSecondsText.clear();
    framesRow = nullptr;
    secondsRow = addItem<DialogItemNumber>(SecondsLabel, 0.0, 0.0, secondsLimit());
    framesRow = addItem<DialogItemInteger>(FramesLabel, frames, minimum, maximum);
    // No OK button although there are two rows: Enter submits, the dialog opens at the pointer.
    buttonMode = 2;
    const bool ok = create(0);
    DialogItemInteger* row = framesRow;
    framesRow = nullptr;
    secondsRow = nullptr;
    if (!ok)
        return false;
    frames = row->value;
    return true;
}

// Each field follows what was typed into the other: one round, as setting a
// field's text raises the change again with both texts then as stored.
bool FrameLengthDialog::procMessage(DialogHandle, const DialogEvent& event)
{
    if (event.kind != DialogEvent::Command || event.code != DialogEvent::TextUpdate)
        return false;
    ControlHandle framesControl = framesRow ? framesRow->hwnd : nullptr;
    ControlHandle secondsControl = secondsRow ? secondsRow->hwnd : nullptr;
    const std::wstring framesText = trimBlanks(Platform::Ui::controlText(framesControl));
    const bool framesChanged = framesText != lastFramesText;
    lastFramesText = framesText;
    const std::wstring secondsText = trimBlanks(Platform::Ui::controlText(secondsControl));
    const bool secondsChanged = secondsText != lastSecondsText;
    lastSecondsText = secondsText;
    if (!framesChanged && !secondsChanged)
        return false;
    if (!framesChanged) {
        double typed = 0.0;
        if (Rule::parseNumber(secondsText, typed)) {
            const double count = std::round(double(videoRate) * typed / std::max(videoScale, 1));
            // Beyond the integer range the frames field shows nothing: its own check refuses that.
            lastFramesText = std::isfinite(count) && std::fabs(count) < 1e18
                                 ? std::to_wstring(static_cast<long long>(count))
                                 : std::wstring();
        } else {
            lastFramesText.clear();
        }
        Platform::Ui::setControlText(framesControl, lastFramesText);
        return false;
    }
    int typed = 0;
    if (Rule::parseInteger(framesText, typed) && videoRate > 0)
        lastSecondsText = Rule::formatNumber(double(std::max(videoScale, 1)) * typed / videoRate);
    else
        lastSecondsText.clear();
    Platform::Ui::setControlText(secondsControl, lastSecondsText);
    return false;
}

void FrameLengthDialog::setAnswerer(Answerer answerer)
{
    setDialogAnswerer<FrameLengthDialog>("FrameLengthDialog", std::move(answerer));
}

// ---- one number ----

InputNumberDialog::InputNumberDialog() : DialogTemplate(L"", "InputNumberDialog") {}

bool InputNumberDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::InputNumberDialog::show", L"%s", translateDialog(title).c_str());
    if (answered("InputNumberDialog")) {
        if (!askPerson(*this, "InputNumberDialog", translateDialog(title)))
            return false;
        value = std::isnan(value) ? minimum : std::clamp(value, minimum, maximum);
        return true;
    }
    caption = title;
    items.clear();
    auto* row = addItem<DialogItemNumber>(label, value, minimum, maximum);
    if (!create(0))
        return false;
    value = row->value;
    return true;
}

void InputNumberDialog::setAnswerer(Answerer answerer)
{
    setDialogAnswerer<InputNumberDialog>("InputNumberDialog", std::move(answerer));
}

// ---- one integer ----

InputIntegerDialog::InputIntegerDialog() : DialogTemplate(L"", "InputIntegerDialog") {}

bool InputIntegerDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::InputIntegerDialog::show", L"%s", translateDialog(title).c_str());
    if (answered("InputIntegerDialog")) {
        if (!askPerson(*this, "InputIntegerDialog", translateDialog(title)))
            return false;
        value = std::clamp(value, minimum, maximum);
        return true;
    }
    caption = title;
    items.clear();
    auto* row = addItem<DialogItemInteger>(label, value, minimum, maximum);
    if (!create(0, static_cast<DialogHandle>(owner)))
        return false;
    value = row->value;
    return true;
}

void InputIntegerDialog::setAnswerer(Answerer answerer)
{
    setDialogAnswerer<InputIntegerDialog>("InputIntegerDialog", std::move(answerer));
}

// ---- AVI formats ----

const wchar_t* const AviFileSaveDialog::VideoTypes[3] = {L"RGB24bit", L"RGBA32bit", L"YUY2"};
const wchar_t* const AviFileSaveDialog::AudioTypes[2] = {L"PCM16bit", L"PCM(float)32bit"};

AviFileSaveDialog::AviFileSaveDialog() : DialogTemplate(L"", "AviFileSaveDialog") {}

bool AviFileSaveDialog::show()
{
    stopPlayback();
    System::Log::info("Dialog::AviFileSaveDialog::show", L"Video: %s / Audio: %s", videoType.c_str(),
                      audioType.c_str());
    if (answered("AviFileSaveDialog"))
        return askPerson(*this, "AviFileSaveDialog", std::wstring());
    items.clear();
    auto* video = addItem<DialogItemListBox>(L"Video", 0);
    for (const wchar_t* type : VideoTypes)
        video->addString(type);
    video->selectString(videoType);
    auto* audio = addItem<DialogItemListBox>(L"Audio", 0);
    for (const wchar_t* type : AudioTypes)
        audio->addString(type);
    audio->selectString(audioType);
    if (!create(0, static_cast<DialogHandle>(owner)))
        return false;
    auto chosen = [](const DialogItemListBox* row) {
        return row->index >= 0 && size_t(row->index) < row->choices.size() ? row->choices[size_t(row->index)]
                                                                             : std::wstring();
    };
    videoType = chosen(video);
    audioType = chosen(audio);
    return true;
}

void AviFileSaveDialog::setAnswerer(Answerer answerer)
{
    setDialogAnswerer<AviFileSaveDialog>("AviFileSaveDialog", std::move(answerer));
}

} // namespace Dialog
