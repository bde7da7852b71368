#include "platform/linux/filemanagers/FileManagerActions.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Right-clicks the Desktop icon `name` and returns the items of its menu, choosing `choice`
// among them when given; nothing when the icon's menu did not show.
std::optional<QStringList> menuOf(const QString& name, const QString& choice = {})
{
    QStringList arguments{QStringLiteral(TIDORA_KDE_TESTS "/desktop-menu.py"), name};
    if (!choice.isEmpty())
        arguments.append(choice);
    QProcess helper;
    helper.start(u"/usr/bin/python3"_s, arguments);
    if (!helper.waitForFinished(120000) || helper.exitCode() != 0) {
        qWarning("%s", helper.readAllStandardError().constData());
        return std::nullopt;
    }
    QStringList items;
    for (const auto& item : QJsonDocument::fromJson(helper.readAllStandardOutput()).array())
        items.append(item.toString());
    return items;
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Tidora's right-click action in the Plasma session scripts/with-plasma.sh starts: the desktop
// (plasmashell's Folder View, which reads the same service menus as Dolphin) offers it on an
// icon's menu and runs it with the icon's file.
class TestPlasmaMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theDesktopOffersTheActionUntilItIsRemoved();
};

void TestPlasmaMenu::theDesktopOffersTheActionUntilItIsRemoved()
{
    QVERIFY2(QDir::homePath().startsWith(QDir::tempPath()),
             "run under scripts/with-plasma.sh, never in a real home");
    // The program the action runs writes down what it got.
    QTemporaryDir bin;
    const QString finder = bin.filePath(u"tidora-finder"_s);
    const QString record = bin.filePath(u"arguments"_s);
    QFile script(finder);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.toUtf8() + ".new' && mv '" +
                 record.toUtf8() + ".new' '" + record.toUtf8() + "'\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));

    FileManagerActions actions(FileManagerActions::userPlaces(), finder);
    QVERIFY(actions.install().done.contains(FileManager::dolphin));
    const QString file = QDir::homePath() + u"/Desktop/alpha.txt"_s;
    QVERIFY(QFile(file).open(QIODevice::WriteOnly));

    std::optional<QStringList> items = menuOf(u"alpha.txt"_s, u"Stack with Tidora"_s);
    QVERIFY(items);
    QVERIFY2(items->contains(u"Stack with Tidora"_s), qPrintable(items->join(u", "_s)));
    // KIO starts it in its own time, slower under load.
    QTRY_COMPARE_WITH_TIMEOUT(contentOf(record), "--\n" + file.toUtf8() + '\n', 30000);

    // Taken away, it is gone from the next menu at once.
    QVERIFY(actions.remove().done.contains(FileManager::dolphin));
    items = menuOf(u"alpha.txt"_s);
    QVERIFY(items);
    QVERIFY2(!items->contains(u"Stack with Tidora"_s), qPrintable(items->join(u", "_s)));
}

QTEST_GUILESS_MAIN(TestPlasmaMenu)
#include "tst_plasmamenu.moc"
