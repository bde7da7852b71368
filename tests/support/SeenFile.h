#pragma once

#include "TempHome.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/stat.h>

// What a test checks a file by when nothing may have touched it: where it is, which file it is
// and what it holds.
struct SeenFile
{
    QString path;
    ino_t inode = 0;
    QByteArray bytes;

    static SeenFile of(const QString& path)
    {
        struct stat status = {};
        ::lstat(QFile::encodeName(path).constData(), &status);
        return {path, status.st_ino, TempHome::read(path)};
    }
    friend bool operator==(const SeenFile&, const SeenFile&) = default;
};
