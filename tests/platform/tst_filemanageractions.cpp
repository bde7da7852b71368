#include "ScriptedAlerts.h"
#include "TempHome.h"
#include "platform/linux/filemanagers/ActionTexts.h"
#include "platform/linux/filemanagers/FileManagerActions.h"
#include "platform/linux/filemanagers/RightClickMenu.h"
#include "platform/linux/filemanagers/ThunarActionList.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <glib.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A Thunar list as a user keeps it: actions of their own, a comment, translated names.
const QByteArray usersList =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n<!-- mine -->\n<action>\n"
    "\t<icon>utilities-terminal</icon>\n\t<name>Open Terminal Here</name>\n"
    "\t<name xml:lang=\"de\">Terminal hier \xc3\xb6"
    "ffnen</name>\n\t<unique-id>1431136020265634-1</unique-id>\n"
    "\t<command>exo-open --working-directory %f &amp;&amp; true</command>\n"
    "\t<patterns>*</patterns>\n\t<directories/>\n</action>\n</actions>\n";

// The fake tidora-finder: writes each argument it gets on a line of its own.
QString recordingFinder(const TempHome& home, const QString& folder)
{
    const QString path = home.write(folder + u"/tidora-finder"_s,
                                    "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done\n");
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser);
    return path;
}

// What the program gets when a file manager runs this command line: the field codes expanded
// ("%F" to these files, each quoted as the file managers quote them, "%%" to "%"), then the
// shell splits it.
QStringList runCommand(const QString& command, const QStringList& files)
{
    QStringList quoted;
    for (const QString& file : files)
        quoted.append(u'\'' + QString(file).replace(u'\'', u"'\\''"_s) + u'\'');
    QString expanded;
    for (qsizetype i = 0; i < command.size(); ++i) {
        if (command.at(i) == u'%' && i + 1 < command.size()) {
            const QChar code = command.at(++i);
            expanded += code == u'F' ? quoted.join(u' ') : code == u'%' ? u"%"_s : QString();
        } else {
            expanded += command.at(i);
        }
    }
    QProcess shell;
    shell.start(u"/bin/sh"_s, {u"-c"_s, expanded});
    shell.waitForFinished(30000);
    return QString::fromUtf8(shell.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

QStringList runScript(const QString& script, const QStringList& files)
{
    QProcess process;
    process.start(script, files);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

// The value of a key as the file managers read it, through GLib's key file reader.
QString keyValue(const QByteArray& file, const char* group, const char* key)
{
    const std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> keys(g_key_file_new(),
                                                                     &g_key_file_free);
    if (!g_key_file_load_from_data(keys.get(), file.constData(), gsize(file.size()),
                                   G_KEY_FILE_NONE, nullptr))
        return {};
    const std::unique_ptr<gchar, decltype(&g_free)> value(
        g_key_file_get_string(keys.get(), group, key, nullptr), &g_free);
    return value ? QString::fromUtf8(value.get()) : QString();
}

struct Setup
{
    explicit Setup(QStringList programs, const QString& finderFolder = u"bin"_s)
        : finder(recordingFinder(home, finderFolder))
        , actions(FileManagerActions::Places{home.configRoot(),
                                             home.dataRoot(),
                                             {home.home() + u"/etc/xdg"_s}},
                  finder, [programs](const QString& program) { return programs.contains(program); })
    {}

    QString config(const QString& relative) const { return home.configRoot() + u'/' + relative; }
    QString data(const QString& relative) const { return home.dataRoot() + u'/' + relative; }

    TempHome home;
    QString finder;
    FileManagerActions actions;
};

} // namespace

namespace QTest {
template<>
char* toString(const FileManager& manager)
{
    return qstrdup(FileManagerActions::name(manager).toUtf8().constData());
}
} // namespace QTest

class TestFileManagerActions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachFoundFileManagerGetsAnActionThatRunsTheHelper();
    void thunarsListKeepsTheUsersOwnActions();
    void onlyTidorasOwnFilesAreWrittenOrRemoved();
    void removingLeavesNothingTidoraMade();
    void tellsWhenThereIsNothingToDo();
    void theMenuItemAsksThenSaysWhatItDid();
};

void TestFileManagerActions::eachFoundFileManagerGetsAnActionThatRunsTheHelper()
{
    // Installed somewhere a command line must quote.
    Setup s(
        {u"caja"_s, u"nemo"_s, u"pcmanfm-qt"_s, u"xfdesktop"_s, u"nautilus"_s, u"plasmashell"_s},
        u"My Apps/100% zo\u00eb's \"$HOME\" \\here"_s);
    QCOMPARE(
        s.actions.available(),
        (QList<FileManager>{FileManager::caja, FileManager::nemo, FileManager::pcmanfmQt,
                            FileManager::thunar, FileManager::nautilus, FileManager::dolphin}));
    QVERIFY(s.actions.installed().isEmpty());

    const FileManagerActions::Outcome outcome = s.actions.install();
    QCOMPARE(outcome.done, s.actions.available());
    QVERIFY(outcome.failed.isEmpty());
    QVERIFY(outcome.informativeText.startsWith(
        u"Added to Caja, Nemo, PCManFM-Qt, Thunar, Nautilus and Dolphin."_s));
    QCOMPARE(s.actions.installed(),
             (QList<FileManager>{FileManager::caja, FileManager::nemo, FileManager::pcmanfm,
                                 FileManager::pcmanfmQt, FileManager::thunar, FileManager::nautilus,
                                 FileManager::dolphin}));

    // Every action hands the helper exactly the selected items, however they are named.
    const QStringList files{u"/home/u/Desktop/it's \"a\" $HOME `x`.txt"_s, u"/home/u/Desktop/-n"_s,
                            u"/home/u/Desktop/back\\slash *"_s};
    const QStringList expected = QStringList{u"--"_s} + files;
    const QByteArray nemo = TempHome::read(s.data(u"nemo/actions/tidora-stack.nemo_action"_s));
    QVERIFY(nemo.contains("\nConditions=desktop;\n"));
    QCOMPARE(runCommand(keyValue(nemo, "Nemo Action", "Exec"), files), expected);
    const QByteArray shared =
        TempHome::read(s.data(u"file-manager/actions/tidora-stack.desktop"_s));
    QVERIFY(shared.contains("\n[X-Action-Profile stack]\n"));
    QCOMPARE(runCommand(keyValue(shared, "X-Action-Profile stack", "Exec"), files), expected);
    // KIO runs the action the entry names, and only from an executable file.
    const QString kde = s.data(u"kio/servicemenus/tidora-stack.desktop"_s);
    QVERIFY(QFileInfo(kde).isExecutable());
    const QByteArray menu = TempHome::read(kde);
    const QByteArray group =
        "Desktop Action " + keyValue(menu, "Desktop Entry", "Actions").section(u';', 0, 0).toUtf8();
    QCOMPARE(runCommand(keyValue(menu, group.constData(), "Exec"), files), expected);
    const QString thunar = QString::fromUtf8(TempHome::read(s.config(u"Thunar/uca.xml"_s)));
    const QString command = QRegularExpression(u"<command>(.*)</command>"_s)
                                .match(thunar)
                                .captured(1)
                                .replace(u"&apos;"_s, u"'"_s)
                                .replace(u"&quot;"_s, u"\""_s)
                                .replace(u"&amp;"_s, u"&"_s);
    QCOMPARE(runCommand(command, files), expected);
    for (const QString& script : {s.config(u"caja/scripts/Stack with Tidora"_s),
                                  s.data(u"nautilus/scripts/Stack with Tidora"_s)}) {
        QVERIFY(QFileInfo(script).isExecutable());
        QCOMPARE(runScript(script, files), expected);
    }

    // Installing again replaces Tidora's files and leaves one action in Thunar's list.
    QCOMPARE(s.actions.install().done, outcome.done);
    QCOMPARE(TempHome::read(s.config(u"Thunar/uca.xml"_s)).count("<unique-id>"), 1);
}

void TestFileManagerActions::thunarsListKeepsTheUsersOwnActions()
{
    Setup s({u"thunar"_s});
    const QString list = s.config(u"Thunar/uca.xml"_s);
    s.home.write(u".config/Thunar/uca.xml"_s, usersList);

    QCOMPARE(s.actions.install().done, QList<FileManager>{FileManager::thunar});
    const QByteArray added = TempHome::read(list);
    // The user's text is all still there, byte for byte; Tidora's action closes the list.
    const qsizetype closing = usersList.lastIndexOf("</actions>");
    QVERIFY(added.startsWith(usersList.left(closing)));
    QVERIFY(added.endsWith("</action>\n</actions>\n"));
    QVERIFY(ThunarActionList::hasAction(added));
    // And removing it gives the user's file back exactly.
    QCOMPARE(s.actions.remove().done, QList<FileManager>{FileManager::thunar});
    QCOMPARE(TempHome::read(list), usersList);

    // Without a list of the user's own, the system's actions are carried over, not hidden.
    QVERIFY(QFile::remove(list));
    s.home.write(u"etc/xdg/Thunar/uca.xml"_s, usersList);
    QVERIFY(s.actions.install().failed.isEmpty());
    QVERIFY(TempHome::read(list).contains("<name>Open Terminal Here</name>"));
    QVERIFY(ThunarActionList::hasAction(TempHome::read(list)));
    // An empty list written short.
    QCOMPARE(ThunarActionList::withoutAction(
                 *ThunarActionList::withAction("<?xml version=\"1.0\"?>\n<actions/>\n", u"/f"_s)),
             std::optional(QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n"
                                      "</actions>\n")));

    // A file Tidora can't read as such a list is left exactly as it is.
    for (const QByteArray& unreadable :
         {QByteArray("<actions><action>"), QByteArray("<menu><action/></menu>"),
          QByteArray("<actions>\xff</actions>")}) {
        s.home.write(u".config/Thunar/uca.xml"_s, unreadable);
        const FileManagerActions::Outcome outcome = s.actions.install();
        QCOMPARE(outcome.failed, QList<FileManager>{FileManager::thunar});
        QCOMPARE(outcome.message, u"Tidora couldn't add its right-click action"_s);
        QCOMPARE(TempHome::read(list), unreadable);
    }
}

void TestFileManagerActions::onlyTidorasOwnFilesAreWrittenOrRemoved()
{
    Setup s({u"caja"_s, u"nemo"_s, u"pcmanfm"_s});
    // The user's own script of that name is in the way.
    const QString mine =
        s.home.write(u".config/caja/scripts/Stack with Tidora"_s, "#!/bin/sh\necho mine\n");
    FileManagerActions::Outcome outcome = s.actions.install();
    QCOMPARE(outcome.done, (QList<FileManager>{FileManager::nemo, FileManager::pcmanfm}));
    QCOMPARE(outcome.failed, QList<FileManager>{FileManager::caja});
    QVERIFY(outcome.informativeText.endsWith(
        QStringLiteral("Not added to Caja (~/.config/caja/scripts/Stack with Tidora is another "
                       "program's file).")));
    QCOMPARE(TempHome::read(mine), QByteArray("#!/bin/sh\necho mine\n"));

    // Removing takes Tidora's out, the shared libfm file once for both programs, and leaves
    // the user's.
    outcome = s.actions.remove();
    QCOMPARE(outcome.done,
             (QList<FileManager>{FileManager::nemo, FileManager::pcmanfm, FileManager::pcmanfmQt}));
    QVERIFY(outcome.failed.isEmpty());
    QVERIFY(!QFileInfo::exists(s.data(u"nemo/actions/tidora-stack.nemo_action"_s)));
    QVERIFY(!QFileInfo::exists(s.data(u"file-manager/actions/tidora-stack.desktop"_s)));
    QVERIFY(QFileInfo::exists(mine));
    QVERIFY(s.actions.installed().isEmpty());
}

void TestFileManagerActions::removingLeavesNothingTidoraMade()
{
    Setup s({u"caja"_s, u"nemo"_s, u"pcmanfm"_s, u"xfdesktop"_s, u"dolphin"_s});
    // Caja has run here before; Nemo, libfm, KIO and Thunar have not, and the system has a
    // list.
    s.home.makeFolder(u".config/caja/scripts"_s);
    s.home.write(u"etc/xdg/Thunar/uca.xml"_s, usersList);
    QVERIFY(s.actions.install().failed.isEmpty());
    // Added again, it still knows what it made the first time.
    QVERIFY(s.actions.install().failed.isEmpty());
    // A note edited to name a folder off the file's way is not followed.
    const QString empty = s.home.makeFolder(u"Documents/Empty"_s);
    const QString nemo = s.data(u"nemo/actions/tidora-stack.nemo_action"_s);
    s.home.write(u".local/share/nemo/actions/tidora-stack.nemo_action"_s,
                 ActionTexts::withMadeFolders(TempHome::read(nemo), {empty}));
    // Something of the user's in one of the folders Tidora made keeps that folder.
    const QString mine = s.home.write(u".local/share/nemo/actions/mine.nemo_action"_s);

    QVERIFY(s.actions.remove().failed.isEmpty());
    QVERIFY(QFileInfo(s.config(u"caja/scripts"_s)).isDir());
    QVERIFY(QFileInfo::exists(mine));
    QVERIFY(QFileInfo(empty).isDir());
    QVERIFY(!QFileInfo::exists(s.data(u"file-manager"_s)));
    QVERIFY(!QFileInfo::exists(s.data(u"kio"_s)));
    // The copy of the system's list made only to add the action goes; Thunar shows the
    // system's again.
    QVERIFY(!QFileInfo::exists(s.config(u"Thunar/uca.xml"_s)));

    // A list the user changed after Tidora added its action is theirs: it stays, without it.
    QVERIFY(s.actions.install().failed.isEmpty());
    const QString list = s.config(u"Thunar/uca.xml"_s);
    s.home.write(u".config/Thunar/uca.xml"_s,
                 TempHome::read(list).replace("Open Terminal Here", "Open a Terminal"));
    QVERIFY(s.actions.remove().failed.isEmpty());
    QVERIFY(TempHome::read(list).contains("Open a Terminal"));
    QVERIFY(!ThunarActionList::hasAction(TempHome::read(list)));
}

void TestFileManagerActions::tellsWhenThereIsNothingToDo()
{
    Setup none({});
    FileManagerActions::Outcome outcome = none.actions.install();
    QCOMPARE(outcome.message, u"No supported file manager found"_s);
    QVERIFY(outcome.done.isEmpty());

    // Without the helper next to the program, nothing is written.
    Setup noHelper({u"nemo"_s});
    QVERIFY(QFile::remove(noHelper.finder));
    outcome = noHelper.actions.install();
    QCOMPARE(outcome.message, u"Tidora couldn't add its right-click action"_s);
    QVERIFY(outcome.informativeText.contains(QStringLiteral("tidora-finder, isn't installed next "
                                                            "to Tidora (in ~/bin)")));
    QVERIFY(!QFileInfo::exists(noHelper.data(u"nemo"_s)));
}

void TestFileManagerActions::theMenuItemAsksThenSaysWhatItDid()
{
    Setup s({u"nemo"_s});
    ScriptedAlerts alerts;
    alerts.answer(u"Cancel"_s);
    RightClickMenu::choose(alerts, s.actions);
    QVERIFY(alerts.shown.last().informativeText.startsWith(u"Found: Nemo."_s));
    QVERIFY(s.actions.installed().isEmpty());

    alerts.answer(u"Add"_s);
    RightClickMenu::choose(alerts, s.actions);
    QCOMPARE(alerts.messages().last(), u"Stack with Tidora is in the right-click menu"_s);
    QCOMPARE(s.actions.installed(), QList<FileManager>{FileManager::nemo});

    // Once it is there, the item offers to take it away.
    alerts.answer(u"Remove"_s);
    RightClickMenu::choose(alerts, s.actions);
    QCOMPARE(alerts.shown[alerts.shown.size() - 2].buttons,
             (QStringList{u"Remove"_s, u"Add Again"_s, u"Cancel"_s}));
    QCOMPARE(alerts.messages().last(),
             u"Stack with Tidora was removed from the right-click menu"_s);
    QVERIFY(s.actions.installed().isEmpty());
    QVERIFY(alerts.problems.isEmpty());
    QCOMPARE(alerts.raised, int(alerts.shown.size()));
}

QTEST_GUILESS_MAIN(TestFileManagerActions)
#include "tst_filemanageractions.moc"
