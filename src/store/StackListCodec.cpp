#include "store/StackListCodec.h"

#include <QLocale>
#include <QStringEncoder>
#include <QUuid>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace {

using Value = rapidjson::Value;
using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

// The id in capitals without braces, as the stacks file and the old stack folders name it;
// made without allocating, which a save does for every item.
std::array<char, 36> uuidChars(const QUuid& id)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::array<char, 36> text;
    char* out = text.data();
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
    return text;
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

// Builds the document as the parser reads, but refuses nesting deeper than Qt's reader took
// (1024 levels): a file of nested brackets would otherwise take the parser's recursion, and
// the memory of every level, as deep as the file is long.
class NestingLimit
{
public:
    explicit NestingLimit(rapidjson::Document& document)
        : m_document(document)
    {}

    bool Null() { return m_document.Null(); }
    bool Bool(bool value) { return m_document.Bool(value); }
    bool Int(int value) { return m_document.Int(value); }
    bool Uint(unsigned value) { return m_document.Uint(value); }
    bool Int64(int64_t value) { return m_document.Int64(value); }
    bool Uint64(uint64_t value) { return m_document.Uint64(value); }
    bool Double(double value) { return m_document.Double(value); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool copy)
    {
        return m_document.RawNumber(text, length, copy);
    }
    bool String(const char* text, rapidjson::SizeType length, bool copy)
    {
        return m_document.String(text, length, copy);
    }
    bool Key(const char* text, rapidjson::SizeType length, bool copy)
    {
        return m_document.Key(text, length, copy);
    }
    bool StartObject() { return ++m_depth <= deepest && m_document.StartObject(); }
    bool EndObject(rapidjson::SizeType members)
    {
        --m_depth;
        return m_document.EndObject(members);
    }
    bool StartArray() { return ++m_depth <= deepest && m_document.StartArray(); }
    bool EndArray(rapidjson::SizeType elements)
    {
        --m_depth;
        return m_document.EndArray(elements);
    }

private:
    static constexpr int deepest = 1024;
    rapidjson::Document& m_document;
    int m_depth = 0;
};

// A QString of the UTF-8 the parser gives (it has checked it). Byte order marks are content
// here: QString::fromUtf8 would drop the first one.
QString textOf(const Value& value)
{
    std::string_view rest(value.GetString(), value.GetStringLength());
    if (!rest.starts_with("\xEF\xBB\xBF"))
        return QString::fromUtf8(rest.data(), qsizetype(rest.size()));
    QString text;
    while (rest.starts_with("\xEF\xBB\xBF")) {
        text += QChar(0xFEFF);
        rest.remove_prefix(3);
    }
    return text + QString::fromUtf8(rest.data(), qsizetype(rest.size()));
}

// The member's value, nothing when absent. A key given twice counts with its last value, as
// Qt's reader had it.
const Value* member(const Value& object, std::string_view key)
{
    const Value* found = nullptr;
    for (const auto& entry : object.GetObject()) {
        if (std::string_view(entry.name.GetString(), entry.name.GetStringLength()) == key)
            found = &entry.value;
    }
    return found;
}

const Value* stringMember(const Value& object, std::string_view key)
{
    const Value* value = member(object, key);
    return value && value->IsString() ? value : nullptr;
}

std::optional<QString> plainNameFrom(const Value* value)
{
    if (!value || !value->IsString())
        return std::nullopt;
    QString name = textOf(*value);
    if (!StackListCodec::isPlainName(name))
        return std::nullopt;
    return name;
}

// The values of hexadecimal digits in either case; -1 for every other byte.
constexpr std::array<qint8, 256> hexValues = [] {
    std::array<qint8, 256> values{};
    values.fill(-1);
    for (int i = 0; i < 10; ++i)
        values['0' + i] = qint8(i);
    for (int i = 0; i < 6; ++i) {
        values['a' + i] = qint8(10 + i);
        values['A' + i] = qint8(10 + i);
    }
    return values;
}();

// The id of "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", hexadecimal digits in either case; nothing
// for any other text. A launch reads twenty thousand of them: read by table, not through QUuid.
std::optional<QUuid> uuidFromChars(std::string_view text)
{
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-')
        return std::nullopt;
    // Where each byte's two digits start.
    static constexpr std::array<quint8, 16> starts = {0,  2,  4,  6,  9,  11, 14, 16,
                                                      19, 21, 24, 26, 28, 30, 32, 34};
    quint8 bytes[16];
    int invalid = 0;
    // The table's -1 is meant to spread its sign bits into `invalid`.
    // NOLINTBEGIN(bugprone-signed-char-misuse)
    for (size_t b = 0; b < starts.size(); ++b) {
        const int high = hexValues[uchar(text[starts[b]])];
        const int low = hexValues[uchar(text[starts[b] + 1])];
        invalid |= high | low;
        bytes[b] = quint8(high << 4 | low);
    }
    // NOLINTEND(bugprone-signed-char-misuse)
    if (invalid < 0)
        return std::nullopt;
    return QUuid::fromRfc4122(QByteArrayView(bytes, 16));
}

std::optional<QUuid> uuidFrom(const Value* value)
{
    if (!value)
        return std::nullopt;
    // A byte beyond ASCII is not hexadecimal either way.
    return uuidFromChars(std::string_view(value->GetString(), value->GetStringLength()));
}

std::optional<QPointF> pointFrom(const Value* value)
{
    if (!value || !value->IsArray() || value->Size() != 2 || !(*value)[0].IsNumber() ||
        !(*value)[1].IsNumber())
        return std::nullopt;
    // A negative zero reads as zero, as it always has (the file never holds one).
    const QPointF point((*value)[0].GetDouble() + 0.0, (*value)[1].GetDouble() + 0.0);
    if (!StackListCodec::isFinite(point))
        return std::nullopt;
    return point;
}

std::optional<StackItem> itemFrom(const Value& value)
{
    if (!value.IsObject())
        return std::nullopt;
    const std::optional<QUuid> id = uuidFrom(stringMember(value, "id"));
    std::optional<QString> name = plainNameFrom(member(value, "name"));
    const Value* base64 = stringMember(value, "bookmark");
    // Anything beyond ASCII is not Base64 and fails there.
    std::optional<QByteArray> bookmark =
        base64 ? StackListCodec::bookmarkFromBase64(QByteArray::fromRawData(
                     base64->GetString(), qsizetype(base64->GetStringLength())))
               : std::nullopt;
    const std::optional<QPointF> position = pointFrom(member(value, "position"));
    if (!id || !name || !bookmark || !position)
        return std::nullopt;
    return StackItem{*id, std::move(*name), std::move(*bookmark), *position};
}

std::optional<DesktopStack> stackFrom(const Value& value)
{
    if (!value.IsObject())
        return std::nullopt;
    DesktopStack stack;
    const std::optional<QUuid> id = uuidFrom(stringMember(value, "id"));
    const Value* name = stringMember(value, "name");
    const Value* state = stringMember(value, "state");
    const std::optional<StackState> knownState =
        state ? stackStateFromRawValue(textOf(*state)) : std::nullopt;
    const std::optional<QPointF> origin = pointFrom(member(value, "windowOrigin"));
    const Value* items = member(value, "items");
    if (!id || !name || !knownState || !origin || !items || !items->IsArray())
        return std::nullopt;
    if (const Value* folderName = member(value, "folderName");
        folderName && !folderName->IsNull()) {
        stack.folderName = plainNameFrom(folderName);
        if (!stack.folderName)
            return std::nullopt;
    }
    stack.id = *id;
    stack.name = textOf(*name);
    stack.state = *knownState;
    stack.windowOrigin = *origin;
    stack.items.reserve(qsizetype(items->Size()));
    for (const Value& itemValue : items->GetArray()) {
        std::optional<StackItem> item = itemFrom(itemValue);
        if (!item)
            return std::nullopt;
        stack.items.append(std::move(*item));
    }
    return stack;
}

// `marked` is set when the text starts with a byte order mark.
void writeString(Writer& writer, const QString& text, bool& marked)
{
    marked = marked || text.startsWith(QChar(0xFEFF));
    // Converted into one buffer kept between strings: a save writes thousands of names. Text
    // with a lone surrogate goes the way it always went (toUtf8 makes it a question mark).
    thread_local std::string utf8;
    thread_local QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    encoder.resetState();
    utf8.resize(size_t(encoder.requiredSpace(text.size())));
    const char* end = encoder.appendToBuffer(utf8.data(), text);
    if (encoder.hasError()) {
        const QByteArray converted = text.toUtf8();
        writer.String(converted.constData(), rapidjson::SizeType(converted.size()));
        return;
    }
    writer.String(utf8.data(), rapidjson::SizeType(end - utf8.data()));
}

// A whole number within 64 bits as an integer, anything else in Qt's shortest form that reads
// back exactly: the number forms the file has always had.
void writeNumber(Writer& writer, double value)
{
    if (value == std::trunc(value) && value >= -0x1p63 && value < 0x1p63) {
        writer.Int64(qint64(value));
        return;
    }
    // With a whole part and a fraction, Qt's shortest form is the plain decimal one: made here
    // without allocating, as a save does for every position. Others are rare.
    if (std::abs(value) >= 1 && std::abs(value) < 0x1p63) {
        std::array<char, 32> text;
        const std::to_chars_result written =
            std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
        writer.RawValue(text.data(), size_t(written.ptr - text.data()), rapidjson::kNumberType);
        return;
    }
    const QByteArray text = QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
    writer.RawValue(text.constData(), size_t(text.size()), rapidjson::kNumberType);
}

void writePoint(Writer& writer, const QPointF& point)
{
    writer.StartArray();
    writeNumber(writer, point.x());
    writeNumber(writer, point.y());
    writer.EndArray();
}

void writeUuid(Writer& writer, const QUuid& id)
{
    // Hexadecimal digits and dashes need no escaping.
    std::array<char, 38> quoted;
    const std::array<char, 36> text = uuidChars(id);
    quoted.front() = '"';
    std::copy(text.begin(), text.end(), quoted.begin() + 1);
    quoted.back() = '"';
    writer.RawValue(quoted.data(), quoted.size(), rapidjson::kStringType);
}

// The bytes in standard Base64 with padding, quoted (no character of it needs escaping), as
// QByteArray::toBase64 writes them.
void writeBase64(Writer& writer, const QByteArray& bytes, std::string& scratch)
{
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto* in = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype size = bytes.size();
    scratch.resize(size_t(2 + (size + 2) / 3 * 4));
    char* out = scratch.data();
    *out++ = '"';
    qsizetype i = 0;
    for (; i + 3 <= size; i += 3) {
        const unsigned group = unsigned(in[i]) << 16 | unsigned(in[i + 1]) << 8 | in[i + 2];
        *out++ = alphabet[group >> 18];
        *out++ = alphabet[group >> 12 & 0x3F];
        *out++ = alphabet[group >> 6 & 0x3F];
        *out++ = alphabet[group & 0x3F];
    }
    if (i < size) {
        const bool two = i + 1 < size;
        const unsigned group = unsigned(in[i]) << 16 | (two ? unsigned(in[i + 1]) << 8 : 0u);
        *out++ = alphabet[group >> 18];
        *out++ = alphabet[group >> 12 & 0x3F];
        *out++ = two ? alphabet[group >> 6 & 0x3F] : '=';
        *out++ = '=';
    }
    *out++ = '"';
    writer.RawValue(scratch.data(), size_t(out - scratch.data()), rapidjson::kStringType);
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
    const std::array<char, 36> text = uuidChars(id);
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
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
    // JSON has no infinities and no NaN.
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
    rapidjson::StringBuffer buffer;
    // Holds each bookmark's Base64 in turn; kept between records, a save encodes thousands.
    thread_local std::string scratch;
    buffer.Reserve(size_t(160 + stack.items.size() * 320));
    Writer writer(buffer);
    bool marked = false;
    // Keys in sorted order, as the file has always had them.
    writer.StartObject();
    if (stack.folderName) {
        writer.Key("folderName");
        writeString(writer, *stack.folderName, marked);
    }
    writer.Key("id");
    writeUuid(writer, stack.id);
    writer.Key("items");
    writer.StartArray();
    for (const StackItem& item : stack.items) {
        writer.StartObject();
        writer.Key("bookmark");
        writeBase64(writer, item.bookmark, scratch);
        writer.Key("id");
        writeUuid(writer, item.id);
        writer.Key("name");
        writeString(writer, item.name, marked);
        writer.Key("position");
        writePoint(writer, item.position);
        writer.EndObject();
    }
    writer.EndArray();
    writer.Key("name");
    writeString(writer, stack.name, marked);
    writer.Key("state");
    writeString(writer, rawValue(stack.state), marked);
    writer.Key("windowOrigin");
    writePoint(writer, stack.windowOrigin);
    writer.EndObject();
    QByteArray json(buffer.GetString(), qsizetype(buffer.GetSize()));
    // Readers before this one (Qt's) drop a byte order mark that starts a string unescaped; the
    // file has always escaped it. A quote followed by the mark only starts a string.
    if (marked)
        json.replace("\"\xEF\xBB\xBF", "\"\\ufeff");
    return json;
}

std::optional<QList<DesktopStack>> decodeStackList(const QByteArray& json)
{
    QByteArray copy = json;
    return decodeStackList(std::move(copy));
}

std::optional<QList<DesktopStack>> decodeStackList(QByteArray&& json)
{
    // Parsed in place (in a copy, when the bytes are shared): strings are decoded where they
    // stand instead of copied out. Nothing after the end of the value is changed.
    QByteArray text = std::move(json);
    char* const start = text.data();
    // A leading UTF-8 byte order mark is skipped, as JSON readers do.
    const qsizetype skipped = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    rapidjson::InsituStringStream in(start + skipped);
    rapidjson::Document document;
    bool parsed = false;
    auto parse = [&in, &parsed](rapidjson::Document& handler) {
        constexpr unsigned flags =
            rapidjson::kParseInsituFlag | rapidjson::kParseValidateEncodingFlag |
            rapidjson::kParseFullPrecisionFlag | rapidjson::kParseStopWhenDoneFlag;
        NestingLimit limited(handler);
        parsed = !rapidjson::Reader().Parse<flags>(in, limited).IsError();
        return parsed;
    };
    document.Populate(parse);
    if (!parsed || !document.IsArray())
        return std::nullopt;
    // Nothing but JSON's whitespace may follow, a NUL byte included (the parser would take one
    // for the end).
    for (qsizetype at = skipped + qsizetype(in.Tell()); at < text.size(); ++at) {
        const char c = text.at(at);
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t')
            return std::nullopt;
    }
    QList<DesktopStack> stacks;
    stacks.reserve(qsizetype(document.Size()));
    for (const Value& value : document.GetArray()) {
        std::optional<DesktopStack> stack = stackFrom(value);
        if (!stack)
            return std::nullopt;
        stacks.append(std::move(*stack));
    }
    return stacks;
}

} // namespace StackListCodec
