#pragma once
// The dialogs the editing code opens: the scene settings, one line of text,
// and the save-file dialog. Until their windows exist each logs its title and
// answers Cancel, unless an answerer stands in for the person (tests).
#include "project/edit/edit_host.h"

#include <functional>
#include <string>

namespace Dialog {

// The scene rows: name (when asked for), width and height (32 to 16384), frame
// rate and scale, audio rate.
class SceneDialog {
public:
    using Answerer = std::function<bool(SceneDialog& dialog)>;

    // True for OK; the values then hold what was chosen, held to the rows' ranges.
    bool show();
    static void setAnswerer(Answerer answerer);

    std::wstring title;
    bool withName = true;
    Edit::SceneSettings values;
};

class InputStringDialog {
public:
    using Answerer = std::function<bool(InputStringDialog& dialog)>;

    // True for OK with the edited text.
    bool show();
    static void setAnswerer(Answerer answerer);

    std::wstring title;
    std::wstring text;
};

// Answers for the save dialog: true with a chosen path.
using SaveFileAnswerer = std::function<bool(std::wstring& path, const std::wstring& filter)>;

// The save-file dialog over the filter (title and patterns, each ended by a
// NUL, and one NUL more), starting at path; true with the chosen path in it.
bool showSaveFileDialog(std::wstring& path, const std::wstring& filter, const wchar_t* title = nullptr);
void setSaveFileAnswerer(SaveFileAnswerer answerer);

} // namespace Dialog
