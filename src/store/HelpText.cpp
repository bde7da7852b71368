#include "store/HelpText.h"

#include "platform/Wording.h"

#include <QHash>

#include <algorithm>

namespace {

bool isShellSafe(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           QStringView(u"_@%+=:,./-").contains(c);
}

// Replaces each {name} by its value in one pass, so a value holding braces stays as it is.
QString filled(const QString& text, const QHash<QString, QString>& values)
{
    QString result;
    result.reserve(text.size() + 256);
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('{'), at);
        const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char('}'), open);
        if (close < 0) {
            result += QStringView(text).mid(at);
            break;
        }
        const QString name = text.mid(open + 1, close - open - 1);
        const auto value = values.constFind(name);
        result += QStringView(text).mid(at, open - at);
        result += value != values.cend() ? *value : text.mid(open, close - open + 1);
        at = close + 1;
    }
    return result;
}

} // namespace

QString shellPath(const QString& displayPath)
{
    const bool underHome = displayPath.startsWith(QLatin1String("~/"));
    const QString rest = underHome ? displayPath.mid(2) : displayPath;
    if (!rest.isEmpty() && std::all_of(rest.cbegin(), rest.cend(), isShellSafe))
        return displayPath;
    QString quoted = rest;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return (underHome ? QStringLiteral("~/'") : QStringLiteral("'")) + quoted + QLatin1Char('\'');
}

QString helpText(const Wording& w, const HelpPlaces& places)
{
    const auto command = [&w](const QString& path) {
        return w.quotePathsInCommands ? shellPath(path) : path;
    };
    // The platform's pieces go in first; then the paths, in one pass of their own so that a
    // path holding braces is never read as a placeholder.
    const QHash<QString, QString> pieces{
        {QStringLiteral("documentsLabel"), w.documentsLabel},
        {QStringLiteral("desktopLabel"), w.desktopLabel},
        {QStringLiteral("menuIcon"), w.menuIcon},
        {QStringLiteral("helpHiddenFiles"), w.helpHiddenFiles},
        {QStringLiteral("helpSyncedDesktop"), w.helpSyncedDesktop},
        {QStringLiteral("thisComputer"), w.thisComputer},
        {QStringLiteral("loginItems"), w.loginItems},
        {QStringLiteral("appRemoval"), w.appRemoval},
        {QStringLiteral("goToFolder"), w.goToFolder},
        {QStringLiteral("terminal"), w.terminal},
        {QStringLiteral("helpProtection"), w.helpProtection},
        {QStringLiteral("previewClick"), w.previewClick},
        {QStringLiteral("helpGreyedOut"), w.helpGreyedOut},
        {QStringLiteral("helpGesturesOff"), w.helpGesturesOff},
    };
    const QHash<QString, QString> paths{
        {QStringLiteral("D"), places.documents},
        {QStringLiteral("K"), places.desktop},
        {QStringLiteral("C"), places.current},
        {QStringLiteral("O"), places.other},
        {QStringLiteral("Dshell"), command(places.documents)},
        {QStringLiteral("Cshell"), command(places.current)},
        {QStringLiteral("DesktopShell"), command(places.desktopFolder)},
    };
    static const QString text = QStringLiteral(
        "THE TWO PLACES YOUR FILES CAN BE\n"
        "Stacked files are always in one of exactly two folders, with one subfolder per stack:\n"
        "1. {D} (hidden: its name starts with a dot)\n"
        "2. {K}\n"
        "Right now they are in {C}. They are your real files, not copies. Spreading or "
        "dissolving a stack moves them back to the Desktop.\n"
        "\n"
        "SHOWING HIDDEN FILES\n"
        "{helpHiddenFiles}\n"
        "\n"
        "WHERE TO KEEP THEM\n"
        "Choose Keep Stacked Files In from the {menuIcon}:\n"
        "\u2022 {documentsLabel} ({D}): your Desktop stays really tidy. Best for most people.\n"
        "\u2022 {desktopLabel} ({K}): stacked files stay inside your Desktop. "
        "{helpSyncedDesktop}\n"
        "Changing it moves the files for you. Nothing is copied.\n"
        "\n"
        "With the folder on the Desktop, leave it where it is and don't rename it. On your "
        "other devices it isn't protected, so don't delete it there either: that deletes the "
        "files on {thisComputer} too.\n"
        "\n"
        "IF TIDORA ISN'T RUNNING\n"
        "Your stacks only show while Tidora is running, so it opens by itself when you log in. "
        "If you quit it, or remove it from {loginItems}, the stacks are gone from your Desktop "
        "and the shortcut and Shift-drag stop working. The files stay safe in {C}. Open Tidora "
        "again and every stack comes back where it was.\n"
        "\n"
        "UNINSTALLING\n"
        "Always choose Uninstall Tidora\u2026 from the {menuIcon}. It moves every stacked file "
        "back to your Desktop, removes the stacks folder, and then {appRemoval}\n"
        "\n"
        "IF THE APP WAS DELETED ANOTHER WAY\n"
        "Install Tidora again and open it. Your stacks come back by themselves, from whichever "
        "of the two folders holds them, and any folder there that the app no longer lists is "
        "brought back as a new stack. Nothing is copied or deleted.\n"
        "\n"
        "RECOVERING FILES BY HAND\n"
        "If you'd rather not install the app again:\n"
        "1. {goToFolder}\n"
        "2. Type {C} and press Return. (If it isn't there, try {O}.)\n"
        "3. Open each folder and drag the files to your Desktop.\n"
        "\n"
        "Or in {terminal}, this moves every stacked file to your Desktop in one go (files whose "
        "names already exist on the Desktop are left where they are, never overwritten):\n"
        "  mv -n {Cshell}/*/* {DesktopShell}/\n"
        "Run it again with {O} in place of {C} if you used the other folder at some "
        "time.{helpProtection}\n"
        "\n"
        "TAKING FILES OUT OF A STACK\n"
        "Want to work with just one file, or a few? Spread the stack, drag those files a little "
        "away from where they landed (an icon's width is enough), and stack it again. The files "
        "you moved stay on the Desktop and are no longer part of the stack; the rest go back "
        "in. Small nudges just tidy the layout. You can also {previewClick} a stack to see its "
        "files and drag any of them out, to the Desktop, a folder or another app; a file that "
        "leaves the stack's folder is no longer part of the stack. To put a file back, drop it "
        "on the stack.\n"
        "\n"
        "IF STACK SELECTED FILES IS GREYED OUT\n"
        "Select one or more files directly {helpGreyedOut}{helpGesturesOff}");
    return filled(filled(text, pieces), paths);
}
