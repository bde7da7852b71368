#include "platform/linux/PlasmaBackend.h"

#include "platform/FileSystem.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QThread>
#include <QUrl>

#include <variant>

namespace {

constexpr int answerMs = 2000;
constexpr int arrivalWaitMs = 3000;
constexpr int arrivalPollMs = 50;

// Shared by both scripts: a containment's positions, whichever way its configuration escaped
// the commas; null when they can't be read.
const char* const positionsOf = R"js(
function positionsOf(d) {
    var raw = String(d.readConfig("positions", "{}"));
    if (raw === "")
        return {};
    var all;
    try { all = JSON.parse(raw); } catch (e) {
        try { all = JSON.parse(raw.replace(/\\,/g, ",")); } catch (e2) { return null; }
    }
    return typeof all === "object" && all !== null && !Array.isArray(all) ? all : null;
}
function resolutionOf(d) {
    var g = screenGeometry(d.screen);
    return Math.round(g.width) + "x" + Math.round(g.height);
}
)js";

// Every Desktop containment of the current activity with what converts its cells: its screen
// less the panels that keep their space, and its Folder View settings.
const char* const readScript = R"js(
var out = [];
var ds = desktopsForActivity(currentActivity());
var ps = panels();
for (var i = 0; i < ds.length; ++i) {
    var d = ds[i];
    if (d.type !== "org.kde.plasma.folder" || d.screen < 0)
        continue;
    d.currentConfigGroup = ["General"];
    var g = screenGeometry(d.screen);
    var free = {x: g.x, y: g.y, width: g.width, height: g.height};
    for (var j = 0; j < ps.length; ++j) {
        var p = ps[j];
        if (p.screen !== d.screen || p.hiding !== "none")
            continue;
        if (p.location === "top") { free.y += p.height; free.height -= p.height; }
        else if (p.location === "bottom") { free.height -= p.height; }
        else if (p.location === "left") { free.x += p.height; free.width -= p.height; }
        else if (p.location === "right") { free.width -= p.height; }
    }
    var all = positionsOf(d);
    out.push({id: d.id, url: String(d.readConfig("url", "desktop:/")),
              sortMode: Number(d.readConfig("sortMode", 0)),
              iconSize: Number(d.readConfig("iconSize", 3)),
              labelWidth: Number(d.readConfig("labelWidth", 1)),
              textLines: Number(d.readConfig("textLines", 2)),
              arrangement: Number(d.readConfig("arrangement", 0)),
              alignment: Number(d.readConfig("alignment", 0)),
              screen: {x: g.x, y: g.y, width: g.width, height: g.height}, free: free,
              list: all && Array.isArray(all[resolutionOf(d)]) ? all[resolutionOf(d)] : []});
}
print(JSON.stringify({gridUnit: gridUnit, desktops: out}));
)js";

// Puts the wanted cells at the end of each containment's list, in place of the icons' old
// entries: Plasma gives a cell to the first entry naming it, so an icon never takes the cell of
// another but goes to the first free one.
const char* const writeScript = R"js(
var out = {};
for (var id in wanted) {
    var d = desktopById(Number(id));
    if (!d) { out[id] = "gone"; continue; }
    d.currentConfigGroup = ["General"];
    if (Number(d.readConfig("sortMode", 0)) !== -1) { out[id] = "sorted"; continue; }
    var all = positionsOf(d);
    if (all === null) { out[id] = "unreadable"; continue; }
    var res = resolutionOf(d);
    var list = Array.isArray(all[res]) ? all[res] : [];
    var w = wanted[id];
    var moving = {};
    for (var i = 0; i < w.cells.length; ++i)
        moving[w.cells[i][0]] = true;
    var cells = [];
    for (var k = 2; k + 2 < list.length; k += 3) {
        if (!moving[list[k]])
            cells.push(String(list[k]), String(list[k + 1]), String(list[k + 2]));
    }
    for (i = 0; i < w.cells.length; ++i)
        cells.push(w.cells[i][0], String(w.cells[i][1]), String(w.cells[i][2]));
    var stripes = 0;
    for (k = 1; k < cells.length; k += 3)
        stripes = Math.max(stripes, Number(cells[k]) + 1);
    all[res] = [String(stripes), String(w.perStripe)].concat(cells);
    d.writeConfig("positions", JSON.stringify(all, Object.keys(all).sort()));
    out[id] = "ok";
}
print(JSON.stringify(out));
)js";

// plasmashell's answer to a script: what it printed, or why there is none.
std::variant<QByteArray, QString> evaluate(const QString& script)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
        QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"));
    call << script;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, answerMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return reply.errorMessage().isEmpty() ? QStringLiteral("Plasma doesn't answer")
                                              : reply.errorMessage();
    return reply.arguments().value(0).toString().toUtf8();
}

// JSON as a script's literal. Non-ASCII is escaped: older JavaScript takes a line separator in a
// string for the end of the line.
QString scriptLiteral(const QJsonObject& value)
{
    const QString json = QString::fromUtf8(QJsonDocument(value).toJson(QJsonDocument::Compact));
    QString literal;
    literal.reserve(json.size());
    for (const QChar c : json) {
        if (c.unicode() < 0x7f)
            literal.append(c);
        else
            literal.append(QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')));
    }
    return literal;
}

QRect rectOf(const QJsonValue& value)
{
    const QJsonObject rect = value.toObject();
    return {rect.value(QLatin1String("x")).toInt(), rect.value(QLatin1String("y")).toInt(),
            rect.value(QLatin1String("width")).toInt(),
            rect.value(QLatin1String("height")).toInt()};
}

// The folder a Folder View URL names, as a URL to compare: "desktop:/" is the Desktop.
QUrl folderOf(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveFilename | QUrl::StripTrailingSlash |
                        QUrl::NormalizePathSegments);
}

// The URL Plasma names a Desktop file by.
QString urlOf(const QUrl& base, const QString& name)
{
    QUrl url = base;
    QString path = base.path();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    url.setPath(path + name);
    return url.toString();
}

// A number of the list: Plasma writes them as strings.
std::optional<int> numberIn(const QJsonValue& value)
{
    bool ok = value.isDouble();
    const int number = ok ? value.toInt() : value.toString().toInt(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

int perStripeOf(const PlasmaBackend::Containment& containment)
{
    const int stored = numberIn(containment.list.at(1)).value_or(0);
    return stored > 0 ? stored : containment.grid.perStripe();
}

} // namespace

PlasmaBackend::PlasmaBackend(FileSystem& fileSystem, QString desktopFolder)
    : m_fileSystem(fileSystem)
    , m_desktop(std::move(desktopFolder))
{}

std::optional<QList<PlasmaBackend::Containment>>
PlasmaBackend::parseState(const QByteArray& output, const QString& desktopFolder)
{
    const QJsonDocument document = QJsonDocument::fromJson(output);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject state = document.object();
    const int gridUnit = state.value(QLatin1String("gridUnit")).toInt(18);
    const QUrl desktop = QUrl::fromLocalFile(desktopFolder);
    QList<Containment> found;
    const QJsonArray desktops = state.value(QLatin1String("desktops")).toArray();
    for (const auto& value : desktops) {
        const QJsonObject entry = value.toObject();
        const auto number = [&entry](const char* key) {
            return entry.value(QLatin1String(key)).toInt();
        };
        // Sorted icons go where Plasma sorts them; another folder is not the Desktop.
        if (number("sortMode") != -1)
            continue;
        QUrl base(entry.value(QLatin1String("url")).toString());
        if (base.scheme() == QLatin1String("desktop"))
            base = QUrl(QStringLiteral("desktop:/"));
        else if (base.adjusted(QUrl::StripTrailingSlash) != desktop)
            continue;
        Containment containment;
        containment.id = number("id");
        containment.screen = rectOf(entry.value(QLatin1String("screen")));
        containment.grid.area = rectOf(entry.value(QLatin1String("free")));
        containment.grid.iconSize = number("iconSize");
        containment.grid.labelWidth = number("labelWidth");
        containment.grid.textLines = number("textLines");
        containment.grid.gridUnit = gridUnit;
        containment.grid.columnsFirst = number("arrangement") == 1;
        containment.grid.rightAligned = number("alignment") == 1;
        containment.base = base;
        containment.list = entry.value(QLatin1String("list")).toArray();
        if (containment.grid.area.isValid())
            found.append(containment);
    }
    return found;
}

PositionMap PlasmaBackend::positionsIn(const Containment& containment)
{
    const int perStripe = perStripeOf(containment);
    const QJsonArray& list = containment.list;
    const QUrl folder = folderOf(QUrl(urlOf(containment.base, QStringLiteral("x"))));
    QSet<qint64> taken;
    PositionMap positions;
    for (qsizetype at = 2; at + 2 < list.size(); at += 3) {
        const QUrl url(list.at(at).toString());
        const std::optional<int> stripe = numberIn(list.at(at + 1));
        const std::optional<int> pos = numberIn(list.at(at + 2));
        // Plasma lets the place equal to the stripe's length through: it wraps to the next.
        if (!stripe || !pos || *stripe < 0 || *pos < 0 || *pos > perStripe ||
            folderOf(url) != folder)
            continue;
        const qint64 index = qint64(*stripe) * perStripe + *pos;
        if (taken.contains(index))
            continue;
        taken.insert(index);
        const QString name = url.fileName();
        if (!name.isEmpty() && !positions.contains(name))
            positions.insert(
                name, containment.grid.centreOf({int(index / perStripe), int(index % perStripe)}));
    }
    return positions;
}

BridgeResult<QList<PlasmaBackend::Containment>> PlasmaBackend::readState() const
{
    const auto output =
        evaluate(QString::fromLatin1(positionsOf) + QString::fromLatin1(readScript));
    if (const auto* problem = std::get_if<QString>(&output))
        return readFailure(*problem);
    const std::optional<QList<Containment>> state =
        parseState(std::get<QByteArray>(output), m_desktop);
    if (!state)
        return readFailure(QStringLiteral("Plasma's answer was not what Tidora asked for"));
    return *state;
}

BridgeResult<PositionMap> PlasmaBackend::allPositions()
{
    const BridgeResult<QList<Containment>> state = readState();
    if (!state)
        return state.error();
    PositionMap all;
    for (const Containment& containment : state.value()) {
        const PositionMap shown = positionsIn(containment);
        for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
            if (!all.contains(it.key()))
                all.insert(it.key(), it.value());
        }
    }
    return all;
}

BridgeResult<void> PlasmaBackend::place(const QList<NamedPosition>& positions)
{
    // A file that just arrived is listed a moment later; one never listed (it left again, or
    // Plasma is busy) must not hold the caller for long.
    const QDeadlineTimer deadline(arrivalWaitMs);
    BridgeResult<QList<Containment>> state = readState();
    for (;;) {
        if (!state)
            return placeFailure(state.error().description());
        if (state.value().isEmpty())
            return {};
        QSet<QString> listed;
        for (const Containment& containment : state.value()) {
            const PositionMap shown = positionsIn(containment);
            for (auto it = shown.cbegin(); it != shown.cend(); ++it)
                listed.insert(it.key());
        }
        const bool waiting =
            std::any_of(positions.cbegin(), positions.cend(), [&](const NamedPosition& entry) {
                return !listed.contains(entry.name) &&
                       m_fileSystem.exists(m_desktop + QLatin1Char('/') + entry.name);
            });
        if (!waiting || deadline.hasExpired())
            break;
        QThread::msleep(arrivalPollMs);
        state = readState();
    }

    QJsonObject wanted;
    for (const NamedPosition& entry : positions) {
        // The containment of the screen the centre lies on, else the first.
        const QList<Containment>& containments = state.value();
        const auto on = std::find_if(
            containments.cbegin(), containments.cend(), [&](const Containment& containment) {
                return containment.screen.contains(entry.position.toPoint());
            });
        const Containment& containment = on != containments.cend() ? *on : containments.first();
        const int perStripe = perStripeOf(containment);
        PlasmaGrid::Cell cell = containment.grid.cellAt(entry.position);
        cell.pos = std::min(cell.pos, perStripe - 1);
        const QString key = QString::number(containment.id);
        QJsonObject target = wanted.value(key).toObject();
        QJsonArray cells = target.value(QLatin1String("cells")).toArray();
        cells.append(QJsonArray{urlOf(containment.base, entry.name), cell.stripe, cell.pos});
        target.insert(QLatin1String("cells"), cells);
        target.insert(QLatin1String("perStripe"), perStripe);
        wanted.insert(key, target);
    }
    const auto output =
        evaluate(QStringLiteral("var wanted = ") + scriptLiteral(wanted) + QStringLiteral(";\n") +
                 QString::fromLatin1(positionsOf) + QString::fromLatin1(writeScript));
    if (const auto* problem = std::get_if<QString>(&output))
        return placeFailure(*problem);
    const QJsonObject outcome = QJsonDocument::fromJson(std::get<QByteArray>(output)).object();
    for (auto it = outcome.constBegin(); it != outcome.constEnd(); ++it) {
        // A containment gone or sorted meanwhile places nothing, as when sorted from the start.
        if (it.value().toString() == QLatin1String("unreadable"))
            return placeFailure(QStringLiteral("Plasma's list of icon positions can't be read"));
    }
    if (outcome.isEmpty())
        return placeFailure(QStringLiteral("Plasma's answer was not what Tidora asked for"));
    return {};
}
