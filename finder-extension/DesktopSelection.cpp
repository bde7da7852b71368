#include "DesktopSelection.h"

#include <cstdlib>

namespace DesktopSelection {

namespace {

// "scheme://" as a URI starts (RFC 3986 scheme characters).
bool startsWithOtherScheme(const QByteArray& argument)
{
    const qsizetype colon = argument.indexOf("://");
    if (colon <= 0)
        return false;
    for (qsizetype i = 0; i < colon; ++i) {
        const char c = argument[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!letter && !(i > 0 && other))
            return false;
    }
    return true;
}

QByteArray fromFileUri(const QByteArray& uri)
{
    const QByteArray scheme = "file:";
    QByteArray rest = uri.mid(scheme.size());
    if (rest.startsWith("//")) {
        rest = rest.mid(2);
        const qsizetype slash = rest.indexOf('/');
        if (slash < 0)
            return {};
        const QByteArray host = rest.left(slash);
        if (!host.isEmpty() && host != "localhost")
            return {};
        rest = rest.mid(slash);
    }
    // Percent-decoding gives the name's bytes back, whatever their encoding.
    const QByteArray path = QByteArray::fromPercentEncoding(rest);
    return path.startsWith('/') && !path.contains('\0') ? path : QByteArray();
}

// The path with every symbolic link resolved; empty when it does not exist. realpath()
// rather than QFileInfo: it works on the bytes, so names that are not UTF-8 resolve too.
QByteArray resolved(const QByteArray& path)
{
    char* real = ::realpath(path.constData(), nullptr);
    if (!real)
        return {};
    QByteArray result(real);
    std::free(real);
    return result;
}

} // namespace

QByteArray localPath(const QByteArray& argument, const QByteArray& workingFolder)
{
    if (argument.isEmpty() || argument.contains('\0'))
        return {};
    if (argument.startsWith('/'))
        return argument;
    if (argument.startsWith("file:/"))
        return fromFileUri(argument);
    if (startsWithOtherScheme(argument) || !workingFolder.startsWith('/'))
        return {};
    return workingFolder + '/' + argument;
}

std::optional<QList<QByteArray>> desktopItems(const QList<QByteArray>& arguments,
                                              const QByteArray& desktop,
                                              const QByteArray& workingFolder)
{
    const QByteArray desktopResolved = resolved(desktop);
    if (arguments.isEmpty() || desktopResolved.isEmpty())
        return std::nullopt;
    QList<QByteArray> items;
    for (const QByteArray& argument : arguments) {
        QByteArray path = localPath(argument, workingFolder);
        // A folder may come with a trailing slash.
        while (path.size() > 1 && path.endsWith('/'))
            path.chop(1);
        const qsizetype slash = path.lastIndexOf('/');
        if (slash < 0)
            return std::nullopt;
        const QByteArray name = path.mid(slash + 1);
        if (name.isEmpty() || name == "." || name == "..")
            return std::nullopt;
        const QByteArray parent = slash == 0 ? QByteArray("/") : path.left(slash);
        if (resolved(parent) != desktopResolved)
            return std::nullopt;
        const QByteArray item = desktop + '/' + name;
        if (!items.contains(item))
            items.append(item);
    }
    return items;
}

} // namespace DesktopSelection
