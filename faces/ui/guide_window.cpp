// The guide window: contents on the left, the guide on the right, a find bar
// above them.
#include "ui/guide_window.h"

#include "ui/guide_document.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace talvex {

namespace {

constexpr int kBlockRole = Qt::UserRole; // a contents entry's heading: block number

// A guide larger than this is no guide of ours: refuse it rather than lay out
// whatever the file holds.
constexpr qint64 kLargestGuide = 16 * 1024 * 1024;

} // namespace

QString GuideMarkdownPath(const QString& pdfPath) {
    const QFileInfo pdf(pdfPath);
    if (pdf.suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0) return {};
    return pdf.dir().filePath(pdf.completeBaseName() + QStringLiteral(".md"));
}

bool ShowGuideWindow(const QString& pdfPath, QWidget* owner) {
    const QString path = GuideMarkdownPath(pdfPath);
    if (path.isEmpty()) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestGuide) return false;
    const QString markdown = QString::fromUtf8(file.readAll());
    if (markdown.trimmed().isEmpty()) return false;

    GuideWindow* window =
        owner ? owner->findChild<GuideWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) {
        window = new GuideWindow(markdown, owner);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

GuideWindow::GuideWindow(const QString& markdown, QWidget* owner)
    : QWidget(owner, Qt::Window), contents_(new QTreeWidget), text_(new QTextBrowser),
      findText_(new QLineEdit), findNext_(new QPushButton(QStringLiteral("&Next"))),
      findPrevious_(new QPushButton(QStringLiteral("&Previous"))), findStatus_(new QLabel) {
    LoadGuide(*text_->document(), markdown);
    text_->moveCursor(QTextCursor::Start); // Find starts at the top
    text_->setOpenExternalLinks(true);
    // The guide's first heading is its title.
    const QTextBlock first = text_->document()->firstBlock();
    setWindowTitle(first.isValid() && !first.text().isEmpty() ? first.text()
                                                              : QStringLiteral("User's Guide"));

    contents_->setHeaderHidden(true);
    contents_->setColumnCount(1);
    FillContents();
    contents_->expandToDepth(0); // the chapters with their sections
    connect(contents_, &QTreeWidget::itemActivated, this, &GuideWindow::ShowHeading);
    connect(contents_, &QTreeWidget::itemClicked, this, &GuideWindow::ShowHeading);

    auto* findLabel = new QLabel(QStringLiteral("&Find:"));
    findLabel->setBuddy(findText_);
    findText_->setClearButtonEnabled(true);
    connect(findText_, &QLineEdit::returnPressed, this, [this] { FindNext(); });
    connect(findText_, &QLineEdit::textChanged, findStatus_, &QLabel::clear);
    connect(findNext_, &QPushButton::clicked, this, [this] { FindNext(); });
    connect(findPrevious_, &QPushButton::clicked, this, [this] { FindNext(true); });
    // As in the main window: Ctrl+F to the find field, F3 finds again.
    auto* focusFind = new QShortcut(QKeySequence::Find, this);
    connect(focusFind, &QShortcut::activated, this, [this] {
        findText_->setFocus();
        findText_->selectAll();
    });
    auto* again = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(again, &QShortcut::activated, this, [this] { FindNext(); });
    auto* back = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
    connect(back, &QShortcut::activated, this, [this] { FindNext(true); });

    auto* findBar = new QHBoxLayout;
    findBar->addWidget(findLabel);
    findBar->addWidget(findText_, 1);
    findBar->addWidget(findNext_);
    findBar->addWidget(findPrevious_);
    findBar->addWidget(findStatus_);

    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(contents_);
    split->addWidget(text_);
    split->setStretchFactor(1, 1);
    split->setSizes({260, 640});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(findBar);
    layout->addWidget(split, 1);
    resize(900, 700);
}

// The title and the chapters (level 1) at the top, their sections below
// them, and so on; a heading deeper than the one before it hangs below that one.
void GuideWindow::FillContents() {
    contents_->clear();
    QList<QPair<int, QTreeWidgetItem*>> open; // the path of headings to the last one
    const QTextDocument* doc = text_->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        if (level <= 0 || b.text().trimmed().isEmpty()) continue;
        while (!open.isEmpty() && open.last().first >= level)
            open.removeLast();
        auto* entry = open.isEmpty() ? new QTreeWidgetItem(contents_)
                                     : new QTreeWidgetItem(open.last().second);
        entry->setText(0, b.text().trimmed());
        entry->setData(0, kBlockRole, b.blockNumber());
        open.append({level, entry});
    }
}

void GuideWindow::ShowHeading(QTreeWidgetItem* entry) {
    if (!entry) return;
    const QTextBlock block =
        text_->document()->findBlockByNumber(entry->data(0, kBlockRole).toInt());
    if (!block.isValid()) return;
    text_->setTextCursor(QTextCursor(block));
    const QRectF where = text_->document()->documentLayout()->blockBoundingRect(block);
    text_->verticalScrollBar()->setValue(static_cast<int>(where.top()));
}

bool GuideWindow::FindNext(bool backwards) {
    const QString what = findText_->text();
    if (what.isEmpty()) {
        findStatus_->clear();
        return false;
    }
    const QTextDocument::FindFlags flags =
        backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    QTextDocument* doc = text_->document();
    QTextCursor found = doc->find(what, text_->textCursor(), flags);
    bool wrapped = false;
    if (found.isNull()) {
        // Round the end once: from the top (or the bottom, going back).
        QTextCursor from(doc);
        if (backwards) from.movePosition(QTextCursor::End);
        found = doc->find(what, from, flags);
        wrapped = !found.isNull();
    }
    if (found.isNull()) {
        findStatus_->setText(QStringLiteral("Not found"));
        return false;
    }
    text_->setTextCursor(found);
    text_->ensureCursorVisible();
    findStatus_->setText(
        wrapped ? (backwards ? QStringLiteral("From the end") : QStringLiteral("From the top"))
                : QString());
    return true;
}

} // namespace talvex
