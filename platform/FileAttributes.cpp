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

// The kernel's own file systems (processes, devices, control files) hold no
// user's files; /proc alone holds a link to every process's working folder,
// so a scan of the root would list every tree of the machine again and again.
bool isKernelFileSystem(const QByteArray &nativePath)
{
    static constexpr std::array<unsigned long, 15> kKernelFileSystems = {PROC_SUPER_MAGIC, SYSFS_MAGIC, CGROUP_SUPER_MAGIC,
        CGROUP2_SUPER_MAGIC, DEBUGFS_MAGIC, TRACEFS_MAGIC, SECURITYFS_MAGIC, DEVPTS_SUPER_MAGIC, BPF_FS_MAGIC,
        PSTOREFS_MAGIC, EFIVARFS_MAGIC, BINFMTFS_MAGIC, 0x62656570 /* configfs */, 0x65735543 /* fusectl */,
        0x19800202 /* mqueue */};
    struct statfs info { };
    if (::statfs(nativePath.constData(), &info) != 0)
        return false;
    const auto type = static_cast<unsigned long>(info.f_type);
    return std::find(kKernelFileSystems.cbegin(), kKernelFileSystems.cend(), type) != kKernelFileSystems.cend();
}

} // namespace

bool IsSystemFolderName(const QString &name)
{
    if (name == u"lost+found" || name == u".Trash")
        return true;
    const QString trashPrefix = QStringLiteral(".Trash-");
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

struct EntryLook {
    int error = 0;
    int word = 0;
};

EntryLook lookAt(const QString &path)
{
    const QString entry = withoutTrailingSeparators(path);
    const QByteArray native = NativePath(entry);
    struct stat status { };
    if (entry.isEmpty())
        return {ENOENT, 0};
    if (::lstat(native.constData(), &status) != 0)
        return {errno, 0};

    const QString name = entry.mid(entry.lastIndexOf(u'/') + 1);
    int word = 0;
    bool folder = S_ISDIR(status.st_mode);
    if (S_ISLNK(status.st_mode)) {
        word |= AttributeReparsePoint;
        struct stat target { };
        folder = ::stat(native.constData(), &target) == 0 && S_ISDIR(target.st_mode);
    }
    if (folder)
        word |= AttributeDirectory;
    else
        word |= AttributeArchive;
    if (!(status.st_mode & S_IWUSR))
        word |= AttributeReadOnly;
    if (name.startsWith(u'.'))
        word |= AttributeHidden;
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode) || S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode))
        word |= AttributeSystem;
    if (folder && IsSystemFolderName(name))
        word |= AttributeHidden | AttributeSystem;
    // Passed over by a scan as a hidden system folder is, whatever its mode.
    if (folder && isKernelFileSystem(native))
        word = (word & AttributeReparsePoint) | AttributeDirectory | AttributeHidden | AttributeSystem;
    return {0, word};
}

} // namespace

int AttributeWord(const QString &path)
{
    const EntryLook look = lookAt(path);
    if (look.error != 0)
        throw EntryError(look.error, path);
    return look.word;
}

std::optional<int> FolderAttributeWord(const QString &path)
{
    const EntryLook look = lookAt(path);
    if (look.error != 0 || !(look.word & AttributeDirectory))
        return std::nullopt;
    return look.word;
}
