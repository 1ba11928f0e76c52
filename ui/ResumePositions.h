#pragma once

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// Where the user left files, newest first: at most kCapacity files, the
// oldest dropped when a new one comes. Paths are compared as given (the play
// list holds absolute paths).
//
// Stored form (SaveList/RestoreList): one string per file, the position in
// milliseconds, ":" and the path, newest first; entries that do not parse are
// skipped.
//
// Threads: none of its own; used on the GUI thread by PlaybackController.
class ResumePositions
{
public:
    static constexpr int kCapacity = 50;

    // Remembers `positionMs` for `path` as the newest entry.
    void Remember(const QString& path, int positionMs);
    void Forget(const QString& path);
    // The remembered position, or -1.
    int PositionMs(const QString& path) const;
    int count() const { return m_entries.size(); }

    QStringList SaveList() const;
    void RestoreList(const QStringList& list);

private:
    int IndexOf(const QString& path) const;

    // Newest first.
    QVector<QPair<QString, int>> m_entries;
};
