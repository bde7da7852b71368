#include "E2eTools.h"

#include <QProcess>
#include <QRegularExpression>

namespace E2eTools {

QString run(const QString& program, const QStringList& arguments, int* exitCode)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(timeoutMs);
    if (exitCode)
        *exitCode =
            finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QStringList mouseAt(QPointF point)
{
    return {QStringLiteral("mousemove"), QString::number(qRound(point.x())),
            QString::number(qRound(point.y()))};
}

QRect windowGeometry(const QString& id)
{
    const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    auto field = [&info](const QString& name) {
        const QRegularExpression line(name + QStringLiteral(":\\s*(-?\\d+)"));
        return line.match(info).captured(1).toInt();
    };
    if (!info.contains(QStringLiteral("IsViewable")))
        return {};
    return QRect(field(QStringLiteral("Absolute upper-left X")),
                 field(QStringLiteral("Absolute upper-left Y")), field(QStringLiteral("Width")),
                 field(QStringLiteral("Height")));
}

QStringList windowsNamed(const QString& name)
{
    const QString ids =
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
             QLatin1Char('^') + QRegularExpression::escape(name) + u'$'});
    QStringList found;
    for (const QString& id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QRect geometry = windowGeometry(id);
        if (geometry.width() > 100 && geometry.height() > 64)
            found.append(id);
    }
    return found;
}

QRectF windowRect(const DesktopStack& stack)
{
    return QRectF(stack.windowOrigin.x(), screenHeight - stack.windowOrigin.y() - 150, 140, 150);
}

QStringList itemNames(const DesktopStack& stack)
{
    QStringList names;
    for (const StackItem& item : stack.items)
        names.append(item.name);
    names.sort();
    return names;
}

} // namespace E2eTools
