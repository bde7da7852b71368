#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// The selection a file manager's context-menu action hands to Tidora: tidora-finder writes the
// selected paths to $XDG_RUNTIME_DIR/tidora/selection and then opens tidorama://stack-selection.
// The file is text, written whole (by rename):
//
//     tidora-selection 1
//     <time written, Unix milliseconds>
//     <path>
//     …
//
// one absolute path a line, percent-encoded byte by byte (everything but letters, digits,
// "-._~/" as %XX), so line breaks and names that are not UTF-8 survive.
//
// A hand-over serves the one request it was written for: taking it removes it, so it never
// stands in for a later hot key or a later right-click. It counts only while fresh, written at
// most `freshFor` ago: long enough for a Tidora that the request has to start first, short
// enough that one left behind by a request that never arrived is not taken by a later one.
class SelectionHandOver
{
public:
    static constexpr std::chrono::seconds freshFor{30};

    explicit SelectionHandOver(QString runtimeFolder);

    QString filePath() const;
    // The handed-over paths when the file is fresh at `now`, in the order written; paths that
    // are not valid file-name text are left out, and go to `unreadable` (when given) as they
    // read with replacement characters, so that the user can be told. Nothing when there is no
    // fresh hand-over.
    std::optional<QStringList> read(const QDateTime& now = QDateTime::currentDateTimeUtc(),
                                    QStringList* unreadable = nullptr) const;
    // The same, and the file is gone afterwards, fresh or not; a hand-over written while this
    // reads is left for its own request.
    std::optional<QStringList> take(const QDateTime& now = QDateTime::currentDateTimeUtc(),
                                    QStringList* unreadable = nullptr) const;

    // The file's text for these paths (tidora-finder writes the same; tests use it).
    static QByteArray format(const QList<QByteArray>& paths, qint64 writtenMs);

private:
    static std::optional<QStringList> readFile(const QString& path, const QDateTime& now,
                                               QStringList* unreadable);

    QString m_runtimeFolder;
};
