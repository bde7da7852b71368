#pragma once

#include "platform/linux/ProgramSession.h"

#include <QString>
#include <QStringList>

#include <optional>

// The desktop-icon programs Tidora knows how to work with.
enum class DesktopProgram { none, caja, nemo, xfdesktop, pcmanfm, pcmanfmQt, ding, plasma };

namespace DesktopPrograms {

// As the setting SettingsKey::desktopBackend writes it: "caja", "nemo", "xfdesktop",
// "pcmanfm", "pcmanfm-qt", "ding", "plasma", "none".
QString settingName(DesktopProgram program);
// The forced program; nothing for an empty, "auto" or unknown setting (then it is detected).
std::optional<DesktopProgram> fromSetting(const QString& value);
// The program of the window that draws the Desktop, from its WM_CLASS (instance, class).
DesktopProgram fromWindowClass(const QStringList& wmClass);

// A running desktop program found among the user's processes.
struct Process
{
    DesktopProgram program = DesktopProgram::none;
    QStringList arguments;
};

// When no window tells: the first of the user's processes of this session that draws a
// Desktop. `procRoot` is /proc, or a folder laid out like it in tests.
std::optional<Process> findProcess(const QString& procRoot, uint userId,
                                   const ProgramSession& session);
// The value of an option given as "--name value", "--name=value" or "-n value".
QString optionValue(const QStringList& arguments, const QString& longName,
                    const QString& shortName);

} // namespace DesktopPrograms
