// The real message boxes (MessageBoxW), the system's file dialogs, Find,
// About and opening a document with ShellExecuteW.
#pragma once

#include "windowcore/window_dialogs.h"

#include "ddelink/win32.h"

namespace talvex {

class Win32Dialogs : public WindowDialogs {
public:
    // The window the dialogs belong to; they are modal to it.
    void SetOwner(HWND owner) { owner_ = owner; }

    void Message(MessageKind kind, std::string_view text, std::string_view title) override;
    Answer AskYesNo(std::string_view text, std::string_view title) override;
    Answer AskYesNoCancel(std::string_view text, std::string_view title) override;
    std::string OpenFileName(const FileDialogSetup& setup) override;
    std::string SaveFileName(const FileDialogSetup& setup) override;
    bool OpenDocument(const std::string& path) override;
    std::optional<std::string> AskFindText(std::string_view text) override;
    void ShowAbout(const ProgramVersion& version) override;

private:
    std::string FileDialog(const FileDialogSetup& setup, bool save);
    HWND owner_ = nullptr;
};

} // namespace talvex
