#include "store/StackListCodec.h"

#include "store/StackListReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QLocale>

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace {

constexpr QLatin1StringView idKey("id");
constexpr QLatin1StringView nameKey("name");
constexpr QLatin1StringView folderNameKey("folderName");
constexpr QLatin1StringView stateKey("state");
constexpr QLatin1StringView windowOriginKey("windowOrigin");
constexpr QLatin1StringView itemsKey("items");
constexpr QLatin1StringView bookmarkKey("bookmark");
constexpr QLatin1StringView positionKey("position");

// A JSON string. Text without quotes, backslashes or control characters is its own JSON form;
// anything else is escaped by Qt's JSON writer.
void appendString(QByteArray& json, const QString& text)
{
    QStringView rest = text;
    json += '"';
    // Qt's reader drops a byte order mark at the start of a string without escapes (it decodes
    // such strings as UTF-8 text, whose leading mark is not content); escaped, the mark stays.
    if (rest.startsWith(QChar(0xFEFF))) {
        json += "\\ufeff";
        rest = rest.sliced(1);
    }
    const bool plain = std::all_of(rest.cbegin(), rest.cend(), [](QChar c) {
        return c.unicode() >= 0x20 && c != QLatin1Char('"') && c != QLatin1Char('\\') &&
               !c.isSurrogate();
    });
    if (plain) {
        json += rest.toUtf8();
    } else {
        const QByteArray array =
            QJsonDocument(QJsonArray{rest.toString()}).toJson(QJsonDocument::Compact);
        json += QByteArrayView(array).sliced(2, array.size() - 4);
    }
    json += '"';
}

// A number as Qt's JSON writer has it once its reader took it in: a whole number within
// 64 bits as an integer, anything else in the shortest form that reads back exactly.
void appendNumber(QByteArray& json, double value)
{
    if (value == std::trunc(value) && value >= -0x1p63 && value < 0x1p63)
        json += QByteArray::number(qint64(value));
    else
        json += QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

// [x,y]
void appendPoint(QByteArray& json, const QPointF& point)
{
    json += '[';
    appendNumber(json, point.x());
    json += ',';
    appendNumber(json, point.y());
    json += ']';
}

// The id in capitals without braces, as the stacks file and the old stack folders name it;
// written straight into the text, which a save does for every item.
void appendUuid(QByteArray& json, const QUuid& id)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    char text[36];
    char* out = text;
    const auto put = [&out](quint64 value, int count) {
        for (int i = count - 1; i >= 0; --i, value >>= 4)
            out[i] = digits[value & 0xF];
        out += count;
    };
    put(id.data1, 8);
    *out++ = '-';
    put(id.data2, 4);
    *out++ = '-';
    put(id.data3, 4);
    *out++ = '-';
    put(quint64(id.data4[0]) << 8 | id.data4[1], 4);
    *out++ = '-';
    quint64 node = 0;
    for (int i = 2; i < 8; ++i)
        node = node << 8 | id.data4[i];
    put(node, 12);
    json.append(text, sizeof text);
}

// The values of the Base64 alphabet's characters; -1 for every other byte.
constexpr std::array<qint8, 256> base64Values = [] {
    std::array<qint8, 256> values{};
    values.fill(-1);
    constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (size_t i = 0; i < alphabet.size(); ++i)
        values[uchar(alphabet[i])] = qint8(i);
    return values;
}();

// Base64 in the one form the writer produces (QByteArray::toBase64: padded, the bits after the
// last byte zero), decoded with a table: Qt's decoder takes several times as long, and a launch
// decodes ten thousand bookmarks. Nothing for any other text, not even other valid Base64.
std::optional<QByteArray> canonicalBase64(QByteArrayView text)
{
    const qsizetype size = text.size();
    if (size == 0 || size % 4 != 0)
        return std::nullopt;
    const auto* in = reinterpret_cast<const uchar*>(text.data());
    const int padding = in[size - 1] != '=' ? 0 : in[size - 2] != '=' ? 1 : 2;
    QByteArray bytes(size / 4 * 3 - padding, Qt::Uninitialized);
    auto* out = reinterpret_cast<uchar*>(bytes.data());
    const qsizetype whole = padding == 0 ? size : size - 4;
    int invalid = 0;
    // The table's -1 is meant to spread its sign bits into `invalid`.
    // NOLINTBEGIN(bugprone-signed-char-misuse)
    for (qsizetype i = 0; i < whole; i += 4) {
        const int a = base64Values[in[i]];
        const int b = base64Values[in[i + 1]];
        const int c = base64Values[in[i + 2]];
        const int d = base64Values[in[i + 3]];
        invalid |= a | b | c | d;
        const unsigned group =
            unsigned(a) << 18 | unsigned(b) << 12 | unsigned(c) << 6 | unsigned(d);
        *out++ = uchar(group >> 16);
        *out++ = uchar(group >> 8);
        *out++ = uchar(group);
    }
    if (padding > 0) {
        const uchar* last = in + whole;
        const int a = base64Values[last[0]];
        const int b = base64Values[last[1]];
        const int c = padding == 1 ? base64Values[last[2]] : 0;
        invalid |= a | b | c;
        const unsigned group = unsigned(a) << 18 | unsigned(b) << 12 | unsigned(c) << 6;
        // Bits beyond the last byte must be zero: another text of the same bytes is not ours.
        invalid |= (group & (padding == 1 ? 0xFFu : 0xFFFFu)) != 0 ? -1 : 0;
        *out++ = uchar(group >> 16);
        if (padding == 1)
            *out++ = uchar(group >> 8);
    }
    // NOLINTEND(bugprone-signed-char-misuse)
    if (invalid < 0)
        return std::nullopt;
    return bytes;
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
    const std::optional<QString> text = stringFrom(value);
    return text ? StackListCodec::uuidFromText(*text) : std::nullopt;
}

std::optional<QPointF> pointFrom(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    if (array.size() != 2 || !array.at(0).isDouble() || !array.at(1).isDouble())
        return std::nullopt;
    const QPointF point(array.at(0).toDouble(), array.at(1).toDouble());
    if (!StackListCodec::isFinite(point))
        return std::nullopt;
    return point;
}

std::optional<QByteArray> bookmarkFrom(const QJsonValue& value)
{
    const std::optional<QString> text = stringFrom(value);
    // Each UTF-16 unit becomes one byte (anything beyond Latin-1 a '?', which is not Base64).
    return text ? StackListCodec::bookmarkFromBase64(text->toLatin1()) : std::nullopt;
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
    for (const QJsonValue itemValue : itemValues) {
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
    QByteArray text;
    appendUuid(text, id);
    return QString::fromLatin1(text);
}

std::optional<QUuid> uuidFromText(QAnyStringView text)
{
    // Only the bare 36-character form; QUuid would also take braces.
    if (text.size() != 36)
        return std::nullopt;
    const QUuid id = QUuid::fromString(text);
    if (id.isNull() &&
        !QAnyStringView::equal(text, QLatin1StringView("00000000-0000-0000-0000-000000000000")))
        return std::nullopt;
    return id;
}

std::optional<QByteArray> bookmarkFromBase64(const QByteArray& latin1)
{
    // Standard Base64 with its padding: the length is a multiple of four.
    if (latin1.size() % 4 != 0)
        return std::nullopt;
    if (std::optional<QByteArray> bytes = canonicalBase64(latin1))
        return bytes;
    QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
        latin1, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return std::move(decoded.decoded);
}

bool isFinite(const QPointF& point)
{
    return std::isfinite(point.x()) && std::isfinite(point.y());
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
    // Names and numbers other than whole ones still go through Qt's own conversions.
    QByteArray json;
    json.reserve(160 + stack.items.size() * 320);
    json += "{";
    if (stack.folderName) {
        json += "\"folderName\":";
        appendString(json, *stack.folderName);
        json += ',';
    }
    json += "\"id\":\"";
    appendUuid(json, stack.id);
    json += "\",\"items\":[";
    for (qsizetype i = 0; i < stack.items.size(); ++i) {
        const StackItem& item = stack.items.at(i);
        if (i > 0)
            json += ',';
        json += "{\"bookmark\":\"";
        json += item.bookmark.toBase64();
        json += "\",\"id\":\"";
        appendUuid(json, item.id);
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
    if (std::optional<QList<DesktopStack>> stacks = StackListReader::read(json))
        return stacks;
    return decodeWithJsonDocument(json);
}

std::optional<QList<DesktopStack>> decodeWithJsonDocument(const QByteArray& json)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray values = document.array();
    QList<DesktopStack> stacks;
    stacks.reserve(values.size());
    for (const QJsonValue value : values) {
        std::optional<DesktopStack> stack = stackFrom(value);
        if (!stack)
            return std::nullopt;
        stacks.append(std::move(*stack));
    }
    return stacks;
}

} // namespace StackListCodec
