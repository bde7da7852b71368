#include "E2eTools.h"
#include "MemorySettings.h"
#include "TidoraProcess.h"
#include "platform/linux/DingBackend.h"
#include "platform/linux/DingGrid.h"
#include "platform/linux/LinuxDesktopBridge.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/linux/LocalFileSystem.h"
#include "platform/x11/DesktopProbe.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <memory>

#include <optional>
#include <unistd.h>

namespace {

constexpr int timeoutMs = 20000;

struct Shown
{
    QPoint cell;
    QPointF centre;
};

// What the desktop icons show now, by label; nothing while their tree is being rebuilt.
std::optional<QHash<QString, Shown>> shownIcons()
{
    QProcess reader;
    reader.start(QStringLiteral(TIDORA_GNOME_TESTS "/ding-icons.py"), {});
    if (!reader.waitForFinished(timeoutMs))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(reader.readAllStandardOutput());
    if (!document.isObject())
        return std::nullopt;
    QHash<QString, Shown> icons;
    const QJsonObject all = document.object();
    for (auto it = all.constBegin(); it != all.constEnd(); ++it) {
        const QJsonArray values = it.value().toArray();
        icons.insert(it.key(), Shown{QPoint(values.at(0).toInt(), values.at(1).toInt()),
                                     QPointF(values.at(2).toDouble(), values.at(3).toDouble())});
    }
    return icons;
}

std::optional<Shown> shownIcon(const QString& name)
{
    const auto icons = shownIcons();
    if (!icons || !icons->contains(name))
        return std::nullopt;
    return icons->value(name);
}

bool waitForCell(const QString& name, QPoint cell)
{
    return QTest::qWaitFor(
        [&] {
            const std::optional<Shown> icon = shownIcon(name);
            return icon && icon->cell == cell;
        },
        timeoutMs);
}

// The point the program stores for a file, as `gio info` reports it.
std::optional<QPoint> storedPoint(const QString& path)
{
    QProcess gio;
    gio.start(QStringLiteral("gio"), {QStringLiteral("info"), QStringLiteral("-a"),
                                      QStringLiteral("metadata::nautilus-icon-position"), path});
    gio.waitForFinished(timeoutMs);
    const QString text = QString::fromUtf8(gio.readAllStandardOutput());
    const qsizetype at = text.indexOf(QStringLiteral("nautilus-icon-position: "));
    if (at < 0)
        return std::nullopt;
    return MetadataIconBackend::parseStoredPoint(
        text.mid(at + 24).section(QLatin1Char('\n'), 0, 0).trimmed());
}

void setArranged(bool arranged)
{
    QProcess::execute(QStringLiteral("gsettings"),
                      {QStringLiteral("set"), QStringLiteral("org.gnome.shell.extensions.ding"),
                       QStringLiteral("keep-arranged"),
                       arranged ? QStringLiteral("true") : QStringLiteral("false")});
}

bool near(QPointF a, QPointF b)
{
    return qAbs(a.x() - b.x()) <= 1 && qAbs(a.y() - b.y()) <= 1;
}

} // namespace

// GNOME Shell with its desktop icons, started by scripts/with-gnome-shell.sh in a home of its
// own, driven through the bridge and checked against what the program stores (gio info) and
// shows (its icons on the accessibility bus).
class TestDingBridge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsWhatItShows();
    void movesAShownIcon();
    void arrivingFileLandsInItsCell();
    void theProgramStacksAndSpreadsBack();
    void arrangedIconsHaveNoPositions();

private:
    QString desktopPath(const QString& name) const { return m_paths.desktop() + u'/' + name; }

    LinuxPaths m_paths;
    LocalFileSystem m_files;
    MemorySettings m_settings;
    std::unique_ptr<LinuxDesktopBridge> m_bridge;
    QStringList m_names{QStringLiteral("alpha.txt"), QStringLiteral("say \"hi\".txt"),
                        QStringLiteral("\u00fcn\u00efc\u00f8d\u00e9 \u6587\u4ef6.txt")};
};

void TestDingBridge::initTestCase()
{
    QVERIFY2(QDir::homePath().startsWith(QDir::tempPath()),
             "run under scripts/with-gnome-shell.sh, never in a real home");
    for (const QString& name : std::as_const(m_names)) {
        QFile file(desktopPath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     const auto icons = shownIcons();
                     return icons &&
                            std::all_of(m_names.cbegin(), m_names.cend(), [&](const QString& n) {
                                return icons->contains(n) && storedPoint(desktopPath(n));
                            });
                 },
                 timeoutMs),
             "the desktop icons did not show the files");
    m_bridge = std::make_unique<LinuxDesktopBridge>(
        m_paths, m_files, m_settings,
        LinuxDesktopBridge::Probes{DesktopProbe::windowClass, DesktopProbe::workArea});
    QCOMPARE(m_bridge->program(), DesktopProgram::ding);
    // Without a Desktop window to ask (a Wayland session), its process tells.
    const auto process = DesktopPrograms::findProcess(QStringLiteral("/proc"), ::getuid(),
                                                      ProgramSession::current());
    QVERIFY(process);
    QCOMPARE(process->program, DesktopProgram::ding);
    // The grid as the program describes it: the screen less the top bar.
    QCOMPARE(DingBackend::describedArea(), std::optional(QRect(0, 32, 1280, 768)));
}

void TestDingBridge::readsWhatItShows()
{
    const QList<DesktopFile> items = m_bridge->desktopItems().value();
    QCOMPARE(items.size(), m_names.size());
    const auto icons = shownIcons();
    QVERIFY(icons);
    for (const DesktopFile& item : items) {
        const QString name = QFileInfo(item.path).fileName();
        QVERIFY2(item.position, qPrintable(name));
        QVERIFY2(near(*item.position, icons->value(name).centre), qPrintable(name));
    }
    const PositionMap named = m_bridge->desktopPositions({m_names.at(1)}).value();
    QCOMPARE(named.size(), 1);
    QVERIFY(near(named.value(m_names.at(1)), icons->value(m_names.at(1)).centre));
}

void TestDingBridge::movesAShownIcon()
{
    const QString name = m_names.at(1);
    // Anywhere in a cell puts the icon in that cell.
    QVERIFY(m_bridge->setDesktopPositions({{name, QPointF(700, 300)}}));
    QVERIFY(waitForCell(name, QPoint(642, 290)));
    QCOMPARE(storedPoint(desktopPath(name)), std::optional(QPoint(642, 290)));
    QVERIFY(near(m_bridge->desktopPositions({name}).value().value(name), shownIcon(name)->centre));
    QVERIFY(QFile::exists(desktopPath(name)));
}

void TestDingBridge::arrivingFileLandsInItsCell()
{
    const QStringList arriving{QStringLiteral("incoming.txt"), QStringLiteral("second one.txt")};
    const QList<QPointF> targets{QPointF(900, 450), QPointF(1100, 700)};
    QDir().mkpath(QDir::homePath() + QStringLiteral("/Documents"));
    QList<NamedPosition> announced;
    for (qsizetype i = 0; i < arriving.size(); ++i) {
        QFile file(QDir::homePath() + QStringLiteral("/Documents/") + arriving.at(i));
        QVERIFY(file.open(QIODevice::WriteOnly));
        announced.append({arriving.at(i), targets.at(i)});
    }
    // As a spread does: announce, move in, then set the positions of what arrived.
    QVERIFY(m_bridge->announcePositions(announced));
    for (const QString& name : arriving)
        QVERIFY(m_files.move(QDir::homePath() + QStringLiteral("/Documents/") + name,
                             desktopPath(name)));
    QVERIFY(m_bridge->setDesktopPositions(announced));
    QVERIFY(waitForCell(arriving.at(0), QPoint(898, 418)));
    QVERIFY(waitForCell(arriving.at(1), QPoint(1026, 674)));
    for (const QString& name : arriving)
        QVERIFY2(QFile::exists(desktopPath(name)), qPrintable(name));
}

// The program itself: three files handed over by the right-click action are stacked, and a
// double-click on the stack puts them back in the cells they came from.
void TestDingBridge::theProgramStacksAndSpreadsBack()
{
    const QStringList names{QStringLiteral("one.txt"), QStringLiteral("two.txt"),
                            QStringLiteral("three.txt")};
    // The cells of those points, on 128-pixel cells below the top bar.
    const QHash<QString, QPoint> cells{{names.at(0), QPoint(514, 418)},
                                       {names.at(1), QPoint(642, 418)},
                                       {names.at(2), QPoint(770, 162)}};
    QStringList paths;
    for (qsizetype i = 0; i < names.size(); ++i) {
        QFile file(desktopPath(names.at(i)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(QTest::qWaitFor([&] { return shownIcon(names.at(i)).has_value(); }, timeoutMs));
        paths.append(desktopPath(names.at(i)));
    }
    QVERIFY(m_bridge->setDesktopPositions({{names.at(0), QPointF(576, 454)},
                                           {names.at(1), QPointF(704, 454)},
                                           {names.at(2), QPointF(832, 198)}}));
    // Icons move in steps: only their last cell counts.
    for (const QString& name : names)
        QVERIFY2(waitForCell(name, cells.value(name)), qPrintable(name));

    const auto program = E2eTools::stackWithTheProgram(paths, QStringLiteral("3 Documents"));
    QVERIFY2(program, "the program did not stack the files handed over");

    QVERIFY(E2eTools::doubleClickStackWindow());
    for (const QString& name : names)
        QVERIFY2(waitForCell(name, cells.value(name)), qPrintable(name));
}

void TestDingBridge::arrangedIconsHaveNoPositions()
{
    setArranged(true);
    QVERIFY(m_bridge->desktopPositions(m_names).value().isEmpty());
    // The program sorts the icons and writes their points itself; the bridge writes none.
    QVERIFY(m_bridge->setDesktopPositions({{m_names.at(0), QPointF(1000, 600)}}));
    QVERIFY(storedPoint(desktopPath(m_names.at(0))) != std::optional(QPoint(898, 546)));
    setArranged(false);
}

QTEST_GUILESS_MAIN(TestDingBridge)
#include "tst_dingbridge.moc"
