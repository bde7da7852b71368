#pragma once

#include <QString>
#include <QStringView>

namespace PathNames {

// The last component of a path, trailing slashes ignored. Cheaper than QFileInfo, which an
// operation on a thousand files would otherwise build a thousand times.
inline QString fileName(const QString& path)
{
    QStringView view(path);
    while (view.size() > 1 && view.endsWith(QLatin1Char('/')))
        view.chop(1);
    return view.sliced(view.lastIndexOf(QLatin1Char('/')) + 1).toString();
}

} // namespace PathNames
