#include "ui/font_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace talvex {

namespace {

const QString kCourier = QStringLiteral("Courier New");
const QString kSansSerif = QStringLiteral("MS Sans Serif");
const QString kTimesRoman = QStringLiteral("Times New Roman");
constexpr qreal kDesignSize = 8.25;

} // namespace

QFont FontMenu::Face(const QString& name, qreal pointSize) {
    // The names are those of the design; Qt's font matching picks the
    // closest installed face, led by the kind of face each name stands for.
    QFont font(name);
    font.setPointSizeF(pointSize);
    if (name == kCourier)
        font.setStyleHint(QFont::TypeWriter);
    else if (name == kTimesRoman)
        font.setStyleHint(QFont::Serif);
    else
        font.setStyleHint(QFont::SansSerif);
    return font;
}

FontMenu::FontMenu(QMenu* edit, Apply apply, QObject* parent)
    : QObject(parent), apply_(std::move(apply)), family_(kSansSerif), size_(kDesignSize) {
    edit->addSeparator();
    auto* sizes = new QActionGroup(this);
    size8_ = AddEntry(edit, QStringLiteral("8 pt"), true);
    size9_ = AddEntry(edit, QStringLiteral("9 pt"), false);
    size10_ = AddEntry(edit, QStringLiteral("10 pt"), false);
    size12_ = AddEntry(edit, QStringLiteral("12 pt"), false);
    for (auto [entry, size] : {std::pair{size8_, 8}, {size9_, 9}, {size10_, 10}, {size12_, 12}}) {
        sizes->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, entry, size] { SetSize(size, entry); });
    }
    edit->addSeparator();
    auto* faces = new QActionGroup(this);
    courier_ = AddEntry(edit, QStringLiteral("Courier"), false);
    sansSerif_ = AddEntry(edit, kSansSerif, true);
    timesRoman_ = AddEntry(edit, kTimesRoman, false);
    for (auto [entry, family] :
         {std::pair{courier_, kCourier}, {sansSerif_, kSansSerif}, {timesRoman_, kTimesRoman}}) {
        faces->addAction(entry);
        connect(entry, &QAction::triggered, this,
                [this, entry, family] { SetFamily(family, entry); });
    }
    apply_(Current());
}

QAction* FontMenu::AddEntry(QMenu* edit, const QString& caption, bool checked) {
    QAction* a = edit->addAction(caption);
    a->setCheckable(true);
    a->setChecked(checked);
    return a;
}

void FontMenu::SetSize(qreal size, QAction* entry) {
    size_ = size;
    entry->setChecked(true);
    apply_(Current());
}

void FontMenu::SetFamily(const QString& family, QAction* entry) {
    family_ = family;
    entry->setChecked(true);
    apply_(Current());
}

} // namespace talvex
