// The window's conversations with the user: message boxes, questions, the
// file dialogs, Find, About and opening a document. All are modal. A face
// shows the real ones; tests answer as a user would.
#pragma once

#include "engine/window_interface.h"
#include "macromath/environment.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvex {

// How a file dialog is set up before it is shown.
struct FileDialogSetup {
    std::string title;
    std::string folder;               // where the dialog starts
    std::string fileName;             // the name proposed, a full path or ""
    std::vector<std::string> filters; // name filters, the first one selected
    std::string defaultSuffix;        // added to a name typed without one; "" for none
};

class WindowDialogs {
public:
    virtual ~WindowDialogs() = default;

    virtual void Message(MessageKind kind, std::string_view text, std::string_view title) = 0;
    virtual Answer AskYesNo(std::string_view text, std::string_view title) = 0;
    virtual Answer AskYesNoCancel(std::string_view text, std::string_view title) = 0;
    // The chosen path, or "" when the user cancelled.
    virtual std::string OpenFileName(const FileDialogSetup& setup) = 0;
    virtual std::string SaveFileName(const FileDialogSetup& setup) = 0;
    // Opens a document with the program the desktop associates with it;
    // false when nothing could be started.
    virtual bool OpenDocument(const std::string& path) = 0;
    // The Find dialog, proposing `text`; nothing when cancelled.
    virtual std::optional<std::string> AskFindText(std::string_view text) = 0;
    virtual void ShowAbout(const ProgramVersion& version) = 0;
};

} // namespace talvex
