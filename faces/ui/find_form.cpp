#include "ui/find_form.h"

#include "ui/centre_over_owner.h"
#include "ui/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace talvex {

FindForm::FindForm(const QString& findString, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      findText_(new QLineEdit(this)), findOk_(new QPushButton(QStringLiteral("OK"), this)),
      findCancel_(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("FindForm"));
    setWindowTitle(QStringLiteral("Find"));
    setModal(true);
    setFixedSize(Twips(4785), Twips(2085));

    // The design was drawn for an 8-point face, as the main window's.
    QFont design = font();
    design.setPointSizeF(8.25);
    setFont(design);

    // Captions keep their place (the second its right edge) and take the
    // width their text needs.
    auto* label1 = new QLabel(QStringLiteral("Text to find in script"), this);
    label1->setObjectName(QStringLiteral("FindCaption"));
    label1->setGeometry(TwipsRect(240, 120, 1725, 285));
    label1->resize(std::max(label1->width(), label1->sizeHint().width()), label1->height());
    auto* label2 = new QLabel(QStringLiteral("Use F3 for Find Again"), this);
    label2->setObjectName(QStringLiteral("FindAgainCaption"));
    label2->setGeometry(TwipsRect(2910, 120, 1725, 285));
    label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const int needed = std::max(label2->width(), label2->sizeHint().width());
    label2->setGeometry(label2->geometry().right() + 1 - needed, label2->y(), needed,
                        label2->height());

    findText_->setObjectName(QStringLiteral("FindText"));
    findText_->setGeometry(TwipsRect(210, 480, 4455, 345));
    findText_->setText(findString);
    findText_->selectAll();

    findOk_->setGeometry(TwipsRect(840, 1170, 1275, 405));
    findOk_->setDefault(true);
    connect(findOk_, &QPushButton::clicked, this, &QDialog::accept);
    // Esc rejects a QDialog; the button does the same.
    findCancel_->setGeometry(TwipsRect(2640, 1170, 1275, 405));
    findCancel_->setAutoDefault(false);
    connect(findCancel_, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(findText_, findOk_);
    setTabOrder(findOk_, findCancel_);
    findText_->setFocus();
}

QString FindForm::Text() const {
    return findText_->text();
}

void FindForm::showEvent(QShowEvent* event) {
    CentreOverOwner(*this);
    QDialog::showEvent(event);
}

} // namespace talvex
