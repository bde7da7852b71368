// Starts the built program on a scratch home holding 20 stacks (a Desktop drawn by Caja and a
// tray host when they are installed), lets it settle, and prints the processor time it uses
// over a minute of doing nothing, with its resident memory. Run it under an X server:
//     scripts/with-x11.sh build/bench/tidora_idle [SECONDS] [STACKS]

#include "BenchSupport.h"
#include "platform/linux/InodeBookmarks.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LocalFileSystem.h"
#include "store/StackListFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <unistd.h>

#include <list>

namespace {

QTextStream out(stdout);

void setHome(const QString& home)
{
    for (const char* folder :
         {"Desktop", "Documents", ".config/Tidora", ".local/share", ".cache", ".run"})
        QDir().mkpath(home + QLatin1Char('/') + QLatin1String(folder));
    QFile::setPermissions(home + QStringLiteral("/.run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/.local/share")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home + QStringLiteral("/.cache")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home + QStringLiteral("/.run")));
    qputenv("GSETTINGS_BACKEND", "memory");
    QFile settings(home + QStringLiteral("/.config/Tidora/Tidora.conf"));
    if (settings.open(QIODevice::WriteOnly))
        settings.write("[General]\nacknowledgedHiddenStorage=true\nstorageLocation=documents\n");
}

// `count` stacks of five files each, gathered in the hidden storage folder.
void makeStacks(int count)
{
    const LinuxPaths paths;
    LocalFileSystem fs;
    const QString storage = paths.documents() + QStringLiteral("/.Tidora");
    InodeBookmarks bookmarks([storage] { return QList<InodeBookmarks::SearchRoot>{{storage, 2}}; });
    QList<DesktopStack> stacks;
    for (int s = 0; s < count; ++s) {
        DesktopStack stack;
        stack.id = QUuid::createUuid();
        stack.name = QStringLiteral("Stack %1").arg(s + 1);
        stack.folderName = stack.name;
        stack.windowOrigin = QPointF(200 + 150 * (s % 7), 60 + 160 * (s / 7));
        const QString folder = storage + QLatin1Char('/') + stack.name;
        QDir().mkpath(folder);
        for (int f = 0; f < 5; ++f) {
            const QString path = folder + QStringLiteral("/file %1.txt").arg(f + 1);
            QFile file(path);
            if (file.open(QIODevice::WriteOnly))
                file.write("some text\n");
            file.close();
            stack.items.append(StackItem{QUuid::createUuid(), QFileInfo(path).fileName(),
                                         bookmarks.make(path).value_or(QByteArray()),
                                         QPointF(100, 100 + 80 * f)});
        }
        stacks.append(stack);
    }
    requireOk(StackListFile(paths, fs).saveStackList(stacks), "save");
}

// utime + stime of a process, in seconds.
double processorSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // The fields after the command name, which is in parentheses and may hold spaces.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) /
           double(sysconf(_SC_CLK_TCK));
}

QString residentMemory(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return QString::fromLatin1(line.mid(6).simplified());
    }
    return QStringLiteral("?");
}

void wait(int seconds)
{
    QThread::sleep(static_cast<unsigned long>(seconds));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 60;
    const int count = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20;
    QTemporaryDir scratch;
    setHome(scratch.path());
    makeStacks(count);

    std::list<QProcess> helpers;
    auto startHelper = [&helpers](const QString& program, const QStringList& arguments) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            return;
        QProcess& process = helpers.emplace_back();
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(program, arguments);
        out << "started " << program << '\n';
    };
    startHelper(QStringLiteral("caja"), {QStringLiteral("-n"), QStringLiteral("--force-desktop")});
    startHelper(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("bottom")});
    wait(5);

    QProcess tidora;
    tidora.setProcessChannelMode(QProcess::ForwardedChannels);
    tidora.start(QStringLiteral(TIDORA_PROGRAM), {});
    if (!tidora.waitForStarted()) {
        out << "tidora did not start\n";
        return 1;
    }
    out << "tidora with " << count << " stacks; settling for 10 s\n";
    out.flush();
    wait(10);
    const qint64 pid = tidora.processId();
    const double before = processorSeconds(pid);
    QElapsedTimer clock;
    clock.start();
    wait(seconds);
    const double used = processorSeconds(pid) - before;
    const double wall = double(clock.elapsed()) / 1000;
    out << "idle for " << wall << " s: " << used * 1000 << " ms of processor time ("
        << 100 * used / wall << " %, target 0 %), resident memory " << residentMemory(pid) << '\n';
    out.flush();

    tidora.terminate();
    tidora.waitForFinished();
    for (QProcess& helper : helpers) {
        helper.terminate();
        helper.waitForFinished();
    }
    return 0;
}
