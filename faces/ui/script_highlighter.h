// Colours the script editor's lines by what ScriptTokens finds. The marks are
// formats of the view only: the script's text stays as it is. Only a line's
// first few thousand characters are marked, so a very long line stays quick.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include <array>

namespace talvex {

class ScriptHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit ScriptHighlighter(QTextDocument* document);

protected:
    void highlightBlock(const QString& text) override;

private:
    std::array<QTextCharFormat, 8> formats_;
};

} // namespace talvex
