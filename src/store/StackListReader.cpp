#include "store/StackListReader.h"

#include "store/StackListCodec.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

// Every step takes what it expects or gives up, and giving up ends the read: the general reader
// then decides. So this reader never rejects a file by itself; it gives exactly the records the
// general reader would, or nothing.

namespace {

// Bytes that stand for themselves inside a string: printable ASCII but the quote and the
// backslash.
constexpr std::array<bool, 256> plainBytes = [] {
    std::array<bool, 256> plain{};
    for (int b = 0x20; b < 0x80; ++b)
        plain[b] = b != '"' && b != '\\';
    return plain;
}();

int hexValue(uchar c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The four hexadecimal digits of a \u escape, or -1.
int hexUnit(const uchar* digits)
{
    int unit = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hexValue(digits[i]);
        if (digit < 0)
            return -1;
        unit = unit << 4 | digit;
    }
    return unit;
}

// The length of the well-formed UTF-8 sequence of a non-ASCII character at `p`, 0 when there is
// none: no overlong forms, no surrogates, nothing above U+10FFFF (Qt's reader refuses each of
// them). Noncharacters are well-formed, and Qt takes them.
qsizetype utf8Length(const uchar* p, const uchar* end)
{
    const uchar lead = p[0];
    qsizetype length = 0;
    uchar low = 0x80;
    uchar high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (end - p < length || p[1] < low || p[1] > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i) {
        if (p[i] < 0x80 || p[i] > 0xBF)
            return 0;
    }
    return length;
}

char32_t utf8Value(const uchar* p, qsizetype length)
{
    char32_t value = p[0] & (0x7F >> length);
    for (qsizetype i = 1; i < length; ++i)
        value = value << 6 | (p[i] & 0x3F);
    return value;
}

// A string between its quotes, checked: well-formed UTF-8, no raw control characters (the writer
// escapes them), no escapes but JSON's own.
struct RawString
{
    QByteArrayView bytes;
    bool escaped = false;

    QString text() const
    {
        // What Qt's reader does with a string without escapes too, down to dropping a leading
        // byte order mark.
        if (!escaped)
            return QString::fromUtf8(bytes);
        return unescaped();
    }

    // Qt's reader builds such strings one character at a time, each \u escape one UTF-16 unit:
    // a pair of escaped surrogates makes one character, a lone one stays as it is, and a byte
    // order mark is kept.
    QString unescaped() const
    {
        QString text;
        text.reserve(bytes.size());
        const auto* p = reinterpret_cast<const uchar*>(bytes.data());
        const uchar* const end = p + bytes.size();
        while (p != end) {
            if (*p == '\\') {
                if (p[1] == 'u') {
                    text.append(QChar(char16_t(hexUnit(p + 2))));
                    p += 6;
                    continue;
                }
                text.append(QLatin1Char(escapedCharacter(char(p[1]))));
                p += 2;
            } else if (*p < 0x80) {
                text.append(QLatin1Char(char(*p)));
                ++p;
            } else {
                const qsizetype length = utf8Length(p, end);
                const char32_t value = utf8Value(p, length);
                if (QChar::requiresSurrogates(value)) {
                    text.append(QChar(QChar::highSurrogate(value)));
                    text.append(QChar(QChar::lowSurrogate(value)));
                } else {
                    text.append(QChar(char16_t(value)));
                }
                p += length;
            }
        }
        return text;
    }

    static char escapedCharacter(char escape)
    {
        switch (escape) {
        case 'b':
            return '\b';
        case 'f':
            return '\f';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        default: // '"', '\\', '/'
            return escape;
        }
    }
};

class Cursor
{
public:
    explicit Cursor(QByteArrayView json)
        : m_p(reinterpret_cast<const uchar*>(json.data()))
        , m_end(m_p + json.size())
    {}

    bool atEnd()
    {
        skipSpace();
        return m_p == m_end;
    }

    bool take(char token)
    {
        skipSpace();
        if (m_p == m_end || *m_p != uchar(token))
            return false;
        ++m_p;
        return true;
    }

    // The key, given with its quotes, and its colon.
    bool key(std::string_view quoted)
    {
        skipSpace();
        if (size_t(m_end - m_p) < quoted.size() ||
            std::memcmp(m_p, quoted.data(), quoted.size()) != 0)
            return false;
        m_p += quoted.size();
        return take(':');
    }

    bool null()
    {
        skipSpace();
        constexpr std::string_view word = "null";
        if (size_t(m_end - m_p) < word.size() || std::memcmp(m_p, word.data(), word.size()) != 0)
            return false;
        m_p += word.size();
        return true;
    }

    std::optional<RawString> string()
    {
        if (!take('"'))
            return std::nullopt;
        RawString string;
        const uchar* const start = m_p;
        for (;;) {
            while (m_p != m_end && plainBytes[*m_p])
                ++m_p;
            if (m_p == m_end || *m_p < 0x20)
                return std::nullopt;
            if (*m_p == '"')
                break;
            if (*m_p == '\\') {
                string.escaped = true;
                if (!skipEscape())
                    return std::nullopt;
            } else {
                const qsizetype length = utf8Length(m_p, m_end);
                if (length == 0)
                    return std::nullopt;
                m_p += length;
            }
        }
        string.bytes = QByteArrayView(start, m_p);
        ++m_p;
        return string;
    }

    // A string that can only hold the characters of an id or of Base64, read up to its first
    // quote. The caller's check refuses anything else it might hold (an escape, a control
    // character, a byte beyond ASCII), so what it takes is the string's whole value.
    std::optional<QLatin1StringView> asciiString()
    {
        if (!take('"'))
            return std::nullopt;
        const auto* quote = static_cast<const uchar*>(std::memchr(m_p, '"', size_t(m_end - m_p)));
        if (!quote)
            return std::nullopt;
        const QLatin1StringView text(reinterpret_cast<const char*>(m_p), quote - m_p);
        m_p = quote + 1;
        return text;
    }

    // A number in JSON's own grammar, as Qt's reader has it.
    std::optional<double> number()
    {
        skipSpace();
        const uchar* const start = m_p;
        if (m_p != m_end && *m_p == '-')
            ++m_p;
        if (m_p != m_end && *m_p == '0')
            ++m_p;
        else if (!digits())
            return std::nullopt;
        bool integral = true;
        if (m_p != m_end && *m_p == '.') {
            integral = false;
            ++m_p;
            if (!digits())
                return std::nullopt;
        }
        if (m_p != m_end && (*m_p == 'e' || *m_p == 'E')) {
            integral = false;
            ++m_p;
            if (m_p != m_end && (*m_p == '-' || *m_p == '+'))
                ++m_p;
            if (!digits())
                return std::nullopt;
        }
        const auto* first = reinterpret_cast<const char*>(start);
        const auto* last = reinterpret_cast<const char*>(m_p);
        // The writer's shortest forms take at most 24 characters.
        if (last - first > 32)
            return std::nullopt;
        return value(first, last, integral);
    }

private:
    void skipSpace()
    {
        while (m_p != m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t'))
            ++m_p;
    }

    // At least one decimal digit.
    bool digits()
    {
        const uchar* const start = m_p;
        while (m_p != m_end && *m_p >= '0' && *m_p <= '9')
            ++m_p;
        return m_p != start;
    }

    bool skipEscape()
    {
        if (m_end - m_p < 2)
            return false;
        switch (m_p[1]) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
            m_p += 2;
            return true;
        case 'u':
            if (m_end - m_p < 6 || hexUnit(m_p + 2) < 0)
                return false;
            m_p += 6;
            return true;
        default:
            // Qt's reader takes any other escaped character as itself; not written here.
            return false;
        }
    }

    static std::optional<double> value(const char* first, const char* last, bool integral)
    {
        // Qt's reader keeps an integer that fits 64 bits as one, and gives it as a double when
        // asked: "-0" is 0.
        if (integral) {
            std::int64_t integer = 0;
            const auto [end, error] = std::from_chars(first, last, integer);
            if (error == std::errc() && end == last)
                return double(integer);
        }
        // Both this and Qt's reader round correctly. Out of range either way: Qt refuses
        // infinities and a nonzero number that rounds to zero.
        double number = 0;
        const auto [end, error] = std::from_chars(first, last, number);
        if (error != std::errc() || end != last || !std::isfinite(number))
            return std::nullopt;
        // Subnormal numbers, and zeros written with nonzero digits, are left to the general
        // reader: the writer never produces them.
        if (number != 0 && std::fabs(number) < std::numeric_limits<double>::min())
            return std::nullopt;
        if (number == 0) {
            for (const char* p = first; p != last && *p != 'e' && *p != 'E'; ++p) {
                if (*p >= '1' && *p <= '9')
                    return std::nullopt;
            }
            // Integral, hence an integer to Qt's reader too: no negative zero.
            return 0.0;
        }
        return number;
    }

    const uchar* m_p;
    const uchar* const m_end;
};

std::optional<QPointF> readPoint(Cursor& in)
{
    if (!in.take('['))
        return std::nullopt;
    const std::optional<double> x = in.number();
    if (!x || !in.take(','))
        return std::nullopt;
    const std::optional<double> y = in.number();
    if (!y || !in.take(']'))
        return std::nullopt;
    const QPointF point(*x, *y);
    if (!StackListCodec::isFinite(point))
        return std::nullopt;
    return point;
}

std::optional<QUuid> readId(Cursor& in)
{
    // Hexadecimal digits and hyphens only, or nothing.
    const std::optional<QLatin1StringView> text = in.asciiString();
    return text ? StackListCodec::uuidFromText(*text) : std::nullopt;
}

std::optional<QString> readPlainName(Cursor& in)
{
    const std::optional<RawString> raw = in.string();
    if (!raw)
        return std::nullopt;
    QString name = raw->text();
    if (!StackListCodec::isPlainName(name))
        return std::nullopt;
    return name;
}

bool readItem(Cursor& in, StackItem& item)
{
    if (!in.take('{') || !in.key("\"bookmark\""))
        return false;
    // The Base64 alphabet only, or nothing.
    const std::optional<QLatin1StringView> base64 = in.asciiString();
    if (!base64)
        return false;
    std::optional<QByteArray> bookmark =
        StackListCodec::bookmarkFromBase64(QByteArray::fromRawData(base64->data(), base64->size()));
    if (!bookmark || !in.take(',') || !in.key("\"id\""))
        return false;
    const std::optional<QUuid> id = readId(in);
    if (!id || !in.take(',') || !in.key("\"name\""))
        return false;
    std::optional<QString> name = readPlainName(in);
    if (!name || !in.take(',') || !in.key("\"position\""))
        return false;
    const std::optional<QPointF> position = readPoint(in);
    if (!position || !in.take('}'))
        return false;
    item = StackItem{*id, std::move(*name), std::move(*bookmark), *position};
    return true;
}

bool readItems(Cursor& in, QList<StackItem>& items)
{
    if (!in.take('['))
        return false;
    if (in.take(']'))
        return true;
    do {
        if (!readItem(in, items.emplace_back()))
            return false;
    } while (in.take(','));
    return in.take(']');
}

bool readStack(Cursor& in, DesktopStack& stack)
{
    if (!in.take('{'))
        return false;
    if (in.key("\"folderName\"")) {
        if (!in.null()) {
            stack.folderName = readPlainName(in);
            if (!stack.folderName)
                return false;
        }
        if (!in.take(','))
            return false;
    }
    if (!in.key("\"id\""))
        return false;
    const std::optional<QUuid> id = readId(in);
    if (!id || !in.take(',') || !in.key("\"items\"") || !readItems(in, stack.items) ||
        !in.take(',') || !in.key("\"name\""))
        return false;
    const std::optional<RawString> name = in.string();
    if (!name || !in.take(',') || !in.key("\"state\""))
        return false;
    const std::optional<RawString> stateText = in.string();
    const std::optional<StackState> state =
        stateText ? stackStateFromRawValue(stateText->text()) : std::nullopt;
    if (!state || !in.take(',') || !in.key("\"windowOrigin\""))
        return false;
    const std::optional<QPointF> origin = readPoint(in);
    if (!origin || !in.take('}'))
        return false;
    stack.id = *id;
    stack.name = name->text();
    stack.state = *state;
    stack.windowOrigin = *origin;
    return true;
}

} // namespace

namespace StackListReader {

std::optional<QList<DesktopStack>> read(QByteArrayView json)
{
    Cursor in(json);
    QList<DesktopStack> stacks;
    if (!in.take('['))
        return std::nullopt;
    if (!in.take(']')) {
        do {
            if (!readStack(in, stacks.emplace_back()))
                return std::nullopt;
        } while (in.take(','));
        if (!in.take(']'))
            return std::nullopt;
    }
    if (!in.atEnd())
        return std::nullopt;
    return stacks;
}

} // namespace StackListReader
