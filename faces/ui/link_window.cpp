#include "ui/link_window.h"

#include "windowcore/window_core.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace talvex {

namespace {

QLineEdit* ReadOnlyBox(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setReadOnly(true);
    return box;
}

} // namespace

LinkWindow::LinkWindow(WindowCore& core, QWidget* parent)
    : QWidget(parent, Qt::Window), core_(core), sendBox_(new QLineEdit(this)),
      ddeBox_(ReadOnlyBox(this)), dynBox_(ReadOnlyBox(this)), asyncBox_(ReadOnlyBox(this)),
      send_(new QPushButton(QStringLiteral("&Send:"), this)),
      close_(new QPushButton(QStringLiteral("&Close Window"), this)) {
    setWindowTitle(QStringLiteral("KORVA DDE Control"));
    setObjectName(QStringLiteral("KORVA"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(send_, 0, 0);
    grid->addWidget(sendBox_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Response:"), this), 1, 0);
    grid->addWidget(ddeBox_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Dynamic:"), this), 2, 0);
    grid->addWidget(dynBox_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Async Response:"), this), 3, 0);
    grid->addWidget(asyncBox_, 3, 1);
    grid->addWidget(close_, 4, 1, Qt::AlignRight);
    resize(420, 170);

    connect(send_, &QPushButton::clicked, this, &LinkWindow::SendClicked);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    Refresh();
}

void LinkWindow::SendClicked() {
    core_.LinkWindowSend(sendBox_->text().toStdString());
}

void LinkWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_) Refresh();
}

void LinkWindow::Refresh() {
    // A run changes the texts several times a command: boxes nobody sees
    // need not follow.
    if (!isVisible()) {
        stale_ = true;
        return;
    }
    stale_ = false;
    const auto show = [](QLineEdit* box, const std::string& text) {
        const QString q = QString::fromStdString(text);
        if (box->text() != q) box->setText(q);
    };
    const LinkTexts texts = core_.LinkWindowTexts();
    if (!sendBox_->hasFocus()) show(sendBox_, texts.sendBox);
    show(ddeBox_, texts.response);
    show(dynBox_, texts.dynamic);
    show(asyncBox_, texts.async);
}

} // namespace talvex
