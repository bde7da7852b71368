#include "TidoraProcess.h"

#include <QProcessEnvironment>
#include <QTest>

TidoraProcess::TidoraProcess(const QStringList& arguments, const QString& executable)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                       QStringLiteral("tidora.app.debug=true;tidora.desktop.debug=true"));
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(executable, arguments);
}

TidoraProcess::~TidoraProcess()
{
    stop();
}

QString TidoraProcess::program()
{
    return QStringLiteral(TIDORA_PROGRAM);
}

QString TidoraProcess::output()
{
    m_output += QString::fromUtf8(m_process.readAll());
    return m_output;
}

bool TidoraProcess::waitForOutput(const QString& text, qsizetype skip, int timeoutMs)
{
    return QTest::qWaitFor([&] { return output().indexOf(text, skip) >= 0; }, timeoutMs);
}

bool TidoraProcess::waitForExit(int timeoutMs)
{
    return QTest::qWaitFor([&] { return m_process.state() == QProcess::NotRunning; }, timeoutMs);
}

void TidoraProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(60000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
    output();
}
