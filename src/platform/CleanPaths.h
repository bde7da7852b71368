#pragma once

#include <QByteArrayView>
#include <QStringView>

// Whether an absolute path is one QDir::cleanPath would give back as it is: no empty, "." or
// ".." component and no slash at the end. Checking is much cheaper than cleaning, so code on a
// hot path checks first and cleans only what fails. The root alone is not covered: it is rare,
// and cleaning it is cheap.
namespace CleanPaths {

template<typename View, typename Char>
bool isCleanAbsolute(View path, Char slash, Char dot)
{
    if (path.size() < 2 || path.front() != slash || path.back() == slash)
        return false;
    qsizetype start = 1;
    while (start <= path.size()) {
        qsizetype end = path.indexOf(slash, start);
        if (end < 0)
            end = path.size();
        const qsizetype length = end - start;
        if (length == 0 || (length == 1 && path.at(start) == dot) ||
            (length == 2 && path.at(start) == dot && path.at(start + 1) == dot))
            return false;
        start = end + 1;
    }
    return true;
}

inline bool isCleanAbsolute(QStringView path)
{
    return isCleanAbsolute(path, QLatin1Char('/'), QLatin1Char('.'));
}

inline bool isCleanAbsolute(QByteArrayView path)
{
    return isCleanAbsolute(path, '/', '.');
}

} // namespace CleanPaths
