#pragma once
// The dialog that names a new alias: a name row that takes only names usable
// as a file name in the alias folder, and a label row offering the labels of
// the effect and alias menus. An answerer may stand in for the person (tests).
#include "ui/menus/dialogs/dialog_template.h"

#include <functional>
#include <string>
#include <vector>

namespace Dialog {

// Rows: "エイリアス名" (a name) and "ラベル" (a name, offered the menus' labels).
class AliasDialog : public DialogTemplate {
public:
    using Answerer = std::function<bool(AliasDialog& dialog)>;
    AliasDialog();

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
