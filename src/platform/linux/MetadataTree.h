#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Where the metadata service (gvfsd-metadata) keeps the metadata of a path: one tree file per
// file system, and the path inside that tree. Worked out the way GIO's own client does, so a
// value set here is the one a desktop program reads for the same file, also for a file that
// does not exist yet.
struct MetadataLocation
{
    // The tree file, e.g. ~/.local/share/gvfs-metadata/home.
    QByteArray treeFile;
    // The path inside the tree, e.g. /Desktop/a.txt.
    QByteArray treePath;

    friend bool operator==(const MetadataLocation&, const MetadataLocation&) = default;
};

class MetadataTree
{
public:
    // The name of the tree the service keeps for a block device ("uuid-…"), or empty.
    using DeviceTree = std::function<QString(quint32 major, quint32 minor)>;

    MetadataTree(const QString& home, const QString& dataHome, DeviceTree deviceTree);

    // The location of a path's metadata. The path's parent folder must exist.
    MetadataLocation locate(const QString& path) const;

private:
    QByteArray m_home;
    QByteArray m_dataHome;
    DeviceTree m_deviceTree;
};
