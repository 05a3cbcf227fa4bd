#include "ui/find_form.h"

#include "ui/centre_over_owner.h"
#include "ui/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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

    auto* label1 = new QLabel(QStringLiteral("Text to find in script"), this);
    label1->setGeometry(TwipsRect(240, 120, 1725, 285));
    auto* label2 = new QLabel(QStringLiteral("Use F3 for Find Again"), this);
    label2->setGeometry(TwipsRect(2910, 120, 1725, 285));
    label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

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
