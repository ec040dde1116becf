#include "platform/ui/test_dialog.h"

#include "platform/ui/dialog_qt.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTreeWidget>

#include <cstring>

namespace Platform::Ui::TestInput {
Qt::Key toolkitKey(int virtualKey, uint32_t modifiers);
Qt::KeyboardModifiers toolkitModifiers(uint32_t modifiers);
QString toolkitKeyText(int virtualKey, uint32_t modifiers);
} // namespace Platform::Ui::TestInput

namespace Platform::Ui::TestDialog {

namespace {
void sendKeyTo(QWidget* widget, int virtualKey, uint32_t modifiers)
{
    if (!widget)
        return;
    const Qt::Key qkey = TestInput::toolkitKey(virtualKey, modifiers);
    Qt::KeyboardModifiers m = TestInput::toolkitModifiers(modifiers);
    // Modifier keys carry their own modifier while pressed, as the desktop sends them.
    if (qkey == Qt::Key_Control)
        m |= Qt::ControlModifier;
    else if (qkey == Qt::Key_Shift)
        m |= Qt::ShiftModifier;
    const QString text = TestInput::toolkitKeyText(virtualKey, modifiers);
    QKeyEvent press(QEvent::KeyPress, qkey, m, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, qkey, m, text);
    if (widget)
        QApplication::sendEvent(widget, &release);
    QCoreApplication::processEvents();
}

void focus(ControlHandle control)
{
    if (!control)
        return;
    QWidget* input = controlInputWidget(*control);
    if (QDialog* box = dialogBox(control->dialog))
        box->activateWindow();
    input->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
}
} // namespace

void type(ControlHandle control, const std::wstring& text)
{
    if (!control)
        return;
    focus(control);
    QTest::keyClicks(controlInputWidget(*control), QString::fromStdWString(text));
    QCoreApplication::processEvents();
}

void replaceText(ControlHandle control, const std::wstring& text)
{
    if (!control)
        return;
    focus(control);
    if (auto* edit = qobject_cast<QLineEdit*>(controlInputWidget(*control)))
        edit->selectAll();
    if (text.empty())
        QTest::keyClick(controlInputWidget(*control), Qt::Key_Delete);
    else
        QTest::keyClicks(controlInputWidget(*control), QString::fromStdWString(text));
    QCoreApplication::processEvents();
}

void key(ControlHandle control, int virtualKey, uint32_t modifiers)
{
    if (!control)
        return;
    focus(control);
    sendKeyTo(controlInputWidget(*control), virtualKey, modifiers);
}

void keyToDialog(DialogHandle dialog, int virtualKey, uint32_t modifiers)
{
    QDialog* box = dialogBox(dialog);
    if (!box)
        return;
    QWidget* target = box->focusWidget() ? box->focusWidget() : box;
    sendKeyTo(target, virtualKey, modifiers);
}

void click(ControlHandle control)
{
    if (control && control->widget)
        clickAt(control, control->widget->width() / 2, control->widget->height() / 2);
}

void clickAt(ControlHandle control, int x, int y, uint32_t modifiers)
{
    if (!control || !control->widget)
        return;
    QWidget* target = control->widget->childAt(x, y);
    QPoint point(x, y);
    if (target)
        point = target->mapFrom(control->widget, point);
    else
        target = control->widget;
    QTest::mouseClick(target, Qt::LeftButton, TestInput::toolkitModifiers(modifiers), point);
    QCoreApplication::processEvents();
}

void doubleClickAt(ControlHandle control, int x, int y)
{
    if (!control || !control->widget)
        return;
    QWidget* target = control->widget->childAt(x, y);
    QPoint point(x, y);
    if (target)
        point = target->mapFrom(control->widget, point);
    else
        target = control->widget;
    QTest::mouseDClick(target, Qt::LeftButton, Qt::NoModifier, point);
    QCoreApplication::processEvents();
}

void closeBox(DialogHandle dialog)
{
    if (QDialog* box = dialogBox(dialog))
        box->close();
    QCoreApplication::processEvents();
}

void tab(DialogHandle dialog)
{
    QDialog* box = dialogBox(dialog);
    if (!box)
        return;
    QWidget* target = box->focusWidget() ? box->focusWidget() : box;
    QTest::keyClick(target, Qt::Key_Tab);
    QCoreApplication::processEvents();
}

ControlHandle focused(DialogHandle dialog)
{
    for (ControlHandle control : dialogControls(dialog))
        if (controlHasFocus(control))
            return control;
    return nullptr;
}

std::vector<uint8_t> grab(DialogHandle dialog, int& width, int& height)
{
    width = height = 0;
    QDialog* box = dialogBox(dialog);
    if (!box)
        return {};
    const QImage image = box->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    width = image.width();
    height = image.height();
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels.data() + size_t(y) * width * 4, image.constScanLine(y), size_t(width) * 4);
    return pixels;
}

bool save(DialogHandle dialog, const std::string& path)
{
    QDialog* box = dialogBox(dialog);
    return box && box->grab().save(QString::fromStdString(path), "PNG");
}

FileBoxState fileBoxState(DialogHandle dialog)
{
    FileBoxState state;
    auto* box = qobject_cast<QFileDialog*>(dialogBox(dialog));
    if (!box)
        return state;
    state.title = box->windowTitle().toStdWString();
    state.filterIndex = int(box->nameFilters().indexOf(box->selectedNameFilter())) + 1;
    state.defaultExtension = box->defaultSuffix().toStdWString();
    state.folder = box->directory().absolutePath().toStdWString();
    if (auto* edit = box->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        state.name = edit->text().toStdWString();
    state.save = box->acceptMode() == QFileDialog::AcceptSave;
    return state;
}

void acceptFile(DialogHandle dialog, const std::wstring& name, bool replace, std::wstring* question)
{
    auto* box = qobject_cast<QFileDialog*>(dialogBox(dialog));
    if (!box)
        return;
    if (question)
        question->clear();
    if (auto* edit = box->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(QString::fromStdWString(name));
    // The question box runs a loop of its own: answer it from a timer.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* asked = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!asked)
            return;
        if (question)
            *question = asked->text().toStdWString();
        QAbstractButton* button = asked->button(replace ? QMessageBox::Yes : QMessageBox::No);
        if (button)
            button->click();
        else
            asked->reject();
    });
    answer.start(20);
    QMetaObject::invokeMethod(box, "accept", Qt::DirectConnection);
    answer.stop();
    QCoreApplication::processEvents();
}

namespace {
QTreeWidget* treeOf(ControlHandle list)
{
    return list ? qobject_cast<QTreeWidget*>(list->widget.data()) : nullptr;
}

Qt::MouseButton buttonOf(int button)
{
    return button == TestInput::Right ? Qt::RightButton : button == TestInput::Middle ? Qt::MiddleButton : Qt::LeftButton;
}

// Buttons held on the list now, as a person's pointer carries them.
Qt::MouseButtons listButtons;

void sendListMouse(ControlHandle list, QEvent::Type type, Qt::MouseButton button, int x, int y)
{
    QTreeWidget* tree = treeOf(list);
    if (!tree)
        return;
    QWidget* area = tree->viewport();
    const QPointF point(x, y);
    QMouseEvent event(type, point, area->mapToGlobal(point), button, listButtons, Qt::NoModifier);
    QApplication::sendEvent(area, &event);
    QCoreApplication::processEvents();
}
} // namespace

bool listCellPoint(ControlHandle list, int line, int column, int& x, int& y)
{
    QTreeWidget* tree = treeOf(list);
    if (!tree || line < 0 || line >= tree->topLevelItemCount())
        return false;
    const QRect r = tree->visualRect(tree->model()->index(line, column));
    if (!r.isValid())
        return false;
    x = r.center().x();
    y = r.center().y();
    return true;
}

bool listCheckPoint(ControlHandle list, int line, int& x, int& y)
{
    QTreeWidget* tree = treeOf(list);
    if (!tree || line < 0 || line >= tree->topLevelItemCount())
        return false;
    const QRect r = tree->visualRect(tree->model()->index(line, 0));
    for (int px = r.left(); px <= r.right(); ++px)
        if (hitTestList(list, px, r.center().y()).onCheck) {
            // The middle of the box: run to its far side.
            int end = px;
            while (end + 1 <= r.right() && hitTestList(list, end + 1, r.center().y()).onCheck)
                ++end;
            x = (px + end) / 2;
            y = r.center().y();
            return true;
        }
    return false;
}

void listPress(ControlHandle list, int x, int y, int button)
{
    listButtons |= buttonOf(button);
    sendListMouse(list, QEvent::MouseButtonPress, buttonOf(button), x, y);
}

void listMove(ControlHandle list, int x, int y)
{
    sendListMouse(list, QEvent::MouseMove, Qt::NoButton, x, y);
}

void listRelease(ControlHandle list, int x, int y, int button)
{
    listButtons &= ~buttonOf(button);
    sendListMouse(list, QEvent::MouseButtonRelease, buttonOf(button), x, y);
}

void listClick(ControlHandle list, int x, int y, int button)
{
    listMove(list, x, y);
    listPress(list, x, y, button);
    listRelease(list, x, y, button);
}

void clickListHeader(ControlHandle list, int column)
{
    QTreeWidget* tree = treeOf(list);
    if (!tree)
        return;
    QHeaderView* header = tree->header();
    const QPoint point(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, point);
    QCoreApplication::processEvents();
}

void listPointToClient(ControlHandle list, int& x, int& y)
{
    QTreeWidget* tree = treeOf(list);
    QDialog* box = tree ? dialogBox(list->dialog) : nullptr;
    if (!box)
        return;
    const QPoint point = tree->viewport()->mapTo(box, QPoint(x, y));
    x = point.x();
    y = point.y();
}

std::vector<std::wstring> listTexts(ControlHandle list, int column)
{
    std::vector<std::wstring> texts;
    if (QTreeWidget* tree = treeOf(list))
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            texts.push_back(tree->topLevelItem(i)->text(column).toStdWString());
    return texts;
}

std::vector<bool> listChecks(ControlHandle list)
{
    std::vector<bool> checks;
    if (QTreeWidget* tree = treeOf(list))
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            checks.push_back(tree->topLevelItem(i)->checkState(0) == Qt::Checked);
    return checks;
}

bool controlVisible(ControlHandle control)
{
    return control && control->widget && control->widget->isVisible();
}

bool tipShown(std::wstring* text)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("ToolTips") && widget->isVisible()) {
            if (text)
                if (auto* label = qobject_cast<QLabel*>(widget))
                    *text = label->text().toStdWString();
            return true;
        }
    }
    return false;
}

} // namespace Platform::Ui::TestDialog
