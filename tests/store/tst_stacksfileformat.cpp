#include "store/StackListCodec.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <bit>

using namespace Qt::StringLiterals;

// Stacks files written by the earlier hand-made encoder (tests/store/data): each must read into
// the very records the earlier reader gave (the .records file beside it, every double in its
// bits) and be written back as it was.

namespace {

QByteArray hexText(const QString& text)
{
    QByteArray out;
    for (QChar c : text)
        out += QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
    return out.isEmpty() ? QByteArray("\"\"") : out;
}

QByteArray bits(double value)
{
    return QByteArray::number(std::bit_cast<quint64>(value), 16);
}

// One line per stack and per item, nothing left out or rounded.
QByteArray dump(const QList<DesktopStack>& stacks)
{
    QByteArray out;
    for (const DesktopStack& s : stacks) {
        out += "stack " + StackListCodec::uuidText(s.id).toLatin1() + ' ' +
               rawValue(s.state).toLatin1() + ' ' + bits(s.windowOrigin.x()) + ' ' +
               bits(s.windowOrigin.y()) + ' ' +
               (s.folderName ? hexText(*s.folderName) : QByteArray("-")) + ' ' + hexText(s.name) +
               '\n';
        for (const StackItem& i : s.items)
            out += "item " + StackListCodec::uuidText(i.id).toLatin1() + ' ' +
                   bits(i.position.x()) + ' ' + bits(i.position.y()) + ' ' +
                   (i.bookmark.isEmpty() ? QByteArray("\"\"") : i.bookmark.toHex()) + ' ' +
                   hexText(i.name) + '\n';
    }
    return out;
}

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// RapidJSON writes the hexadecimal digits of a \u escape in capitals, the earlier encoder in
// small letters: the same characters either way.
QByteArray withCapitalEscapes(QByteArray text)
{
    static const QRegularExpression escape(uR"(\\u([0-9a-f]{4}))"_s);
    QString result = QString::fromUtf8(text);
    qsizetype at = 0;
    for (QRegularExpressionMatch match; (match = escape.match(result, at)).hasMatch();) {
        result.replace(match.capturedStart(1), 4, match.captured(1).toUpper());
        at = match.capturedEnd();
    }
    return result.toUtf8();
}

} // namespace

class TestStacksFileFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void earlierFilesReadAndWriteBackAlike_data();
    void earlierFilesReadAndWriteBackAlike();
    void loneSurrogateWrittenAsBefore();
};

void TestStacksFileFormat::earlierFilesReadAndWriteBackAlike_data()
{
    QTest::addColumn<QString>("base");
    const QDir data(QStringLiteral(TIDORA_SOURCE_DIR "/tests/store/data"));
    const QStringList files = data.entryList({u"*.json"_s});
    QVERIFY(files.size() >= 4);
    for (const QString& file : files)
        QTest::newRow(qPrintable(file)) << data.filePath(file.chopped(5));
}

void TestStacksFileFormat::earlierFilesReadAndWriteBackAlike()
{
    QFETCH(QString, base);
    const QByteArray text = read(base + u".json"_s);
    QVERIFY(!text.isEmpty());
    const std::optional<QList<DesktopStack>> stacks = StackListCodec::decodeStackList(text);
    QVERIFY(stacks);
    QCOMPARE(dump(*stacks), read(base + u".records"_s));

    QByteArrayList records;
    for (const DesktopStack& stack : *stacks)
        records.append(StackListCodec::encodeStack(stack, nullptr).value());
    const QByteArray written = '[' + records.join(',') + ']';
    QCOMPARE(withCapitalEscapes(written), withCapitalEscapes(text));
}

// Text that is not valid UTF-16 (a name typed in) is written as it always was: the lone half
// becomes a question mark, and the next name is not spoilt by it.
void TestStacksFileFormat::loneSurrogateWrittenAsBefore()
{
    DesktopStack stack;
    stack.name = u"a"_s + QChar(0xD800);
    stack.folderName = u"b"_s + QChar(0xDC00) + u"c"_s;
    const QByteArray json = StackListCodec::encodeStack(stack, nullptr).value();
    QVERIFY2(json.contains(R"("folderName":"b?c")") && json.contains(R"("name":"a?")"),
             json.constData());
}

QTEST_GUILESS_MAIN(TestStacksFileFormat)
#include "tst_stacksfileformat.moc"
