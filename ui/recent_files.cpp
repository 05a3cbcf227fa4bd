#include "ui/recent_files.h"

#include <QAction>
#include <QMenu>
#include <QSettings>

namespace talvex {

namespace {

const QString kGroup = QStringLiteral("FileInfo");

QString Key(int index) {
    return QStringLiteral("File%1").arg(index);
}

QString Caption(int index, const QString& path) {
    return QStringLiteral("&%1 %2").arg(index).arg(path);
}

} // namespace

RecentFiles::RecentFiles(QMenu* menu, SettingsFactory settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings)) {
    mnua_ = menu->addSeparator();
    mnua_->setVisible(false);
    for (int i = 1; i <= kHistoryMax; ++i) {
        QAction* a = menu->addAction(QString::number(i));
        a->setVisible(false);
        a->setEnabled(false);
        connect(a, &QAction::triggered, this, [this, i] { emit chosen(i); });
        entries_[static_cast<std::size_t>(i - 1)] = a;
    }
}

std::unique_ptr<QSettings> RecentFiles::OpenSettings() const {
    std::unique_ptr<QSettings> s =
        settings_ ? settings_()
                  : std::make_unique<QSettings>(QStringLiteral("Talvex"), QStringLiteral("Talvex"));
    s->beginGroup(kGroup);
    return s;
}

QString RecentFiles::FillAtStart() {
    auto settings = OpenSettings();
    for (int i = 1; i <= kHistoryMax; ++i) {
        const QString path = settings->value(Key(i)).toString();
        QAction* a = entry(i);
        a->setText(Caption(i, path));
        // Slots stand alone: an empty one stays hidden even before filled ones.
        a->setEnabled(!path.isEmpty());
        a->setVisible(!path.isEmpty());
    }
    if (InUse(1)) mnua_->setVisible(true);
    return PathOf(1);
}

bool RecentFiles::InUse(int index) const {
    return entry(index)->isEnabled();
}

QString RecentFiles::PathOf(int index) const {
    if (!InUse(index)) return QString();
    return entry(index)->text().mid(3);
}

void RecentFiles::SetEntry(int index, const QString& path, QSettings& settings) {
    if (path.isEmpty()) {
        ClearEntry(index, settings); // a blank entry would open "File not found ''"
        return;
    }
    QAction* a = entry(index);
    a->setText(Caption(index, path));
    a->setEnabled(true);
    a->setVisible(true);
    settings.setValue(Key(index), path);
}

void RecentFiles::ClearEntry(int index, QSettings& settings) {
    QAction* a = entry(index);
    a->setEnabled(false);
    a->setVisible(false);
    settings.setValue(Key(index), QString());
}

void RecentFiles::Add(const QString& path) {
    auto settings = OpenSettings();
    for (int i = kHistoryMax; i >= 2; --i)
        if (InUse(i - 1)) SetEntry(i, PathOf(i - 1), *settings);
    SetEntry(1, path, *settings);
}

void RecentFiles::MoveToTop(int index) {
    const QString path = PathOf(index);
    auto settings = OpenSettings();
    // An empty slot moves down as an empty slot: hidden, never a blank entry.
    for (int i = index; i >= 2; --i) {
        if (InUse(i - 1))
            SetEntry(i, PathOf(i - 1), *settings);
        else
            ClearEntry(i, *settings);
    }
    SetEntry(1, path, *settings);
}

void RecentFiles::Remove(int index) {
    auto settings = OpenSettings();
    for (int i = index; i < kHistoryMax; ++i) {
        if (InUse(i + 1)) {
            SetEntry(i, PathOf(i + 1), *settings);
        } else {
            ClearEntry(i, *settings);
            // The rest was empty already; the last slot is hidden below.
            entry(kHistoryMax)->setEnabled(false);
            entry(kHistoryMax)->setVisible(false);
            return;
        }
    }
    ClearEntry(kHistoryMax, *settings);
}

} // namespace talvex
