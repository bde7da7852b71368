#pragma once

#include "engine/DesktopBridge.h"
#include "platform/linux/DesktopProgram.h"
#include "platform/linux/GvfsMetadata.h"
#include "platform/linux/SelectionHandOver.h"

#include <QMutex>
#include <QRect>

#include <functional>
#include <map>
#include <memory>

class DesktopBackend;
class Paths;
class Settings;

// The desktop bridge on Linux: icon positions and the selection come from the program that
// draws the Desktop, through one backend per program (see docs/desktop-programs.md). The
// program is the one forced by the setting SettingsKey::desktopBackend, else the one whose
// window is the Desktop window (asked through `windowClass`, which the X11 layer supplies),
// else the first desktop program among the user's processes of this session (`session`: same
// display, same login). It is looked up again at every call, so a desktop that starts after
// Tidora is found.
//
// Selection: the program's live selection when it offers one; for a context-menu request, the
// files its action handed over first (SelectionHandOver).
//
// Threads: desktopItems and selectedFiles are safe on a worker thread. The setting is read
// only on the GUI thread (at construction and at each GUI-thread call) and remembered for
// calls from workers, because the settings port is not thread-safe.
class LinuxDesktopBridge : public DesktopBridge
{
public:
    // What the X server tells (src/platform/x11/DesktopProbe.h); either may be left empty.
    struct Probes
    {
        // WM_CLASS of the window that draws the Desktop; empty when none.
        std::function<QStringList()> windowClass;
        // The screen area panels leave free; null when unknown.
        std::function<QRect()> workArea;
    };

    LinuxDesktopBridge(const Paths& paths, FileSystem& fileSystem, const Settings& settings,
                       Probes probes = {}, QString procRoot = QStringLiteral("/proc"),
                       ProgramSession session = ProgramSession::current());
    ~LinuxDesktopBridge() override;

    // The program the bridge works with now.
    DesktopProgram program();
    const GvfsMetadata& metadata() const { return m_metadata; }

protected:
    BridgeResult<QList<DesktopFile>> readDesktopItems() override;
    BridgeResult<QList<DesktopFile>> readSelection() override;
    std::optional<QList<DesktopFile>> takeHandOver() override;
    BridgeResult<QList<NamedPosition>> readPositions(const QStringList& names) override;
    BridgeResult<void> writePositions(const QList<NamedPosition>& positions) override;
    BridgeResult<void> writeAnnouncement(const QList<NamedPosition>& positions) override;

private:
    // The backend for the program found now; it lives as long as the bridge.
    DesktopBackend& backend();
    std::unique_ptr<DesktopBackend> makeBackend(DesktopProgram program);
    void refreshSetting();
    QStringList presentNames() const;
    // The entries whose names the backend's store can carry whole.
    static QList<NamedPosition> expressible(const DesktopBackend& backend,
                                            const QList<NamedPosition>& positions);

    FileSystem& m_files;
    const Settings& m_settings;
    Probes m_probes;
    QString m_procRoot;
    ProgramSession m_session;
    QString m_home;
    QString m_configRoot;
    GvfsMetadata m_metadata;
    SelectionHandOver m_handOver;

    mutable QMutex m_mutex;
    std::optional<DesktopProgram> m_forced;
    DesktopProgram m_current = DesktopProgram::none;
    std::map<DesktopProgram, std::unique_ptr<DesktopBackend>> m_backends;
};
