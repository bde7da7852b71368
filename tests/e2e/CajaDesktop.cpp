#include "CajaDesktop.h"

#include "E2eTools.h"
#include "platform/x11/DesktopProbe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTest>

using E2eTools::timeoutMs;

namespace {

// Its standard output when it succeeds; what it says on errors is of no use to the tests.
QString output(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

CajaDesktop::CajaDesktop(QString desktopFolder)
    : m_desktop(std::move(desktopFolder))
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.start(QStringLiteral("caja"),
                    {QStringLiteral("-n"), QStringLiteral("--force-desktop")});
}

CajaDesktop::~CajaDesktop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(timeoutMs)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool CajaDesktop::waitUntilReady(const QStringList& names)
{
    if (!m_process.waitForStarted(timeoutMs))
        return false;
    const bool windowUp = QTest::qWaitFor(
        [&] { return DesktopProbe::windowClass().value(1) == QLatin1String("Caja"); }, timeoutMs);
    if (!windowUp)
        return false;
    return QTest::qWaitFor(
        [&] {
            for (const QString& name : names) {
                if (!storedPoint(m_desktop + QLatin1Char('/') + name))
                    return false;
            }
            // The three icons Caja always shows (Computer, Home, Trash) and every file.
            return icons().size() >= names.size() + 3;
        },
        timeoutMs);
}

QList<CajaDesktop::Icon> CajaDesktop::icons() const
{
    const QString json = output(QStringLiteral("/usr/bin/python3"),
                                {QStringLiteral(TIDORA_E2E_DIR "/atspi-icons.py")});
    QList<Icon> icons;
    for (const QJsonValue& value : QJsonDocument::fromJson(json.toUtf8()).array()) {
        const QJsonObject object = value.toObject();
        icons.append(Icon{object.value(QStringLiteral("name")).toString(),
                          QRect(object.value(QStringLiteral("x")).toInt(),
                                object.value(QStringLiteral("y")).toInt(),
                                object.value(QStringLiteral("width")).toInt(),
                                object.value(QStringLiteral("height")).toInt()),
                          object.value(QStringLiteral("selected")).toBool()});
    }
    return icons;
}

std::optional<CajaDesktop::Icon> CajaDesktop::icon(const QString& name) const
{
    for (const Icon& shown : icons()) {
        if (shown.name == name)
            return shown;
    }
    return std::nullopt;
}

bool CajaDesktop::select(const QStringList& names) const
{
    const auto selected = [&](const QString& name) {
        const std::optional<Icon> shown = icon(name);
        return shown && shown->selected;
    };
    for (qsizetype i = 0; i < names.size(); ++i) {
        // A busy Caja may drop a click; click again, but never on an icon already selected,
        // where a Ctrl-click would take it out again.
        bool done = false;
        for (int attempt = 0; attempt < 3 && !done; ++attempt) {
            const std::optional<Icon> shown = icon(names[i]);
            if (!shown ||
                !E2eTools::click(shown->centre(), i > 0 ? QStringLiteral("ctrl") : QString()))
                return false;
            done = QTest::qWaitFor([&] { return selected(names[i]); }, timeoutMs / 4);
        }
        if (!done)
            return false;
    }
    return std::all_of(names.cbegin(), names.cend(), selected);
}

bool CajaDesktop::waitForIconAt(const QString& name, QPointF centre) const
{
    return QTest::qWaitFor(
        [&] {
            const std::optional<Icon> shown = icon(name);
            return shown && shown->centre() == centre;
        },
        timeoutMs);
}

std::optional<QPoint> CajaDesktop::storedPoint(const QString& path)
{
    const QString text =
        output(QStringLiteral("gio"), {QStringLiteral("info"), QStringLiteral("-a"),
                                       QStringLiteral("metadata::caja-icon-position"), path});
    static const QRegularExpression line(
        QStringLiteral("metadata::caja-icon-position: (-?\\d+),(-?\\d+)"));
    const QRegularExpressionMatch match = line.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return QPoint(match.captured(1).toInt(), match.captured(2).toInt());
}
