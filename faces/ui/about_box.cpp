#include "ui/about_box.h"

#include "macromath/environment.h"
#include "ui/centre_over_owner.h"
#include "ui/twips.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

// The logo lives in the ui library's resources; a static library registers
// them on first use.
static void InitUiResources() {
    Q_INIT_RESOURCE(ui);
}

namespace talvex {

QString VersionText(const ProgramVersion& v) {
    return QStringLiteral("Talvex\r\nVersion %1.%2.%3").arg(v.major).arg(v.minor).arg(v.revision);
}

AboutBox::AboutBox(const ProgramVersion& version, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      image1_(new QLabel(this)), lblVersion_(new QLabel(this)),
      cmdOk_(new QPushButton(QStringLiteral("OK"), this)) {
    InitUiResources();
    setWindowTitle(QStringLiteral("About"));
    setModal(true);
    setFixedSize(Twips(4260), Twips(1500));
    setAutoFillBackground(true);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(grey);

    image1_->setGeometry(TwipsRect(0, 0, 1500, 1500));
    image1_->setPixmap(QPixmap(QStringLiteral(":/talvex/logo.png")));
    image1_->setScaledContents(true);

    lblVersion_->setGeometry(TwipsRect(1575, 225, 2640, 690));
    lblVersion_->setAlignment(Qt::AlignCenter);
    // The label shows lines broken at LF; the text itself keeps CR LF.
    lblVersion_->setText(VersionText(version).replace(QLatin1String("\r\n"), QLatin1String("\n")));

    cmdOk_->setGeometry(TwipsRect(2430, 975, 990, 390));
    cmdOk_->setDefault(true);
    cmdOk_->setAutoDefault(true);
    connect(cmdOk_, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutBox::showEvent(QShowEvent* event) {
    CentreOverOwner(*this);
    QDialog::showEvent(event);
}

} // namespace talvex
