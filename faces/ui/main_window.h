// The main window "KORVA Automated Script Program" as Qt widgets: the script
// editor, the response pane, the run, cancel and exit buttons, the log check
// box, the dynamic-data line, the status bar and the menus. What they do is
// the window core's; this face builds them from the core's design table,
// forwards their events and shows what the core asks.
#pragma once

#include "windowcore/window_core.h"
#include "windowcore/window_layout.h"

#include <QCursor>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>

#include <array>
#include <memory>

class QAction;
class QListWidget;
class QPlainTextEdit;
class QTextDocument;

namespace talvex {

class LinkWindow;
class ScriptEditor;

struct MainWindowOptions {
    QString programDir; // the program's folder: help documents, dialogs' first folder
    QString logFolder;  // where a run's default log file goes
    int closeGraceMs = 5000;
    char decimalSeparator = '.'; // the user's locale's, for the engine's number texts
};

class MainWindow : public QMainWindow, public WindowFace {
    Q_OBJECT
public:
    MainWindow(WindowLinkPort& link, WindowDialogs& dialogs, SettingsPort& settings,
               MainWindowOptions options, QWidget* parent = nullptr);
    ~MainWindow() override;

    WindowCore& core() { return *core_; }
    // Form_Load; false when no host could be linked (the program ends).
    bool Load();
    void OpenAtStart(const QString& path);
    ScriptEditor* editor() const { return editor_; }
    LinkWindow* linkWindow() const { return linkWindow_; }

    // The face.
    void SetCaption(std::string_view caption) override;
    void SetStatus(std::string_view text) override;
    void SetBusyPointer(bool busy) override;
    void SetRunControlsEnabled(bool enabled) override;
    bool LogTicked() const override;
    void SetLogTicked(bool ticked) override;
    void SetDynamicText(std::string_view text) override;
    void SetHelpEntries(bool view, bool contents) override;
    void SetRecentEntries(const std::vector<std::string>& paths, bool separator) override;
    void PostClose() override;
    void ProcessEvents() override;
    std::string EditorText() const override;
    void LoadEditor(std::string_view text) override;
    void AppendEditorLine(std::string_view line) override;
    void ShowRunDocument(std::string_view text) override;
    void ShowUserDocument() override;
    void SetRunningLine(int line) override;
    void UpdatePane(std::string_view shown, std::string_view text) override;
    void ScrollPaneToEnd() override;
    std::optional<TextPane> FocusPane() const override;
    std::u16string PaneSearchText(TextPane pane) const override;
    std::pair<std::size_t, std::size_t> PaneSelection(TextPane pane) const override;
    void SelectInPane(TextPane pane, std::size_t start, std::size_t end) override;
    void StartTimer(WindowTimer timer, int ms) override;
    void StopTimer(WindowTimer timer) override;
    bool TimerActive(WindowTimer timer) const override;
    WindowDialogs& Dialogs() override { return dialogs_; }
    void RefreshLinkWindow() override;
    void ShowFindings(const std::vector<Finding>& findings) override;
    void SetFindingsPaneVisible(bool visible) override;
    void GoToScriptLine(long line, long column) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void PlaceControls();
    QWidget* ControlOf(Control c) const { return controls_[static_cast<std::size_t>(c)]; }
    QPlainTextEdit* PaneOf(TextPane pane) const;
    QTimer& TimerOf(WindowTimer timer) { return timers_[static_cast<std::size_t>(timer)]; }

    WindowDialogs& dialogs_;
    std::unique_ptr<WindowCore> core_;
    WindowLayout layout_;
    std::array<QWidget*, kControlCount> controls_{};
    std::array<QTimer, kWindowTimerCount> timers_;

    QWidget* client_ = nullptr;
    ScriptEditor* editor_ = nullptr;
    QPlainTextEdit* response_ = nullptr;
    QTextDocument* userDoc_ = nullptr;       // the user's script
    QTextDocument* runDoc_ = nullptr;        // a script a run calls or chains to, read-only
    QListWidget* findings_ = nullptr;        // the script check's list below the editor
    QList<QTextEdit::ExtraSelection> marks_; // the findings under the user's script
    QAction* fileMenu_ = nullptr;
    std::vector<QAction*> runLocked_; // what a run disables
    QAction* helpView_ = nullptr;
    QAction* helpContents_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    std::array<QAction*, RecentFiles::kHistoryMax> recent_{};
    LinkWindow* linkWindow_ = nullptr;

    bool busy_ = false;
    std::array<QCursor, 2> paneCursors_; // the panes' own pointers while the window is busy
    bool placeAtCorner_ = false;
    // The control that has, or last had, the focus in this window; a dialog
    // of the window taking the focus leaves it as it was.
    QPointer<QWidget> activeControl_;
    QMetaObject::Connection focusWatch_;
};

} // namespace talvex
