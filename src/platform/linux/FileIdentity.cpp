#include "platform/linux/FileIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

std::optional<FileIdentity> FileIdentity::of(const char* path, int folderFd)
{
    struct statx info;
    if (::statx(folderFd < 0 ? AT_FDCWD : folderFd, path, AT_SYMLINK_NOFOLLOW,
                STATX_TYPE | STATX_INO | STATX_BTIME, &info) != 0)
        return std::nullopt;
    FileIdentity identity;
    identity.device = makedev(info.stx_dev_major, info.stx_dev_minor);
    identity.inode = info.stx_ino;
    identity.hasBirthTime = (info.stx_mask & STATX_BTIME) != 0;
    if (identity.hasBirthTime) {
        identity.birthSeconds = info.stx_btime.tv_sec;
        identity.birthNanoseconds = info.stx_btime.tv_nsec;
    }
    identity.isDirectory = S_ISDIR(info.stx_mode);
    return identity;
}

bool FileIdentity::sameFileAs(const FileIdentity& other) const
{
    if (inode != other.inode)
        return false;
    if (hasBirthTime && other.hasBirthTime)
        return birthSeconds == other.birthSeconds && birthNanoseconds == other.birthNanoseconds;
    return device == other.device;
}
