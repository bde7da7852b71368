#include "E2eTools.h"
#include "MemorySettings.h"
#include "TidoraProcess.h"
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
    QRect cell;
    int labelTop = 0;
    // Where the image of a 64-pixel icon centres: 4 above its label.
    QPointF centre() const { return {cell.x() + cell.width() / 2.0, labelTop - 4 - 32.0}; }
};

// What Plasma's desktop shows now, by label; nothing while its tree is being rebuilt.
std::optional<QHash<QString, Shown>> shownIcons()
{
    QProcess reader;
    reader.start(QStringLiteral(TIDORA_KDE_TESTS "/plasma-icons.py"), {});
    if (!reader.waitForFinished(timeoutMs))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(reader.readAllStandardOutput());
    if (!document.isObject())
        return std::nullopt;
    QHash<QString, Shown> icons;
    const QJsonObject all = document.object();
    for (auto it = all.constBegin(); it != all.constEnd(); ++it) {
        const QJsonArray v = it.value().toArray();
        icons.insert(it.key(), Shown{QRect(v.at(0).toInt(), v.at(1).toInt(), v.at(2).toInt(),
                                           v.at(3).toInt()),
                                     v.at(4).toInt()});
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

// Whether the icon comes to show in the cell at `cell`; where it shows when it does not.
bool waitForCell(const QString& name, QPoint cell, QByteArray* seen = nullptr)
{
    std::optional<Shown> icon;
    const bool shown = QTest::qWaitFor(
        [&] {
            // Plasma's accessibility tree may still hold the icon of a file that has left.
            icon = shownIcon(name);
            return icon && icon->cell.topLeft() == cell &&
                   QFile::exists(QDir::homePath() + QStringLiteral("/Desktop/") + name);
        },
        timeoutMs);
    if (!shown && seen) {
        *seen =
            name.toUtf8() + (icon ? QByteArray(" shows at ") + QByteArray::number(icon->cell.x()) +
                                        ',' + QByteArray::number(icon->cell.y())
                                  : QByteArray(" is not shown"));
        if (!QFile::exists(QDir::homePath() + QStringLiteral("/Desktop/") + name))
            *seen += " and is not on the Desktop";
    }
    return shown;
}

// Runs a script in plasmashell on the first Desktop containment; what it printed.
QString onDesktop(const QString& body)
{
    QProcess qdbus;
    qdbus.start(
        QStringLiteral("qdbus"),
        {QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
         QStringLiteral("org.kde.PlasmaShell.evaluateScript"),
         QStringLiteral("var d = desktops()[0]; d.currentConfigGroup = [\"General\"]; ") + body});
    qdbus.waitForFinished(timeoutMs);
    return QString::fromUtf8(qdbus.readAllStandardOutput()).trimmed();
}

// As the user's choice in the desktop's menu: -1 arranges by hand, 1 sorts by name.
void setSortMode(int mode)
{
    onDesktop(QStringLiteral("d.writeConfig(\"sortMode\", %1);").arg(mode));
}

bool near(QPointF a, QPointF b)
{
    return qAbs(a.x() - b.x()) <= 1 && qAbs(a.y() - b.y()) <= 1;
}

} // namespace

// KDE Plasma, started by scripts/with-plasma.sh in a home of its own, driven through the bridge
// and checked against what its desktop shows (its cells on the accessibility bus).
class TestPlasmaBridge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsWhatItShows();
    void movesAShownIcon();
    void arrivingFilesLandInTheirCells();
    void theProgramStacksAndSpreadsBack();
    void sortedIconsHaveNoPositions();

private:
    QString desktopPath(const QString& name) const { return m_paths.desktop() + u'/' + name; }

    LinuxPaths m_paths;
    LocalFileSystem m_files;
    MemorySettings m_settings;
    std::unique_ptr<LinuxDesktopBridge> m_bridge;
    // Names a URL must escape, and one it must not.
    QStringList m_names{QStringLiteral("alpha.txt"), QStringLiteral("say \"hi\" 50% #1?.txt"),
                        QStringLiteral("\u00fcn\u00efc\u00f8d\u00e9 \u6587\u4ef6.txt")};
};

void TestPlasmaBridge::initTestCase()
{
    QVERIFY2(QDir::homePath().startsWith(QDir::tempPath()),
             "run under scripts/with-plasma.sh, never in a real home");
    setSortMode(-1);
    for (const QString& name : std::as_const(m_names)) {
        QFile file(desktopPath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     const auto icons = shownIcons();
                     return icons &&
                            std::all_of(m_names.cbegin(), m_names.cend(),
                                        [&](const QString& n) { return icons->contains(n); });
                 },
                 timeoutMs),
             "Plasma's desktop did not show the files");
    m_bridge = std::make_unique<LinuxDesktopBridge>(
        m_paths, m_files, m_settings,
        LinuxDesktopBridge::Probes{DesktopProbe::windowClass, DesktopProbe::workArea});
    QCOMPARE(m_bridge->program(), DesktopProgram::plasma);
    // Without a Desktop window to ask (a Wayland session), its process tells.
    const auto process = DesktopPrograms::findProcess(QStringLiteral("/proc"), ::getuid(),
                                                      ProgramSession::current());
    QVERIFY(process);
    QCOMPARE(process->program, DesktopProgram::plasma);
}

void TestPlasmaBridge::readsWhatItShows()
{
    // Plasma lists a new icon a moment after showing it.
    QVERIFY(QTest::qWaitFor(
        [&] { return m_bridge->desktopPositions(m_names).value().size() == m_names.size(); },
        timeoutMs));
    const auto icons = shownIcons();
    QVERIFY(icons);
    int shown = 0;
    for (const DesktopFile& item : m_bridge->desktopItems().value()) {
        // Plasma keeps its view settings in a hidden .directory file there.
        const QString name = QFileInfo(item.path).fileName();
        if (name.startsWith(u'.'))
            continue;
        QVERIFY2(item.position && near(*item.position, icons->value(name).centre()),
                 qPrintable(name));
        ++shown;
    }
    QCOMPARE(shown, m_names.size());
}

void TestPlasmaBridge::movesAShownIcon()
{
    const QString name = m_names.at(1);
    // Anywhere in a cell puts the icon in that cell: 116 × 126 cells on a 1280 × 756 desktop.
    QVERIFY(m_bridge->setDesktopPositions({{name, QPointF(700, 300)}}));
    QVERIFY(waitForCell(name, QPoint(696, 252)));
    QVERIFY(
        near(m_bridge->desktopPositions({name}).value().value(name), shownIcon(name)->centre()));
    // A cell another icon holds is not taken from it.
    const QPoint other = shownIcon(m_names.at(0))->cell.topLeft();
    QVERIFY(m_bridge->setDesktopPositions({{name, QPointF(other) + QPointF(50, 50)}}));
    QVERIFY(QTest::qWaitFor([&] { return shownIcon(name)->cell.topLeft() != QPoint(696, 252); },
                            timeoutMs));
    QCOMPARE(shownIcon(m_names.at(0))->cell.topLeft(), other);
    QVERIFY(QFile::exists(desktopPath(name)));
}

void TestPlasmaBridge::arrivingFilesLandInTheirCells()
{
    const QStringList arriving{QStringLiteral("incoming.txt"), QStringLiteral("second one.txt")};
    const QList<QPointF> targets{QPointF(900, 450), QPointF(1100, 700)};
    QDir().mkpath(QDir::homePath() + QStringLiteral("/Documents"));
    QList<NamedPosition> wanted;
    for (qsizetype i = 0; i < arriving.size(); ++i) {
        QFile file(QDir::homePath() + QStringLiteral("/Documents/") + arriving.at(i));
        QVERIFY(file.open(QIODevice::WriteOnly));
        wanted.append({arriving.at(i), targets.at(i)});
    }
    // As a spread does: announce, move in, then set the positions of what arrived.
    QVERIFY(m_bridge->announcePositions(wanted));
    for (const QString& name : arriving)
        QVERIFY(m_files.move(QDir::homePath() + QStringLiteral("/Documents/") + name,
                             desktopPath(name)));
    QVERIFY(m_bridge->setDesktopPositions(wanted));
    QVERIFY(waitForCell(arriving.at(0), QPoint(812, 378)));
    QVERIFY(waitForCell(arriving.at(1), QPoint(1044, 630)));
}

// The program itself: three files handed over by the right-click action are stacked, and a
// double-click on the stack puts them back in the cells they came from.
void TestPlasmaBridge::theProgramStacksAndSpreadsBack()
{
    const QStringList names{QStringLiteral("one.txt"), QStringLiteral("two.txt"),
                            QStringLiteral("three.txt")};
    QStringList paths;
    for (const QString& name : names) {
        QFile file(desktopPath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        paths.append(desktopPath(name));
    }
    QVERIFY(QTest::qWaitFor(
        [&] { return m_bridge->desktopPositions(names).value().size() == names.size(); },
        timeoutMs));
    const QList<QPoint> cells{QPoint(464, 378), QPoint(580, 378), QPoint(696, 126)};
    QVERIFY(m_bridge->setDesktopPositions({{names.at(0), QPointF(520, 420)},
                                           {names.at(1), QPointF(640, 420)},
                                           {names.at(2), QPointF(750, 170)}}));
    for (qsizetype i = 0; i < names.size(); ++i)
        QVERIFY(waitForCell(names.at(i), cells.at(i)));

    const auto program = E2eTools::stackWithTheProgram(paths, QStringLiteral("3 Documents"));
    QVERIFY2(program, "the program did not stack the files handed over");

    QVERIFY(E2eTools::doubleClickStackWindow());
    for (qsizetype i = 0; i < names.size(); ++i) {
        QByteArray seen;
        QVERIFY2(waitForCell(names.at(i), cells.at(i), &seen), seen.constData());
    }
}

void TestPlasmaBridge::sortedIconsHaveNoPositions()
{
    setSortMode(1);
    QVERIFY(m_bridge->desktopPositions(m_names).value().isEmpty());
    // Plasma sorts the icons itself; the bridge writes nothing and leaves the sorting on.
    QVERIFY(m_bridge->setDesktopPositions({{m_names.at(0), QPointF(1000, 600)}}));
    QCOMPARE(onDesktop(QStringLiteral("print(d.readConfig(\"sortMode\", 0));")), u"1");
    setSortMode(-1);
}

QTEST_GUILESS_MAIN(TestPlasmaBridge)
#include "tst_plasmabridge.moc"
