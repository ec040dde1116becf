#pragma once
// Toolkit side of the dialogs (dialog_window.cpp, dialog_list_view.cpp,
// file_dialog.cpp and the test-input kit). Nothing else includes it.
#include "platform/ui/dialog_list_view.h"
#include "platform/ui/dialog_window.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <exception>
#include <memory>

namespace Platform::Ui {

class DialogBox;

struct DialogControl {
    DialogWindow* dialog = nullptr;
    ControlType type = ControlType::Static;
    int id = 0;
    QPointer<QWidget> widget;
    std::function<bool(const DialogEvent&)> hook;
    ListViewHandler list; // list views
};

struct DialogWindow {
    std::string name;
    DialogProcedure* procedure = nullptr;
    QPointer<QDialog> box; // a DialogBox, or a file dialog
    std::vector<std::unique_ptr<DialogControl>> controls;
    std::exception_ptr error;
    int result = 0;
    bool open = false;

    // Runs a handler; what it throws ends the dialog and is kept for runDialog.
    template <class F>
    bool guard(F&& call)
    {
        try {
            return call();
        } catch (...) {
            if (!error)
                error = std::current_exception();
            endDialog(this, 0);
            return true;
        }
    }
    void command(int id, int code = 0);
    bool sendHook(DialogControl& control, const DialogEvent& event);
};

class DialogBox : public QDialog {
public:
    DialogBox(DialogWindow& window, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    DialogWindow& window_;
};

// The control's own widget that takes the keys (a combo box's line edit).
QWidget* controlInputWidget(DialogControl& control);
// The dialog's running window, for the test-input kit.
QDialog* dialogBox(DialogHandle dialog);
// Runs the installed driver on the dialog (nothing without one).
void runDialogDriver(DialogHandle dialog);
// The widget of a list view control (dialog_list_view.cpp).
QWidget* createListViewWidget(DialogControl& control, uint32_t style, QWidget* parent);
// Joins the widget to a control's events (keys, focus, context menu).
void watchControlEvents(DialogControl& control, QWidget* widget);

} // namespace Platform::Ui
