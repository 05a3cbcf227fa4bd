// The Find dialog: asks for the text every search looks for. OK confirms the
// text (even an empty one); Cancel, Esc and the close box leave it as it was.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace talvex {

class FindForm : public QDialog {
    Q_OBJECT
public:
    FindForm(const QString& findString, QWidget* parent = nullptr);

    // The text to find as the user left it.
    QString Text() const;

    QLineEdit* FindText() const { return findText_; }
    QPushButton* FindOK() const { return findOk_; }
    QPushButton* FindCancel() const { return findCancel_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* findText_;
    QPushButton* findOk_;
    QPushButton* findCancel_;
};

} // namespace talvex
