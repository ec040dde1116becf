#include "platform/ui/application.h"

#include "platform/ui/main_thread.h"
#include "platform/ui/person.h"
#include "platform/ui/surface_qt.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QStyleHints>
#include <clocale>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace Platform::Ui {

namespace {
std::unique_ptr<QApplication> application;
bool displayUsed = false;
std::mutex boxMutex;
std::function<void(const MessageBox&)> boxLog;

bool isSet(const char* value)
{
    return value && *value;
}

bool displayReachable()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && std::string(platform).rfind("offscreen", 0) == 0)
        return false;
    if (platform && std::string(platform).rfind("minimal", 0) == 0)
        return false;
    return isSet(std::getenv("DISPLAY")) || isSet(std::getenv("WAYLAND_DISPLAY"));
}
} // namespace

bool initializeApplication()
{
    if (application || QCoreApplication::instance())
        return displayUsed;
    if (!displayReachable()) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else if (!isSet(std::getenv("QT_QPA_PLATFORM"))) {
        // The display the environment names may not answer (a display variable
        // left over from an ended session): the toolkit then goes on without a
        // display instead of ending the program.
        ::setenv("QT_QPA_PLATFORM",
                 isSet(std::getenv("WAYLAND_DISPLAY")) ? "wayland;xcb;offscreen" : "xcb;offscreen", 1);
    }
    static int argc = 1;
    static char name[] = "velmora2";
    static char* argv[] = {name, nullptr};
    application = std::make_unique<QApplication>(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    // Boxes wait for a person only when a real display was reached.
    const QString platform = QGuiApplication::platformName();
    displayUsed = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    openMainThread();
    return displayUsed;
}

bool hasApplication()
{
    return QCoreApplication::instance() != nullptr;
}

bool openWithDesktop(const std::wstring& target)
{
    return QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdWString(target)});
}

bool hasDisplay()
{
    return hasApplication() && displayUsed;
}

void shutdownApplication()
{
    closeMainThread();
    application.reset();
}

MachineFacts queryMachineFacts()
{
    MachineFacts facts;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return facts;
    QStyleHints* hints = QGuiApplication::styleHints();
    if (int rate = hints->keyboardAutoRepeatRate(); rate > 0)
        facts.keyRepeatInterval = 1000 / rate;
    if (int flash = hints->cursorFlashTime(); flash > 0)
        facts.caretBlinkTime = flash / 2; // a full on-off cycle in the toolkit
    int drag = hints->startDragDistance();
    facts.dragWidth = facts.dragHeight = drag > 0 ? drag * 2 : 6;
    if (int click = hints->mouseDoubleClickInterval(); click > 0)
        facts.doubleClickTime = click;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QSize size = screen->size();
        facts.screenWidth = size.width();
        facts.screenHeight = size.height();
        facts.dpi = static_cast<int>(screen->logicalDotsPerInch() + 0.5);
    }
    return facts;
}

BoxAnswer showMessageBox(const MessageBox& box)
{
    ModalPoint point;
    point.kind = ModalKind::MessageBox;
    point.name = "MessageBox";
    point.caption = box.caption;
    point.text = box.text;
    point.defaultAnswer = static_cast<int>(box.defaultAnswer);
    point.setSubject(&box);
    if (!personAnswers(point)) {
        std::function<void(const MessageBox&)> log;
        {
            std::lock_guard lock(boxMutex);
            log = boxLog;
        }
        if (log)
            log(box);
        return static_cast<BoxAnswer>(answerWithoutPerson(point));
    }
    QWidget* owner = nullptr;
    if (box.owned && Surface::main())
        owner = surfaceFrame(*Surface::main());
    QMessageBox dialog(owner);
    dialog.setObjectName(QStringLiteral("MessageBox"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setText(QString::fromStdWString(box.text));
    dialog.setWindowTitle(QString::fromStdWString(box.caption));
    switch (box.icon) {
    case BoxIcon::None: dialog.setIcon(QMessageBox::NoIcon); break;
    case BoxIcon::Information: dialog.setIcon(QMessageBox::Information); break;
    case BoxIcon::Warning: dialog.setIcon(QMessageBox::Warning); break;
    case BoxIcon::Error: dialog.setIcon(QMessageBox::Critical); break;
    case BoxIcon::Question: dialog.setIcon(QMessageBox::Question); break;
    }
    QMessageBox::StandardButtons buttons;
    switch (box.buttons) {
    case BoxButtons::Ok: buttons = QMessageBox::Ok; break;
    case BoxButtons::OkCancel: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case BoxButtons::YesNo: buttons = QMessageBox::Yes | QMessageBox::No; break;
    case BoxButtons::YesNoCancel: buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    }
    dialog.setStandardButtons(buttons);
    auto toButton = [](BoxAnswer a) {
        switch (a) {
        case BoxAnswer::Ok: return QMessageBox::Ok;
        case BoxAnswer::Cancel: return QMessageBox::Cancel;
        case BoxAnswer::Yes: return QMessageBox::Yes;
        case BoxAnswer::No: return QMessageBox::No;
        }
        return QMessageBox::Ok;
    };
    dialog.setDefaultButton(toButton(box.defaultAnswer));
    switch (dialog.exec()) {
    case QMessageBox::Ok: return BoxAnswer::Ok;
    case QMessageBox::Yes: return BoxAnswer::Yes;
    case QMessageBox::No: return BoxAnswer::No;
    default: return BoxAnswer::Cancel;
    }
}

void setMessageBoxAnswerer(std::function<BoxAnswer(const MessageBox&)> a)
{
    if (!a) {
        setAnswerer(ModalKind::MessageBox, nullptr);
        return;
    }
    setAnswerer(ModalKind::MessageBox, [a = std::move(a)](ModalPoint& point) {
        const MessageBox* box = point.subjectAs<const MessageBox>();
        return box ? static_cast<int>(a(*box)) : point.defaultAnswer;
    });
}

void setMessageBoxLog(std::function<void(const MessageBox&)> log)
{
    std::lock_guard lock(boxMutex);
    boxLog = std::move(log);
}

} // namespace Platform::Ui
