// The main window's menus: File with its recent scripts, Edit, Run Options,
// View and Help, each entry calling the window core.
#include "ui/main_window.h"

#include "ui/font_menu.h"
#include "ui/link_window.h"
#include "ui/script_editor.h"

#include <QAction>
#include <QActionGroup>
#include <QMenuBar>
#include <QPlainTextEdit>

namespace talvex {

void MainWindow::BuildMenus() {
    // Each entry calls the core; `name` is its object name, for tests.
    auto add = [this](QMenu* menu, const char* name, const QString& caption,
                      void (WindowCore::*call)(), QKeySequence key = {}) {
        QAction* a = menu->addAction(caption, this, [this, call] { (core_.get()->*call)(); });
        a->setObjectName(QLatin1String(name));
        a->setShortcut(key);
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu_ = file->menuAction();
    fileMenu_->setObjectName(QStringLiteral("mnuFile"));
    runLocked_ = {
        add(file, "mnuNew", QStringLiteral("&New"), &WindowCore::NewClicked, Qt::CTRL | Qt::Key_N),
        add(file, "mnuOpen", QStringLiteral("&Open..."), &WindowCore::OpenClicked,
            Qt::CTRL | Qt::Key_O),
        add(file, "mnuSave", QStringLiteral("&Save"), &WindowCore::SaveClicked,
            Qt::CTRL | Qt::Key_S),
        add(file, "mnuSaveAs", QStringLiteral("Save &As..."), &WindowCore::SaveAsClicked)};
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
    exit->setObjectName(QStringLiteral("mnuExit"));
    runLocked_.push_back(exit);
    recentSeparator_ = file->addSeparator();
    recentSeparator_->setVisible(false);
    for (int i = 1; i <= RecentFiles::kHistoryMax; ++i) {
        QAction* a =
            file->addAction(QString::number(i), this, [this, i] { core_->RecentClicked(i); });
        a->setObjectName(QStringLiteral("mnuHistory%1").arg(i));
        a->setVisible(false);
        recent_[static_cast<std::size_t>(i - 1)] = a;
    }

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    add(edit, "menueditfind", QStringLiteral("&Find"), &WindowCore::FindClicked,
        Qt::CTRL | Qt::Key_F);
    new FontMenu(
        edit,
        [this](const QFont& font) {
            for (QWidget* pane : {static_cast<QWidget*>(editor_), static_cast<QWidget*>(response_)})
                pane->setFont(font);
            // The script a run shows has a document of its own.
            for (QTextDocument* doc : {userDoc_, runDoc_})
                doc->setDefaultFont(font);
        },
        this);

    QMenu* options = menuBar()->addMenu(QStringLiteral("Run &Options"));
    auto* mode = new QActionGroup(this);
    for (auto [name, caption] : {std::pair{"mnuLinebyLine", "Line by Line"},
                                 std::pair{"mnuWholeScript", "Whole Script"}}) {
        QAction* a = options->addAction(QLatin1String(caption));
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        mode->addAction(a);
    }
    QAction* lineByLine = mode->actions().front();
    lineByLine->setChecked(true);
    connect(lineByLine, &QAction::toggled, this, [this](bool on) { core_->SetLineByLine(on); });
    options->addSeparator();
    add(options, "mnuSendHardCancel", QStringLiteral("&Send Hard Cancel"),
        &WindowCore::SendHardCancelClicked, Qt::CTRL | Qt::Key_E);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* hostLink = view->addAction(QStringLiteral("&Host Link..."), this, [this] {
        linkWindow_->show();
        linkWindow_->raise();
        linkWindow_->activateWindow();
    });
    hostLink->setObjectName(QStringLiteral("mnuHostLink"));
    QAction* checkList = view->addAction(QStringLiteral("&Check List"));
    checkList->setObjectName(QStringLiteral("mnuCheckList"));
    checkList->setCheckable(true);
    checkList->setChecked(true);
    connect(checkList, &QAction::toggled, this,
            [this](bool on) { core_->SetFindingsListShown(on); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    helpContents_ =
        add(help, "mnuContents", QStringLiteral("&Contents"), &WindowCore::HelpContentsClicked);
    helpContents_->setVisible(false);
    helpView_ = add(help, "menuhelpviewpdf", QStringLiteral("&View"), &WindowCore::HelpViewClicked);
    add(help, "mnuAbout", QStringLiteral("&About"), &WindowCore::AboutClicked);
}

} // namespace talvex
