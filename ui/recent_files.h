// The File menu's list of the nine most recent script files. The menu entries
// are the list: a slot is in use while its entry is enabled, and its path is
// read back from the caption "&N path". Every change is written at once to
// the per-user settings (group "FileInfo", keys File1..File9).
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSettings;

namespace talvex {

class RecentFiles : public QObject {
    Q_OBJECT
public:
    static constexpr int kHistoryMax = 9;
    using SettingsFactory = std::function<std::unique_ptr<QSettings>()>;

    // Appends the separator and the nine hidden entries to `menu`. Without a
    // factory the settings are QSettings("Talvex", "Talvex").
    RecentFiles(QMenu* menu, SettingsFactory settings = {}, QObject* parent = nullptr);

    // Start-up fill: shows the stored slots; the separator only when slot 1
    // holds a file. Returns the path of slot 1 ("" when empty).
    QString FillAtStart();
    // UpdateFileHistory: `path` goes on top, every entry moves down one and
    // the ninth is dropped. A path already listed keeps its older entry.
    void Add(const QString& path);
    // The path of slot `index` (1..9), "" when the slot is not in use.
    QString PathOf(int index) const;
    bool InUse(int index) const;
    // Moves slot `index` to the top; the slots above it move down one, an
    // empty one staying empty (hidden, disabled, stored empty).
    void MoveToTop(int index);
    // Removes slot `index` and closes the gap.
    void Remove(int index);

    QAction* entry(int index) const { return entries_[static_cast<std::size_t>(index - 1)]; }
    QAction* separator() const { return mnua_; }

signals:
    // mnuHistory_Click: the user chose slot `index`.
    void chosen(int index);

private:
    void SetEntry(int index, const QString& path, QSettings& settings);
    void ClearEntry(int index, QSettings& settings);
    std::unique_ptr<QSettings> OpenSettings() const;

    SettingsFactory settings_;
    QAction* mnua_ = nullptr;
    std::array<QAction*, kHistoryMax> entries_{};
};

} // namespace talvex
