#include "platform/ui/dialog_qt.h"

#include "platform/ui/application.h"
#include "platform/ui/message.h"
#include "platform/ui/person.h"
#include "platform/ui/surface_qt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <mutex>

namespace Platform::Ui {

namespace {

std::mutex driverMutex;
DialogDriver& driverSlot()
{
    static DialogDriver driver;
    return driver;
}

DialogDriver currentDriver()
{
    std::lock_guard lock(driverMutex);
    return driverSlot();
}

uint32_t modifiersOf(Qt::KeyboardModifiers m)
{
    return (m & Qt::ShiftModifier ? 1u : 0u) | (m & Qt::ControlModifier ? 2u : 0u) | (m & Qt::AltModifier ? 4u : 0u);
}

// Passes a control's input events to its hook first.
class ControlEvents : public QObject {
public:
    explicit ControlEvents(DialogControl& control, QObject* parent) : QObject(parent), control_(control) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::FocusOut &&
            (control_.type == ControlType::Edit || control_.type == ControlType::ComboBox)) {
            // Not when the focus only went to the control's own drop-down or another window.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
            QWidget* next = QApplication::focusWidget();
            const bool inside = next && control_.widget && (next == control_.widget || control_.widget->isAncestorOf(next));
            if (!inside && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
                control_.dialog->command(control_.id, DialogEvent::FocusLost);
        }
        if (!control_.hook)
            return false;
        DialogEvent event;
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(e);
            event.kind = e->type() == QEvent::KeyPress ? DialogEvent::KeyDown : DialogEvent::KeyUp;
            event.key = virtualKeyOf(key->key(), key->modifiers());
            event.modifiers = modifiersOf(key->modifiers());
            event.text = key->text().toStdWString();
            break;
        }
        case QEvent::ShortcutOverride:
            // A hooked control sees every key before the dialog's shortcuts.
            e->accept();
            return false;
        case QEvent::FocusIn: event.kind = DialogEvent::FocusIn; break;
        case QEvent::FocusOut: event.kind = DialogEvent::FocusOut; break;
        case QEvent::ContextMenu: event.kind = DialogEvent::ContextMenu; break;
        default: return false;
        }
        event.id = control_.id;
        const bool consumed = control_.dialog->sendHook(control_, event);
        // Focus changes always get their default handling too.
        return consumed && event.kind != DialogEvent::FocusIn && event.kind != DialogEvent::FocusOut;
    }

private:
    DialogControl& control_;
};

QFont controlFont(const QWidget* widget, bool bold)
{
    QFont font = widget ? widget->font() : QApplication::font();
    font.setBold(bold);
    return font;
}

QStyle::StandardPixmap pixmapOf(DialogIcon icon)
{
    switch (icon) {
    case DialogIcon::Warning: return QStyle::SP_MessageBoxWarning;
    case DialogIcon::Error: return QStyle::SP_MessageBoxCritical;
    case DialogIcon::Question: return QStyle::SP_MessageBoxQuestion;
    default: return QStyle::SP_MessageBoxInformation;
    }
}

} // namespace

void DialogWindow::command(int id, int code)
{
    if (!open || !procedure || !procedure->message)
        return;
    DialogEvent event;
    event.kind = DialogEvent::Command;
    event.id = id;
    event.code = code;
    guard([&] { return procedure->message(this, event); });
}

bool DialogWindow::sendHook(DialogControl& control, const DialogEvent& event)
{
    if (!open)
        return false;
    return guard([&] { return control.hook(event); });
}

DialogBox::DialogBox(DialogWindow& window, QWidget* parent) : QDialog(parent), window_(window)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setSizeGripEnabled(false);
}

void DialogBox::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        // Enter on a button presses it; elsewhere it is the dialog's default command.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
            return;
        }
        window_.command(DialogOk);
        return;
    }
    case Qt::Key_Escape: window_.command(DialogCancel); return;
    default: QDialog::keyPressEvent(e);
    }
}

void DialogBox::closeEvent(QCloseEvent* e)
{
    e->ignore();
    window_.command(DialogCancel);
}

void DialogBox::reject()
{
    window_.command(DialogCancel);
}

QWidget* controlInputWidget(DialogControl& control)
{
    if (auto* combo = qobject_cast<QComboBox*>(control.widget.data()); combo && combo->lineEdit())
        return combo->lineEdit();
    return control.widget.data();
}

QDialog* dialogBox(DialogHandle dialog)
{
    return dialog ? dialog->box.data() : nullptr;
}

void runDialogDriver(DialogHandle dialog)
{
    if (DialogDriver driver = currentDriver())
        driver(dialog);
}

void watchControlEvents(DialogControl& control, QWidget* widget)
{
    widget->installEventFilter(new ControlEvents(control, widget));
}

bool dialogShown(const std::string& name)
{
    if (hasDialogDriver())
        return true;
    ModalPoint point;
    point.kind = ModalKind::Dialog;
    point.name = name;
    return personAnswers(point);
}

int runDialog(const std::string& name, const std::wstring& caption, DialogProcedure& procedure)
{
    if (!hasApplication() || !dialogShown(name))
        return 0;
    DialogWindow window;
    window.name = name;
    window.procedure = &procedure;
    // Over the dialog open now (a file dialog's strip opens dialogs), else over the main window.
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        if (Surface* main = Surface::main())
            parent = surfaceFrame(*main);
    DialogBox box(window, parent);
    window.box = &box;
    box.setObjectName(QString::fromStdString(name));
    box.setWindowTitle(QString::fromStdWString(caption));
    window.open = true;
    if (procedure.initialize)
        window.guard([&] {
            procedure.initialize(&window);
            return true;
        });
    if (window.open) {
        if (DialogDriver driver = currentDriver()) {
            QTimer::singleShot(0, &box, [&window, driver] {
                window.guard([&] {
                    driver(&window);
                    return true;
                });
                // A dialog the driver left open closes as by the close box.
                if (window.open)
                    endDialog(&window, 0);
            });
        }
        box.exec();
    }
    window.open = false;
    // Controls go with the window; their handles must not outlive it.
    for (auto& control : window.controls)
        control->hook = nullptr;
    if (window.error)
        std::rethrow_exception(window.error);
    return window.result;
}

void endDialog(DialogHandle dialog, int result)
{
    if (!dialog || !dialog->open)
        return;
    dialog->open = false;
    dialog->result = result;
    if (dialog->box)
        dialog->box->done(result);
}

std::string dialogName(DialogHandle dialog)
{
    return dialog ? dialog->name : std::string();
}

bool dialogOpen(DialogHandle dialog)
{
    return dialog && dialog->open;
}

void dialogWindowSize(DialogHandle dialog, int clientWidth, int clientHeight, int& width, int& height)
{
    int extraWidth = 0, extraHeight = 0;
    if (dialog && dialog->box && dialog->box->isVisible()) {
        const QRect frame = dialog->box->frameGeometry();
        const QRect client = dialog->box->geometry();
        extraWidth = frame.width() - client.width();
        extraHeight = frame.height() - client.height();
    }
    width = clientWidth + extraWidth;
    height = clientHeight + extraHeight;
}

void placeDialog(DialogHandle dialog, int x, int y, int clientWidth, int clientHeight)
{
    if (!dialog || !dialog->box)
        return;
    dialog->box->setFixedSize(std::max(clientWidth, 1), std::max(clientHeight, 1));
    dialog->box->move(x, y);
}

void dialogClientSize(DialogHandle dialog, int& width, int& height)
{
    width = height = 0;
    if (dialog && dialog->box) {
        width = dialog->box->width();
        height = dialog->box->height();
    }
}

void dialogWindowRect(DialogHandle dialog, int& left, int& top, int& right, int& bottom)
{
    left = top = right = bottom = 0;
    if (!dialog || !dialog->box)
        return;
    const QRect r = dialog->box->frameGeometry();
    left = r.left();
    top = r.top();
    right = r.left() + r.width();
    bottom = r.top() + r.height();
}

void ownerWindowRect(int& left, int& top, int& right, int& bottom)
{
    if (Surface* main = Surface::main()) {
        main->outerRect(left, top, right, bottom);
        return;
    }
    int width = 0, height = 0;
    virtualScreen(left, top, width, height);
    right = left + width;
    bottom = top + height;
}

void measureDialogText(DialogHandle dialog, const std::wstring& text, bool bold, int& width, int& height)
{
    const QFontMetrics metrics(controlFont(dialog ? dialog->box.data() : nullptr, bold));
    const QSize size = metrics.size(0, QString::fromStdWString(text));
    width = size.width();
    height = size.height();
}

ControlHandle createControl(DialogHandle dialog, ControlType type, uint32_t style, const std::wstring& text, int id,
                            int x, int y, int width, int height)
{
    if (!dialog || !dialog->box)
        return nullptr;
    auto control = std::make_unique<DialogControl>();
    control->dialog = dialog;
    control->type = type;
    control->id = id;
    QWidget* parent = dialog->box;
    const QString qtext = QString::fromStdWString(text);
    QWidget* widget = nullptr;
    switch (type) {
    case ControlType::Static:
    case ControlType::Icon: {
        auto* label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment((style & ControlStyle::RightAlign ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        if (style & ControlStyle::Border) {
            label->setFrameStyle(QFrame::Box | QFrame::Plain);
            label->setLineWidth(1);
            label->setIndent(3);
            label->setMargin(0);
        }
        if (style & ControlStyle::EllipsisEnd)
            label->setText(QFontMetrics(label->font()).elidedText(qtext, Qt::ElideRight, width));
        else
            label->setText(qtext);
        widget = label;
        break;
    }
    case ControlType::Edit: {
        auto* edit = new QLineEdit(qtext, parent);
        if (style & ControlStyle::Digits)
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        QObject::connect(edit, &QLineEdit::textChanged, edit,
                         [dialog, id] { dialog->command(id, DialogEvent::TextUpdate); });
        widget = edit;
        break;
    }
    case ControlType::ComboBox:
    case ControlType::DropList: {
        auto* combo = new QComboBox(parent);
        if (type == ControlType::ComboBox) {
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->lineEdit()->setText(qtext);
            QObject::connect(combo, &QComboBox::editTextChanged, combo,
                             [dialog, id] { dialog->command(id, DialogEvent::TextUpdate); });
        }
        QObject::connect(combo, &QComboBox::currentIndexChanged, combo,
                         [dialog, id] { dialog->command(id, DialogEvent::SelectionChange); });
        widget = combo;
        break;
    }
    case ControlType::Button: {
        auto* button = new QPushButton(qtext, parent);
        button->setAutoDefault(false);
        button->setDefault(false);
        QObject::connect(button, &QPushButton::clicked, button, [dialog, id] { dialog->command(id); });
        widget = button;
        break;
    }
    case ControlType::ListView: widget = createListViewWidget(*control, style, parent); break;
    }
    if (style & ControlStyle::Bold)
        widget->setFont(controlFont(widget, true));
    if (style & ControlStyle::NoFocus)
        widget->setFocusPolicy(Qt::NoFocus);
    widget->setObjectName(QStringLiteral("control%1").arg(id));
    widget->setGeometry(x, y, std::max(width, 0), std::max(height, 0));
    widget->show();
    control->widget = widget;
    watchControlEvents(*control, widget);
    if (QWidget* input = controlInputWidget(*control); input != widget)
        watchControlEvents(*control, input);
    dialog->controls.push_back(std::move(control));
    return dialog->controls.back().get();
}

ControlHandle findControl(DialogHandle dialog, int id)
{
    if (!dialog)
        return nullptr;
    for (auto& control : dialog->controls)
        if (control->id == id)
            return control.get();
    return nullptr;
}

std::vector<ControlHandle> dialogControls(DialogHandle dialog)
{
    std::vector<ControlHandle> list;
    if (dialog)
        for (auto& control : dialog->controls)
            list.push_back(control.get());
    return list;
}

DialogHandle controlDialog(ControlHandle control)
{
    return control ? control->dialog : nullptr;
}

ControlType controlType(ControlHandle control)
{
    return control ? control->type : ControlType::Static;
}

int controlId(ControlHandle control)
{
    return control ? control->id : 0;
}

void setControlText(ControlHandle control, const std::wstring& text)
{
    if (!control || !control->widget)
        return;
    const QString qtext = QString::fromStdWString(text);
    QWidget* widget = control->widget;
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(qtext);
    else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(qtext);
    else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (combo->isEditable())
            combo->setEditText(qtext);
    } else if (auto* button = qobject_cast<QPushButton*>(widget))
        button->setText(qtext);
}

std::wstring controlText(ControlHandle control)
{
    if (!control || !control->widget)
        return {};
    QWidget* widget = control->widget;
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text().toStdWString();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text().toStdWString();
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return combo->currentText().toStdWString();
    if (auto* button = qobject_cast<QPushButton*>(widget))
        return button->text().toStdWString();
    return {};
}

void setControlPlaceholder(ControlHandle control, const std::wstring& text)
{
    if (!control)
        return;
    if (auto* edit = qobject_cast<QLineEdit*>(controlInputWidget(*control)))
        edit->setPlaceholderText(QString::fromStdWString(text));
}

void setControlIcon(ControlHandle control, DialogIcon icon, int size)
{
    if (!control)
        return;
    if (auto* label = qobject_cast<QLabel*>(control->widget.data())) {
        const QIcon picture = label->style()->standardIcon(pixmapOf(icon));
        label->setPixmap(picture.pixmap(size, size));
        label->setAlignment(Qt::AlignCenter);
    }
}

void setControlInputMethod(ControlHandle control, bool enabled)
{
    if (control)
        if (QWidget* input = controlInputWidget(*control))
            input->setAttribute(Qt::WA_InputMethodEnabled, enabled);
}

void setControlHook(ControlHandle control, std::function<bool(const DialogEvent&)> hook)
{
    if (control)
        control->hook = std::move(hook);
}

void setControlFocus(ControlHandle control)
{
    if (control)
        if (QWidget* input = controlInputWidget(*control))
            input->setFocus(Qt::OtherFocusReason);
}

bool controlHasFocus(ControlHandle control)
{
    if (!control || !control->widget)
        return false;
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == control->widget || control->widget->isAncestorOf(focus));
}

void controlScreenRect(ControlHandle control, int& left, int& top, int& right, int& bottom)
{
    left = top = right = bottom = 0;
    if (!control || !control->widget)
        return;
    const QPoint origin = control->widget->mapToGlobal(QPoint(0, 0));
    left = origin.x();
    top = origin.y();
    right = left + control->widget->width();
    bottom = top + control->widget->height();
}

void controlClientRect(ControlHandle control, int& left, int& top, int& right, int& bottom)
{
    left = top = right = bottom = 0;
    if (!control || !control->widget)
        return;
    const QRect r = control->widget->geometry();
    left = r.left();
    top = r.top();
    right = r.left() + r.width();
    bottom = r.top() + r.height();
}

void addChoice(ControlHandle control, const std::wstring& text)
{
    if (control)
        if (auto* combo = qobject_cast<QComboBox*>(control->widget.data())) {
            const QString keep = combo->isEditable() ? combo->currentText() : QString();
            combo->addItem(QString::fromStdWString(text));
            if (combo->isEditable())
                combo->setEditText(keep);
        }
}

void clearChoices(ControlHandle control)
{
    if (control)
        if (auto* combo = qobject_cast<QComboBox*>(control->widget.data())) {
            const QString keep = combo->isEditable() ? combo->currentText() : QString();
            combo->clear();
            if (combo->isEditable())
                combo->setEditText(keep);
        }
}

void selectChoice(ControlHandle control, int index)
{
    if (control)
        if (auto* combo = qobject_cast<QComboBox*>(control->widget.data()))
            combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int selectedChoice(ControlHandle control)
{
    if (control)
        if (auto* combo = qobject_cast<QComboBox*>(control->widget.data()))
            return combo->currentIndex();
    return -1;
}

int choiceCount(ControlHandle control)
{
    if (control)
        if (auto* combo = qobject_cast<QComboBox*>(control->widget.data()))
            return combo->count();
    return 0;
}

void setDialogDriver(DialogDriver driver)
{
    std::lock_guard lock(driverMutex);
    driverSlot() = std::move(driver);
}

bool hasDialogDriver()
{
    std::lock_guard lock(driverMutex);
    return bool(driverSlot());
}

} // namespace Platform::Ui
