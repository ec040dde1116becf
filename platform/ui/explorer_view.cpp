#include "platform/ui/explorer_view.h"

#include "platform/ui/surface_qt.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListView>
#include <QPalette>
#include <QPointer>
#include <QStackedWidget>
#include <QTreeView>

#include <algorithm>

namespace Platform::Ui {

namespace {
// The model's sections of our columns.
int sectionOf(int column)
{
    switch (column) {
    case ExplorerView::Name: return 0;
    case ExplorerView::Size: return 1;
    case ExplorerView::Type: return 2;
    case ExplorerView::DateModified: return 3;
    default: return -1;
    }
}

int columnOf(int section)
{
    for (int c = 0; c < ExplorerView::ColumnCount; ++c)
        if (sectionOf(c) == section)
            return c;
    return -1;
}
} // namespace

struct ExplorerView::Impl {
    ExplorerView* owner = nullptr;
    QPointer<QStackedWidget> stack;
    QFileSystemModel* model = nullptr;
    QTreeView* details = nullptr;
    QListView* icons = nullptr;
    int mode = 4;
    int iconSize = 48;
    QString path;

    bool alive() const { return !stack.isNull(); }

    void navigate(const QString& folder)
    {
        // Before the first folder there is no view whose settings could be captured.
        if (owner->onNavigationPending && !path.isEmpty())
            owner->onNavigationPending();
        path = QDir::cleanPath(folder);
        const QModelIndex root = model->setRootPath(path);
        details->setRootIndex(root);
        icons->setRootIndex(root);
        if (owner->onNavigationComplete)
            owner->onNavigationComplete(path.toStdWString());
    }

    void activated(const QModelIndex& index)
    {
        if (model->isDir(index))
            navigate(model->filePath(index));
    }
};

ExplorerView::ExplorerView() : impl_(std::make_unique<Impl>()) {}

ExplorerView::~ExplorerView()
{
    if (impl_->alive())
        delete impl_->stack.data();
}

std::unique_ptr<ExplorerView> ExplorerView::create(Surface& surface)
{
    QWidget* canvas = surfaceCanvas(surface);
    if (!canvas)
        return nullptr;
    std::unique_ptr<ExplorerView> view(new ExplorerView());
    Impl& d = *view->impl_;
    d.owner = view.get();
    d.stack = new QStackedWidget(canvas);
    d.stack->setObjectName(QStringLiteral("explorerView"));
    d.stack->setFrameShape(QFrame::NoFrame);
    d.model = new QFileSystemModel(d.stack);
    d.model->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::AllDirs);
    d.model->setReadOnly(true);
    d.details = new QTreeView(d.stack);
    d.details->setModel(d.model);
    d.details->setRootIsDecorated(false);
    d.details->setItemsExpandable(false);
    d.details->setSortingEnabled(true);
    d.details->header()->setStretchLastSection(false);
    d.details->setSelectionMode(QAbstractItemView::ExtendedSelection);
    d.details->setDragEnabled(true);
    d.details->setDragDropMode(QAbstractItemView::DragOnly);
    d.icons = new QListView(d.stack);
    d.icons->setModel(d.model);
    d.icons->setSelectionMode(QAbstractItemView::ExtendedSelection);
    d.icons->setDragEnabled(true);
    d.icons->setDragDropMode(QAbstractItemView::DragOnly);
    d.icons->setResizeMode(QListView::Adjust);
    d.stack->addWidget(d.details);
    d.stack->addWidget(d.icons);
    Impl* impl = &d;
    QObject::connect(d.details, &QAbstractItemView::activated, d.stack,
                     [impl](const QModelIndex& index) { impl->activated(index); });
    QObject::connect(d.icons, &QAbstractItemView::activated, d.stack,
                     [impl](const QModelIndex& index) { impl->activated(index); });
    d.stack->hide();
    view->setViewMode(4, 48);
    return view;
}

bool ExplorerView::setColors(const Colors& colors)
{
    Impl& d = *impl_;
    if (!d.alive())
        return false;
    auto colour = [](uint32_t argb) { return QColor::fromRgba(argb); };
    QPalette palette = d.stack->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, colour(colors.background));
        palette.setColor(group, QPalette::AlternateBase, colour(colors.background));
        palette.setColor(group, QPalette::Window, colour(colors.background));
        palette.setColor(group, QPalette::Text, colour(colors.text));
        palette.setColor(group, QPalette::WindowText, colour(colors.text));
        palette.setColor(group, QPalette::Highlight, colour(colors.selection));
        palette.setColor(group, QPalette::HighlightedText, colour(colors.selectedText));
        palette.setColor(group, QPalette::Button, colour(colors.header));
        palette.setColor(group, QPalette::ButtonText, colour(colors.text));
    }
    // Set on every part: the views and the header keep palettes of their own.
    for (QWidget* w : {static_cast<QWidget*>(d.stack.data()), static_cast<QWidget*>(d.details),
                       static_cast<QWidget*>(d.details->header()), static_cast<QWidget*>(d.icons),
                       d.details->viewport(), d.icons->viewport()}) {
        w->setPalette(palette);
        w->setAutoFillBackground(true);
    }
    return true;
}

bool ExplorerView::exists() const
{
    return impl_->alive();
}

bool ExplorerView::setRect(int left, int top, int right, int bottom)
{
    Impl& d = *impl_;
    if (!d.alive())
        return false;
    if (right <= left || bottom <= top) {
        d.stack->hide();
        return true;
    }
    d.stack->setGeometry(left, top, right - left, bottom - top);
    d.stack->show();
    d.stack->raise();
    return true;
}

bool ExplorerView::isShown() const
{
    return impl_->alive() && impl_->stack->isVisible();
}

bool ExplorerView::browseTo(const std::wstring& folder)
{
    Impl& d = *impl_;
    if (!d.alive())
        return false;
    const QFileInfo info(QString::fromStdWString(folder));
    if (folder.empty() || !info.exists() || !info.isDir())
        return false;
    d.navigate(info.absoluteFilePath());
    return true;
}

std::wstring ExplorerView::currentPath() const
{
    return impl_->path.toStdWString();
}

bool ExplorerView::open(const std::wstring& name)
{
    Impl& d = *impl_;
    if (!d.alive())
        return false;
    const QModelIndex index = d.model->index(QDir(d.path).filePath(QString::fromStdWString(name)));
    if (!index.isValid() || !d.model->isDir(index))
        return false;
    d.activated(index);
    return true;
}

bool ExplorerView::setViewMode(int mode, int iconSize)
{
    Impl& d = *impl_;
    if (!d.alive())
        return false;
    d.mode = mode >= 1 && mode <= 8 ? mode : 4;
    d.iconSize = std::clamp(iconSize, 8, 256);
    if (d.mode == 4) {
        d.details->setIconSize(QSize(16, 16));
        d.stack->setCurrentWidget(d.details);
        return true;
    }
    const bool large = d.mode == 1 || d.mode == 5 || d.mode == 6 || d.mode == 7;
    d.icons->setViewMode(large ? QListView::IconMode : QListView::ListMode);
    d.icons->setFlow(d.mode == 3 || d.mode == 7 ? QListView::TopToBottom
                     : large                  ? QListView::LeftToRight
                                              : QListView::TopToBottom);
    d.icons->setWrapping(d.mode != 8);
    const int side = large ? d.iconSize : std::min(d.iconSize, 16);
    d.icons->setIconSize(QSize(side, side));
    d.icons->setGridSize(large ? QSize(side + 48, side + 32) : QSize());
    d.stack->setCurrentWidget(d.icons);
    return true;
}

bool ExplorerView::getViewMode(int& mode, int& iconSize) const
{
    if (!impl_->alive())
        return false;
    mode = impl_->mode;
    iconSize = impl_->iconSize;
    return true;
}

bool ExplorerView::setSort(int column, int direction)
{
    Impl& d = *impl_;
    if (!d.alive())
        return false;
    const int section = sectionOf(column);
    if (section < 0) {
        d.details->header()->setSortIndicator(-1, Qt::AscendingOrder);
        return true;
    }
    d.details->sortByColumn(section, direction < 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
    return true;
}

bool ExplorerView::getSort(int& column, int& direction) const
{
    const Impl& d = *impl_;
    if (!d.alive())
        return false;
    const QHeaderView* header = d.details->header();
    column = columnOf(header->sortIndicatorSection());
    direction = header->sortIndicatorOrder() == Qt::DescendingOrder ? -1 : 1;
    return true;
}

bool ExplorerView::setColumns(const std::vector<ColumnInfo>& columns)
{
    Impl& d = *impl_;
    if (!d.alive())
        return false;
    QHeaderView* header = d.details->header();
    std::vector<bool> shown(size_t(std::max(header->count(), 0)), false);
    for (const ColumnInfo& c : columns)
        if (const int section = sectionOf(c.column); section >= 0 && section < int(shown.size()))
            shown[size_t(section)] = true;
    for (int s = 0; s < int(shown.size()); ++s)
        header->setSectionHidden(s, !shown[size_t(s)]);
    int visual = 0;
    for (const ColumnInfo& c : columns) {
        const int section = sectionOf(c.column);
        if (section < 0 || section >= int(shown.size()))
            continue;
        header->moveSection(header->visualIndex(section), visual++);
        if (c.width > 0)
            header->resizeSection(section, c.width);
    }
    return true;
}

bool ExplorerView::getColumns(std::vector<ColumnInfo>& columns) const
{
    const Impl& d = *impl_;
    if (!d.alive())
        return false;
    columns.clear();
    const QHeaderView* header = d.details->header();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int section = header->logicalIndex(visual);
        const int column = columnOf(section);
        if (column >= 0 && !header->isSectionHidden(section))
            columns.push_back({column, header->sectionSize(section)});
    }
    return true;
}

} // namespace Platform::Ui
