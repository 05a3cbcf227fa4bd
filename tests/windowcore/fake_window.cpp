#include "tests/windowcore/fake_window.h"

#include "engine/text_codec.h"

namespace talvex::testing {

void ScriptedDialogs::Message(MessageKind, std::string_view text, std::string_view) {
    messages.emplace_back(text);
    if (whileShown) whileShown();
}

Answer ScriptedDialogs::AskYesNo(std::string_view text, std::string_view) {
    questions.emplace_back(text);
    if (whileShown) whileShown();
    if (answers.empty()) return Answer::Cancel;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

Answer ScriptedDialogs::AskYesNoCancel(std::string_view text, std::string_view title) {
    return AskYesNo(text, title);
}

std::string ScriptedDialogs::OpenFileName(const FileDialogSetup& setup) {
    fileDialogs.push_back(setup);
    if (fileAnswers.empty()) return {};
    std::string a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

std::string ScriptedDialogs::SaveFileName(const FileDialogSetup& setup) {
    return OpenFileName(setup);
}

bool ScriptedDialogs::OpenDocument(const std::string& path) {
    documents.push_back(path);
    return documentsOpen;
}

std::optional<std::string> ScriptedDialogs::AskFindText(std::string_view) {
    return findAnswer;
}

void ScriptedDialogs::ShowAbout(const ProgramVersion&) {
    ++abouts;
}

void FakeFace::ProcessEvents() {
    if (onEvents) onEvents();
}

void FakeFace::AppendEditorLine(std::string_view line) {
    if (!editor.empty() && !editor.ends_with("\r\n")) editor += "\r\n";
    if (editor.empty()) editor = "\r\n";
    editor += line;
}

std::u16string FakeFace::PaneSearchText(TextPane p) const {
    return Utf8ToUtf16(LfLineEnds(p == TextPane::Script ? editor : pane));
}

std::pair<std::size_t, std::size_t> FakeFace::PaneSelection(TextPane p) const {
    const auto it = selection.find(p);
    return it == selection.end() ? std::pair<std::size_t, std::size_t>{0, 0} : it->second;
}

void FakeFace::SelectInPane(TextPane p, std::size_t start, std::size_t end) {
    selection[p] = {start, end};
    focus = p;
}

void FakeFace::Fire(WindowCore& core, WindowTimer t) {
    timers.erase(t);
    core.TimerFired(t);
}

std::string MapSettings::Read(std::string_view group, std::string_view key) {
    const auto it = values.find(std::string(group) + "/" + std::string(key));
    return it == values.end() ? std::string() : it->second;
}

void MapSettings::Write(std::string_view group, std::string_view key, std::string_view value) {
    values[std::string(group) + "/" + std::string(key)] = value;
}

FakeWindow::FakeWindow(std::string programDir) {
    WindowCoreOptions options;
    options.programDir = std::move(programDir);
    options.logFolder = options.programDir;
    core = std::make_unique<WindowCore>(face, link, settings, options);
}

void FakeWindow::SetScript(std::string_view text, const std::string& file) {
    core->SetEditorText(text);
    core->SetCurrentFile(file);
    core->SetFileSaved(true);
}

void FakeWindow::Type(std::string_view text) {
    face.editor += text;
    core->EditorChanged();
}

} // namespace talvex::testing
