// The user's script as the window keeps it: the editor's text, the file it
// came from, whether it is saved, the window's caption and the recent-files
// list, with the File menu's commands and the unsaved-changes question.
#pragma once

#include "windowcore/recent_files.h"
#include "windowcore/window_face.h"

#include <functional>
#include <string>
#include <string_view>

namespace talvex {

// FileSaveCheck's answers.
enum class FileSaveAnswer { NothingAsked, Yes, No, Cancel };

class ScriptDocument {
public:
    // `cleared` runs when a script is loaded or a new one begins: the
    // response pane starts empty with it. `edited` runs whenever the text
    // changed, by the user or by a load.
    ScriptDocument(WindowFace& face, SettingsPort& settings, std::string programDir,
                   std::function<void()> cleared, std::function<void()> edited = {});

    // Start-up: the caption, the recent files, and the first Open's folder.
    void Start();
    // The editor's text changed (the face calls it for every edit).
    void EditorChanged();
    // The user's script as the engine holds it; converted once per change.
    const std::string& Text() const;

    // The File menu. Each asks about unsaved changes first where it would
    // lose them.
    FileSaveAnswer FileSaveCheck();
    void New();
    void Open();
    void Save();
    void SaveAs();
    void OpenRecent(int index);
    // talvex FILE: `path` is absolute.
    void OpenAtStart(const std::string& path);
    // Adds a line at the end of the script, as typing would.
    void AppendLine(std::string_view line);

    const std::string& CurrentFile() const { return currentFile_; }
    void SetCurrentFile(std::string_view path) { currentFile_ = path; }
    bool FileSaved() const { return fileSaved_; }
    void SetFileSaved(bool saved) { fileSaved_ = saved; }
    bool SaveAborted() const { return saveAborted_; }
    const std::string& Title() const { return title_; }
    void SetTitle(std::string_view title);
    const std::string& BaseCaption() const { return baseCaption_; }
    RecentFiles& Recent() { return recent_; }

private:
    // The one way a script comes into the editor: Open, a recent file and
    // talvex FILE read `path`; New (an empty path) clears. False when the
    // file could not be read: the editor then keeps its script and its file.
    bool Load(const std::string& path);
    void Loaded(std::string_view text, const std::string& path);
    bool Write(const std::string& path);
    std::string AskFileName(const std::string& fileName, const std::string& title, bool save);
    void SetBusy(bool busy) { face_.SetBusyPointer(busy); }

    WindowFace& face_;
    std::string programDir_;
    std::function<void()> cleared_;
    std::function<void()> edited_;
    RecentFiles recent_;
    std::string baseCaption_;
    std::string title_;
    std::string currentFile_;
    bool fileSaved_ = true;
    bool saveAborted_ = false;
    mutable std::string text_;
    mutable bool textCached_ = false;
};

} // namespace talvex
