// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileAttributes.h"

#include "NativeNames.h"
#include "RuntimeError.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace {

QString withoutTrailingSeparators(const QString &path)
{
    qsizetype end = path.size();
    while (end > 1 && path[end - 1] == u'/')
        --end;
    return path.left(end);
}

bool isKernelFileSystemType(const struct statfs &info)
{
    static constexpr std::array<unsigned long, 15> kKernelFileSystems = {PROC_SUPER_MAGIC, SYSFS_MAGIC, CGROUP_SUPER_MAGIC,
        CGROUP2_SUPER_MAGIC, DEBUGFS_MAGIC, TRACEFS_MAGIC, SECURITYFS_MAGIC, DEVPTS_SUPER_MAGIC, BPF_FS_MAGIC,
        PSTOREFS_MAGIC, EFIVARFS_MAGIC, BINFMTFS_MAGIC, 0x62656570 /* configfs */, 0x65735543 /* fusectl */,
        0x19800202 /* mqueue */};
    const auto type = static_cast<unsigned long>(info.f_type);
    return std::find(kKernelFileSystems.cbegin(), kKernelFileSystems.cend(), type) != kKernelFileSystems.cend();
}

} // namespace

// The kernel's own file systems hold no user's files; /proc alone holds a
// link to every process's working folder, so a scan of the root would list
// every tree of the machine again and again.
bool IsOnKernelFileSystem(const QByteArray &nativePath)
{
    struct statfs info { };
    return ::statfs(nativePath.constData(), &info) == 0 && isKernelFileSystemType(info);
}

bool IsOnKernelFileSystem(int folderDescriptor)
{
    struct statfs info { };
    return ::fstatfs(folderDescriptor, &info) == 0 && isKernelFileSystemType(info);
}

bool IsSystemFolderName(QStringView name)
{
    if (name == u"lost+found" || name == u".Trash")
        return true;
    const QStringView trashPrefix = u".Trash-";
    if (!name.startsWith(trashPrefix) || name.size() == trashPrefix.size())
        return false;
    for (qsizetype i = trashPrefix.size(); i < name.size(); ++i) {
        if (name[i] < u'0' || name[i] > u'9')
            return false;
    }
    return true;
}

bool IsRootFolder(const QString &path)
{
    return !path.isEmpty() && path.count(u'/') == path.size();
}

namespace {

struct PathLook {
    int error = 0;
    int word = 0;
};

PathLook lookAt(const QString &path)
{
    const QString entry = withoutTrailingSeparators(path);
    const QByteArray native = NativePath(entry);
    struct stat status { };
    if (entry.isEmpty())
        return {ENOENT, 0};
    if (::lstat(native.constData(), &status) != 0)
        return {errno, 0};

    EntryLook look;
    look.mode = status.st_mode;
    look.leadsToFolder = S_ISDIR(status.st_mode);
    if (S_ISLNK(status.st_mode)) {
        struct stat target { };
        look.leadsToFolder = ::stat(native.constData(), &target) == 0 && S_ISDIR(target.st_mode);
    }
    look.onKernelFileSystem = look.leadsToFolder && IsOnKernelFileSystem(native);
    return {0, AttributeWordOf(QStringView(entry).sliced(entry.lastIndexOf(u'/') + 1), look)};
}

} // namespace

int AttributeWordOf(QStringView name, const EntryLook &look)
{
    int word = look.leadsToFolder ? AttributeDirectory : AttributeArchive;
    const mode_t mode = look.mode;
    if (S_ISLNK(mode))
        word |= AttributeReparsePoint;
    if (!(mode & S_IWUSR))
        word |= AttributeReadOnly;
    if (name.startsWith(u'.'))
        word |= AttributeHidden;
    if (S_ISCHR(mode) || S_ISBLK(mode) || S_ISFIFO(mode) || S_ISSOCK(mode))
        word |= AttributeSystem;
    if (look.leadsToFolder && IsSystemFolderName(name))
        word |= AttributeHidden | AttributeSystem;
    // Passed over by a scan as a hidden system folder is, whatever its mode.
    if (look.onKernelFileSystem)
        word = (word & AttributeReparsePoint) | AttributeDirectory | AttributeHidden | AttributeSystem;
    return word;
}

int AttributeWord(const QString &path)
{
    const PathLook look = lookAt(path);
    if (look.error != 0)
        throw EntryError(look.error, path);
    return look.word;
}

std::optional<int> FolderAttributeWord(const QString &path)
{
    const PathLook look = lookAt(path);
    if (look.error != 0 || !(look.word & AttributeDirectory))
        return std::nullopt;
    return look.word;
}
