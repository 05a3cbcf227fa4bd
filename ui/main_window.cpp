// The main window: start-up and shut-down, script files, runs and run control.
#include "ui/main_window.h"

#include "engine/script_file.h"
#include "engine/window_state.h"
#include "ui/about_box.h"
#include "ui/editor_text.h"
#include "ui/find_form.h"
#include "ui/font_menu.h"
#include "ui/link_window.h"
#include "ui/recent_files.h"
#include "ui/script_editor.h"
#include "ui/script_highlighter.h"
#include "ui/script_saver.h"
#include "ui/twips.h"
#include "ui/user_dialogs.h"
#include "ui/window_layout.h"
#include "ui/window_link.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace talvex {

namespace {

constexpr std::string_view kCrLf = "\r\n";
// How often the pane widget catches up with the pane while a run appends.
constexpr int kPaneSyncMs = 30;
// The running line's mark moves at most 20 times a second: a tight script
// keeps its speed.
constexpr int kRunningLineMs = 50;

char LocaleDecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 128 ? static_cast<char>(point[0].unicode())
                                                         : '.';
}

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string S(const QString& text) {
    return text.toStdString();
}

QTextDocument* NewPlainDocument(QObject* parent) {
    auto* doc = new QTextDocument(parent);
    doc->setDocumentLayout(new QPlainTextDocumentLayout(doc));
    return doc;
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    const QFileInfo fa(Q(a)), fb(Q(b));
    const QString ca = fa.canonicalFilePath(), cb = fb.canonicalFilePath();
    if (!ca.isEmpty() && !cb.isEmpty()) return ca == cb;
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

bool HasDocument(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isReadable() && info.size() > 0;
}

// The manual: beside the program in a build tree, in share/doc/talvex once
// installed (the program then sits in bin/ of the same prefix).
QString ManualPath(const QString& programDir) {
    const QString beside = programDir + QStringLiteral("/talvex_help.pdf");
    if (HasDocument(beside)) return beside;
    const QString installed =
        QDir::cleanPath(programDir + QStringLiteral("/../share/doc/talvex/talvex_help.pdf"));
    return HasDocument(installed) ? installed : beside;
}

Environment WindowEnvironment(const HostLink& link) {
    Environment env = Environment::system();
    env.hostDir = [&link] { return link.HostDir().toStdString(); };
    env.decimalSeparator = LocaleDecimalSeparator();
    return env;
}

} // namespace

MainWindow::MainWindow(WindowLink& link, UserDialogs& dialogs, MainWindowOptions options,
                       QWidget* parent)
    : QMainWindow(parent), link_(link), dialogs_(dialogs), options_(std::move(options)),
      interp_(WindowEnvironment(link)) {
    RunnerSettings settings;
    settings.logFolder = S(options_.logFolder);
    runner_ = std::make_unique<ScriptRunner>(interp_, link_, *this, settings);

    setObjectName(QStringLiteral("Script"));
    setWindowTitle(Q(WindowState::kBaseCaption));
    baseCaption_ = windowTitle();
    documentTitle_ = baseCaption_;

    BuildControls();
    BuildMenus();
    linkWindow_ = new LinkWindow(link_, this);
    linkWindow_->hide();

    // The status bar sits below the design client area and adds to the
    // window's minimum height.
    statusBar()->setSizeGripEnabled(false);

    paneTimer_.setSingleShot(true);
    paneTimer_.setInterval(kPaneSyncMs);
    connect(&paneTimer_, &QTimer::timeout, this, &MainWindow::SyncPane);
    closeGrace_.setSingleShot(true);
    connect(&closeGrace_, &QTimer::timeout, this, &MainWindow::CloseGraceOver);
    runLineTimer_.setSingleShot(true);
    runLineTimer_.setInterval(kRunningLineMs);
    connect(&runLineTimer_, &QTimer::timeout, this, [this] {
        if (runLinePending_) ApplyRunningLine();
    });
    waitTick_.setInterval(1000);
    connect(&waitTick_, &QTimer::timeout, this, &MainWindow::ShowWaitStatus);

    link_.SetMessageHandler(
        [this](LinkMessageIcon icon, const QString& title, const QString& text) {
            SyncPane();
            dialogs_.Message(icon == LinkMessageIcon::Critical ? MessageKind::Critical
                                                               : MessageKind::Warning,
                             text, title.isEmpty() ? baseCaption_ : title);
        });
    connect(&link_, &WindowLink::linked, this,
            [this] { link_.SetDynReport(this, [this] { DynamicClicked(); }); });
    connect(&link_, &WindowLink::waitStarted, this, &MainWindow::WaitStarted);
    connect(&link_, &WindowLink::waitEnded, this, &MainWindow::WaitEnded);
    link_.SetHardCancelNotice([this] { ShowWaitStatus(); });
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now->window() == this) activeControl_ = now;
    });
}

MainWindow::~MainWindow() {
    // Closing the widget moves the focus while this object is half gone.
    disconnect(focusWatch_);
    link_.SetMessageHandler(nullptr);
    link_.ClearDynReport();
}

void MainWindow::BuildControls() {
    auto* client = new QWidget(this);
    client->setMinimumSize(Twips(WindowLayout::kMinClientWidth),
                           Twips(WindowLayout::kMinClientHeight));
    setCentralWidget(client);
    // The design geometry was drawn for an 8-point face; a larger desktop
    // default would cut the captions short.
    QFont design = font();
    design.setPointSizeF(8.25);
    client->setFont(design);

    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, Qt::blue);

    lblCommand_ = new QLabel(QStringLiteral("&List of KORVA RCL Commands:"), client);
    lblCommand_->setGeometry(TwipsRect(120, 60, 2220, 195));
    lblCommand_->setPalette(blue);
    lblCommand_->installEventFilter(this);

    txtCommandList_ = new ScriptEditor(client);
    txtCommandList_->setObjectName(QStringLiteral("txtCommandList"));
    txtCommandList_->setGeometry(TwipsRect(150, 300, 5175, 4395));
    txtCommandList_->setLineWrapMode(QPlainTextEdit::NoWrap);
    userDoc_ = NewPlainDocument(this);
    userDoc_->setDefaultFont(txtCommandList_->font());
    txtCommandList_->setDocument(userDoc_);
    connect(userDoc_, &QTextDocument::contentsChanged, this, [this] {
        fileSaved_ = false;
        editorTextCached_ = false;
    });
    lblCommand_->setBuddy(txtCommandList_);
    runDoc_ = NewPlainDocument(this);
    runDoc_->setDefaultFont(txtCommandList_->font());
    new ScriptHighlighter(userDoc_);
    new ScriptHighlighter(runDoc_);

    lblResponse_ = new QLabel(QStringLiteral("KORVA RCL Response:"), client);
    lblResponse_->setGeometry(TwipsRect(5400, 60, 1815, 195));
    lblResponse_->setPalette(blue);

    txtResponseList_ = new QPlainTextEdit(client);
    txtResponseList_->setObjectName(QStringLiteral("txtResponseList"));
    txtResponseList_->setGeometry(TwipsRect(5400, 300, 3495, 4395));
    txtResponseList_->setReadOnly(true);
    txtResponseList_->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtResponseList_->setUndoRedoEnabled(false);

    lblDynamic_ = new QLabel(QStringLiteral("Dynamic Return:"), client);
    lblDynamic_->setGeometry(TwipsRect(120, 4860, 1185, 195));
    lblDynamic_->setPalette(blue);

    txtDynamic_ = new QLineEdit(client);
    txtDynamic_->setObjectName(QStringLiteral("txtDynamic"));
    txtDynamic_->setGeometry(TwipsRect(1440, 4800, 7455, 315));
    txtDynamic_->setReadOnly(true);

    // At the right end of the dynamic line; the layout places it.
    cmdDynamic_ = new QPushButton(QStringLiteral("Dynamic Func"), client);
    cmdDynamic_->setGeometry(TwipsRect(3255, 4695, 1395, 375));
    connect(cmdDynamic_, &QPushButton::clicked, this, &MainWindow::DynamicClicked);

    cmdRunScript_ = new QPushButton(QStringLiteral("&Run Script"), client);
    cmdRunScript_->setGeometry(TwipsRect(150, 5220, 1575, 375));
    connect(cmdRunScript_, &QPushButton::clicked, this, &MainWindow::RunScriptClicked);

    cmdCancel_ = new QPushButton(QStringLiteral("&Cancel Script"), client);
    cmdCancel_->setGeometry(TwipsRect(1830, 5220, 1575, 375));
    connect(cmdCancel_, &QPushButton::clicked, this, &MainWindow::CancelClicked);

    cmdExit_ = new QPushButton(QStringLiteral("E&xit"), client);
    cmdExit_->setGeometry(TwipsRect(3510, 5220, 1575, 375));
    connect(cmdExit_, &QPushButton::clicked, this, &QWidget::close);

    chkLog_ = new QCheckBox(QStringLiteral("Log KORVA RCL Response to a file."), client);
    chkLog_->setGeometry(TwipsRect(5400, 5220, 2940, 375));
    for (auto [control, name] : {std::pair<QWidget*, const char*>{lblCommand_, "lblCommand"},
                                 {lblResponse_, "lblResponse"},
                                 {lblDynamic_, "lblDynamic"},
                                 {cmdDynamic_, "cmdDynamic"},
                                 {cmdRunScript_, "cmdRunScript"},
                                 {cmdCancel_, "cmdCancel"},
                                 {cmdExit_, "cmdExit"},
                                 {chkLog_, "chkLog"}})
        control->setObjectName(QLatin1String(name));
    // Captions keep their place and take the width their text needs.
    for (QWidget* caption :
         {static_cast<QWidget*>(lblCommand_), static_cast<QWidget*>(lblResponse_),
          static_cast<QWidget*>(lblDynamic_), static_cast<QWidget*>(chkLog_)})
        caption->resize(std::max(caption->width(), caption->sizeHint().width()), caption->height());
    layout_ = new WindowLayout({client, lblCommand_, txtCommandList_, lblResponse_,
                                txtResponseList_, lblDynamic_, txtDynamic_, cmdDynamic_,
                                cmdRunScript_, cmdCancel_, cmdExit_, chkLog_},
                               this);

    // The window sees these keys before the control that has the focus.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &MainWindow::EscapePressed);
    auto* f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    f3->setContext(Qt::WindowShortcut);
    connect(f3, &QShortcut::activated, this, &MainWindow::FindAgain);
}

void MainWindow::BuildMenus() {
    mnuFile_ = menuBar()->addMenu(QStringLiteral("&File"));
    mnuNew_ = mnuFile_->addAction(QStringLiteral("&New"), this, &MainWindow::NewClicked);
    mnuNew_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuOpen_ = mnuFile_->addAction(QStringLiteral("&Open..."), this, &MainWindow::OpenClicked);
    mnuOpen_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuSave_ = mnuFile_->addAction(QStringLiteral("&Save"), this, &MainWindow::SaveClicked);
    mnuSave_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuSaveAs_ =
        mnuFile_->addAction(QStringLiteral("Save &As..."), this, &MainWindow::SaveAsClicked);
    mnuFile_->addSeparator();
    mnuExit_ = mnuFile_->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
    recentFiles_ = new RecentFiles(mnuFile_, options_.settings, this);
    connect(recentFiles_, &RecentFiles::chosen, this, &MainWindow::HistoryClicked);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    menueditfind_ = edit->addAction(QStringLiteral("&Find"), this, &MainWindow::FindClicked);
    menueditfind_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    fontMenu_ = new FontMenu(
        edit, [this](const QFont& font) { SetPaneFont(font); }, this);

    QMenu* options = menuBar()->addMenu(QStringLiteral("Run &Options"));
    auto* mode = new QActionGroup(this);
    mode->setExclusive(true);
    mnuLinebyLine_ = options->addAction(QStringLiteral("Line by Line"));
    mnuWholeScript_ = options->addAction(QStringLiteral("Whole Script"));
    for (QAction* a : {mnuLinebyLine_, mnuWholeScript_}) {
        a->setCheckable(true);
        mode->addAction(a);
    }
    mnuLinebyLine_->setChecked(true);
    connect(mnuLinebyLine_, &QAction::toggled, this,
            [this](bool on) { runner_->SetLineByLine(on); });
    options->addSeparator();
    mnuSendHardCancel_ = options->addAction(QStringLiteral("&Send Hard Cancel"), this,
                                            &MainWindow::SendHardCancelClicked);
    mnuSendHardCancel_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    mnuHostLink_ = view->addAction(QStringLiteral("&Host Link..."), this, [this] {
        linkWindow_->show();
        linkWindow_->raise();
        linkWindow_->activateWindow();
    });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuContents_ = help->addAction(QStringLiteral("&Contents"), this, [this] {
        ShowDocument(options_.programDir + QStringLiteral("/talvex.hlp"));
    });
    mnuContents_->setVisible(false);
    menuhelpviewpdf_ = help->addAction(QStringLiteral("&View"), this,
                                       [this] { ShowDocument(ManualPath(options_.programDir)); });
    mnuAbout_ = help->addAction(QStringLiteral("&About"), this, &MainWindow::AboutClicked);
}

// ---- Start-up and shut-down ----

bool MainWindow::Load() {
    findString_.clear();
    findScope_.clear();
    if (!link_.Init(QString(), true)) return false;
    HelpMenuSet(false);
    placeAtCorner_ = true;
    fileSaved_ = true;
    baseCaption_ = Q(WindowState::kBaseCaption);
    link_.SetDynReport(this, [this] { DynamicClicked(); });
    // The first Open or Save As starts in the folder of the most recent script.
    const QString recent = recentFiles_->FillAtStart();
    currentFile_ = recent.isEmpty() ? std::string() : DirectoryOf(S(recent)) + "/";
    interp_.EchoMode = false;
    return true;
}

void MainWindow::OpenAtStart(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (!QFileInfo::exists(absolute)) {
        Message(MessageKind::Warning, S(QStringLiteral("File not found '%1'").arg(absolute)),
                S(baseCaption_));
        return;
    }
    SetBusyPointer(true);
    LoadedScriptFile loaded = LoadScriptFile(S(absolute));
    SetBusyPointer(false);
    if (!loaded.ok) {
        Message(MessageKind::Warning,
                "Unable to open " + S(absolute) + std::string(kCrLf) + loaded.error,
                S(baseCaption_));
        return;
    }
    LoadIntoEditor(loaded.text);
    PaneReplace("");
    currentFile_ = S(absolute);
    SetDocumentTitle(baseCaption_ + QStringLiteral(" - ") + Q(FileNameOf(currentFile_)));
    fileSaved_ = true;
    recentFiles_->Add(absolute);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!placeAtCorner_) return;
    placeAtCorner_ = false;
    // The frame, not the client area, goes to the screen's corner, or the
    // title bar lies above the screen and the window cannot be dragged. A
    // window manager frames the window only once it is shown.
    QTimer::singleShot(0, this, [this] { windowHandle()->setFramePosition(QPoint(0, 0)); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (runner_->Running()) {
        event->ignore();
        CloseDuringRun();
        return;
    }
    if (closeConfirmed_) {
        // Asked and answered before the run was stopped.
        Unload();
        event->accept();
        return;
    }
    // Form_QueryUnload.
    const int answer = FileSaveCheck();
    if (answer == kSaveCancel || saveAborted_) {
        event->ignore();
        return;
    }
    Unload();
    event->accept();
}

void MainWindow::Unload() {
    link_.Uninit(false);
    linkWindow_->close();
}

void MainWindow::CloseDuringRun() {
    if (closeRequested_ || closeAsking_) return;
    // A measurement is not lost to one click: both questions come before
    // anything is stopped, and either can still keep the run going.
    closeAsking_ = true;
    const bool stop = dialogs_.AskYesNo(QStringLiteral("A script is running. Stop it and close?"),
                                        baseCaption_) == Answer::Yes;
    const bool close = stop && FileSaveCheck() != kSaveCancel && !saveAborted_;
    closeAsking_ = false;
    if (!close) return;
    closeConfirmed_ = true;
    if (!runner_->Running()) {
        // The run ended while the questions were open.
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    // Stop the run at its next line and end the command it waits for; the
    // window closes once the run has unwound.
    closeRequested_ = true;
    runner_->CancelState = kStop;
    if (link_.IsLinked()) link_.HardCancel();
    closeGrace_.start(options_.closeGraceMs);
}

void MainWindow::CloseGraceOver() {
    if (!runner_->Running()) return;
    const Answer a = dialogs_.AskYesNo(
        QStringLiteral("The script has not stopped: KORVA does not answer the hard cancel."
                       "\r\nClose anyway?"),
        baseCaption_);
    if (a != Answer::Yes) {
        closeRequested_ = false;
        closeConfirmed_ = false;
        return;
    }
    // Dropping the link ends the wait for the host, which is left alone; the
    // run then stops at its next line and the window closes.
    runner_->CancelState = kStop;
    link_.DropLink();
}

// ---- The response pane ----

void MainWindow::PaneAppend(std::string_view text) {
    pane_.Append(text);
    MarkPaneChanged();
}

void MainWindow::PaneCutBack(std::size_t length) {
    pane_.CutBack(length);
    MarkPaneChanged();
}

void MainWindow::PaneReplace(std::string_view text) {
    pane_.Replace(text);
    MarkPaneChanged();
}

void MainWindow::ScrollToEnd() {
    scrollPending_ = true;
    MarkPaneChanged();
}

void MainWindow::MarkPaneChanged() {
    // The widget follows a few dozen times a second, not at every line: a
    // tight script appends and removes an echo for each of its lines.
    if (!paneTimer_.isActive()) paneTimer_.start();
}

void MainWindow::SyncPane() {
    paneTimer_.stop();
    const std::string& text = pane_.Text();
    if (text != paneShown_) {
        if (!paneShown_.empty() && text.size() > paneShown_.size() &&
            text.compare(0, paneShown_.size(), paneShown_) == 0 &&
            paneShown_.compare(paneShown_.size() - 2, 2, kCrLf) == 0) {
            // Only appended since: add the new lines.
            QTextCursor end(txtResponseList_->document());
            end.movePosition(QTextCursor::End);
            end.insertText(PaneDisplayText(std::string_view(text).substr(paneShown_.size())));
        } else {
            txtResponseList_->setPlainText(PaneDisplayText(text));
        }
        paneShown_ = text;
        scrollPending_ = true;
    }
    if (scrollPending_) {
        scrollPending_ = false;
        QTextCursor end(txtResponseList_->document());
        end.movePosition(QTextCursor::End);
        txtResponseList_->setTextCursor(end);
        txtResponseList_->ensureCursorVisible();
    }
}

std::string MainWindow::ShownResponse() const {
    QString text = txtResponseList_->toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return S(text);
}

// ---- The document around the editor ----

bool MainWindow::LogTicked() const {
    return chkLog_->isChecked();
}

void MainWindow::SetLogTicked(bool ticked) {
    chkLog_->setChecked(ticked);
}

std::string MainWindow::EditorText() const {
    // A run reads the script more than once as it starts; a long script is
    // converted once.
    if (!editorTextCached_) {
        editorText_ = EditorDocumentText(*userDoc_);
        editorTextCached_ = true;
    }
    return editorText_;
}

void MainWindow::LoadIntoEditor(const std::string& text) {
    SetEditorDocumentText(*userDoc_, text);
    userDoc_->clearUndoRedoStacks();
    // As a new document has it: Find searches from the caret.
    if (txtCommandList_->document() == userDoc_)
        txtCommandList_->setTextCursor(QTextCursor(userDoc_));
}

void MainWindow::SetEditorText(std::string_view text) {
    if (!runner_->Running()) {
        LoadIntoEditor(std::string(text));
        return;
    }
    // A run shows the script it calls or chains to; the user's script, with
    // every edit made before or during the run, stays as it is.
    if (text == runStartText_) {
        ShowUserDocument();
        return;
    }
    SetEditorDocumentText(*runDoc_, text);
    if (txtCommandList_->document() != runDoc_) {
        txtCommandList_->setDocument(runDoc_);
        txtCommandList_->setReadOnly(true);
    }
    ResetRunningLine();
}

void MainWindow::ShowUserDocument() {
    if (txtCommandList_->document() == userDoc_) return;
    txtCommandList_->setDocument(userDoc_);
    txtCommandList_->setReadOnly(false);
    runDoc_->clear();
    ResetRunningLine();
}

std::string MainWindow::Title() const {
    return S(windowTitle());
}

void MainWindow::SetTitle(std::string_view title) {
    if (runner_->Running())
        setWindowTitle(Q(title)); // the script a run shows; the document's title comes back
    else
        SetDocumentTitle(Q(title));
}

void MainWindow::SetPaneFont(const QFont& font) {
    txtCommandList_->setFont(font);
    txtResponseList_->setFont(font);
    // The script a run shows has a document of its own.
    userDoc_->setDefaultFont(font);
    runDoc_->setDefaultFont(font);
}

void MainWindow::SetDocumentTitle(const QString& title) {
    documentTitle_ = title;
    setWindowTitle(title);
}

void MainWindow::SetFileSaved(bool saved) {
    // While a run calls or chains, the flag belongs to the user's script,
    // which the run does not change.
    if (!runner_->Running()) fileSaved_ = saved;
}

std::string MainWindow::CurrentFile() const {
    if (runner_->Running() && runCurrentFile_) return *runCurrentFile_;
    return currentFile_;
}

void MainWindow::SetCurrentFile(std::string_view path) {
    if (runner_->Running())
        runCurrentFile_ = std::string(path); // a chained script, for this run only
    else
        currentFile_ = path;
}

// ---- Message boxes and dialogs ----

void MainWindow::Message(MessageKind kind, std::string_view text, std::string_view title) {
    SyncPane();
    if (closeRequested_) return; // the user is closing; the run only unwinds
    dialogs_.Message(kind, Q(text), title.empty() ? baseCaption_ : Q(title));
}

Answer MainWindow::AskYesNo(std::string_view text, std::string_view title) {
    SyncPane();
    return dialogs_.AskYesNo(Q(text), title.empty() ? baseCaption_ : Q(title));
}

Answer MainWindow::AskYesNoCancel(std::string_view text, std::string_view title) {
    SyncPane();
    return dialogs_.AskYesNoCancel(Q(text), title.empty() ? baseCaption_ : Q(title));
}

std::string MainWindow::AskLogFile(std::string_view proposedName) {
    for (;;) {
        FileDialogSetup setup;
        setup.title = QStringLiteral("Log Responses");
        setup.fileName = Q(proposedName);
        const std::string folder = DirectoryOf(proposedName);
        setup.folder = folder.empty() ? options_.programDir : Q(folder);
        setup.filters = {QStringLiteral("Response File(*.log)"), QStringLiteral("All Files(*.*)")};
        setup.defaultSuffix = QStringLiteral("log");
        const std::string chosen = S(dialogs_.SaveFileName(setup));
        if (chosen.empty() || !SameFile(chosen, currentFile_)) return chosen;
        Message(MessageKind::Warning,
                "The response log cannot be the script file itself:" + std::string(kCrLf) + chosen,
                "Log Responses");
    }
}

void MainWindow::SetBusyPointer(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    // The window's pointer, not the program's: a message box shown during a
    // run keeps its arrow. The panes set pointers of their own, kept aside.
    if (busy) {
        paneCursors_ = {txtCommandList_->viewport()->cursor(),
                        txtResponseList_->viewport()->cursor()};
        for (QWidget* w : {static_cast<QWidget*>(this), txtCommandList_->viewport(),
                           txtResponseList_->viewport()})
            w->setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
        txtCommandList_->viewport()->setCursor(paneCursors_[0]);
        txtResponseList_->viewport()->setCursor(paneCursors_[1]);
    }
}

void MainWindow::SetRunControlsEnabled(bool enabled) {
    mnuFile_->menuAction()->setEnabled(enabled);
    // The entries too, so their shortcuts rest with the menu.
    for (QAction* a : {mnuNew_, mnuOpen_, mnuSave_, mnuSaveAs_, mnuExit_})
        a->setEnabled(enabled);
    cmdRunScript_->setEnabled(enabled);
    cmdExit_->setEnabled(enabled);
    chkLog_->setEnabled(enabled);
}

void MainWindow::ShowRunningLine(std::string_view script, std::size_t offset) {
    offset = std::min(offset, script.size());
    // One index of line starts per script, so every line, a far jump or a
    // subroutine at the end included, costs a binary search and no more.
    if (script.data() != runLineScript_ || script.size() != runLineSize_) {
        runLineScript_ = script.data();
        runLineSize_ = script.size();
        runLineStarts_.assign(1, 0);
        for (std::size_t at = script.find(kCrLf); at != std::string_view::npos;
             at = script.find(kCrLf, at + 2))
            runLineStarts_.push_back(at + 2);
    }
    const auto after = std::upper_bound(runLineStarts_.begin(), runLineStarts_.end(), offset);
    runLineNumber_ = static_cast<int>(after - runLineStarts_.begin()) - 1;
    runLinePending_ = true;
    if (!runLineTimer_.isActive()) ApplyRunningLine();
}

void MainWindow::ApplyRunningLine() {
    runLinePending_ = false;
    txtCommandList_->SetRunningLine(runLineNumber_);
    runLineTimer_.start();
}

void MainWindow::ResetRunningLine() {
    runLineScript_ = nullptr;
    runLinePending_ = false;
    runLineTimer_.stop();
    txtCommandList_->SetRunningLine(-1);
}

void MainWindow::Yield() {
    QCoreApplication::processEvents();
}

// ---- Script files ----

int MainWindow::FileSaveCheck() {
    saveAborted_ = false;
    if (fileSaved_) return kNothingAsked;
    const Answer a = dialogs_.AskYesNoCancel(
        QStringLiteral("Changes have been made in your current Script File.  Do you want to "
                       "save the changes?"),
        baseCaption_);
    if (a == Answer::No) return kSaveNo;
    if (a == Answer::Cancel) return kSaveCancel;
    SaveClicked();
    if (!fileSaved_) {
        // Yes, but nothing was saved (the dialog cancelled, or the write
        // failed): the changes are kept, whatever the user was about to do.
        saveAborted_ = true;
        return kSaveCancel;
    }
    return kSaveYes;
}

void MainWindow::NewClicked() {
    if (runner_->Running() || FileSaveCheck() == kSaveCancel) return;
    LoadIntoEditor(std::string());
    PaneReplace("");
    SyncPane();
    currentFile_.clear();
    SetDocumentTitle(baseCaption_);
    fileSaved_ = true;
}

void MainWindow::OpenClicked() {
    if (runner_->Running() || FileSaveCheck() == kSaveCancel) return;
    std::string name = currentFile_;
    if (FileNameOf(name).find('.') == std::string::npos) name += ".tvx";
    const QString chosen = ShowFileDialog(Q(name), QStringLiteral("Open File"), false);
    if (chosen.isEmpty()) return;

    SetBusyPointer(true);
    LoadedScriptFile loaded = LoadScriptFile(S(chosen));
    SetBusyPointer(false);
    if (!loaded.ok) {
        // Nothing changes: the editor keeps its script and its file.
        Message(MessageKind::Warning,
                "Unable to open " + S(chosen) + std::string(kCrLf) + loaded.error, "");
        return;
    }
    LoadIntoEditor(loaded.text);
    PaneReplace("");
    SyncPane();
    currentFile_ = S(chosen);
    SetDocumentTitle(baseCaption_ + QStringLiteral(" - ") + Q(FileNameOf(currentFile_)));
    fileSaved_ = true;
    recentFiles_->Add(chosen);
}

void MainWindow::SaveClicked() {
    if (BaseNameOf(currentFile_).empty()) {
        SaveAsClicked();
        return;
    }
    SetBusyPointer(true);
    QString error;
    const bool ok = WriteScriptFile(Q(currentFile_), EditorText(), error);
    SetBusyPointer(false);
    if (!ok) {
        Message(MessageKind::Warning,
                "Unable to save " + currentFile_ + std::string(kCrLf) + S(error), "");
        return;
    }
    fileSaved_ = true;
}

void MainWindow::SaveAsClicked() {
    std::string name = currentFile_;
    if (FileNameOf(name).find('.') == std::string::npos) name += ".tvx";
    const QString chosen = ShowFileDialog(Q(name), QStringLiteral("Save File As"), true);
    if (chosen.isEmpty()) {
        saveAborted_ = true;
        return;
    }
    SetBusyPointer(true);
    QString error;
    const bool ok = WriteScriptFile(chosen, EditorText(), error);
    SetBusyPointer(false);
    if (!ok) {
        Message(MessageKind::Warning, "Unable to save " + S(chosen) + std::string(kCrLf) + S(error),
                "");
        return;
    }
    currentFile_ = S(chosen);
    fileSaved_ = true;
    SetDocumentTitle(baseCaption_ + QStringLiteral(" - ") + Q(FileNameOf(currentFile_)));
    recentFiles_->Add(chosen);
}

void MainWindow::HistoryClicked(int index) {
    if (runner_->Running() || FileSaveCheck() == kSaveCancel) return;
    const QString path = recentFiles_->PathOf(index);
    if (!QFileInfo(path).isFile()) {
        Message(MessageKind::Plain, S(QStringLiteral("File not found '%1'").arg(path)), "");
        LoadIntoEditor(std::string());
        PaneReplace("");
        SyncPane();
        currentFile_.clear();
        SetDocumentTitle(baseCaption_);
        fileSaved_ = true;
        recentFiles_->Remove(index);
        return;
    }
    SetBusyPointer(true);
    LoadedScriptFile loaded = LoadScriptFile(S(path));
    SetBusyPointer(false);
    if (!loaded.ok) {
        // Unreadable as any Open: the editor keeps its script and its file.
        Message(MessageKind::Warning,
                "Unable to open " + S(path) + std::string(kCrLf) + loaded.error, "");
        return;
    }
    recentFiles_->MoveToTop(index);
    LoadIntoEditor(loaded.text);
    PaneReplace("");
    SyncPane();
    currentFile_ = S(path);
    SetDocumentTitle(baseCaption_ + QStringLiteral(" - ") + Q(FileNameOf(currentFile_)));
    fileSaved_ = true;
}

QString MainWindow::ShowFileDialog(const QString& fileName, const QString& title, bool save) {
    const std::string path = S(fileName);
    std::string folder = DirectoryOf(path);
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
    setup.folder = initial.empty() ? options_.programDir : Q(initial);
    if (!f.empty()) setup.fileName = Q(plain ? f + "." + ext : f);
    setup.filters = {Q("(*." + ext + ")")};
    if (plain) setup.defaultSuffix = Q(ext);
    return save ? dialogs_.SaveFileName(setup) : dialogs_.OpenFileName(setup);
}

// ---- Runs and run control ----

void MainWindow::RunScriptClicked() {
    StartRun(false);
}

void MainWindow::CommandLabelClicked() {
    if (cmdRunScript_->isEnabled()) StartRun(true);
}

void MainWindow::StartRun(bool listOnly) {
    if (runner_->Running()) return;
    runStartText_ = EditorText();
    runCurrentFile_.reset();
    if (listOnly)
        runner_->ListOnlyRun();
    else
        runner_->RunScript();
    AfterRun();
}

void MainWindow::AfterRun() {
    // The user's script comes back with its own file and title, whatever the
    // run called or chained.
    ShowUserDocument();
    ResetRunningLine();
    runCurrentFile_.reset();
    runStartText_.clear();
    setWindowTitle(documentTitle_);
    SetBusyPointer(false);
    WaitEnded();
    SyncPane();
    closeGrace_.stop();
    if (closeRequested_) {
        closeRequested_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void MainWindow::CancelClicked() {
    // A host being started on demand is given up, and the process it began ended.
    if (link_.Starting()) link_.CancelStart();
    runner_->CancelButton();
}

void MainWindow::EscapePressed() {
    if (!cmdRunScript_->isEnabled()) runner_->EscapeKey();
}

void MainWindow::SendHardCancelClicked() {
    link_.HardCancel();
    // The line goes to the user's script, also while a run shows another.
    const QTextBlock last = userDoc_->lastBlock();
    const bool endsWithBreak = userDoc_->blockCount() > 1 && last.length() == 1;
    QTextCursor end(userDoc_);
    end.movePosition(QTextCursor::End);
    end.insertText(endsWithBreak ? QStringLiteral("hardcancel") : QStringLiteral("\nhardcancel"));
}

void MainWindow::DynamicClicked() {
    txtDynamic_->setText(Q(link_.DynReturn()));
}

void MainWindow::FindClicked() {
    FindForm form(findString_, this);
    if (form.exec() != QDialog::Accepted) return;
    findString_ = form.Text();
    FindAgain();
}

void MainWindow::FindAgain() {
    QPlainTextEdit* pane = activeControl_ == txtResponseList_ ? txtResponseList_ : txtCommandList_;
    findScope_ = pane == txtResponseList_ ? QStringLiteral(" response") : QStringLiteral(" script");
    FindNext(pane);
}

void MainWindow::FindNext(QPlainTextEdit* pane) {
    if (findString_.isEmpty()) return;
    const QTextCursor cursor = pane->textCursor();
    int start = cursor.selectionStart();
    if (pane == activeControl_) start += cursor.selectionEnd() - cursor.selectionStart();
    const QString text = pane->document()->toPlainText();
    const qsizetype at = text.indexOf(findString_, start, Qt::CaseInsensitive);
    if (at < 0) {
        Message(MessageKind::Plain,
                S(QStringLiteral("Unable to find '") + findString_ +
                  QStringLiteral("' in remainder of") + findScope_ + QStringLiteral(" text.")),
                "");
        return;
    }
    QTextCursor match(pane->document());
    match.setPosition(static_cast<int>(at));
    match.setPosition(static_cast<int>(at + findString_.size()), QTextCursor::KeepAnchor);
    pane->setTextCursor(match);
    pane->setFocus();
    activeControl_ = pane;
    QCoreApplication::processEvents();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblCommand_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        CommandLabelClicked();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- The status bar while a command waits ----

void MainWindow::WaitStarted(const QString& command) {
    waitingCommand_ = command;
    waitClock_.start();
    ShowWaitStatus();
    waitTick_.start();
}

void MainWindow::WaitEnded() {
    if (waitingCommand_.isNull()) return;
    waitTick_.stop();
    waitingCommand_ = QString();
    statusBar()->clearMessage();
}

void MainWindow::ShowWaitStatus() {
    if (link_.HardCancelUnanswered()) {
        statusBar()->showMessage(QStringLiteral("KORVA does not answer the hard cancel"));
        return;
    }
    // The tick comes about each second; round so it reads 1, 2, 3 ...
    const qint64 seconds = (waitClock_.elapsed() + 500) / 1000;
    statusBar()->showMessage(QStringLiteral("Waiting %1 s for KORVA: %2    (Ctrl+E sends a hard "
                                            "cancel)")
                                 .arg(seconds)
                                 .arg(waitingCommand_));
}

QString MainWindow::StatusText() const {
    return statusBar()->currentMessage();
}

// ---- Help and About ----

int MainWindow::HelpMenuSet(bool) {
    menuhelpviewpdf_->setVisible(HasDocument(ManualPath(options_.programDir)));
    mnuContents_->setVisible(HasDocument(options_.programDir + "/talvex.hlp"));
    return 1;
}

bool MainWindow::ShowDocument(const QString& path) {
    if (dialogs_.OpenDocument(path)) return false;
    Message(MessageKind::Information, S(QStringLiteral("Unable to display ") + path), "");
    return true;
}

void MainWindow::AboutClicked() {
    AboutBox about(Environment::system().version, this);
    about.exec();
}

} // namespace talvex
