#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

// The ".hidden" lists of folders (one name a line, as the Linux file managers read them), each
// read on first use and kept from then on. One operation asks about a thousand files in one
// folder: keep one of these for the length of that operation only, so that a list changed
// afterwards is read again by the next one.
class HiddenLists
{
public:
    // Whether the ".hidden" list of `folder` hides `name`. A list that cannot be read hides
    // nothing.
    bool hides(const QString& folder, const QString& name);

private:
    QHash<QString, QSet<QByteArray>> m_lists;
};
