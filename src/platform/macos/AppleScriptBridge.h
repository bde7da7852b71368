#pragma once

#include "engine/DesktopBridge.h"

// The desktop bridge of the macOS build: Finder is asked through AppleScript, each operation one
// script run by osascript. Stateless: every call starts its own osascript process, so calls from
// several threads do not meet.
class AppleScriptBridge : public DesktopBridge
{
public:
    AppleScriptBridge(QString desktopFolder, const FileSystem& fileSystem,
                      QString osascript = QStringLiteral("/usr/bin/osascript"));

    // Runs one script; its text result, or Finder's error number and message.
    BridgeResult<QString> runScript(const QString& source) const;

    // osascript's report of a failed script, e.g. "0:46: execution error: Finder got an error:
    // Can't get item 1. (-1728)", as message and number.
    static BridgeError errorFromReport(const QString& report);

protected:
    BridgeResult<QList<DesktopFile>> readDesktopItems() override;
    BridgeResult<QList<DesktopFile>> readSelection() override;
    BridgeResult<QList<NamedPosition>> readPositions(const QStringList& names) override;
    BridgeResult<void> writePositions(const QList<NamedPosition>& positions) override;
    // A reply line cannot carry a tab or a line break, and a script line must not break.
    bool canExpress(const QString& name) const override;
    bool hasHiddenFlag(const QString& path, HiddenLists& lists) const override;

private:
    BridgeResult<QList<DesktopFile>> readFiles(const QString& script) const;

    QString m_osascript;
};
