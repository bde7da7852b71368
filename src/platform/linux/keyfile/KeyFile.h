#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

// A key file (a desktop entry, an action file) through GLib's GKeyFile, the reader every
// desktop and file manager uses: values are escaped and unescaped exactly as they read them
// (backslashes, line breaks, leading blanks), comments and unknown keys are kept.
class KeyFile
{
public:
    KeyFile();
    // The file's text parsed; nothing when it is not a key file.
    static std::optional<KeyFile> parse(const QByteArray& text);

    // A string value, unescaped; nothing when the group or key is missing.
    std::optional<QString> value(const char* group, const char* key) const;
    KeyFile& set(const char* group, const char* key, const QString& value);
    QByteArray text() const;

private:
    // GLib's key file, kept out of this header.
    struct Data;
    std::shared_ptr<Data> m_data;
};
