// The window's real dialogs: QMessageBox, QFileDialog, the Find and About
// boxes and QDesktopServices, parented to the main window.
#pragma once

#include "windowcore/window_dialogs.h"

class QString;
class QWidget;

namespace talvex {

class QtUserDialogs : public WindowDialogs {
public:
    explicit QtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void Message(MessageKind kind, std::string_view text, std::string_view title) override;
    Answer AskYesNo(std::string_view text, std::string_view title) override;
    Answer AskYesNoCancel(std::string_view text, std::string_view title) override;
    std::string OpenFileName(const FileDialogSetup& setup) override;
    std::string SaveFileName(const FileDialogSetup& setup) override;
    bool OpenDocument(const std::string& path) override;
    std::optional<std::string> AskFindText(std::string_view text) override;
    void ShowAbout(const ProgramVersion& version) override;

private:
    std::string ShowFileDialog(const FileDialogSetup& setup, bool save);
    // xdg-open, or Qt's own opener; false when nothing took the document.
    static bool OpenWithDesktop(const QString& path);

    QWidget* parent_;
};

} // namespace talvex
