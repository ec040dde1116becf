#include "ui/menus/dialogs/file_dialog.h"

#include "core/file_name.h"
#include "core/log.h"
#include "io/output/output_plugin.h"
#include "platform/ui/file_dialog.h"
#include "platform/ui/person.h"
#include "ui/menus/dialog.h"
#include "ui/menus/dialogs/dialog_template.h"

#include <algorithm>

namespace Dialog {

namespace Ui = Platform::Ui;

namespace {

// What the save answerer sees.
struct SaveFileBox {
    std::wstring path;
    const std::wstring* filter;
};

std::vector<std::pair<std::wstring, std::wstring>> filterPairs(const std::wstring& filter)
{
    std::vector<std::wstring> parts;
    size_t at = 0;
    while (at < filter.size() && filter[at] != L'\0') {
        const size_t end = filter.find(L'\0', at);
        parts.push_back(filter.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at));
        if (end == std::wstring::npos)
            break;
        at = end + 1;
    }
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    for (size_t i = 0; i + 1 < parts.size(); i += 2)
        pairs.emplace_back(parts[i], parts[i + 1]);
    return pairs;
}

bool runFileDialog(std::wstring& path, const std::wstring& filter, bool save, const std::wstring& title,
                   Plugin::OutputPlugin* writer)
{
    stopPlayback();
    Ui::FileDialogRequest request;
    request.save = save;
    request.title = title;
    request.path = path;
    request.filters = filterPairs(filter);
    request.filterIndex = System::FileName::getFilterIndex(filter, path.c_str());
    // The selected filter's first extension (the first filter's when none matched).
    request.defaultExtension = System::FileName::getFilterExtension(filter, std::max(request.filterIndex - 1, 0));
    Ui::FileDialogStrip strip;
    Plugin::SavePanel* panel = writer ? writer->panel : nullptr;
    if (writer && panel) {
        strip.text = panel->settingText;
        strip.buttonText = panel->buttonText;
        strip.opened = [panel](Ui::DialogHandle handle) { panel->window = handle; };
        strip.command = [writer, panel](int id) {
            writer->onCommandDialog(id);
            return panel->settingText;
        };
        strip.closed = [panel] { panel->window = nullptr; };
        request.strip = &strip;
    }
    if (!Ui::runFileDialog(request))
        return false;
    path = request.path;
    return true;
}

} // namespace

bool showOpenFileDialog(std::wstring& path, const std::wstring& filter)
{
    return runFileDialog(path, filter, false, std::wstring(), nullptr);
}

bool showSaveFileDialog(std::wstring& path, const std::wstring& filter, const wchar_t* title,
                        Plugin::OutputPlugin* writer)
{
    const std::wstring shownTitle = title ? translateDialog(title) : std::wstring();
    Ui::ModalPoint point;
    point.kind = Ui::ModalKind::FileBox;
    point.name = "SaveFileDialog";
    point.caption = shownTitle;
    if (!Ui::hasDialogDriver() && !Ui::personAnswers(point)) {
        // Nobody there: the caption goes to the log, an answerer may choose.
        stopPlayback();
        System::Log::info("Dialog::showSaveFileDialog", L"%s", title ? shownTitle.c_str() : filter.c_str());
        SaveFileBox box{path, &filter};
        point.setSubject(&box);
        if (!Ui::answerWithoutPerson(point) || box.path.empty())
            return false;
        path = box.path;
        return true;
    }
    return runFileDialog(path, filter, true, shownTitle, writer);
}

void setSaveFileAnswerer(SaveFileAnswerer answerer)
{
    if (!answerer) {
        Ui::setAnswerer(Ui::ModalKind::FileBox, nullptr, "SaveFileDialog");
        return;
    }
    Ui::setAnswerer(
        Ui::ModalKind::FileBox,
        [answerer = std::move(answerer)](Ui::ModalPoint& point) {
            SaveFileBox* box = point.subjectAs<SaveFileBox>();
            return box && answerer(box->path, *box->filter) ? 1 : 0;
        },
        "SaveFileDialog");
}

} // namespace Dialog
