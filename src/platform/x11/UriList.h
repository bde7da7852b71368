#pragma once

#include <QByteArray>
#include <QStringList>

// The local files of a text/uri-list (RFC 2483): one URI per line, lines ended by CR LF (a
// bare LF is accepted too), "#" lines are comments. Non-file URIs are left out, and so are
// files whose names Qt cannot hold (not valid UTF-8): they could only be found again under a
// wrong name.
QStringList localFilesOfUriList(const QByteArray& list);
