#pragma once

#include "platform/Status.h"
#include "platform/linux/MetadataTree.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

#include <optional>

// File metadata as GIO keeps it (the "metadata::" attributes that Caja and Nemo store icon
// positions in): read in-process through GIO, written through the metadata service's D-Bus
// interface, which also takes values for a path that does not exist yet. That interface
// (org.gtk.vfs.Metadata) is gvfs's internal one: a refusal is reported, never hidden.
//
// Reading is safe on any thread; so is writing (Qt D-Bus blocking calls).
class GvfsMetadata
{
public:
    struct Entry
    {
        // The name in the folder.
        QString name;
        // The name as file managers show it.
        QString displayName;
        // The key's value; nothing when the entry has none.
        std::optional<QString> value;
    };
    using Values = QList<QPair<QString, QString>>;

    GvfsMetadata(const QString& home, const QString& dataHome);

    // One key (without "metadata::") of every entry of a folder, hidden ones included. Entries
    // whose names are not valid file-name text are left out.
    std::optional<QList<Entry>> read(const QString& folder, const QString& key,
                                     QString* failure) const;
    // Sets the keys of a path (existing or not) in one call of the metadata service.
    Status set(const QString& path, const Values& values) const;

    MetadataLocation locate(const QString& path) const { return m_tree.locate(path); }

    static const QString service;
    static const QString objectPath;
    static const QString interface;

private:
    MetadataTree m_tree;
};

// Reports changes of metadata below one folder, as the metadata service announces them
// (signal AttributeChanged), so nobody needs to poll for a user's drag.
class MetadataWatcher : public QObject
{
    Q_OBJECT

public:
    MetadataWatcher(const GvfsMetadata& metadata, const QString& folder, QObject* parent = nullptr);

    // False when the session bus refused the subscription.
    bool isWatching() const { return m_watching; }

Q_SIGNALS:
    // Metadata of the entry with this name in the folder changed.
    void changed(const QString& name);

private Q_SLOTS:
    void onAttributeChanged(const QString& treeFile, const QString& treePath);

private:
    MetadataLocation m_folder;
    bool m_watching = false;
};
