// The main window "KORVA Automated Script Program": the script editor, the
// response pane, the run, cancel and exit buttons, the log check box, the
// dynamic-data line and the menus. It is the engine's window: runs started
// here walk the editor's script, show responses in the pane and ask their
// questions through the user dialogs.
#pragma once

#include "engine/interpreter.h"
#include "engine/response_pane.h"
#include "engine/script_runner.h"
#include "engine/window_interface.h"
#include "ui/script_editor.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSettings;
class QTextDocument;

namespace talvex {

class LinkWindow;
class FontMenu;
class RecentFiles;

class WindowLayout;
class UserDialogs;
class WindowLink;

struct MainWindowOptions {
    QString programDir; // the program's folder: help documents, dialogs' first folder
    QString logFolder;  // where a run's default log file goes
    // How long a close during a run waits, after the hard cancel, before it
    // offers to close anyway (a host that never answers).
    int closeGraceMs = 5000;
    // Where the recent-files list is stored; the user's own settings when empty.
    std::function<std::unique_ptr<QSettings>()> settings;
};

// FileSaveCheck's answers.
enum SaveCheck : int { kNothingAsked = 0, kSaveYes = 6, kSaveNo = 7, kSaveCancel = 2 };

class MainWindow : public QMainWindow, public WindowInterface {
    Q_OBJECT
public:
    MainWindow(WindowLink& link, UserDialogs& dialogs, MainWindowOptions options,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Form_Load: links to the host (false when that failed: the program
    // ends), sets up the help menu, the dialogs, the caption and the
    // dynamic-data report.
    bool Load();
    // Opens `path` as Open would, at start-up (talvex FILE).
    void OpenAtStart(const QString& path);

    // The engine's window.
    std::size_t PaneLength() const override { return pane_.Length(); }
    std::string PaneText() const override { return pane_.Text(); }
    void PaneAppend(std::string_view text) override;
    void PaneCutBack(std::size_t length) override;
    void PaneReplace(std::string_view text) override;
    void ScrollToEnd() override;
    bool LogTicked() const override;
    void SetLogTicked(bool ticked) override;
    std::string EditorText() const override;
    void SetEditorText(std::string_view text) override;
    std::string Title() const override;
    void SetTitle(std::string_view title) override;
    std::string BaseCaption() const override { return baseCaption_.toStdString(); }
    bool FileSaved() const override { return fileSaved_; }
    void SetFileSaved(bool saved) override;
    std::string CurrentFile() const override;
    void SetCurrentFile(std::string_view path) override;
    void Message(MessageKind kind, std::string_view text, std::string_view title) override;
    Answer AskYesNo(std::string_view text, std::string_view title) override;
    Answer AskYesNoCancel(std::string_view text, std::string_view title) override;
    std::string AskLogFile(std::string_view proposedName) override;
    void SetBusyPointer(bool busy) override;
    void SetRunControlsEnabled(bool enabled) override;
    void Yield() override;
    void ShowRunningLine(std::string_view script, std::size_t offset) override;

    // Script files.
    int FileSaveCheck();
    void NewClicked();
    void OpenClicked();
    void SaveClicked();
    void SaveAsClicked();
    bool SaveAborted() const { return saveAborted_; }
    // mnuHistory_Click: opens the recent file of slot `index` (1..9).
    void HistoryClicked(int index);

    // Runs and run control.
    void RunScriptClicked();
    void CommandLabelClicked();
    void CancelClicked();
    void EscapePressed();
    void FindAgain();
    void FindClicked(); // menueditfind_Click
    void SendHardCancelClicked();
    void DynamicClicked();

    // Find: the text every search looks for (the Find dialog sets it).
    void SetFindString(const QString& text) { findString_ = text; }
    void FindNext(QPlainTextEdit* pane);

    // Help and About.
    int HelpMenuSet(bool force);
    bool ShowDocument(const QString& path);
    void AboutClicked();

    // The controls, for the program's own wiring and for tests.
    ScriptEditor* txtCommandList() const { return txtCommandList_; }
    QPlainTextEdit* txtResponseList() const { return txtResponseList_; }
    QLineEdit* txtDynamic() const { return txtDynamic_; }
    QLabel* lblCommand() const { return lblCommand_; }
    QPushButton* cmdRunScript() const { return cmdRunScript_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }
    QPushButton* cmdExit() const { return cmdExit_; }
    QPushButton* cmdDynamic() const { return cmdDynamic_; }
    QCheckBox* chkLog() const { return chkLog_; }
    QMenu* mnuFile() const { return mnuFile_; }
    RecentFiles* recentFiles() const { return recentFiles_; }
    WindowLayout* windowLayout() const { return layout_; }
    FontMenu* fontMenu() const { return fontMenu_; }
    QLabel* lblResponse() const { return lblResponse_; }
    QLabel* lblDynamic() const { return lblDynamic_; }
    QAction* mnuLinebyLine() const { return mnuLinebyLine_; }
    QAction* mnuWholeScript() const { return mnuWholeScript_; }
    QAction* mnuSendHardCancel() const { return mnuSendHardCancel_; }
    QAction* mnuContents() const { return mnuContents_; }
    QAction* menuhelpviewpdf() const { return menuhelpviewpdf_; }
    QAction* mnuAbout() const { return mnuAbout_; }
    QAction* menueditfind() const { return menueditfind_; }
    QAction* mnuHostLink() const { return mnuHostLink_; }
    LinkWindow* linkWindow() const { return linkWindow_; }
    ScriptRunner& runner() { return *runner_; }
    Interpreter& interpreter() { return interp_; }
    // The response pane as the user sees it, CR LF between lines.
    std::string ShownResponse() const;
    QString StatusText() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void StartRun(bool listOnly);
    void AfterRun();
    void CloseDuringRun();
    void CloseGraceOver();
    void Unload();
    void ShowUserDocument();
    void SetDocumentTitle(const QString& title);
    void SetPaneFont(const QFont& font);
    void LoadIntoEditor(const std::string& text);
    void MarkPaneChanged();
    void SyncPane();
    QString ShowFileDialog(const QString& fileName, const QString& title, bool save);
    void WaitStarted(const QString& command);
    void WaitEnded();
    void ShowWaitStatus();

    WindowLink& link_;
    UserDialogs& dialogs_;
    MainWindowOptions options_;
    Interpreter interp_;
    std::unique_ptr<ScriptRunner> runner_;

    QString baseCaption_;
    std::string currentFile_;
    bool fileSaved_ = true;
    bool saveAborted_ = false;
    QString documentTitle_;

    // The user's script; a run that calls or chains shows the other script
    // in a document of its own, read-only, and never touches this one.
    QTextDocument* userDoc_ = nullptr;
    QTextDocument* runDoc_ = nullptr;
    mutable std::string editorText_; // the user's script as the engine holds it
    mutable bool editorTextCached_ = false;
    std::string runStartText_;
    std::optional<std::string> runCurrentFile_;

    ResponsePane pane_;
    std::string paneShown_; // what the pane widget shows, as engine text
    bool scrollPending_ = false;
    QTimer paneTimer_;

    bool busy_ = false;
    std::array<QCursor, 2> paneCursors_; // the panes' own pointers while the window is busy
    bool placeAtCorner_ = false;         // Load puts the frame at the screen's corner when shown
    bool closeAsking_ = false;           // the close-during-a-run questions are open
    bool closeConfirmed_ = false;        // they were answered: close without asking again
    bool closeRequested_ = false;
    QTimer closeGrace_;

    QString waitingCommand_;
    QElapsedTimer waitClock_;
    QTimer waitTick_;

    // The running line: counted from the last offset the run reported, shown
    // at most every kRunningLineMs.
    const char* runLineScript_ = nullptr;
    std::size_t runLineSize_ = 0;
    std::vector<std::size_t> runLineStarts_; // offset of each line of that script
    int runLineNumber_ = 0;
    bool runLinePending_ = false;
    QTimer runLineTimer_;
    void ApplyRunningLine();
    void ResetRunningLine();

    QString findString_;
    QString findScope_;
    // The control that has, or last had, the focus in this window; a dialog
    // of the window taking the focus leaves it as it was.
    QPointer<QWidget> activeControl_;
    QMetaObject::Connection focusWatch_;

    QLabel* lblCommand_ = nullptr;
    ScriptEditor* txtCommandList_ = nullptr;
    QLabel* lblResponse_ = nullptr;
    QPlainTextEdit* txtResponseList_ = nullptr;
    QLabel* lblDynamic_ = nullptr;
    QLineEdit* txtDynamic_ = nullptr;
    QPushButton* cmdDynamic_ = nullptr;
    QPushButton* cmdRunScript_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdExit_ = nullptr;
    QCheckBox* chkLog_ = nullptr;

    QMenu* mnuFile_ = nullptr;
    QAction* mnuNew_ = nullptr;
    QAction* mnuOpen_ = nullptr;
    QAction* mnuSave_ = nullptr;
    QAction* mnuSaveAs_ = nullptr;
    QAction* mnuExit_ = nullptr;
    QAction* menueditfind_ = nullptr;
    QAction* mnuLinebyLine_ = nullptr;
    QAction* mnuWholeScript_ = nullptr;
    QAction* mnuSendHardCancel_ = nullptr;
    QAction* mnuHostLink_ = nullptr;
    QAction* mnuContents_ = nullptr;
    QAction* menuhelpviewpdf_ = nullptr;
    QAction* mnuAbout_ = nullptr;
    LinkWindow* linkWindow_ = nullptr;
    RecentFiles* recentFiles_ = nullptr;
    WindowLayout* layout_ = nullptr;
    FontMenu* fontMenu_ = nullptr;
};

} // namespace talvex
