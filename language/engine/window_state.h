// The document around the editor as every window keeps it, in memory: the log
// check box, the editor's text, the title, the saved flag and the current
// file. Windows derive from it and add their own pane, boxes and dialogs.
#pragma once

#include "engine/window_interface.h"

#include <string>
#include <string_view>

namespace talvex {

class WindowState : public WindowInterface {
public:
    static constexpr std::string_view kBaseCaption = "KORVA Automated Script Program";

    bool LogTicked() const override { return logTicked; }
    void SetLogTicked(bool ticked) override { logTicked = ticked; }

    std::string EditorText() const override { return editorText; }
    void SetEditorText(std::string_view text) override { editorText = text; }
    std::string Title() const override { return title; }
    void SetTitle(std::string_view t) override { title = t; }
    std::string BaseCaption() const override { return std::string(kBaseCaption); }
    bool FileSaved() const override { return fileSaved; }
    void SetFileSaved(bool saved) override { fileSaved = saved; }
    std::string CurrentFile() const override { return currentFile; }
    void SetCurrentFile(std::string_view path) override { currentFile = path; }

    bool logTicked = false;
    std::string editorText;
    std::string title{kBaseCaption}; // no file yet: the caption alone
    bool fileSaved = true;
    std::string currentFile;
};

} // namespace talvex
