#pragma once
// The dialog that names a new alias: a name row that takes only names usable
// as a file name in the alias folder, and a label row offering the labels of
// the effect and alias menus. Until its window exists it logs its caption and
// answers Cancel, unless an answerer stands in for the person (tests).
#include <functional>
#include <string>
#include <vector>

namespace Dialog {

class AliasDialog {
public:
    using Answerer = std::function<bool(AliasDialog& dialog)>;

    // Fills the label choices and shows the dialog. OK is taken only with a
    // valid name (the dialog stays open otherwise); true for OK.
    bool show();
    static void setAnswerer(Answerer answerer);
    // "エイリアスを作成 - " and the subject, through the "Dialog" table.
    std::wstring caption() const;

    std::wstring subject;     // "オブジェクト", "全体" or an effect's display name
    bool subjectIsKey = true; // the subject is translated (not an effect's name)
    std::wstring name;
    std::wstring label;
    std::vector<std::wstring> labels; // the label row's choices
    std::wstring error;               // why OK was refused the last time, empty when it was not
};

} // namespace Dialog
