#pragma once
// The timeline's option items and its two display commands (also reached
// from the Display menu), and the BPM grid dialog.
#include <functional>
#include <string>

namespace Window { class BaseMenu; }

namespace Component {

class EditComponent;

// Appends the option items every timeline menu ends with (before the panel's window items).
void insertTimelineOptionMenu(EditComponent& timeline, Window::BaseMenu& menu);

} // namespace Component

namespace Edit::EditCommand {

// Inverts the timeline's "TempoGrid" and repaints it.
void setTempoGrid();
// Inverts the timeline's "DisplayWaveform" and repaints it.
void setWaveform();

} // namespace Edit::EditCommand

namespace Dialog {

// "グリッド(BPM)の設定": the scene's tempo (1 to 1000), beats per bar (0 to
// 100) and grid offset in seconds (-3600 to 3600). A value out of its range
// (or not a number) keeps the dialog open: show() answers false for it.
class GridTempDialog {
public:
    bool show();
    static void setAnswerer(std::function<bool(GridTempDialog&)> answerer);

    std::wstring title = L"グリッド(BPM)の設定";
    double tempo = 120.0;
    int beats = 4;
    double offset = 0.0;
};

} // namespace Dialog
