#include "platform/linux/filemanagers/ThunarActionList.h"

#include "platform/linux/filemanagers/ActionTexts.h"

#include <QList>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace ThunarActionList {

namespace {

struct Span
{
    qsizetype begin = 0;
    qsizetype end = 0;
};

// Where the file's parts lie, in characters of its text.
struct Layout
{
    QString text;
    // Tidora's actions, from "<action>" to "</action>".
    QList<Span> ours;
    // Where "</actions>" begins.
    qsizetype closing = 0;
};

std::optional<Layout> layoutOf(const QByteArray& existing)
{
    Layout layout;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    layout.text = decoder(existing);
    if (decoder.hasError())
        return std::nullopt;
    QXmlStreamReader reader(layout.text);
    // The offset after the token read before the current one. A run of characters is
    // reported with the "<" that ended it, so a tag begins at the last "<" up to there.
    qsizetype before = 0;
    qsizetype actionBegin = -1;
    bool inId = false;
    bool ours = false;
    bool rootSeen = false;
    while (!reader.atEnd()) {
        const qsizetype tokenBegin = layout.text.lastIndexOf(QLatin1Char('<'), before);
        reader.readNext();
        before = reader.characterOffset();
        if (reader.isStartElement()) {
            const QStringView name = reader.name();
            if (!rootSeen) {
                if (name != QLatin1String("actions"))
                    return std::nullopt;
                rootSeen = true;
            } else if (name == QLatin1String("action") && actionBegin < 0) {
                actionBegin = tokenBegin;
                ours = false;
            } else if (name == QLatin1String("unique-id") && actionBegin >= 0) {
                inId = true;
            }
        } else if (reader.isCharacters() && inId) {
            ours = ours || reader.text().trimmed() == QLatin1String(ActionTexts::thunarId);
        } else if (reader.isEndElement()) {
            const QStringView name = reader.name();
            if (name == QLatin1String("unique-id")) {
                inId = false;
            } else if (name == QLatin1String("action") && actionBegin >= 0) {
                if (ours)
                    layout.ours.append(Span{actionBegin, before});
                actionBegin = -1;
            } else if (name == QLatin1String("actions")) {
                layout.closing = tokenBegin;
            }
        }
    }
    if (reader.hasError() || !rootSeen)
        return std::nullopt;
    return layout;
}

// The text without Tidora's actions, each taken out with the blanks before it on its line.
QString cutOut(const Layout& layout, qsizetype* closing)
{
    QString text = layout.text;
    *closing = layout.closing;
    for (qsizetype i = layout.ours.size() - 1; i >= 0; --i) {
        qsizetype begin = layout.ours[i].begin;
        while (begin > 0 &&
               (text[begin - 1] == QLatin1Char(' ') || text[begin - 1] == QLatin1Char('\t')))
            --begin;
        if (begin > 0 && text[begin - 1] == QLatin1Char('\n'))
            --begin;
        const qsizetype length = layout.ours[i].end - begin;
        text.remove(begin, length);
        if (begin < *closing)
            *closing -= length;
    }
    return text;
}

QString actionElement(const QString& program)
{
    QString element;
    QXmlStreamWriter writer(&element);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(-1);
    writer.writeStartElement(QStringLiteral("action"));
    writer.writeTextElement(QStringLiteral("icon"), QStringLiteral("tidora"));
    writer.writeTextElement(QStringLiteral("name"), QString::fromLatin1(ActionTexts::label));
    writer.writeTextElement(QStringLiteral("submenu"), QString());
    writer.writeTextElement(QStringLiteral("unique-id"),
                            QString::fromLatin1(ActionTexts::thunarId));
    writer.writeTextElement(QStringLiteral("command"), ActionTexts::commandLine(program));
    writer.writeTextElement(QStringLiteral("description"),
                            QStringLiteral("Stack the selected Desktop items with Tidora"));
    writer.writeTextElement(QStringLiteral("range"), QStringLiteral("*"));
    writer.writeTextElement(QStringLiteral("patterns"), QStringLiteral("*"));
    for (const char* kind :
         {"directories", "audio-files", "image-files", "other-files", "text-files", "video-files"})
        writer.writeEmptyElement(QString::fromLatin1(kind));
    writer.writeEndElement();
    return element.trimmed();
}

} // namespace

std::optional<QByteArray> withAction(const QByteArray& existing, const QString& program)
{
    const QString action = actionElement(program);
    if (existing.trimmed().isEmpty()) {
        return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n") +
               action.toUtf8() + "\n</actions>\n";
    }
    const std::optional<Layout> layout = layoutOf(existing);
    if (!layout)
        return std::nullopt;
    qsizetype closing = 0;
    QString text = cutOut(*layout, &closing);
    // An empty list written as "<actions/>" has no closing tag to put the action before.
    if (!QStringView(text).mid(closing).startsWith(QLatin1String("</")))
        return withAction(QByteArray(), program);
    // On a line of its own, just before the list closes.
    QString inserted = action + QLatin1Char('\n');
    if (closing > 0 && text[closing - 1] != QLatin1Char('\n'))
        inserted.prepend(QLatin1Char('\n'));
    text.insert(closing, inserted);
    return text.toUtf8();
}

std::optional<QByteArray> withoutAction(const QByteArray& existing)
{
    const std::optional<Layout> layout = layoutOf(existing);
    if (!layout)
        return std::nullopt;
    qsizetype closing = 0;
    return cutOut(*layout, &closing).toUtf8();
}

bool hasAction(const QByteArray& existing)
{
    const std::optional<Layout> layout = layoutOf(existing);
    return layout && !layout->ours.isEmpty();
}

} // namespace ThunarActionList
