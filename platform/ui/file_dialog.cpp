#include "platform/ui/file_dialog.h"

#include "platform/ui/application.h"
#include "platform/ui/dialog_qt.h"
#include "platform/ui/person.h"
#include "platform/ui/surface_qt.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>

namespace Platform::Ui {

namespace {

// Longest file name the file systems here hold, in bytes.
constexpr int NameLimit = 255;

QString filterText(const std::pair<std::wstring, std::wstring>& filter)
{
    QString patterns = QString::fromStdWString(filter.second);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    return QString::fromStdWString(filter.first) + QStringLiteral(" (") + patterns.simplified() + QLatin1Char(')');
}

// The strip's panel: tells its owner of size changes.
class StripPanel : public QWidget {
public:
    explicit StripPanel(FileDialogStrip& strip) : strip_(strip) {}

protected:
    void resizeEvent(QResizeEvent* e) override
    {
        QWidget::resizeEvent(e);
        if (strip_.resized)
            strip_.resized();
    }

private:
    FileDialogStrip& strip_;
};

void addControl(DialogWindow& window, ControlType type, int id, QWidget* widget)
{
    auto control = std::make_unique<DialogControl>();
    control->dialog = &window;
    control->type = type;
    control->id = id;
    control->widget = widget;
    widget->setObjectName(QStringLiteral("control%1").arg(id));
    window.controls.push_back(std::move(control));
}

} // namespace

bool runFileDialog(FileDialogRequest& request)
{
    ModalPoint point;
    point.kind = ModalKind::FileBox;
    point.name = request.save ? "SaveFileDialog" : "OpenFileDialog";
    point.caption = request.title;
    point.defaultAnswer = 0;
    point.setSubject(&request);
    if (!hasApplication() || (!hasDialogDriver() && !personAnswers(point)))
        return answerWithoutPerson(point) != 0;

    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        if (Surface* main = Surface::main())
            parent = surfaceFrame(*main);
    DialogWindow window;
    window.name = point.name;
    DialogProcedure procedure;
    window.procedure = &procedure;
    QFileDialog box(parent);
    box.setObjectName(QString::fromStdString(point.name));
    box.setOption(QFileDialog::DontUseNativeDialog, true);
    box.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    box.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.title.empty())
        box.setWindowTitle(QString::fromStdWString(request.title));
    QStringList names;
    for (const auto& filter : request.filters)
        names << filterText(filter);
    box.setNameFilters(names);
    if (request.filterIndex > 0 && request.filterIndex <= names.size())
        box.selectNameFilter(names[request.filterIndex - 1]);
    if (!request.defaultExtension.empty())
        box.setDefaultSuffix(QString::fromStdWString(request.defaultExtension));
    const QFileInfo start(QString::fromStdWString(request.path));
    if (!request.path.empty()) {
        if (start.isDir()) {
            box.setDirectory(start.absoluteFilePath());
        } else {
            if (start.dir().exists())
                box.setDirectory(start.absolutePath());
            // A name the file system cannot hold starts the dialog without one.
            if (start.fileName().toUtf8().size() <= NameLimit)
                box.selectFile(start.fileName());
        }
    }

    StripPanel* panel = nullptr;
    QLabel* stripText = nullptr;
    if (FileDialogStrip* strip = request.strip) {
        panel = new StripPanel(*strip);
        panel->setObjectName(QStringLiteral("FileDialogStrip"));
        auto* row = new QHBoxLayout(panel);
        row->setContentsMargins(0, 0, 0, 0);
        stripText = new QLabel(panel);
        stripText->setTextFormat(Qt::PlainText);
        stripText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        stripText->setText(QString::fromStdWString(strip->text));
        stripText->setMinimumWidth(1);
        auto* button = new QPushButton(QString::fromStdWString(strip->buttonText), panel);
        button->setAutoDefault(false);
        row->addWidget(stripText, 1);
        row->addWidget(button);
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
            grid->addWidget(panel, grid->rowCount(), 0, 1, grid->columnCount());
        else if (box.layout())
            box.layout()->addWidget(panel);
        addControl(window, ControlType::Static, FileDialogStrip::TextId, stripText);
        addControl(window, ControlType::Button, FileDialogStrip::ButtonId, button);
        procedure.message = [strip, stripText](DialogHandle, const DialogEvent& event) {
            if (event.kind != DialogEvent::Command || !strip->command)
                return false;
            const std::wstring text = strip->command(event.id);
            stripText->setText(QString::fromStdWString(text));
            return true;
        };
        QObject::connect(button, &QPushButton::clicked, button,
                         [&window] { window.command(FileDialogStrip::ButtonId); });
    }

    window.open = true;
    if (request.strip && request.strip->opened)
        window.guard([&] {
            request.strip->opened(&window);
            return true;
        });
    int result = 0;
    if (window.open) {
        window.box = &box;
        if (hasDialogDriver()) {
            QTimer::singleShot(0, &box, [&window, &box] {
                window.guard([&] {
                    runDialogDriver(&window);
                    return true;
                });
                if (window.open && box.isVisible())
                    box.reject();
            });
        }
        result = box.exec();
    }
    window.open = false;
    if (request.strip && request.strip->closed)
        request.strip->closed();
    if (window.error)
        std::rethrow_exception(window.error);
    if (result != QDialog::Accepted || box.selectedFiles().isEmpty())
        return false;
    request.path = box.selectedFiles().front().toStdWString();
    return true;
}

} // namespace Platform::Ui
