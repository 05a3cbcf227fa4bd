// The main window "KORVA Automated Script Program" as Win32 controls: the
// script editor and the response pane (RichEdit), the run, cancel and exit
// buttons, the log check box, the dynamic-data line, the status bar and the
// menus. What they do is the window core's; this face builds them from the
// core's design table scaled to the window's DPI, forwards their events and
// shows what the core asks.
#pragma once

#include "ddelink/message_pump.h"
#include "win32/finding_marks.h"
#include "win32/findings_list.h"
#include "win32/link_window.h"
#include "win32/response_view.h"
#include "win32/rich_pane.h"
#include "win32/window_timers.h"
#include "windowcore/window_core.h"
#include "windowcore/window_layout.h"

#include <array>
#include <chrono>
#include <memory>
#include <optional>

namespace talvex {

struct MainWindowOptions {
    std::string programDir; // the program's folder: help documents, dialogs' first folder
    std::string logFolder;  // where a run's default log file goes
    int closeGraceMs = 5000;
};

// The menu entries' command ids.
enum MenuCommand : int {
    kCmdNew = 1001,
    kCmdOpen,
    kCmdSave,
    kCmdSaveAs,
    kCmdExit,
    kCmdHistory1 = 1011, // to kCmdHistory1 + 8
    kCmdFind = 1020,
    kCmdFont8 = 1030,
    kCmdFont9,
    kCmdFont10,
    kCmdFont12,
    kCmdCourier,
    kCmdSansSerif,
    kCmdTimesRoman,
    kCmdLineByLine = 1040,
    kCmdWholeScript,
    kCmdHardCancel,
    kCmdHostLink = 1050,
    kCmdCheckList,
    kCmdContents = 1060,
    kCmdHelpView,
    kCmdAbout,
    // Keys of the window, not of a menu.
    kCmdEscape = 1070,
    kCmdFindAgain,
    kCmdEditorFocus,
};

class MainWindow : public WindowFace {
public:
    MainWindow(MessagePump& pump, WindowLinkPort& link, WindowDialogs& dialogs,
               SettingsPort& settings, MainWindowOptions options);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    WindowCore& core() { return *core_; }
    // Form_Load; false when no host could be linked (the program ends).
    bool Load();
    void OpenAtStart(const std::string& path);
    void Show(int how);
    // The window has been closed and destroyed.
    bool Closed() const { return closed_; }

    HWND ControlHandle(Control c) const { return controls_[static_cast<std::size_t>(c)]; }
    HWND StatusBar() const { return status_; }
    RichPane& ScriptPane() { return showingRun_ ? *runEdit_ : *userEdit_; }
    RichPane& ResponsePane() { return *response_; }
    // The response pane holds all of the pane's text (it holds only the
    // last lines for a moment after a refill during a run).
    bool ResponseComplete() const { return !responseView_->Partial(); }
    LinkWindow& Link() { return *linkWindow_; }
    // The script check's list below the editor.
    HWND FindingsListHandle() const { return findingsList_->Handle(); }
    const FindingMarks& Marks() const { return *marks_; }
    int Dpi() const { return dpi_; }

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
    void ShowFindings(const std::vector<Finding>& findings) override;
    void SetFindingsPaneVisible(bool visible) override;
    void GoToScriptLine(long line, long column) override;
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

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK KeyHook(int code, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void BuildControls();
    void BuildMenus();
    void ApplyDpi(int dpi);
    void FitCaptions();
    void PlaceControls();
    void Resized();
    void Command(int id);
    void ApplyFont();
    bool KeyCommand(const MSG& msg);
    RichPane& PaneOf(TextPane pane) const;
    // Has the response pane take back the lines it held out, once the
    // events waiting now are through.
    void CompletePaneSoon();
    // The busy pointer shows once the window has been busy for a moment.
    void BusyPointerDue();
    void ShowBusyPointer(bool busy);
    HWND FocusControl() const;

    MessagePump& pump_;
    WindowDialogs& dialogs_;
    HWND hwnd_ = nullptr;
    HWND status_ = nullptr;
    HMENU menuBar_ = nullptr, fileMenu_ = nullptr, editMenu_ = nullptr, optionsMenu_ = nullptr,
          viewMenu_ = nullptr, helpMenu_ = nullptr;
    HHOOK keyHook_ = nullptr;
    std::unique_ptr<WindowCore> core_;
    WindowLayout layout_;
    std::array<HWND, kControlCount> controls_{};
    std::unique_ptr<RichPane> userEdit_, runEdit_, response_;
    std::unique_ptr<ResponseView> responseView_;
    bool completePosted_ = false;
    std::unique_ptr<FindingMarks> marks_; // in the user's script
    std::unique_ptr<FindingsList> findingsList_;
    std::unique_ptr<LinkWindow> linkWindow_;
    WindowTimers timers_;
    HFONT designFont_ = nullptr;
    HBRUSH face_ = nullptr;
    int dpi_ = 96;
    bool busy_ = false;        // the core's busy pointer
    bool pointerBusy_ = false; // the one shown, once busy_ lasted a moment
    std::chrono::steady_clock::time_point busySince_{};
    bool closed_ = false;
    bool showingRun_ = false;
    bool runControlsEnabled_ = true;
    std::array<bool, 2> helpShown_{false, true}; // Contents, View
    std::vector<std::string> recent_;
    bool recentSeparator_ = false;
    std::wstring fontFace_ = L"MS Sans Serif";
    int fontTwips_ = 165;
    HWND activeControl_ = nullptr; // has, or last had, the focus in this window
    // What the response pane's last catching up with the run cost.
    std::optional<std::chrono::steady_clock::time_point> paneSyncStart_;
    std::chrono::steady_clock::duration paneSyncCost_{};
    std::chrono::steady_clock::duration runningLineCost_{}; // the last move of its mark
    std::chrono::steady_clock::time_point nextEvents_{};    // a run's next look at the queue
    POINT mouse_{};
};

} // namespace talvex
