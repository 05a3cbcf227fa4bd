#include "windowcore/script_document.h"

#include "engine/file_access.h"
#include "engine/script_file.h"
#include "engine/window_state.h"

#include <utility>

namespace talvex {

namespace {

constexpr std::string_view kCrLf = "\r\n";

bool IsFile(const std::string& path) {
    return !path.empty() && FileSizeOf(path) >= 0;
}

} // namespace

ScriptDocument::ScriptDocument(WindowFace& face, SettingsPort& settings, std::string programDir,
                               std::function<void()> cleared, std::function<void()> edited)
    : face_(face), programDir_(std::move(programDir)), cleared_(std::move(cleared)),
      edited_(std::move(edited)),
      recent_(settings, [&face](const std::vector<std::string>& paths,
                                bool separator) { face.SetRecentEntries(paths, separator); }),
      baseCaption_(WindowState::kBaseCaption), title_(baseCaption_) {}

void ScriptDocument::Start() {
    fileSaved_ = true;
    SetTitle(baseCaption_);
    // The first Open or Save As starts in the folder of the most recent script.
    const std::string recent = recent_.FillAtStart();
    currentFile_ = recent.empty() ? std::string() : DirectoryOf(recent) + "/";
}

void ScriptDocument::EditorChanged() {
    fileSaved_ = false;
    textCached_ = false;
    if (edited_) edited_();
}

const std::string& ScriptDocument::Text() const {
    // A run reads the script more than once as it starts; a long script is
    // converted once.
    if (!textCached_) {
        text_ = face_.EditorText();
        textCached_ = true;
    }
    return text_;
}

void ScriptDocument::SetTitle(std::string_view title) {
    title_ = title;
    face_.SetCaption(title_);
}

FileSaveAnswer ScriptDocument::FileSaveCheck() {
    saveAborted_ = false;
    if (fileSaved_) return FileSaveAnswer::NothingAsked;
    const Answer a = face_.Dialogs().AskYesNoCancel(
        "Changes have been made in your current Script File.  Do you want to save the changes?",
        baseCaption_);
    if (a == Answer::No) return FileSaveAnswer::No;
    if (a == Answer::Cancel) return FileSaveAnswer::Cancel;
    Save();
    if (!fileSaved_) {
        // Yes, but nothing was saved (the dialog cancelled, or the write
        // failed): the changes are kept, whatever the user was about to do.
        saveAborted_ = true;
        return FileSaveAnswer::Cancel;
    }
    return FileSaveAnswer::Yes;
}

void ScriptDocument::Loaded(std::string_view text, const std::string& path) {
    face_.LoadEditor(text);
    EditorChanged();
    if (cleared_) cleared_();
    currentFile_ = path;
    SetTitle(path.empty() ? baseCaption_ : baseCaption_ + " - " + FileNameOf(path));
    fileSaved_ = true;
}

bool ScriptDocument::Load(const std::string& path) {
    if (path.empty()) {
        Loaded("", "");
        return true;
    }
    SetBusy(true);
    const LoadedScriptFile loaded = LoadScriptFile(path);
    SetBusy(false);
    if (!loaded.ok) {
        face_.Dialogs().Message(MessageKind::Warning,
                                "Unable to open " + path + std::string(kCrLf) + loaded.error,
                                baseCaption_);
        return false;
    }
    Loaded(loaded.text, path);
    return true;
}

void ScriptDocument::New() {
    if (FileSaveCheck() == FileSaveAnswer::Cancel) return;
    Load("");
}

void ScriptDocument::Open() {
    if (FileSaveCheck() == FileSaveAnswer::Cancel) return;
    std::string name = currentFile_;
    if (FileNameOf(name).find('.') == std::string::npos) name += ".tvx";
    const std::string chosen = AskFileName(name, "Open File", false);
    if (!chosen.empty() && Load(chosen)) recent_.Add(chosen);
}

void ScriptDocument::OpenAtStart(const std::string& path) {
    if (Load(path)) recent_.Add(path);
}

void ScriptDocument::OpenRecent(int index) {
    if (FileSaveCheck() == FileSaveAnswer::Cancel) return;
    const std::string path = recent_.PathOf(index);
    if (!IsFile(path)) {
        face_.Dialogs().Message(MessageKind::Plain, "File not found '" + path + "'", baseCaption_);
        Load("");
        recent_.Remove(index);
        return;
    }
    if (Load(path)) recent_.MoveToTop(index);
}

bool ScriptDocument::Write(const std::string& path) {
    SetBusy(true);
    std::string error;
    const bool ok = SaveScriptFile(path, Text(), error);
    SetBusy(false);
    if (!ok)
        face_.Dialogs().Message(MessageKind::Warning,
                                "Unable to save " + path + std::string(kCrLf) + error,
                                baseCaption_);
    return ok;
}

void ScriptDocument::Save() {
    if (BaseNameOf(currentFile_).empty()) {
        SaveAs();
        return;
    }
    if (Write(currentFile_)) fileSaved_ = true;
}

void ScriptDocument::SaveAs() {
    std::string name = currentFile_;
    if (FileNameOf(name).find('.') == std::string::npos) name += ".tvx";
    const std::string chosen = AskFileName(name, "Save File As", true);
    if (chosen.empty()) {
        saveAborted_ = true;
        return;
    }
    if (!Write(chosen)) return;
    currentFile_ = chosen;
    fileSaved_ = true;
    SetTitle(baseCaption_ + " - " + FileNameOf(currentFile_));
    recent_.Add(chosen);
}

void ScriptDocument::AppendLine(std::string_view line) {
    face_.AppendEditorLine(line);
    EditorChanged();
}

std::string ScriptDocument::AskFileName(const std::string& path, const std::string& title,
                                        bool save) {
    const std::string folder = DirectoryOf(path);
    std::string f = folder + (folder.empty() || folder.back() != '/' ? "/" : "") + BaseNameOf(path);
    if (f.size() < 2) f.clear();

    // The extension comes from the file's own name: a folder may hold a dot.
    const std::string name = FileNameOf(path);
    const auto dot = name.find('.');
    std::string ext = "*";
    if (dot != std::string::npos) {
        ext = (name.substr(dot + 1, 3) + (save ? "*" : "*  ")).substr(0, 3);
        while (!ext.empty() && ext.back() == ' ')
            ext.pop_back();
    }
    const bool plain = ext.find('*') == std::string::npos;

    FileDialogSetup setup;
    setup.title = title;
    const std::string initial = DirectoryOf(f);
    setup.folder = initial.empty() ? programDir_ : initial;
    if (!f.empty()) setup.fileName = plain ? f + "." + ext : f;
    setup.filters = {"(*." + ext + ")"};
    if (plain) setup.defaultSuffix = ext;
    return save ? face_.Dialogs().SaveFileName(setup) : face_.Dialogs().OpenFileName(setup);
}

} // namespace talvex
