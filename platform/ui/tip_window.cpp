#include "platform/ui/tip_window.h"

#include <QLabel>

namespace Platform::Ui {

struct TipWindow::Impl {
    QLabel label;
};

TipWindow::TipWindow() : impl_(std::make_unique<Impl>())
{
    QLabel& label = impl_->label;
    label.setObjectName(QStringLiteral("ToolTips"));
    label.setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    label.setAttribute(Qt::WA_ShowWithoutActivating);
    label.setTextFormat(Qt::PlainText);
    label.setWordWrap(false);
    label.setMargin(3);
    label.setStyleSheet(QStringLiteral("QLabel { background: #ffffe1; color: #000000; border: 1px solid #767676; }"));
}

TipWindow::~TipWindow() = default;

void TipWindow::setText(const std::wstring& text)
{
    impl_->label.setText(QString::fromStdWString(text));
    impl_->label.adjustSize();
}

void TipWindow::moveTo(int x, int y)
{
    impl_->label.move(x, y);
}

void TipWindow::show()
{
    impl_->label.show();
    impl_->label.raise();
}

void TipWindow::hide()
{
    impl_->label.hide();
}

bool TipWindow::isVisible() const
{
    return impl_->label.isVisible();
}

int TipWindow::width() const
{
    return impl_->label.width();
}

int TipWindow::height() const
{
    return impl_->label.height();
}

int TipWindow::x() const
{
    return impl_->label.x();
}

int TipWindow::y() const
{
    return impl_->label.y();
}

} // namespace Platform::Ui
