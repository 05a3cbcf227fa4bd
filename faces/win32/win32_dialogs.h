// The real message boxes (MessageBoxW), the system's file dialogs, Find,
// About and opening a document with ShellExecuteW, or the guide window when
// no program opens the guide's PDF.
#pragma once

#include "windowcore/window_dialogs.h"

#include "ddelink/win32.h"
#include "win32/guide_window.h"

#include <memory>

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

    // The guide window once Help > View has shown it, else null.
    GuideWindow* Guide() const { return guide_.get(); }

private:
    std::string FileDialog(const FileDialogSetup& setup, bool save);
    HWND owner_ = nullptr;
    std::unique_ptr<GuideWindow> guide_;
};

} // namespace talvex
