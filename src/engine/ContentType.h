#pragma once

#include <QMimeType>
#include <QString>

#include <optional>

// The kind of content a file-name extension stands for, from the shared MIME database, with the
// conformance questions file kinds ask. Only the extension is looked at, never the file's bytes,
// so a type is the same for a file that is still being written, unreadable or gone.
class ContentType
{
public:
    // Nothing for an empty extension or one the database does not know.
    static std::optional<ContentType> forExtension(const QString& extension);

    QString name() const { return m_type.name(); }

    bool isPdf() const;
    bool isImage() const;
    bool isMovie() const;
    bool isAudio() const;
    // Archives and compressed files; office documents stored as ZIP containers are not.
    bool isArchive() const;
    // Plain and marked-up text, and word-processing documents.
    bool isText() const;
    bool isSpreadsheet() const;
    bool isPresentation() const;
    // Desktop launchers and self-contained application images.
    bool isApplication() const;

private:
    explicit ContentType(const QMimeType& type);

    bool isOrInherits(const QStringList& names) const;
    bool isOrInheritsPrefix(const QStringList& prefixes) const;

    QMimeType m_type;
    // The type's own name followed by the names of all it inherits from.
    QStringList m_lineage;
};
