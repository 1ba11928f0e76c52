#include "ResumePositions.h"

void ResumePositions::Remember(const QString& path, int positionMs)
{
    Forget(path);
    m_entries.prepend({path, positionMs});
    if (m_entries.size() > kCapacity) {
        m_entries.resize(kCapacity);
    }
}

void ResumePositions::Forget(const QString& path)
{
    const int index = IndexOf(path);
    if (index >= 0) {
        m_entries.remove(index);
    }
}

int ResumePositions::PositionMs(const QString& path) const
{
    const int index = IndexOf(path);
    return index >= 0 ? m_entries[index].second : -1;
}

int ResumePositions::IndexOf(const QString& path) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].first == path) {
            return i;
        }
    }
    return -1;
}

QStringList ResumePositions::SaveList() const
{
    QStringList list;
    for (const auto& entry : m_entries) {
        list << QString::number(entry.second) + QLatin1Char(':') + entry.first;
    }
    return list;
}

void ResumePositions::RestoreList(const QStringList& list)
{
    m_entries.clear();
    // Oldest first, so that the newest ends in front and the bound holds.
    for (auto it = list.crbegin(); it != list.crend(); ++it) {
        const int colon = it->indexOf(QLatin1Char(':'));
        bool isNumber = false;
        const int positionMs = it->left(colon).toInt(&isNumber);
        const QString path = it->mid(colon + 1);
        if (colon > 0 && isNumber && positionMs > 0 && !path.isEmpty()) {
            Remember(path, positionMs);
        }
    }
}
