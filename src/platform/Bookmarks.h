#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Opaque bytes that find a file again after it was moved or renamed while the program was not
// running. The bytes round-trip through the stacks file as they are.
class Bookmarks
{
public:
    virtual ~Bookmarks() = default;

    // Nothing when no bookmark can be made (the file does not exist).
    virtual std::optional<QByteArray> make(const QString& path) = 0;
    // The file's current path; nothing when it cannot be found.
    virtual std::optional<QString> resolve(const QByteArray& bookmark) = 0;

    struct Renewal
    {
        QString path;
        // A bookmark of the file where it is now: the given bytes themselves when they already
        // record that, or when no new bookmark can be made.
        QByteArray bookmark;
    };
    // Resolves the bookmark and makes a new one of what it finds, as a launch does for every
    // stacked file. An implementation may do both with one look at the disk.
    virtual std::optional<Renewal> renew(const QByteArray& bookmark);
    // The bookmark of a file this program has just renamed to `to`, from a bookmark made or
    // renewed at its old path in the same operation (so known to record that very file). An
    // implementation may answer without looking at the disk; the default makes one at `to`.
    virtual std::optional<QByteArray> moved(const QByteArray& bookmark, const QString& to);

    // The same for many files at once, answers in order. Files of one folder usually come
    // together (the items of a stack); an implementation may look at their folder once for
    // all of them.
    virtual QList<std::optional<QByteArray>> makeAll(const QStringList& paths);
    virtual QList<std::optional<QString>> resolveAll(const QList<QByteArray>& bookmarks);
    virtual QList<std::optional<Renewal>> renewAll(const QList<QByteArray>& bookmarks);

protected:
    // The answers to `answer` for each of `inputs`, in order: the shape of every batch.
    template<typename In, typename Answer>
    static auto eachOf(const QList<In>& inputs, Answer answer)
    {
        QList<decltype(answer(inputs.first()))> answers;
        answers.reserve(inputs.size());
        for (const In& input : inputs)
            answers.append(answer(input));
        return answers;
    }
};
