#pragma once
// The open and save file dialogs. The filter is the list of description and
// pattern pairs, each ended by a NUL, the whole by one more NUL. The filter
// that lists the start path's extension is preselected, and a name typed
// without an extension gets the selected filter's first one. Playback stops
// first. Cancel and every failure answer false with the path unchanged.
#include <functional>
#include <string>

namespace Plugin {
class OutputPlugin;
}

namespace Dialog {

// True with the chosen file in path.
bool showOpenFileDialog(std::wstring& path, const std::wstring& filter);
// The save dialog asks before replacing a file; with a writer it shows the
// writer's strip (its settings text and its settings button) under the controls.
bool showSaveFileDialog(std::wstring& path, const std::wstring& filter, const wchar_t* title = nullptr,
                        Plugin::OutputPlugin* writer = nullptr);

// Answers for the save dialog when nobody is there: true with a chosen path.
using SaveFileAnswerer = std::function<bool(std::wstring& path, const std::wstring& filter)>;
void setSaveFileAnswerer(SaveFileAnswerer answerer);

} // namespace Dialog
