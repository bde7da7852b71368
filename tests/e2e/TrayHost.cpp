#include "TrayHost.h"

#include "E2eTools.h"

#include <QTest>

bool TrayHost::start()
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("trayer"),
                    {QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"),
                     QStringLiteral("right"), QStringLiteral("--widthtype"),
                     QStringLiteral("pixel"), QStringLiteral("--width"), QStringLiteral("120"),
                     QStringLiteral("--heighttype"), QStringLiteral("pixel"),
                     QStringLiteral("--height"), QStringLiteral("32")});
    return m_process.waitForStarted(E2eTools::timeoutMs);
}

void TrayHost::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    m_process.waitForFinished(E2eTools::timeoutMs);
}

std::optional<QRect> TrayHost::waitForIcon() const
{
    QRect icon;
    const bool found = QTest::qWaitFor(
        [&] {
            for (const QString& id :
                 E2eTools::search({QStringLiteral("--class"), QStringLiteral("tidora")})) {
                const QRect geometry = E2eTools::windowGeometry(id);
                if (geometry.isValid() && geometry.width() <= 64 && geometry.height() <= 64)
                    icon = geometry;
            }
            return icon.isValid();
        },
        E2eTools::timeoutMs);
    return found ? std::optional(icon) : std::nullopt;
}
