// The window's conversations with the user: message boxes, questions, the
// file dialogs and opening a document. One small interface, so tests can
// answer what a user would; QtUserDialogs shows the real ones.
#pragma once

#include "engine/window_interface.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace talvex {

// How a file dialog is set up before it is shown.
struct FileDialogSetup {
    QString title;
    QString folder;        // where the dialog starts
    QString fileName;      // the name proposed, a full path or ""
    QStringList filters;   // name filters, the first one selected
    QString defaultSuffix; // added to a name typed without one; "" for none
};

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    virtual void Message(MessageKind kind, const QString& text, const QString& title) = 0;
    virtual Answer AskYesNo(const QString& text, const QString& title) = 0;
    virtual Answer AskYesNoCancel(const QString& text, const QString& title) = 0;
    // The chosen path, or "" when the user cancelled.
    virtual QString OpenFileName(const FileDialogSetup& setup) = 0;
    virtual QString SaveFileName(const FileDialogSetup& setup) = 0;
    // Opens a document with the program the desktop associates with it;
    // false when nothing could be started.
    virtual bool OpenDocument(const QString& path) = 0;
};

// QMessageBox, QFileDialog and QDesktopServices, parented to `parent`.
class QtUserDialogs : public UserDialogs {
public:
    explicit QtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void Message(MessageKind kind, const QString& text, const QString& title) override;
    Answer AskYesNo(const QString& text, const QString& title) override;
    Answer AskYesNoCancel(const QString& text, const QString& title) override;
    QString OpenFileName(const FileDialogSetup& setup) override;
    QString SaveFileName(const FileDialogSetup& setup) override;
    bool OpenDocument(const QString& path) override;

private:
    QString ShowFileDialog(const FileDialogSetup& setup, bool save);

    QWidget* parent_;
};

} // namespace talvex
