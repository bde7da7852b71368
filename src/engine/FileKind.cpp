#include "engine/FileKind.h"

#include "engine/ContentType.h"
#include "engine/PathNames.h"
#include "platform/FileSystem.h"

namespace FileKinds {

namespace {

bool hasScreenshotPrefix(const QString& name)
{
    // File systems hand names back as they were written; some programs write them decomposed
    // (an "o" followed by a combining accent), and the prefixes are composed.
    const QString composed = name.normalized(QString::NormalizationForm_C);
    for (const QString& prefix : screenshotPrefixes()) {
        if (composed.startsWith(prefix))
            return true;
    }
    return false;
}

struct Labels
{
    QString singular;
    QString plural;
};

Labels labels(FileKind kind)
{
    switch (kind) {
    case FileKind::folders:
        return {QStringLiteral("Folder"), QStringLiteral("Folders")};
    case FileKind::screenshots:
        return {QStringLiteral("Screenshot"), QStringLiteral("Screenshots")};
    case FileKind::images:
        return {QStringLiteral("Image"), QStringLiteral("Images")};
    case FileKind::pdfs:
        return {QStringLiteral("PDF"), QStringLiteral("PDFs")};
    case FileKind::documents:
        return {QStringLiteral("Document"), QStringLiteral("Documents")};
    case FileKind::videos:
        return {QStringLiteral("Video"), QStringLiteral("Videos")};
    case FileKind::audio:
        return {QStringLiteral("Audio file"), QStringLiteral("Audio")};
    case FileKind::archives:
        return {QStringLiteral("Archive"), QStringLiteral("Archives")};
    case FileKind::installers:
        return {QStringLiteral("Installer"), QStringLiteral("Installers")};
    case FileKind::other:
        break;
    }
    return {QStringLiteral("File"), QStringLiteral("Files")};
}

} // namespace

QString singularLabel(FileKind kind)
{
    return labels(kind).singular;
}

QString pluralLabel(FileKind kind)
{
    return labels(kind).plural;
}

const QSet<QString>& installerExtensions()
{
    static const QSet<QString> extensions = {
        QStringLiteral("dmg"),
        QStringLiteral("pkg"),
        QStringLiteral("iso"),
    };
    return extensions;
}

const QSet<QString>& documentExtensions()
{
    static const QSet<QString> extensions = {
        QStringLiteral("doc"),  QStringLiteral("docx"),    QStringLiteral("pages"),
        QStringLiteral("rtf"),  QStringLiteral("odt"),     QStringLiteral("xls"),
        QStringLiteral("xlsx"), QStringLiteral("numbers"), QStringLiteral("csv"),
        QStringLiteral("ods"),  QStringLiteral("ppt"),     QStringLiteral("pptx"),
        QStringLiteral("key"),  QStringLiteral("odp"),     QStringLiteral("txt"),
        QStringLiteral("md"),
    };
    return extensions;
}

const QStringList& screenshotPrefixes()
{
    // Written with escapes so the composed forms are what the source holds.
    static const QStringList prefixes = {
        QStringLiteral("Screenshot"),
        QStringLiteral("Screen Shot"),
        QStringLiteral("Screen Recording"),
        QStringLiteral("Captura de pantalla"),
        QStringLiteral("Grabaci\u00f3n de pantalla"),
        QStringLiteral("Bildschirmfoto"),
        QStringLiteral("Bildschirmaufnahme"),
        QStringLiteral("Sn\u00edmek obrazovky"),
    };
    return prefixes;
}

QString pathExtension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == fileName.size() - 1)
        return QString();
    return fileName.sliced(dot + 1);
}

bool isPackage(const QString& path, const FileSystem& fs)
{
    return pathExtension(PathNames::fileName(path)) == QLatin1String("app") && fs.isDirectory(path);
}

bool isPlainFolder(const QString& path, const FileSystem& fs)
{
    return fs.isDirectory(path) && pathExtension(PathNames::fileName(path)) != QLatin1String("app");
}

FileKind classify(const QString& path, const FileSystem& fs)
{
    const QString name = PathNames::fileName(path);
    const QString extension = pathExtension(name).toLower();
    const std::optional<ContentType> type = ContentType::forExtension(extension);

    if (isPlainFolder(path, fs))
        return FileKind::folders;
    if (hasScreenshotPrefix(name))
        return FileKind::screenshots;
    if (installerExtensions().contains(extension))
        return FileKind::installers;
    if (type && type->isPdf())
        return FileKind::pdfs;
    if (type && type->isImage())
        return FileKind::images;
    if (type && type->isMovie())
        return FileKind::videos;
    if (type && type->isAudio())
        return FileKind::audio;
    if (type && type->isArchive())
        return FileKind::archives;
    if (documentExtensions().contains(extension))
        return FileKind::documents;
    if (type && (type->isText() || type->isSpreadsheet() || type->isPresentation()))
        return FileKind::documents;
    return FileKind::other;
}

QString classificationKey(const QString& path, bool isDirectory)
{
    const QString name = PathNames::fileName(path);
    return QLatin1String(isDirectory ? "d" : "f") +
           QLatin1String(hasScreenshotPrefix(name) ? "s" : "-") + pathExtension(name);
}

bool isApplication(const QString& path)
{
    const QString extension = pathExtension(PathNames::fileName(path));
    if (extension == QLatin1String("app"))
        return true;
    const std::optional<ContentType> type = ContentType::forExtension(extension.toLower());
    return type && type->isApplication();
}

} // namespace FileKinds
