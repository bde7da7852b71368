#include "DesktopSelection.h"
#include "HandOverWriter.h"
#include "StackRequest.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

const char usage[] =
    "Usage: tidora-finder [--] PATH-OR-FILE-URI...\n"
    "\n"
    "Stacks the given items with Tidora when every one of them lies directly on the Desktop;\n"
    "otherwise does nothing. File managers run it from their right-click menu (Stack with\n"
    "Tidora). It hands the items to Tidora and opens tidorama://stack-selection; it reports\n"
    "nothing unless that fails. Relative paths are taken from the current folder. Every\n"
    "argument after \"--\" is an item, even one that looks like an option.\n";

QByteArray workingFolder()
{
    QByteArray folder(4096, '\0');
    while (!::getcwd(folder.data(), size_t(folder.size()))) {
        if (errno != ERANGE)
            return {};
        folder.resize(folder.size() * 2);
    }
    return QByteArray(folder.constData());
}

} // namespace

int main(int argc, char* argv[])
{
    // The arguments as the bytes they are: a name need not be valid text.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const QCoreApplication application(argc, argv);

    if (!arguments.isEmpty() && arguments.first() == "--") {
        arguments.removeFirst();
    } else if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::fputs(usage, stdout);
        return 0;
    }

    const QByteArray desktop =
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    const std::optional<QList<QByteArray>> items =
        DesktopSelection::desktopItems(arguments, desktop, workingFolder());
    if (!items)
        return 0;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!HandOverWriter::write(runtime, *items, QDateTime::currentMSecsSinceEpoch())) {
        std::fputs("tidora-finder: could not hand the items over to Tidora\n", stderr);
        return 1;
    }
    if (!StackRequest::open(QCoreApplication::applicationDirPath())) {
        std::fputs("tidora-finder: could not start Tidora\n", stderr);
        return 1;
    }
    return 0;
}
