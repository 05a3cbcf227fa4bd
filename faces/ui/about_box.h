// The About box: the logo, the product name and the version.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace talvex {

struct ProgramVersion;

// "Talvex" CR LF "Version " major.minor.revision.
QString VersionText(const ProgramVersion& version);

class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox(const ProgramVersion& version, QWidget* parent = nullptr);

    QLabel* versionLabel() const { return lblVersion_; }
    QLabel* logo() const { return image1_; }
    QPushButton* okButton() const { return cmdOk_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* image1_;
    QLabel* lblVersion_;
    QPushButton* cmdOk_;
};

} // namespace talvex
