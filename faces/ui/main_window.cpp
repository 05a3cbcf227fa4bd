// The main window's widgets and their wiring to the window core.
#include "ui/main_window.h"

#include "ui/link_window.h"
#include "ui/script_editor.h"
#include "ui/script_highlighter.h"
#include "ui/twips.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QWindow>

namespace talvex {

namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QTextDocument* NewPlainDocument(QObject* parent) {
    auto* doc = new QTextDocument(parent);
    doc->setDocumentLayout(new QPlainTextDocumentLayout(doc));
    return doc;
}

QRect Pixels(const DesignRect& r) {
    return TwipsRect(r.x, r.y, r.width, r.height);
}

} // namespace

MainWindow::MainWindow(WindowLinkPort& link, WindowDialogs& dialogs, SettingsPort& settings,
                       MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Script"));
    BuildControls();
    BuildMenus();
    WindowCoreOptions core;
    core.programDir = options.programDir.toStdString();
    core.logFolder = options.logFolder.toStdString();
    core.decimalSeparator = options.decimalSeparator;
    core.closeGraceMs = options.closeGraceMs;
    core_ = std::make_unique<WindowCore>(*this, link, settings, std::move(core));
    setWindowTitle(Q(core_->Title()));
    linkWindow_ = new LinkWindow(*core_, this);
    linkWindow_->hide();
    // The status bar sits below the design client area and adds to the
    // window's minimum height.
    statusBar()->setSizeGripEnabled(false);
    for (std::size_t i = 0; i < timers_.size(); ++i) {
        timers_[i].setSingleShot(true);
        connect(&timers_[i], &QTimer::timeout, this,
                [this, i] { core_->TimerFired(static_cast<WindowTimer>(i)); });
    }
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && now->window() == this) activeControl_ = now;
    });
}

MainWindow::~MainWindow() {
    // Closing the widget moves the focus while this object is half gone.
    disconnect(focusWatch_);
    core_.reset();
}

void MainWindow::BuildControls() {
    client_ = new QWidget(this);
    client_->setMinimumSize(Twips(WindowDesign::kMinClientWidth),
                            Twips(WindowDesign::kMinClientHeight));
    setCentralWidget(client_);
    // The design geometry was drawn for an 8-point face; a larger desktop
    // default would cut the captions short.
    QFont design = font();
    design.setPointSizeF(8.25);
    client_->setFont(design);
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, Qt::blue);

    editor_ = new ScriptEditor(client_);
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    userDoc_ = NewPlainDocument(this);
    runDoc_ = NewPlainDocument(this);
    for (QTextDocument* doc : {userDoc_, runDoc_}) {
        doc->setDefaultFont(editor_->font());
        new ScriptHighlighter(doc);
    }
    editor_->setDocument(userDoc_);
    connect(userDoc_, &QTextDocument::contentsChanged, this, [this] {
        if (core_) core_->EditorChanged();
    });
    response_ = new QPlainTextEdit(client_);
    response_->setReadOnly(true);
    response_->setLineWrapMode(QPlainTextEdit::NoWrap);
    response_->setUndoRedoEnabled(false);
    findings_ = new QListWidget(client_);
    findings_->setObjectName(QStringLiteral("lstFindings"));
    findings_->hide();
    connect(findings_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        core_->FindingClicked(std::size_t(findings_->row(item)));
    });
    connect(findings_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        core_->FindingClicked(std::size_t(findings_->row(item)));
    });
    auto* dynamic = new QLineEdit(client_);
    dynamic->setReadOnly(true);
    auto button = [this](const ControlDesign& d, void (WindowCore::*click)()) {
        auto* b = new QPushButton(Q(d.caption), client_);
        connect(b, &QPushButton::clicked, this, [this, click] { (core_.get()->*click)(); });
        return b;
    };
    for (const ControlDesign& d : kWindowDesign) {
        QWidget* w = nullptr;
        switch (d.control) {
        case Control::txtCommandList:
            w = editor_;
            break;
        case Control::txtResponseList:
            w = response_;
            break;
        case Control::txtDynamic:
            w = dynamic;
            break;
        case Control::cmdDynamic:
            w = button(d, &WindowCore::DynamicClicked);
            break;
        case Control::cmdRunScript:
            w = button(d, &WindowCore::RunScriptClicked);
            break;
        case Control::cmdCancel:
            w = button(d, &WindowCore::CancelClicked);
            break;
        case Control::cmdExit:
            w = new QPushButton(Q(d.caption), client_);
            connect(static_cast<QPushButton*>(w), &QPushButton::clicked, this, &QWidget::close);
            break;
        case Control::chkLog:
            w = new QCheckBox(Q(d.caption), client_);
            break;
        default: {
            auto* label = new QLabel(Q(d.caption), client_);
            label->setPalette(blue);
            w = label;
        }
        }
        w->setObjectName(Q(d.name));
        w->setGeometry(Pixels(d.rect));
        controls_[static_cast<std::size_t>(d.control)] = w;
    }
    static_cast<QLabel*>(ControlOf(Control::lblCommand))->setBuddy(editor_);
    ControlOf(Control::lblCommand)->installEventFilter(this);
    // Captions keep their place and take the width their text needs.
    for (Control c :
         {Control::lblCommand, Control::lblResponse, Control::lblDynamic, Control::chkLog})
        layout_.FitCaption(c, ControlOf(c)->sizeHint().width() * WindowDesign::kTwipsPerPixel);
    client_->setMouseTracking(true);
    client_->installEventFilter(this);
    for (QWidget* pane : {static_cast<QWidget*>(editor_), static_cast<QWidget*>(response_)})
        pane->installEventFilter(this);
    PlaceControls();

    // The window sees these keys before the control that has the focus.
    for (auto [key, call] : {std::pair{Qt::Key_Escape, &WindowCore::EscapePressed},
                             std::pair{Qt::Key_F3, &WindowCore::FindAgain}}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, call] { (core_.get()->*call)(); });
    }
}

void MainWindow::PlaceControls() {
    for (const ControlDesign& d : kWindowDesign)
        ControlOf(d.control)->setGeometry(Pixels(layout_.Rect(d.control)));
    findings_->setGeometry(Pixels(layout_.FindingsRect()));
}

void MainWindow::SetFindingsPaneVisible(bool visible) {
    if (visible == layout_.FindingsShown()) return;
    layout_.SetFindingsShown(visible);
    findings_->setVisible(visible);
    PlaceControls();
}

bool MainWindow::Load() {
    if (!core_->Load()) return false;
    placeAtCorner_ = true;
    return true;
}

void MainWindow::OpenAtStart(const QString& path) {
    core_->OpenAtStart(QFileInfo(path).absoluteFilePath().toStdString());
}

// ---- Events ----

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
    if (!core_->CloseRequested()) {
        event->ignore();
        return;
    }
    linkWindow_->close();
    event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const auto twips = [](QEvent* e) {
        const QPointF p = static_cast<QMouseEvent*>(e)->position();
        return std::pair{static_cast<int>(p.x() * WindowDesign::kTwipsPerPixel),
                         static_cast<int>(p.y() * WindowDesign::kTwipsPerPixel)};
    };
    if (watched == ControlOf(Control::lblCommand)) {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            core_->CommandLabelClicked();
            return true;
        }
    } else if (watched == client_) {
        switch (event->type()) {
        case QEvent::Resize:
            if (isMinimized()) break;
            layout_.Resize(client_->width() * WindowDesign::kTwipsPerPixel,
                           client_->height() * WindowDesign::kTwipsPerPixel);
            PlaceControls();
            break;
        case QEvent::MouseButtonPress: {
            const auto [x, y] = twips(event);
            layout_.MouseDown(x, y);
            break;
        }
        case QEvent::MouseMove: {
            const auto [x, y] = twips(event);
            if (layout_.MouseMove(x, y)) PlaceControls();
            if (layout_.SplitPointer(x, y))
                client_->setCursor(Qt::SplitHCursor);
            else
                client_->unsetCursor();
            break;
        }
        case QEvent::MouseButtonRelease:
            layout_.MouseUp();
            client_->unsetCursor();
            break;
        default:
            break;
        }
    } else if (event->type() == QEvent::Enter && !layout_.Dragging()) {
        // On a pane the sizing arrow goes.
        client_->unsetCursor();
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- The face ----

void MainWindow::SetCaption(std::string_view caption) {
    setWindowTitle(Q(caption));
}

void MainWindow::SetStatus(std::string_view text) {
    if (text.empty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(Q(text));
}

void MainWindow::SetBusyPointer(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    // The window's pointer, not the program's: a message box shown during a
    // run keeps its arrow. The panes set pointers of their own, kept aside.
    if (busy) {
        paneCursors_ = {editor_->viewport()->cursor(), response_->viewport()->cursor()};
        for (QWidget* w : {static_cast<QWidget*>(this), editor_->viewport(), response_->viewport()})
            w->setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
        editor_->viewport()->setCursor(paneCursors_[0]);
        response_->viewport()->setCursor(paneCursors_[1]);
    }
}

void MainWindow::SetRunControlsEnabled(bool enabled) {
    // The entries too, so their shortcuts rest with the menu.
    fileMenu_->setEnabled(enabled);
    for (QAction* a : runLocked_)
        a->setEnabled(enabled);
    for (Control c : {Control::cmdRunScript, Control::cmdExit, Control::chkLog})
        ControlOf(c)->setEnabled(enabled);
}

bool MainWindow::LogTicked() const {
    return static_cast<QCheckBox*>(ControlOf(Control::chkLog))->isChecked();
}

void MainWindow::SetLogTicked(bool ticked) {
    static_cast<QCheckBox*>(ControlOf(Control::chkLog))->setChecked(ticked);
}

void MainWindow::SetDynamicText(std::string_view text) {
    static_cast<QLineEdit*>(ControlOf(Control::txtDynamic))->setText(Q(text));
}

void MainWindow::SetHelpEntries(bool view, bool contents) {
    helpView_->setVisible(view);
    helpContents_->setVisible(contents);
}

void MainWindow::SetRecentEntries(const std::vector<std::string>& paths, bool separator) {
    for (std::size_t i = 0; i < recent_.size(); ++i) {
        const std::string& path = i < paths.size() ? paths[i] : std::string();
        recent_[i]->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(Q(path)));
        recent_[i]->setVisible(!path.empty());
        recent_[i]->setEnabled(!path.empty());
    }
    if (separator) recentSeparator_->setVisible(true);
}

void MainWindow::PostClose() {
    QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::ProcessEvents() {
    QCoreApplication::processEvents();
}

void MainWindow::StartTimer(WindowTimer timer, int ms) {
    TimerOf(timer).start(ms);
}

void MainWindow::StopTimer(WindowTimer timer) {
    TimerOf(timer).stop();
}

bool MainWindow::TimerActive(WindowTimer timer) const {
    return timers_[static_cast<std::size_t>(timer)].isActive();
}

void MainWindow::RefreshLinkWindow() {
    linkWindow_->Refresh();
}

} // namespace talvex
