// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderListing.h"

#include "NativeNames.h"
#include "RuntimeError.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

int listingError(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
        return RuntimeError::PathNotFound;
    case EACCES:
    case EPERM:
        return RuntimeError::PermissionDenied;
    default:
        return RuntimeError::PathFileAccessError;
    }
}

bool isDotOrDotDot(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Closes the folder when the listing ends, however it ends.
class OpenFolder final {
public:
    explicit OpenFolder(const QByteArray &path)
        : m_dir(::opendir(path.constData()))
    {
    }
    ~OpenFolder()
    {
        if (m_dir)
            ::closedir(m_dir);
    }
    Q_DISABLE_COPY_MOVE(OpenFolder)

    DIR *get() const { return m_dir; }

private:
    DIR *m_dir;
};

} // namespace

QString ListingKey(const QString &name)
{
    return name.toCaseFolded();
}

bool ListingOrderLess(const QString &a, const QString &b)
{
    const int folded = QString::compare(ListingKey(a), ListingKey(b), Qt::CaseSensitive);
    if (folded != 0)
        return folded < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

std::optional<FolderId> IdentityOf(const QString &path)
{
    struct stat status { };
    if (path.isEmpty() || ::stat(NativePath(path).constData(), &status) != 0)
        return std::nullopt;
    return FolderId{quint64(status.st_dev), quint64(status.st_ino)};
}

FolderContents ReadFolder(const QString &folder, const FolderReading &reading)
{
    FolderContents contents;
    const OpenFolder dir(NativePath(folder));
    if (!dir.get()) {
        contents.error = listingError(errno);
        return contents;
    }
    const int fd = ::dirfd(dir.get());
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                contents.error = listingError(errno);
            break;
        }
        if (isDotOrDotDot(entry->d_name))
            continue;
        FolderEntry item;
        item.name = NameFromNative(entry->d_name);
        item.key = ListingKey(item.name);
        if (reading.keep && !reading.keep(item.key))
            continue;
        // Anything that is neither a plain file nor a folder may lead to one
        // of them, or to neither, and is looked up, relative to the open
        // folder; a folder only when its identity is asked for.
        const bool lookUp = entry->d_type == DT_DIR ? reading.folderIdentities : entry->d_type != DT_REG;
        if (!lookUp) {
            item.folder = entry->d_type == DT_DIR;
            item.regular = entry->d_type == DT_REG;
        } else {
            struct stat status { };
            if (::fstatat(fd, entry->d_name, &status, 0) == 0) {
                item.folder = S_ISDIR(status.st_mode);
                item.regular = S_ISREG(status.st_mode);
                if (item.folder)
                    item.id = FolderId{quint64(status.st_dev), quint64(status.st_ino)};
            }
        }
        contents.entries << item;
    }
    std::sort(contents.entries.begin(), contents.entries.end(), [](const FolderEntry &a, const FolderEntry &b) {
        const int folded = QString::compare(a.key, b.key, Qt::CaseSensitive);
        return folded != 0 ? folded < 0 : QString::compare(a.name, b.name, Qt::CaseSensitive) < 0;
    });
    return contents;
}
