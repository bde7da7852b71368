#include "engine/ContentType.h"

#include <QMimeDatabase>

namespace {

// Archive and compression formats. Types the database derives from them (compressed tars, Java
// archives, comic-book archives, …) are archives too.
const QStringList archiveTypes = {
    QStringLiteral("application/zip"),
    QStringLiteral("application/x-tar"),
    QStringLiteral("application/gzip"),
    QStringLiteral("application/x-bzip"),
    QStringLiteral("application/x-bzip2"),
    QStringLiteral("application/x-xz"),
    QStringLiteral("application/x-7z-compressed"),
    QStringLiteral("application/vnd.rar"),
    QStringLiteral("application/zstd"),
    QStringLiteral("application/x-lzma"),
    QStringLiteral("application/x-lzip"),
    QStringLiteral("application/x-lz4"),
    QStringLiteral("application/x-lzop"),
    QStringLiteral("application/x-compress"),
    QStringLiteral("application/x-cpio"),
    QStringLiteral("application/x-xar"),
    QStringLiteral("application/vnd.ms-cab-compressed"),
    QStringLiteral("application/x-stuffit"),
    QStringLiteral("application/x-lha"),
    QStringLiteral("application/x-arj"),
    QStringLiteral("application/x-ace"),
};

// Documents whose files are ZIP containers: the database lets them inherit application/zip, but
// nobody calls a letter or an e-book an archive.
const QStringList documentContainerPrefixes = {
    QStringLiteral("application/vnd.oasis.opendocument."),
    QStringLiteral("application/vnd.openxmlformats-officedocument."),
    QStringLiteral("application/vnd.ms-word."),
    QStringLiteral("application/vnd.ms-excel"),
    QStringLiteral("application/vnd.ms-powerpoint"),
    QStringLiteral("application/vnd.ms-visio."),
    QStringLiteral("application/vnd.ms-xpsdocument"),
    QStringLiteral("application/oxps"),
    QStringLiteral("application/vnd.apple.pages"),
    QStringLiteral("application/vnd.apple.keynote"),
    QStringLiteral("application/vnd.apple.numbers"),
    QStringLiteral("application/vnd.sun.xml."),
    QStringLiteral("application/epub+zip"),
};

// Text and the office families, matched as prefixes so templates and macro-enabled variants
// count.
const QStringList textPrefixes = {
    QStringLiteral("text/"),
    QStringLiteral("application/rtf"),
    QStringLiteral("application/vnd.oasis.opendocument.text"),
    QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml."),
    QStringLiteral("application/msword"),
    QStringLiteral("application/vnd.ms-word."),
    QStringLiteral("application/vnd.ms-works"),
    QStringLiteral("application/vnd.apple.pages"),
    QStringLiteral("application/vnd.sun.xml.writer"),
    QStringLiteral("application/vnd.stardivision.writer"),
    QStringLiteral("application/vnd.wordperfect"),
    QStringLiteral("application/vnd.lotus-wordpro"),
    QStringLiteral("application/x-abiword"),
    QStringLiteral("application/x-applix-word"),
};

const QStringList spreadsheetPrefixes = {
    QStringLiteral("application/vnd.oasis.opendocument.spreadsheet"),
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml."),
    QStringLiteral("application/vnd.ms-excel"),
    QStringLiteral("application/vnd.apple.numbers"),
    QStringLiteral("application/vnd.sun.xml.calc"),
    QStringLiteral("application/vnd.stardivision.calc"),
    QStringLiteral("application/vnd.lotus-1-2-3"),
    QStringLiteral("application/x-gnumeric"),
    QStringLiteral("application/x-applix-spreadsheet"),
};

const QStringList presentationPrefixes = {
    QStringLiteral("application/vnd.oasis.opendocument.presentation"),
    QStringLiteral("application/vnd.openxmlformats-officedocument.presentationml."),
    QStringLiteral("application/vnd.ms-powerpoint"),
    QStringLiteral("application/vnd.apple.keynote"),
    QStringLiteral("application/vnd.sun.xml.impress"),
    QStringLiteral("application/vnd.stardivision.impress"),
};

// Launchers and application images: what a user starts rather than opens. Plain executables are
// left out on purpose: the database lets shell scripts, Python and even JSON inherit
// application/x-executable, and those are documents to the user.
const QStringList applicationTypes = {
    QStringLiteral("application/x-desktop"),
    QStringLiteral("application/vnd.appimage"),
    QStringLiteral("application/x-iso9660-appimage"),
};

} // namespace

std::optional<ContentType> ContentType::forExtension(const QString& extension)
{
    if (extension.isEmpty())
        return std::nullopt;
    // A made-up name with nothing but the extension: whole-name patterns such as "README*" or
    // "Makefile" must not decide, and the file itself is never opened.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QStringLiteral("file.") + extension,
                                                           QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault())
        return std::nullopt;
    return ContentType(type);
}

ContentType::ContentType(const QMimeType& type)
    : m_type(type)
    , m_lineage(m_type.allAncestors())
{
    m_lineage.prepend(m_type.name());
}

bool ContentType::isOrInherits(const QStringList& names) const
{
    for (const QString& name : names) {
        if (m_type.inherits(name))
            return true;
    }
    return false;
}

bool ContentType::isOrInheritsPrefix(const QStringList& prefixes) const
{
    for (const QString& name : m_lineage) {
        for (const QString& prefix : prefixes) {
            if (name.startsWith(prefix))
                return true;
        }
    }
    return false;
}

bool ContentType::isPdf() const
{
    return m_type.inherits(QStringLiteral("application/pdf"));
}

bool ContentType::isImage() const
{
    return isOrInheritsPrefix({QStringLiteral("image/")});
}

bool ContentType::isMovie() const
{
    return isOrInheritsPrefix({QStringLiteral("video/")});
}

bool ContentType::isAudio() const
{
    return isOrInheritsPrefix({QStringLiteral("audio/")});
}

bool ContentType::isArchive() const
{
    return isOrInherits(archiveTypes) && !isOrInheritsPrefix(documentContainerPrefixes);
}

bool ContentType::isText() const
{
    // Launchers are text files to the database, but they stand for programs.
    return isOrInheritsPrefix(textPrefixes) && !isApplication();
}

bool ContentType::isSpreadsheet() const
{
    return isOrInheritsPrefix(spreadsheetPrefixes);
}

bool ContentType::isPresentation() const
{
    return isOrInheritsPrefix(presentationPrefixes);
}

bool ContentType::isApplication() const
{
    return isOrInherits(applicationTypes);
}
