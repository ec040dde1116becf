#pragma once
// Open and save file dialogs (the toolkit's own, not the desktop's), with an
// optional strip under the controls: a line of text (id 1003) and a button
// (id 1002) that the caller serves. The dialog runs like the dialogs of
// dialog_window.h: named "OpenFileDialog" or "SaveFileDialog", worked by a
// test's driver, answered on the no-person seam (kind FileBox, the request
// as subject) when nobody is there. Main thread only.
#include "platform/ui/dialog_window.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Platform::Ui {

struct FileDialogStrip {
    static constexpr int TextId = 1003;
    static constexpr int ButtonId = 1002;
    std::wstring text;
    std::wstring buttonText;
    // The strip exists: its handle owns the dialogs the button opens.
    std::function<void(DialogHandle strip)> opened;
    // The button (or another command of the strip): the text to show after it.
    std::function<std::wstring(int id)> command;
    std::function<void()> resized;
    std::function<void()> closed;
};

struct FileDialogRequest {
    bool save = false;
    std::wstring title; // empty: the toolkit's own
    std::wstring path;  // the start: its folder and name; the choice on success
    // Description and ";"-separated patterns.
    std::vector<std::pair<std::wstring, std::wstring>> filters;
    int filterIndex = 0; // one-based; 0 none
    std::wstring defaultExtension;
    FileDialogStrip* strip = nullptr;
};

// True with request.path the chosen file.
bool runFileDialog(FileDialogRequest& request);

} // namespace Platform::Ui
