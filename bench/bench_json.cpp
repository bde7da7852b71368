// Reads and writes a stacks file of 200 stacks x 50 files through each JSON library on offer,
// into and from DesktopStack records with the checks the stacks file needs, and prints each
// next to the bare file access of the same bytes in the same run: reading = QFile::readAll,
// writing = one QSaveFile write.

#include "BenchSupport.h"
#include "store/StackListCodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

#ifdef TIDORA_HAVE_SIMDJSON
#include <simdjson.h>
#endif
#ifdef TIDORA_HAVE_RAPIDJSON
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#endif

namespace {

using Stacks = QList<DesktopStack>;
constexpr int runs = 21;

Stacks benchStacks()
{
    QRandomGenerator random(1);
    Stacks stacks;
    for (int s = 0; s < 200; ++s) {
        const QString name = QStringLiteral("50 Screenshots %1").arg(s);
        DesktopStack stack{QUuid::createUuid(),
                           name,
                           name,
                           StackState::collapsed,
                           QPointF(100.5 + s, 200.25 + s),
                           {}};
        for (int i = 0; i < 50; ++i) {
            QByteArray bookmark(40, Qt::Uninitialized);
            for (char& byte : bookmark)
                byte = char(random.bounded(256));
            stack.items.append(
                StackItem{QUuid::createUuid(),
                          QStringLiteral("Screenshot 2024-05-01 at 10.%1.%2.png").arg(s).arg(i),
                          bookmark, QPointF(40.0 + i * 24.5, 60.0 + s * 1.25)});
        }
        stacks.append(stack);
    }
    return stacks;
}

// --- Qt

QJsonArray qtPoint(QPointF point)
{
    const auto number = [](double value) {
        return value == std::trunc(value) && value >= -0x1p63 && value < 0x1p63
                   ? QJsonValue(qint64(value))
                   : QJsonValue(value);
    };
    return QJsonArray{number(point.x()), number(point.y())};
}

QByteArray qtWrite(const Stacks& stacks)
{
    QJsonArray array;
    for (const DesktopStack& stack : stacks) {
        QJsonArray items;
        for (const StackItem& item : stack.items) {
            items.append(QJsonObject{
                {QLatin1String("bookmark"), QString::fromLatin1(item.bookmark.toBase64())},
                {QLatin1String("id"), StackListCodec::uuidText(item.id)},
                {QLatin1String("name"), item.name},
                {QLatin1String("position"), qtPoint(item.position)}});
        }
        QJsonObject object{{QLatin1String("id"), StackListCodec::uuidText(stack.id)},
                           {QLatin1String("items"), items},
                           {QLatin1String("name"), stack.name},
                           {QLatin1String("state"), rawValue(stack.state)},
                           {QLatin1String("windowOrigin"), qtPoint(stack.windowOrigin)}};
        if (stack.folderName)
            object.insert(QLatin1String("folderName"), *stack.folderName);
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QPointF> qtPointFrom(const QJsonValue& value)
{
    const QJsonArray array = value.toArray();
    if (!value.isArray() || array.size() != 2 || !array.at(0).isDouble() || !array.at(1).isDouble())
        return std::nullopt;
    return QPointF(array.at(0).toDouble(), array.at(1).toDouble());
}

std::optional<Stacks> qtRead(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray values = document.array();
    Stacks stacks;
    stacks.reserve(values.size());
    for (const QJsonValue& value : values) {
        const QJsonObject object = value.toObject();
        const QJsonValue id = object.value(QLatin1String("id"));
        const QJsonValue name = object.value(QLatin1String("name"));
        const QJsonValue state = object.value(QLatin1String("state"));
        const QJsonValue items = object.value(QLatin1String("items"));
        if (!value.isObject() || !id.isString() || !name.isString() || !state.isString() ||
            !items.isArray())
            return std::nullopt;
        DesktopStack stack;
        const std::optional<QUuid> uuid = StackListCodec::uuidFromText(id.toString());
        const std::optional<StackState> known = stackStateFromRawValue(state.toString());
        const std::optional<QPointF> origin =
            qtPointFrom(object.value(QLatin1String("windowOrigin")));
        if (!uuid || !known || !origin)
            return std::nullopt;
        if (const QJsonValue folder = object.value(QLatin1String("folderName")); folder.isString())
            stack.folderName = folder.toString();
        stack.id = *uuid;
        stack.name = name.toString();
        stack.state = *known;
        stack.windowOrigin = *origin;
        const QJsonArray itemValues = items.toArray();
        stack.items.reserve(itemValues.size());
        for (const QJsonValue& itemValue : itemValues) {
            const QJsonObject item = itemValue.toObject();
            const QJsonValue bookmark = item.value(QLatin1String("bookmark"));
            const QJsonValue itemId = item.value(QLatin1String("id"));
            const QJsonValue itemName = item.value(QLatin1String("name"));
            if (!itemValue.isObject() || !bookmark.isString() || !itemId.isString() ||
                !itemName.isString())
                return std::nullopt;
            const std::optional<QUuid> itemUuid = StackListCodec::uuidFromText(itemId.toString());
            std::optional<QByteArray> bytes =
                StackListCodec::bookmarkFromBase64(bookmark.toString().toLatin1());
            const std::optional<QPointF> position =
                qtPointFrom(item.value(QLatin1String("position")));
            QString text = itemName.toString();
            if (!itemUuid || !bytes || !position || !StackListCodec::isPlainName(text))
                return std::nullopt;
            stack.items.append(StackItem{*itemUuid, std::move(text), std::move(*bytes), *position});
        }
        stacks.append(std::move(stack));
    }
    return stacks;
}

// --- simdjson (reading only: this version has no writer)

#ifdef TIDORA_HAVE_SIMDJSON
QString qstring(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::optional<QPointF> simdPoint(simdjson::dom::element value)
{
    simdjson::dom::array array;
    if (value.get_array().get(array) || array.size() != 2)
        return std::nullopt;
    double x = 0;
    double y = 0;
    if (array.at(0).get_double().get(x) || array.at(1).get_double().get(y))
        return std::nullopt;
    return QPointF(x, y);
}

std::optional<Stacks> simdRead(simdjson::dom::parser& parser, const QByteArray& json)
{
    simdjson::dom::element root;
    if (parser.parse(json.constData(), size_t(json.size())).get(root))
        return std::nullopt;
    simdjson::dom::array array;
    if (root.get_array().get(array))
        return std::nullopt;
    Stacks stacks;
    stacks.reserve(qsizetype(array.size()));
    for (simdjson::dom::element value : array) {
        simdjson::dom::object object;
        std::string_view id;
        std::string_view name;
        std::string_view state;
        simdjson::dom::array items;
        if (value.get_object().get(object) || object["id"].get_string().get(id) ||
            object["name"].get_string().get(name) || object["state"].get_string().get(state) ||
            object["items"].get_array().get(items))
            return std::nullopt;
        DesktopStack stack;
        const std::optional<QUuid> uuid = StackListCodec::uuidFromText(QUtf8StringView(id));
        const std::optional<StackState> known = stackStateFromRawValue(qstring(state));
        const std::optional<QPointF> origin = simdPoint(object["windowOrigin"].value_unsafe());
        if (!uuid || !known || !origin)
            return std::nullopt;
        std::string_view folder;
        if (!object["folderName"].get_string().get(folder))
            stack.folderName = qstring(folder);
        stack.id = *uuid;
        stack.name = qstring(name);
        stack.state = *known;
        stack.windowOrigin = *origin;
        stack.items.reserve(qsizetype(items.size()));
        for (simdjson::dom::element itemValue : items) {
            simdjson::dom::object item;
            std::string_view bookmark;
            std::string_view itemId;
            std::string_view itemName;
            if (itemValue.get_object().get(item) || item["bookmark"].get_string().get(bookmark) ||
                item["id"].get_string().get(itemId) || item["name"].get_string().get(itemName))
                return std::nullopt;
            const std::optional<QUuid> itemUuid =
                StackListCodec::uuidFromText(QUtf8StringView(itemId));
            std::optional<QByteArray> bytes = StackListCodec::bookmarkFromBase64(
                QByteArray::fromRawData(bookmark.data(), qsizetype(bookmark.size())));
            const std::optional<QPointF> position = simdPoint(item["position"].value_unsafe());
            QString text = qstring(itemName);
            if (!itemUuid || !bytes || !position || !StackListCodec::isPlainName(text))
                return std::nullopt;
            stack.items.append(StackItem{*itemUuid, std::move(text), std::move(*bytes), *position});
        }
        stacks.append(std::move(stack));
    }
    return stacks;
}
#endif

// --- RapidJSON

#ifdef TIDORA_HAVE_RAPIDJSON
QString qstring(const rapidjson::Value& value)
{
    return QString::fromUtf8(value.GetString(), qsizetype(value.GetStringLength()));
}

const rapidjson::Value* member(const rapidjson::Value& object, const char* key)
{
    const auto found = object.FindMember(key);
    return found == object.MemberEnd() ? nullptr : &found->value;
}

std::optional<QPointF> rapidPoint(const rapidjson::Value* value)
{
    if (!value || !value->IsArray() || value->Size() != 2 || !(*value)[0].IsNumber() ||
        !(*value)[1].IsNumber())
        return std::nullopt;
    return QPointF((*value)[0].GetDouble(), (*value)[1].GetDouble());
}

std::optional<Stacks> rapidRead(const QByteArray& json)
{
    rapidjson::Document document;
    document.Parse<rapidjson::kParseValidateEncodingFlag | rapidjson::kParseFullPrecisionFlag>(
        json.constData(), size_t(json.size()));
    if (document.HasParseError() || !document.IsArray())
        return std::nullopt;
    Stacks stacks;
    stacks.reserve(qsizetype(document.Size()));
    for (const rapidjson::Value& object : document.GetArray()) {
        if (!object.IsObject())
            return std::nullopt;
        const rapidjson::Value* id = member(object, "id");
        const rapidjson::Value* name = member(object, "name");
        const rapidjson::Value* state = member(object, "state");
        const rapidjson::Value* items = member(object, "items");
        if (!id || !id->IsString() || !name || !name->IsString() || !state || !state->IsString() ||
            !items || !items->IsArray())
            return std::nullopt;
        DesktopStack stack;
        const std::optional<QUuid> uuid =
            StackListCodec::uuidFromText(QUtf8StringView(id->GetString(), id->GetStringLength()));
        const std::optional<StackState> known = stackStateFromRawValue(qstring(*state));
        const std::optional<QPointF> origin = rapidPoint(member(object, "windowOrigin"));
        if (!uuid || !known || !origin)
            return std::nullopt;
        if (const rapidjson::Value* folder = member(object, "folderName");
            folder && folder->IsString())
            stack.folderName = qstring(*folder);
        stack.id = *uuid;
        stack.name = qstring(*name);
        stack.state = *known;
        stack.windowOrigin = *origin;
        stack.items.reserve(qsizetype(items->Size()));
        for (const rapidjson::Value& item : items->GetArray()) {
            if (!item.IsObject())
                return std::nullopt;
            const rapidjson::Value* bookmark = member(item, "bookmark");
            const rapidjson::Value* itemId = member(item, "id");
            const rapidjson::Value* itemName = member(item, "name");
            if (!bookmark || !bookmark->IsString() || !itemId || !itemId->IsString() || !itemName ||
                !itemName->IsString())
                return std::nullopt;
            const std::optional<QUuid> itemUuid = StackListCodec::uuidFromText(
                QUtf8StringView(itemId->GetString(), itemId->GetStringLength()));
            std::optional<QByteArray> bytes = StackListCodec::bookmarkFromBase64(
                QByteArray::fromRawData(bookmark->GetString(), bookmark->GetStringLength()));
            const std::optional<QPointF> position = rapidPoint(member(item, "position"));
            QString text = qstring(*itemName);
            if (!itemUuid || !bytes || !position || !StackListCodec::isPlainName(text))
                return std::nullopt;
            stack.items.append(StackItem{*itemUuid, std::move(text), std::move(*bytes), *position});
        }
        stacks.append(std::move(stack));
    }
    return stacks;
}

template<typename Writer>
void rapidNumber(Writer& writer, double value)
{
    if (value == std::trunc(value) && value >= -0x1p63 && value < 0x1p63)
        writer.Int64(int64_t(value));
    else
        writer.Double(value);
}

template<typename Writer>
void rapidString(Writer& writer, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    writer.String(utf8.constData(), rapidjson::SizeType(utf8.size()));
}

QByteArray rapidWrite(const Stacks& stacks)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    const auto point = [&writer](QPointF p) {
        writer.StartArray();
        rapidNumber(writer, p.x());
        rapidNumber(writer, p.y());
        writer.EndArray();
    };
    writer.StartArray();
    for (const DesktopStack& stack : stacks) {
        writer.StartObject();
        if (stack.folderName) {
            writer.Key("folderName");
            rapidString(writer, *stack.folderName);
        }
        writer.Key("id");
        rapidString(writer, StackListCodec::uuidText(stack.id));
        writer.Key("items");
        writer.StartArray();
        for (const StackItem& item : stack.items) {
            writer.StartObject();
            writer.Key("bookmark");
            const QByteArray base64 = item.bookmark.toBase64();
            writer.String(base64.constData(), rapidjson::SizeType(base64.size()));
            writer.Key("id");
            rapidString(writer, StackListCodec::uuidText(item.id));
            writer.Key("name");
            rapidString(writer, item.name);
            writer.Key("position");
            point(item.position);
            writer.EndObject();
        }
        writer.EndArray();
        writer.Key("name");
        rapidString(writer, stack.name);
        writer.Key("state");
        rapidString(writer, rawValue(stack.state));
        writer.Key("windowOrigin");
        point(stack.windowOrigin);
        writer.EndObject();
    }
    writer.EndArray();
    return QByteArray(buffer.GetString(), qsizetype(buffer.GetSize()));
}
#endif

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    file.commit();
}

void print(const char* what, Timing timing, Timing bare)
{
    std::printf("%-30s %8.3f ms  %6.2fx bare\n", what, timing.median, timing.median / bare.median);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stacks.json"));
    const Stacks stacks = benchStacks();
    const QByteArray text = qtWrite(stacks);
    writeAll(path, text);
    std::printf("200 stacks x 50 items, %lld bytes, Qt %s, in %s; median of %d runs\n",
                static_cast<long long>(text.size()), qVersion(), qPrintable(QDir::tempPath()),
                runs);

    qsizetype count = 0;
    const auto check = [&count](const char* what) {
        if (count != 200)
            std::printf("  %s gave %lld stacks!\n", what, static_cast<long long>(count));
    };
    const Timing bareRead = timeRuns(runs, [&] { count = readAll(path).size(); });
    std::printf("%-30s %8.3f ms\n", "read bytes (bare)", bareRead.median);
    print("read, QJsonDocument",
          timeRuns(runs, [&] { count = qtRead(readAll(path)).value_or(Stacks()).size(); }),
          bareRead);
    check("QJsonDocument");
#ifdef TIDORA_HAVE_SIMDJSON
    simdjson::dom::parser parser;
    print("read, simdjson (DOM)",
          timeRuns(runs,
                   [&] {
                       // The file is read into a buffer with the padding simdjson wants past the
                       // end.
                       QByteArray bytes = readAll(path);
                       bytes.reserve(bytes.size() + simdjson::SIMDJSON_PADDING);
                       count = simdRead(parser, bytes).value_or(Stacks()).size();
                   }),
          bareRead);
    check("simdjson");
#endif
#ifdef TIDORA_HAVE_RAPIDJSON
    print("read, RapidJSON (DOM)",
          timeRuns(runs, [&] { count = rapidRead(readAll(path)).value_or(Stacks()).size(); }),
          bareRead);
    check("RapidJSON");
#endif

    print("read, StackListCodec (in use)",
          timeRuns(runs,
                   [&] {
                       count =
                           StackListCodec::decodeStackList(readAll(path)).value_or(Stacks()).size();
                   }),
          bareRead);
    check("StackListCodec");

    const QString copy = dir.filePath(QStringLiteral("copy.json"));
    const Timing bareWrite = timeRuns(runs, [&] { writeAll(copy, text); });
    std::printf("%-30s %8.3f ms\n", "write bytes (bare)", bareWrite.median);
    print("write, QJsonDocument", timeRuns(runs, [&] { writeAll(copy, qtWrite(stacks)); }),
          bareWrite);
#ifdef TIDORA_HAVE_RAPIDJSON
    print("write, RapidJSON", timeRuns(runs, [&] { writeAll(copy, rapidWrite(stacks)); }),
          bareWrite);
    if (rapidRead(rapidWrite(stacks)).value_or(Stacks()) != stacks)
        std::printf("  RapidJSON's text does not read back!\n");
#endif
    const auto codecWrite = [&stacks]() -> QByteArray {
        QByteArray text = "[";
        for (const DesktopStack& stack : stacks) {
            if (text.size() > 1)
                text += ',';
            text += StackListCodec::encodeStack(stack, nullptr).value_or(QByteArray());
        }
        return text + ']';
    };
    print("write, StackListCodec (in use)", timeRuns(runs, [&] { writeAll(copy, codecWrite()); }),
          bareWrite);
    if (codecWrite() != text)
        std::printf("  StackListCodec writes other bytes than Qt's writer!\n");
    if (qtRead(qtWrite(stacks)).value_or(Stacks()) != stacks)
        std::printf("  QJsonDocument's text does not read back!\n");
    return 0;
}
