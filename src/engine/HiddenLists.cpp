#include "engine/HiddenLists.h"

#include <QFile>

bool HiddenLists::hides(const QString& folder, const QString& name)
{
    auto found = m_lists.constFind(folder);
    if (found == m_lists.cend()) {
        QSet<QByteArray> lines;
        QFile list(folder + QStringLiteral("/.hidden"));
        if (list.open(QIODevice::ReadOnly)) {
            const QList<QByteArray> read = list.readAll().split('\n');
            lines = QSet<QByteArray>(read.cbegin(), read.cend());
        }
        found = m_lists.insert(folder, lines);
    }
    return found->contains(QFile::encodeName(name));
}
