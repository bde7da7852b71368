#include "platform/linux/keyfile/KeyFile.h"

#include <glib.h>

struct KeyFile::Data
{
    Data()
        : file(g_key_file_new())
    {}
    ~Data() { g_key_file_free(file); }
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;

    GKeyFile* file;
};

KeyFile::KeyFile()
    : m_data(std::make_shared<Data>())
{}

std::optional<KeyFile> KeyFile::parse(const QByteArray& text)
{
    KeyFile file;
    // Comments and translations stay, so that a file written back loses nothing of the user's.
    const auto flags = GKeyFileFlags(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);
    if (!g_key_file_load_from_data(file.m_data->file, text.constData(), gsize(text.size()), flags,
                                   nullptr))
        return std::nullopt;
    return file;
}

std::optional<QString> KeyFile::value(const char* group, const char* key) const
{
    gchar* found = g_key_file_get_string(m_data->file, group, key, nullptr);
    if (!found)
        return std::nullopt;
    const QString value = QString::fromUtf8(found);
    g_free(found);
    return value;
}

KeyFile& KeyFile::set(const char* group, const char* key, const QString& value)
{
    g_key_file_set_string(m_data->file, group, key, value.toUtf8().constData());
    return *this;
}

QByteArray KeyFile::text() const
{
    gsize length = 0;
    gchar* data = g_key_file_to_data(m_data->file, &length, nullptr);
    const QByteArray text(data, qsizetype(length));
    g_free(data);
    return text;
}
