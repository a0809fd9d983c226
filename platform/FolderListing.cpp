// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderListing.h"

#include "FileAttributes.h"
#include "NativeNames.h"
#include "RuntimeError.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

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

// What the entries of one open folder have in common, looked up once and
// only when an entry needs it.
class FolderFacts final {
public:
    FolderFacts(const QByteArray &nativePath, int descriptor)
        : m_nativePath(nativePath)
        , m_descriptor(descriptor)
    {
    }
    Q_DISABLE_COPY_MOVE(FolderFacts)

    // Whether names may be looked up in the folder, as opening one of its
    // files by its path does.
    bool searchable()
    {
        if (!m_searchable)
            m_searchable = ::faccessat(m_descriptor, ".", X_OK, AT_EACCESS) == 0;
        return *m_searchable;
    }

    // Whether the subfolder with this status, reached through name, lies on
    // one of the kernel's own file systems. A subfolder on the folder's own
    // device shares its file system; only a mount needs a look of its own.
    bool onKernelFileSystem(const char *name, const struct stat &status)
    {
        if (!m_device) {
            struct stat own { };
            m_device = ::fstat(m_descriptor, &own) == 0 ? own.st_dev : ~dev_t(0);
            m_onKernelFileSystem = IsOnKernelFileSystem(m_descriptor);
        }
        if (status.st_dev == *m_device)
            return m_onKernelFileSystem;
        return IsOnKernelFileSystem(m_nativePath + '/' + name);
    }

private:
    const QByteArray &m_nativePath;
    int m_descriptor;
    std::optional<bool> m_searchable;
    std::optional<dev_t> m_device;
    bool m_onKernelFileSystem = false;
};

// Fills in the identity and attribute word of a folder entry from its
// status (links followed) and, for a link, the link's own mode.
void lookAtFolder(FolderEntry &item, const char *name, const struct stat &status, mode_t ownMode, FolderFacts &facts)
{
    item.id = FolderId{quint64(status.st_dev), quint64(status.st_ino)};
    EntryLook look;
    look.mode = ownMode;
    look.leadsToFolder = true;
    look.onKernelFileSystem = facts.onKernelFileSystem(name, status);
    item.word = AttributeWordOf(item.name, look);
}

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
    const QByteArray nativePath = NativePath(folder);
    const OpenFolder dir(nativePath);
    if (!dir.get()) {
        contents.error = listingError(errno);
        return contents;
    }
    const int fd = ::dirfd(dir.get());
    FolderFacts facts(nativePath, fd);
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
        bool exact = true;
        bool regular = false; // a regular file, or a link that leads to one
        item.name = NameFromNative(entry->d_name, exact);
        item.key = ListingKey(item.name);
        if (reading.keep && !reading.keep(item.key))
            continue;
        // The listing says what a plain file or a folder is; anything else
        // may lead to one of them, or to neither, and is looked up, relative
        // to the open folder, as is a folder whose identity is asked for.
        struct stat status { };
        if (entry->d_type == DT_REG) {
            regular = true;
        } else if (entry->d_type == DT_DIR) {
            item.folder = true;
            if (reading.folderLooks) {
                item.folder = ::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0;
                if (item.folder)
                    lookAtFolder(item, entry->d_name, status, status.st_mode, facts);
            }
        } else if (::fstatat(fd, entry->d_name, &status, 0) == 0) {
            item.folder = S_ISDIR(status.st_mode);
            regular = S_ISREG(status.st_mode);
            if (item.folder && reading.folderLooks) {
                // The attribute word marks a link by the entry's own mode.
                struct stat own { };
                item.folder = ::fstatat(fd, entry->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0;
                if (item.folder)
                    lookAtFolder(item, entry->d_name, status, own.st_mode, facts);
            }
        }
        item.opens = regular && exact && facts.searchable();
        contents.entries.append(std::move(item));
    }
    std::sort(contents.entries.begin(), contents.entries.end(), [](const FolderEntry &a, const FolderEntry &b) {
        const int folded = QString::compare(a.key, b.key, Qt::CaseSensitive);
        return folded != 0 ? folded < 0 : QString::compare(a.name, b.name, Qt::CaseSensitive) < 0;
    });
    return contents;
}
