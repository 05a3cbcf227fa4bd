// The user's guide in a window of the program's own, for a desktop where no
// PDF viewer opens talvex_help.pdf: the guide's Markdown rendered, its
// headings as a table of contents, and Find.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace talvex {

// The guide's Markdown lies beside its PDF: talvex_help.md for talvex_help.pdf.
// Empty for a document that is no PDF.
QString GuideMarkdownPath(const QString& pdfPath);

// Help > View's fallback once opening `pdfPath` failed: shows the guide beside
// it in the guide window of `owner` (made on the first call, raised on later
// ones). False when there is no readable, non-empty guide to show.
bool ShowGuideWindow(const QString& pdfPath, QWidget* owner);

class GuideWindow : public QWidget {
    Q_OBJECT
public:
    explicit GuideWindow(const QString& markdown, QWidget* owner = nullptr);

    // Looks for the find field's text after the selection (before it when
    // `backwards`), going round the end of the guide once; false when the
    // guide does not hold it.
    bool FindNext(bool backwards = false);
    // Brings the heading of a contents entry to the top of the text.
    void ShowHeading(QTreeWidgetItem* entry);

    QTextBrowser* Text() const { return text_; }
    QTreeWidget* Contents() const { return contents_; }
    QLineEdit* FindText() const { return findText_; }
    QPushButton* FindNextButton() const { return findNext_; }
    QPushButton* FindPreviousButton() const { return findPrevious_; }
    QLabel* FindStatus() const { return findStatus_; }

private:
    void FillContents();

    QTreeWidget* contents_;
    QTextBrowser* text_;
    QLineEdit* findText_;
    QPushButton* findNext_;
    QPushButton* findPrevious_;
    QLabel* findStatus_;
};

} // namespace talvex
