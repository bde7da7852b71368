#include "store/StackListCodec.h"
#include "store/StackListReader.h"

#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTest>

#include <bit>
#include <cmath>
#include <limits>

// The fast reader against the QJsonDocument reader: wherever the fast one gives records they
// must be the very same, bit for bit, and decodeStackList as a whole must judge every text as
// the QJsonDocument reader does.

namespace {

using Stacks = QList<DesktopStack>;

QString hex(const QString& text)
{
    QStringList units;
    for (QChar c : text)
        units.append(QString::number(c.unicode(), 16));
    return units.join(QLatin1Char(' '));
}

bool sameDouble(double a, double b)
{
    return std::bit_cast<quint64>(a) == std::bit_cast<quint64>(b);
}

// A double in full, a negative zero included.
QString bits(double value)
{
    return QStringLiteral("%1 [%2]")
        .arg(value, 0, 'g', 17)
        .arg(std::bit_cast<quint64>(value), 16, 16, QLatin1Char('0'));
}

bool samePoint(QPointF a, QPointF b)
{
    return sameDouble(a.x(), b.x()) && sameDouble(a.y(), b.y());
}

// Empty when identical, else the first difference. Unlike operator==, a negative zero differs
// from zero here.
QString difference(const Stacks& a, const Stacks& b)
{
    if (a.size() != b.size())
        return QStringLiteral("%1 stacks against %2").arg(a.size()).arg(b.size());
    for (qsizetype s = 0; s < a.size(); ++s) {
        const DesktopStack& x = a[s];
        const DesktopStack& y = b[s];
        const QString at = QStringLiteral("stack %1: ").arg(s);
        if (x.id != y.id || x.state != y.state || x.folderName != y.folderName)
            return at + QStringLiteral("id, state or folder name");
        if (x.name != y.name)
            return at + hex(x.name) + QStringLiteral(" against ") + hex(y.name);
        if (!samePoint(x.windowOrigin, y.windowOrigin))
            return at + QStringLiteral("origin (%1, %2) against (%3, %4)")
                            .arg(bits(x.windowOrigin.x()), bits(x.windowOrigin.y()),
                                 bits(y.windowOrigin.x()), bits(y.windowOrigin.y()));
        if (x.items.size() != y.items.size())
            return at + QStringLiteral("item count");
        for (qsizetype i = 0; i < x.items.size(); ++i) {
            const StackItem& p = x.items[i];
            const StackItem& q = y.items[i];
            if (p.id != q.id || p.name != q.name || p.bookmark != q.bookmark ||
                !samePoint(p.position, q.position))
                return at + QStringLiteral("item %1: %2 against %3")
                                .arg(i)
                                .arg(hex(p.name), hex(q.name));
        }
    }
    return QString();
}

// Empty when decodeStackList and the QJsonDocument reader judge `text` alike, and the fast
// reader, where it takes the text, gives the same records.
QString disagreement(const QByteArray& text)
{
    const std::optional<Stacks> reference = StackListCodec::decodeWithJsonDocument(text);
    const std::optional<Stacks> fast = StackListReader::read(text);
    const std::optional<Stacks> decoded = StackListCodec::decodeStackList(text);
    if (fast && !reference)
        return QStringLiteral("the fast reader takes what Qt refuses");
    if (decoded.has_value() != reference.has_value())
        return QStringLiteral("decodeStackList judges otherwise");
    if (fast)
        return difference(*fast, *reference);
    return decoded ? difference(*decoded, *reference) : QString();
}

QByteArray encoded(const Stacks& stacks)
{
    QByteArrayList records;
    for (const DesktopStack& stack : stacks)
        records.append(StackListCodec::encodeStack(stack, nullptr).value());
    return '[' + records.join(',') + ']';
}

// Records in the shapes a file can hold: hostile names, folder names present or not, numbers
// of every kind the writer can produce.
class RandomStacks
{
public:
    explicit RandomStacks(quint32 seed)
        : m_random(seed)
    {}

    Stacks stacks()
    {
        Stacks stacks;
        for (int s = int(m_random.bounded(6)); s > 0; --s) {
            DesktopStack stack;
            stack.id = m_random.bounded(20) == 0 ? QUuid() : QUuid::createUuid();
            stack.name = text(false);
            if (m_random.bounded(3) != 0)
                stack.folderName = text(true);
            stack.state = m_random.bounded(2) ? StackState::collapsed : StackState::expanded;
            stack.windowOrigin = QPointF(number(), number());
            for (int i = int(m_random.bounded(7)); i > 0; --i) {
                QByteArray bookmark(qsizetype(m_random.bounded(70)), Qt::Uninitialized);
                for (char& byte : bookmark)
                    byte = char(m_random.bounded(256));
                stack.items.append(StackItem{QUuid::createUuid(), text(true), bookmark,
                                             QPointF(number(), number())});
            }
            stacks.append(stack);
        }
        return stacks;
    }

private:
    // A name of fragments that each need care; `plain`: one a folder can hold.
    QString text(bool plain)
    {
        static const QStringList pieces = {
            QStringLiteral("Screenshot 1.png"),
            QStringLiteral("\""),
            QStringLiteral("\\"),
            QStringLiteral("\t"),
            QStringLiteral("\n\r"),
            QString(QChar(1)) + QChar(0x1F) + QChar(0x7F),
            QStringLiteral("\u00e9e\u0301\u0327"), // precomposed, combining marks
            QString::fromUcs4(U"\U0001F4F8\U0010FFFF"),
            QStringLiteral("\u4e2d\u6587"),
            QStringLiteral("\ufeff"),
            QStringLiteral("\ufffe\uffff"),
            QString(QChar(0xD800)), // lone surrogates, as a broken file name may give
            QString(QChar(0xDC00)),
            QStringLiteral("\\u0041 \\\" /"),
            QStringLiteral("null"),
            QStringLiteral("."),
            QStringLiteral(".."),
        };
        for (;;) {
            QString name;
            for (int n = 1 + int(m_random.bounded(4)); n > 0; --n)
                name += pieces[m_random.bounded(int(pieces.size()))];
            if (m_random.bounded(10) == 0)
                name += QString(300 + int(m_random.bounded(3000)), QLatin1Char('x'));
            if (m_random.bounded(8) == 0)
                name.prepend(QChar(0xFEFF));
            if (!plain || StackListCodec::isPlainName(name))
                return name;
        }
    }

    // Finite and never subnormal (the writer's numbers the fast reader must take).
    double number()
    {
        for (;;) {
            const double value = anyNumber();
            if (value == 0 || std::isnormal(value))
                return value;
        }
    }

    double anyNumber()
    {
        switch (m_random.bounded(13)) {
        case 0:
            return -0.0;
        case 1:
            return double(qint64(m_random.generate64()) >> m_random.bounded(64));
        case 2:
            return std::ldexp(m_random.generateDouble(), int(m_random.bounded(2000)) - 1000);
        case 3:
            return -std::ldexp(m_random.generateDouble() + 1, int(m_random.bounded(2040)) - 1020);
        case 4:
            return std::numeric_limits<double>::min() * (1 + m_random.bounded(4));
        case 5:
            return std::numeric_limits<double>::max() / (1 + m_random.bounded(4));
        case 6:
            return 0.1 + 0.2;
        case 7:
            return std::ldexp(1.0, 53 + int(m_random.bounded(20))); // integral beyond 2^53
        case 8: {
            // Round numbers and their neighbours, which Qt writes with exponents or without.
            static constexpr double nudges[] = {0, 0, 1, -1, 0.5};
            const double round = (1 + m_random.bounded(9)) * std::pow(10.0, m_random.bounded(19));
            const double value = round + nudges[m_random.bounded(5)];
            return m_random.bounded(2) == 0 ? value : -value;
        }
        default:
            return std::bit_cast<double>(m_random.generate64());
        }
    }

    QRandomGenerator m_random;
};

// The records as they come back: the file holds no negative zero.
Stacks readBack(Stacks stacks)
{
    const auto positive = [](QPointF& point) {
        point = QPointF(point.x() == 0 ? 0.0 : point.x(), point.y() == 0 ? 0.0 : point.y());
    };
    for (DesktopStack& stack : stacks) {
        positive(stack.windowOrigin);
        for (StackItem& item : stack.items)
            positive(item.position);
    }
    return stacks;
}

const QByteArray smallFile =
    R"([{"folderName":"Caf\u00e9 \"A\"","id":"0F8FAD5B-D9CB-469F-A165-70867728950E",)"
    R"("items":[{"bookmark":"AAEC/+8=","id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7",)"
    "\"name\":\"na\xC3\xAFve \xF0\x9F\x93\xB8\\t\\ud83d\\ude00.txt\",\"position\":[-1.5e-7,20]},"
    R"({"bookmark":"","id":"5B1E0B9B-7B1A-4C1F-9D3A-2F1E0B9B7B1A","name":"b",)"
    R"("position":[0,-0]}],"name":"A\\B","state":"collapsed","windowOrigin":[1e300,-2]},)"
    R"({"id":"00000000-0000-0000-0000-000000000000","items":[],"name":"","state":"expanded",)"
    R"("windowOrigin":[0.1,3]}])";

} // namespace

class TestStackListReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writtenFilesTakeTheFastReaderAndComeBackExactly();
    void reformattedFilesDecodeTheSame();
    void cutAndDamagedFilesAreJudgedAsQtJudgesThem();
    void unusualTextsAreJudgedAsQtJudgesThem_data();
    void unusualTextsAreJudgedAsQtJudgesThem();
    void bookmarksDecodeAsQtDecodesThem();
    void namesStartingWithAByteOrderMarkComeBack();
};

void TestStackListReader::writtenFilesTakeTheFastReaderAndComeBackExactly()
{
    const quint32 seed = QRandomGenerator::global()->generate();
    RandomStacks random(seed);
    for (int round = 0; round < 400; ++round) {
        const Stacks stacks = random.stacks();
        const QByteArray text = encoded(stacks);
        const std::optional<Stacks> fast = StackListReader::read(text);
        const QString context = QStringLiteral("seed %1, round %2").arg(seed).arg(round);
        QVERIFY2(fast, qPrintable(context));
        const std::optional<Stacks> reference = StackListCodec::decodeWithJsonDocument(text);
        QVERIFY2(reference, qPrintable(context));
        QVERIFY2(difference(*fast, *reference).isEmpty(),
                 qPrintable(context + QStringLiteral(": ") + difference(*fast, *reference)));
        QVERIFY2(difference(*fast, readBack(stacks)).isEmpty(),
                 qPrintable(context + QStringLiteral(": ") + difference(*fast, readBack(stacks))));
        // Byte for byte what Qt's writer makes of the text it read, but for the leading byte
        // order marks it would not escape.
        if (!text.contains("\\ufeff"))
            QCOMPARE(QJsonDocument::fromJson(text).toJson(QJsonDocument::Compact), text);
    }
}

void TestStackListReader::reformattedFilesDecodeTheSame()
{
    RandomStacks random(7);
    for (int round = 0; round < 100; ++round) {
        const QByteArray text = encoded(random.stacks());
        const std::optional<Stacks> original = StackListCodec::decodeStackList(text);
        QVERIFY(original);
        // Qt's own writer: indented, strings escaped its way, numbers written its way.
        const QByteArray indented = QJsonDocument::fromJson(text).toJson(QJsonDocument::Indented);
        QVERIFY(original->isEmpty() || indented.contains("\n    "));
        QVERIFY2(disagreement(indented).isEmpty(), qPrintable(disagreement(indented)));
        // Qt's writer puts a leading byte order mark back unescaped, and its reader drops it
        // again: a name of only that mark no longer decodes. Everything else comes back.
        const std::optional<Stacks> reformatted = StackListCodec::decodeWithJsonDocument(indented);
        if (!text.contains("\\ufeff")) {
            QVERIFY(reformatted);
            QVERIFY2(difference(*reformatted, *original).isEmpty(),
                     qPrintable(difference(*reformatted, *original)));
        }
        if (reformatted)
            QVERIFY(StackListReader::read(indented));
    }
}

void TestStackListReader::cutAndDamagedFilesAreJudgedAsQtJudgesThem()
{
    QVERIFY(StackListReader::read(smallFile));
    QCOMPARE(StackListCodec::decodeStackList(smallFile)->at(0).items.at(0).name,
             QString::fromUtf8("na\xC3\xAFve \xF0\x9F\x93\xB8\t\xF0\x9F\x98\x80.txt"));
    int decodable = 0;
    for (qsizetype cut = 0; cut <= smallFile.size(); ++cut) {
        const QByteArray text = smallFile.left(cut);
        QVERIFY2(disagreement(text).isEmpty(),
                 qPrintable(QStringLiteral("cut at %1: ").arg(cut) + disagreement(text)));
        decodable += StackListCodec::decodeStackList(text).has_value();
    }
    QCOMPARE(decodable, 1);

    static const char bytes[] = "\"\\,:{}[] 0-+.eEnu/a\x00\x1f\x7f\x80\xbf\xc0\xed\xf4\xff";
    const QByteArrayView replacements(bytes, sizeof bytes - 1);
    int fastTaken = 0;
    for (qsizetype at = 0; at < smallFile.size(); ++at) {
        for (const char replacement : replacements) {
            QByteArray text = smallFile;
            text[at] = replacement;
            QVERIFY2(
                disagreement(text).isEmpty(),
                qPrintable(QStringLiteral("byte %1 as %2: ").arg(at).arg(int(uchar(replacement))) +
                           disagreement(text)));
            fastTaken += StackListReader::read(text).has_value();
        }
    }
    // Many damaged texts still decode (a changed letter in a name); the fast reader takes them.
    QVERIFY(fastTaken > 100);

    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    for (int round = 0; round < 3000; ++round) {
        QByteArray text = smallFile;
        for (int n = 1 + int(random.bounded(4)); n > 0; --n) {
            const qsizetype at = random.bounded(int(text.size()));
            switch (random.bounded(3)) {
            case 0:
                text[at] = char(random.bounded(256));
                break;
            case 1:
                text.remove(at, 1 + random.bounded(3));
                break;
            default:
                text.insert(at, text.mid(random.bounded(int(text.size())), 1 + random.bounded(8)));
            }
        }
        QVERIFY2(disagreement(text).isEmpty(),
                 qPrintable(QStringLiteral("seed %1, round %2: ").arg(seed).arg(round) +
                            disagreement(text)));
    }
}

void TestStackListReader::unusualTextsAreJudgedAsQtJudgesThem_data()
{
    QTest::addColumn<QByteArray>("text");
    // Whether the fast reader takes it (a text the program writes, or close to one).
    QTest::addColumn<bool>("fast");

    const auto stack = [](const QByteArray& name,
                          const QByteArray& origin = "[1,2]") -> QByteArray {
        return "[{\"id\":\"0F8FAD5B-D9CB-469F-A165-70867728950E\",\"items\":[],\"name\":\"" + name +
               "\",\"state\":\"collapsed\",\"windowOrigin\":" + origin + "}]";
    };
    const auto item = [](const QByteArray& field, const QByteArray& value) -> QByteArray {
        QByteArray itemText = R"({"bookmark":"AAEC","id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7",)"
                              R"("name":"a.txt","position":[3,4]})";
        const qsizetype at = itemText.indexOf(QByteArray("\"" + field + "\":")) + field.size() + 3;
        const qsizetype end =
            field == "position" ? itemText.indexOf(']', at) + 1 : itemText.indexOf('"', at + 1) + 1;
        itemText.replace(at, end - at, value);
        return R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","items":[)" + itemText +
               R"(],"name":"A","state":"collapsed","windowOrigin":[1,2]}])";
    };
    const auto row = [](const char* tag, const QByteArray& text, bool fast) {
        QTest::newRow(tag) << text << fast;
    };

    row("empty list", "[]", true);
    row("spaces everywhere", " \t\r\n" + stack("A", "[ 1 , 2 ]").replace(",", " ,\n") + " \n",
        true);
    row("form feed as space", "[\f]", false);
    row("byte order mark first", "\xEF\xBB\xBF" + stack("A"), false);
    row("garbage after", stack("A") + "x", false);
    row("NUL after", stack("A") + QByteArray(1, '\0'), false);
    row("an object", "{}", false);
    row("null folder name", "[{\"folderName\":null," + stack("A").mid(2), true);
    row("folder name a number", "[{\"folderName\":7," + stack("A").mid(2), false);
    row("folder name dot dot", "[{\"folderName\":\"..\"," + stack("A").mid(2), false);
    row("keys in another order",
        R"([{"name":"A","id":"0F8FAD5B-D9CB-469F-A165-70867728950E","items":[],)"
        R"("state":"collapsed","windowOrigin":[1,2]}])",
        false);
    row("unknown key", stack("A").replace("}]", ",\"colour\":1}]"), false);
    row("key twice", stack("A").replace("}]", ",\"windowOrigin\":[5,6]}]"), false);
    row("unknown state", stack("A").replace("collapsed", "open"), false);
    row("state escaped", stack("A").replace("collapsed", "collapse\\u0064"), true);
    row("name a number", stack("A").replace("\"A\"", "5"), false);

    row("lower-case id", stack("A").replace("0F8FAD5B-D9CB", "0f8fad5b-d9cb"), true);
    row("nil id",
        stack("A").replace("0F8FAD5B-D9CB-469F-A165-70867728950E",
                           "00000000-0000-0000-0000-000000000000"),
        true);
    row("id in braces", stack("A").replace("\"0F8FAD5B", "\"{0F8FAD5B").replace("950E", "950E}"),
        false);
    row("id too short", stack("A").replace("950E\"", "950\""), false);
    row("id not hexadecimal", stack("A").replace("0F8FAD5B", "0F8FAD5G"), false);
    row("id with an escape",
        stack("A").replace("0F8FAD5B", "\\u0030F8FAD5B").replace("\\u00300F8F", "\\u0030F8F"),
        false);

    row("bookmark padded once", item("bookmark", "\"AAE=\""), true);
    row("bookmark padded twice", item("bookmark", "\"AA==\""), true);
    row("bookmark with spare bits", item("bookmark", "\"AB==\""), true); // Qt takes it
    row("bookmark of padding", item("bookmark", "\"====\""), false);
    row("bookmark padding inside", item("bookmark", "\"AA==AAEC\""), false);
    row("bookmark not Base64", item("bookmark", "\"AA*C\""), false);
    row("bookmark URL alphabet", item("bookmark", "\"AA-_\""), false);
    row("bookmark short", item("bookmark", "\"AAE\""), false);
    row("bookmark with an escaped slash", item("bookmark", "\"AA\\/C\""), false);
    row("bookmark a number", item("bookmark", "12"), false);

    row("name with NUL", item("name", "\"a\\u0000b\""), false);
    row("name with slash", item("name", "\"a/b\""), false);
    row("name with escaped slash", item("name", "\"a\\/b\""), false);
    row("name dot", item("name", "\".\""), false);
    row("name empty", item("name", "\"\""), false);
    row("name unknown escape", item("name", "\"a\\qb\""), false);
    row("name short escape", item("name", "\"a\\u12\""), false);
    row("name escape not hexadecimal", item("name", "\"a\\uZZZZ\""), false);
    row("name raw tab", item("name", "\"a\tb\""), false);
    row("name every escape", item("name", R"("\"\\\b\f\n\r\t\u00e9\u00E9")"), true);
    row("name escaped pair", item("name", "\"\\ud83d\\ude00\""), true);
    row("name lone high surrogate", item("name", "\"a\\ud800b\""), true);
    row("name reversed pair", item("name", "\"\\udc00\\ud800\""), true);
    row("name byte order mark first",
        item("name", "\"\xEF\xBB\xBF"
                     "a\""),
        true);
    row("name byte order mark first, escapes after", item("name", "\"\xEF\xBB\xBF\\ta\""), true);
    row("name escaped byte order mark", item("name", "\"\\ufeffa\""), true);
    row("name byte order mark only", item("name", "\"\xEF\xBB\xBF\""), false);
    row("name noncharacter", item("name", "\"\xEF\xBF\xBE\""), true);
    row("name highest character", item("name", "\"\xF4\x8F\xBF\xBF\""), true);
    row("name beyond the highest", item("name", "\"\xF4\x90\x80\x80\""), false);
    row("name overlong", item("name", "\"\xC0\xAF\""), false);
    row("name encoded surrogate", item("name", "\"\xED\xA0\x80\""), false);
    row("name cut sequence", item("name", "\"\xE2\x82\""), false);
    row("name lone continuation", item("name", "\"\x80\""), false);
    row("name Latin-1", item("name", "\"caf\xE9\""), false);

    const QList<std::pair<const char*, bool>> numbers = {
        {"-0", true},
        {"-0.0", true},
        {"-0e5", true},
        {"1E+2", true},
        {"1e-2", true},
        {"1.000", true},
        {"9007199254740993", true},
        {"9223372036854775807", true},
        {"9223372036854775808", true},
        {"-9223372036854775809", true},
        {"1.7976931348623157e308", true},
        {"2.2250738585072014e-308", true},
        {"1e309", false},
        {"-1e999", false},
        {"1e-400", false},
        {"5e-324", false},
        {"2e-308", false},
        {"+1", false},
        {"01", false},
        {"1.", false},
        {".5", false},
        {"1e", false},
        {"1e+", false},
        {"-", false},
        {"--1", false},
        {"0x10", false},
        {"NaN", false},
        {"nan", false},
        {"Infinity", false},
        {"-inf", false},
        {"1_000", false},
        {"\"1\"", false},
        {"null", false},
        {"123456789012345678901234567890123", false},
        {"0.000000000000000000000000000000001", false},
    };
    for (const auto& [number, fast] : numbers)
        QTest::newRow(number) << stack("A", QByteArray("[") + number + ",2]") << fast;
    row("position of one number", stack("A", "[1]"), false);
    row("position of three numbers", stack("A", "[1,2,3]"), false);
    row("position an object", stack("A", "{\"x\":1,\"y\":2}"), false);
}

void TestStackListReader::unusualTextsAreJudgedAsQtJudgesThem()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, fast);
    QVERIFY2(disagreement(text).isEmpty(), qPrintable(disagreement(text)));
    QCOMPARE(StackListReader::read(text).has_value(), fast);
}

void TestStackListReader::bookmarksDecodeAsQtDecodesThem()
{
    const auto qtDecoded = [](const QByteArray& base64) -> std::optional<QByteArray> {
        QByteArray::FromBase64Result result = QByteArray::fromBase64Encoding(
            base64, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
        if (base64.size() % 4 != 0 || !result)
            return std::nullopt;
        return result.decoded;
    };
    QRandomGenerator random(11);
    for (int size = 0; size < 200; ++size) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (char& byte : bytes)
            byte = char(random.bounded(256));
        const QByteArray base64 = bytes.toBase64();
        QVERIFY(StackListCodec::bookmarkFromBase64(base64) == std::optional<QByteArray>(bytes));
    }
    // Every text of four and of eight characters over letters that matter: the values at both
    // ends of the alphabet, padding, and characters outside it.
    const QByteArray letters("AB/+=*a9 -Q", 11);
    for (int n = 0; n < 11 * 11 * 11 * 11; ++n) {
        QByteArray group;
        for (int k = n; group.size() < 4; k /= 11)
            group.append(letters[k % 11]);
        for (const QByteArray& text : QByteArrayList{group, "QUJD" + group, group + "QUJD"}) {
            QVERIFY2(StackListCodec::bookmarkFromBase64(text) == qtDecoded(text), text.constData());
        }
    }
}

void TestStackListReader::namesStartingWithAByteOrderMarkComeBack()
{
    // Qt's reader drops a leading U+FEFF from a string without escapes, which would rename the
    // file in the record; the writer escapes it.
    const QString name = QChar(0xFEFF) + QStringLiteral("notes.txt");
    const DesktopStack stack{
        QUuid::createUuid(),   name, name,
        StackState::collapsed, {},   {StackItem{QUuid::createUuid(), name, "b", {}}}};
    const QByteArray text = encoded({stack});
    for (const std::optional<Stacks>& decoded :
         {StackListCodec::decodeStackList(text), StackListCodec::decodeWithJsonDocument(text)}) {
        QVERIFY(decoded);
        QCOMPARE(decoded->at(0).name, name);
        QCOMPARE(decoded->at(0).folderName, std::optional<QString>(name));
        QCOMPARE(decoded->at(0).items.at(0).name, name);
    }
}

QTEST_GUILESS_MAIN(TestStackListReader)
#include "tst_stacklistreader.moc"
