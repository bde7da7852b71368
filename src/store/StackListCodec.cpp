#include "store/StackListCodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

constexpr QLatin1StringView idKey("id");
constexpr QLatin1StringView nameKey("name");
constexpr QLatin1StringView folderNameKey("folderName");
constexpr QLatin1StringView stateKey("state");
constexpr QLatin1StringView windowOriginKey("windowOrigin");
constexpr QLatin1StringView itemsKey("items");
constexpr QLatin1StringView bookmarkKey("bookmark");
constexpr QLatin1StringView positionKey("position");

bool isFinite(const QPointF& point)
{
    return std::isfinite(point.x()) && std::isfinite(point.y());
}

// A JSON string. Text without quotes, backslashes or control characters is its own JSON form;
// anything else is escaped by Qt's JSON writer.
void appendString(QByteArray& json, const QString& text)
{
    const bool plain = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() >= 0x20 && c != QLatin1Char('"') && c != QLatin1Char('\\') &&
               !c.isSurrogate();
    });
    if (plain) {
        json += '"';
        json += text.toUtf8();
        json += '"';
        return;
    }
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    json += QByteArrayView(array).sliced(1, array.size() - 2);
}

// [x,y], numbers in the shortest form that reads back exactly, as Qt's JSON writer has them.
void appendPoint(QByteArray& json, const QPointF& point)
{
    json += '[';
    json += QByteArray::number(point.x(), 'g', QLocale::FloatingPointShortest);
    json += ',';
    json += QByteArray::number(point.y(), 'g', QLocale::FloatingPointShortest);
    json += ']';
}

std::optional<QString> stringFrom(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<QString> plainNameFrom(const QJsonValue& value)
{
    std::optional<QString> name = stringFrom(value);
    if (!name || !StackListCodec::isPlainName(*name))
        return std::nullopt;
    return name;
}

std::optional<QUuid> uuidFrom(const QJsonValue& value)
{
    static const QString nil = QStringLiteral("00000000-0000-0000-0000-000000000000");
    const std::optional<QString> text = stringFrom(value);
    // Only the bare 36-character form; QUuid would also take braces.
    if (!text || text->size() != 36)
        return std::nullopt;
    const QUuid id = QUuid::fromString(*text);
    if (id.isNull() && *text != nil)
        return std::nullopt;
    return id;
}

std::optional<QPointF> pointFrom(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    if (array.size() != 2 || !array.at(0).isDouble() || !array.at(1).isDouble())
        return std::nullopt;
    const QPointF point(array.at(0).toDouble(), array.at(1).toDouble());
    if (!isFinite(point))
        return std::nullopt;
    return point;
}

std::optional<QByteArray> bookmarkFrom(const QJsonValue& value)
{
    const std::optional<QString> text = stringFrom(value);
    // Standard Base64 with its padding: the length is a multiple of four.
    if (!text || text->size() % 4 != 0)
        return std::nullopt;
    QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
        text->toLatin1(), QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return std::move(decoded.decoded);
}

std::optional<StackItem> itemFrom(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const std::optional<QUuid> id = uuidFrom(object.value(idKey));
    const std::optional<QString> name = plainNameFrom(object.value(nameKey));
    const std::optional<QByteArray> bookmark = bookmarkFrom(object.value(bookmarkKey));
    const std::optional<QPointF> position = pointFrom(object.value(positionKey));
    if (!id || !name || !bookmark || !position)
        return std::nullopt;
    return StackItem{*id, *name, *bookmark, *position};
}

std::optional<DesktopStack> stackFrom(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    DesktopStack stack;
    const std::optional<QUuid> id = uuidFrom(object.value(idKey));
    const std::optional<QString> name = stringFrom(object.value(nameKey));
    const std::optional<QString> state = stringFrom(object.value(stateKey));
    const std::optional<StackState> knownState =
        state ? stackStateFromRawValue(*state) : std::nullopt;
    const std::optional<QPointF> origin = pointFrom(object.value(windowOriginKey));
    const QJsonValue items = object.value(itemsKey);
    if (!id || !name || !knownState || !origin || !items.isArray())
        return std::nullopt;
    const QJsonValue folderName = object.value(folderNameKey);
    if (!folderName.isUndefined() && !folderName.isNull()) {
        stack.folderName = plainNameFrom(folderName);
        if (!stack.folderName)
            return std::nullopt;
    }
    stack.id = *id;
    stack.name = *name;
    stack.state = *knownState;
    stack.windowOrigin = *origin;
    const QJsonArray itemValues = items.toArray();
    stack.items.reserve(itemValues.size());
    for (const QJsonValue& itemValue : itemValues) {
        std::optional<StackItem> item = itemFrom(itemValue);
        if (!item)
            return std::nullopt;
        stack.items.append(std::move(*item));
    }
    return stack;
}

} // namespace

namespace StackListCodec {

bool isPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(u'\0'));
}

QString uuidText(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QByteArray> encodeStack(const DesktopStack& stack, QString* error)
{
    // JSON has no infinities and no NaN (Qt's writer would quietly put null there).
    bool finite = isFinite(stack.windowOrigin);
    for (const StackItem& item : stack.items)
        finite = finite && isFinite(item.position);
    if (!finite) {
        if (error)
            *error = QStringLiteral("The stack \u201C%1\u201D has a position that is not a "
                                    "finite number.")
                         .arg(stack.name);
        return std::nullopt;
    }
    // The frame of this fixed shape is written directly: building a QJsonObject per item and
    // serialising it costs three times as much, and a window drag saves on every step.
    // Every value still goes through Qt's own conversions.
    QByteArray json;
    json.reserve(160 + stack.items.size() * 320);
    json += "{";
    if (stack.folderName) {
        json += "\"folderName\":";
        appendString(json, *stack.folderName);
        json += ',';
    }
    json += "\"id\":\"";
    json += uuidText(stack.id).toLatin1();
    json += "\",\"items\":[";
    for (qsizetype i = 0; i < stack.items.size(); ++i) {
        const StackItem& item = stack.items.at(i);
        if (i > 0)
            json += ',';
        json += "{\"bookmark\":\"";
        json += item.bookmark.toBase64();
        json += "\",\"id\":\"";
        json += uuidText(item.id).toLatin1();
        json += "\",\"name\":";
        appendString(json, item.name);
        json += ",\"position\":";
        appendPoint(json, item.position);
        json += '}';
    }
    json += "],\"name\":";
    appendString(json, stack.name);
    json += ",\"state\":";
    appendString(json, rawValue(stack.state));
    json += ",\"windowOrigin\":";
    appendPoint(json, stack.windowOrigin);
    json += '}';
    return json;
}

std::optional<QList<DesktopStack>> decodeStackList(const QByteArray& json)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray values = document.array();
    QList<DesktopStack> stacks;
    stacks.reserve(values.size());
    for (const QJsonValue& value : values) {
        std::optional<DesktopStack> stack = stackFrom(value);
        if (!stack)
            return std::nullopt;
        stacks.append(std::move(*stack));
    }
    return stacks;
}

} // namespace StackListCodec
