// The link's diagnostic window "KORVA DDE Control": a command box with its
// send button, and the Response, Dynamic and Async Response boxes that follow
// the link as it works. Hidden until the View menu shows it.
#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace talvex {

class WindowCore;

class LinkWindow : public QWidget {
    Q_OBJECT
public:
    explicit LinkWindow(WindowCore& core, QWidget* parent = nullptr);

    QLineEdit* sendBox() const { return sendBox_; }
    QLineEdit* responseBox() const { return ddeBox_; }
    QLineEdit* dynamicBox() const { return dynBox_; }
    QLineEdit* asyncBox() const { return asyncBox_; }
    QPushButton* sendButton() const { return send_; }
    QPushButton* closeButton() const { return close_; }

    // Command1: sends the command box's text with Send.
    void SendClicked();
    // Shows the link's current texts; while hidden it only notes that they
    // changed, and catches up when shown.
    void Refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    WindowCore& core_;
    QLineEdit* sendBox_;
    QLineEdit* ddeBox_;
    QLineEdit* dynBox_;
    QLineEdit* asyncBox_;
    QPushButton* send_;
    QPushButton* close_;
    bool stale_ = false;
};

} // namespace talvex
