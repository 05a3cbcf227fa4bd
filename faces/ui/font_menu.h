// The Edit menu's font commands: a size group and a face group, each with
// one check mark, both applied to the two text panes. Every start begins with
// the design font; the choice is not stored.
#pragma once

#include <QFont>
#include <QObject>

#include <functional>

class QAction;
class QMenu;

namespace talvex {

class FontMenu : public QObject {
    Q_OBJECT
public:
    using Apply = std::function<void(const QFont&)>;

    // Appends the two groups to `edit` and applies the design font.
    FontMenu(QMenu* edit, Apply apply, QObject* parent = nullptr);

    // The installed font closest to a face name of the menu.
    static QFont Face(const QString& name, qreal pointSize);
    QFont Current() const { return Face(family_, size_); }

    QAction* menueditfont8pt() const { return size8_; }
    QAction* menueditfont9pt() const { return size9_; }
    QAction* menueditfont10pt() const { return size10_; }
    QAction* menueditfont12pt() const { return size12_; }
    QAction* menueditfontcourier() const { return courier_; }
    QAction* menueditfontmssansserif() const { return sansSerif_; }
    QAction* menueditfonttimesroman() const { return timesRoman_; }

private:
    QAction* AddEntry(QMenu* edit, const QString& caption, bool checked);
    void SetSize(qreal size, QAction* entry);
    void SetFamily(const QString& family, QAction* entry);

    Apply apply_;
    QString family_;
    qreal size_;
    QAction *size8_, *size9_, *size10_, *size12_;
    QAction *courier_, *sansSerif_, *timesRoman_;
};

} // namespace talvex
