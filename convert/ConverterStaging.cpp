// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConverterStaging.h"

#include "PathHelpers.h"
#include "RegularFile.h"
#include "RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr QFileDevice::Permissions kOwnerOnly
    = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// True when fd reads exactly these bytes from its start.
bool readsBytes(int fd, const QByteArray &bytes)
{
    // A buffer of a size the compiler knows, so that a fortified build checks
    // each read against it; no more is read than could still match, and one
    // byte more to tell a longer file.
    char buffer[16 * 1024];
    qsizetype compared = 0;
    for (;;) {
        const auto wanted = size_t(qMin<qsizetype>(qsizetype(sizeof buffer), bytes.size() - compared + 1));
        const ssize_t n = ::read(fd, buffer, wanted);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return compared == bytes.size();
        if (compared + n > bytes.size() || std::memcmp(buffer, bytes.constData() + compared, size_t(n)) != 0)
            return false;
        compared += n;
    }
}

// What stands at the converter's path.
enum class Staged {
    Nothing,
    TrustedCopy, // the converter's bytes, this user's, written by nobody else
    UntrustedCopy, // the converter's bytes with an owner or mode that cannot be trusted
    Other, // any other file, a link or a folder
};

// Looks at the entry at path without following it if it is a link. Nothing
// but a regular file is opened: a FIFO put in its place would block, and a
// device could act on being opened. A trusted copy is handed back open.
Staged whatStandsAt(const QString &path, const QByteArray &bytes, FileDescriptor *trustedFile = nullptr)
{
    OpenedRegularFile opened = OpenRegularFile(QFile::encodeName(path), Links::DoNotFollow);
    if (opened.kind == EntryKind::Missing)
        return Staged::Nothing;
    const struct stat &info = opened.info;
    if (!opened.file.isOpen() || info.st_size != bytes.size() || !readsBytes(opened.file.get(), bytes))
        return Staged::Other;
    const bool trusted
        = info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0 && (info.st_mode & S_IXUSR) != 0;
    if (!trusted)
        return Staged::UntrustedCopy;
    if (trustedFile)
        *trustedFile = std::move(opened.file);
    return Staged::TrustedCopy;
}

// Why another user could change what is in the folder described by info,
// or the empty text when nobody but this user (and root) can.
QString whyOthersCanChange(const struct stat &info)
{
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("it is not a folder");
    if (info.st_uid != ::geteuid() && info.st_uid != 0)
        return QStringLiteral("it belongs to another user");
    // Without the sticky bit, whoever may write to a folder may also rename
    // or replace the entries of others in it.
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (info.st_mode & S_ISVTX) == 0)
        return QStringLiteral("others may write to it");
    return {};
}

// A place on the way to a folder that another user could change.
struct Hazard {
    QByteArray where;
    QString why;
    bool isLink = false;
    bool isTheFolder = false; // the folder the way leads to
};

QList<QByteArray> namesOf(const QByteArray &path)
{
    QList<QByteArray> names = path.split('/');
    names.removeAll(QByteArray());
    names.removeAll(QByteArrayLiteral("."));
    return names;
}

QByteArray linkTarget(const QByteArray &link)
{
    char target[PATH_MAX];
    const ssize_t length = ::readlink(link.constData(), target, sizeof target);
    return length < 0 ? QByteArray() : QByteArray(target, length);
}

// Follows the absolute path as the kernel does, a name at a time and every
// link on the way, and returns the first folder it passes through or link it follows
// that another user could change or replace. Whoever controls any of them
// decides where the path leads.
std::optional<Hazard> firstChangeableOnTheWay(const QByteArray &path)
{
    constexpr int kMostLinks = 40; // as the kernel allows
    QList<QByteArray> names = namesOf(path);
    QByteArray folder = QByteArrayLiteral("/");
    struct stat root { };
    if (::stat(folder.constData(), &root) != 0)
        return Hazard{folder, QString::fromLocal8Bit(std::strerror(errno)), false, names.isEmpty()};
    if (const QString why = whyOthersCanChange(root); !why.isEmpty())
        return Hazard{folder, why, false, names.isEmpty()};
    int links = 0;
    while (!names.isEmpty()) {
        const QByteArray name = names.takeFirst();
        if (name == "..") {
            folder = folder.left(qMax<qsizetype>(folder.lastIndexOf('/'), 1));
            continue;
        }
        const QByteArray next = folder == "/" ? folder + name : folder + '/' + name;
        struct stat info { };
        if (::lstat(next.constData(), &info) != 0)
            return Hazard{next, QString::fromLocal8Bit(std::strerror(errno))};
        if (S_ISLNK(info.st_mode)) {
            // Whoever owns a link may put another in its place, also in a
            // folder where the sticky bit keeps out everyone else.
            if (info.st_uid != ::geteuid() && info.st_uid != 0)
                return Hazard{next, QStringLiteral("it belongs to another user"), true};
            const QByteArray target = linkTarget(next);
            if (++links > kMostLinks || target.isEmpty())
                return Hazard{next, QStringLiteral("it cannot be followed"), true};
            names = namesOf(target) + names;
            if (target.startsWith('/'))
                folder = QByteArrayLiteral("/");
            continue;
        }
        // Not a link: what lstat saw is the folder itself.
        if (const QString why = whyOthersCanChange(info); !why.isEmpty())
            return Hazard{next, why, false, names.isEmpty()};
        folder = next;
    }
    return std::nullopt;
}

} // namespace

QString TemporaryFolder()
{
    // Not the shared /tmp: another user's file of the same name there would
    // block every run, and the folder must be the user's own as TEMP is.
    const QString temp = qEnvironmentVariable("TEMP");
    return temp.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : temp;
}

QString ConverterPath()
{
    return TemporaryFolder() + QStringLiteral("/ffmpeg.exe");
}

QByteArray LoadConverterResource(const QString &resourcePath)
{
    QFile resource(resourcePath);
    if (!resource.open(QIODevice::ReadOnly))
        throw RuntimeError(RuntimeError::FileNotFound,
            QStringLiteral("The converter is missing from the program (%1)").arg(resourcePath));
    return resource.readAll();
}

namespace {

const QString kOwnFolderAdvice = QStringLiteral(" Set TEMP to a folder of your own.");

QString userName()
{
    const struct passwd *user = ::getpwuid(::geteuid());
    return user ? QString::fromLocal8Bit(user->pw_name) : QString::number(::geteuid());
}

// Why there is no private runtime folder: Qt gives none back when the one
// it would use, in the temporary folder and named after the user, is not
// this user's own folder, and says why only in a warning.
QString whyThereIsNoRuntimeFolder()
{
    const QString folder = QDir::tempPath() + QStringLiteral("/runtime-") + userName();
    const QString shown = QDir::toNativeSeparators(folder);
    struct stat info { };
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0)
        return QStringLiteral("No temporary folder can be found: %1 cannot be made").arg(shown);
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("The temporary folder %1 is %2, not a folder")
            .arg(shown, S_ISREG(info.st_mode) ? QStringLiteral("a file") : EntryKindText(KindOfEntry(info.st_mode)));
    if (info.st_uid != ::geteuid())
        return QStringLiteral("The temporary folder %1 belongs to another user").arg(shown);
    return QStringLiteral("No temporary folder can be found");
}

// Why folder, which stat() found to be no folder or did not find, cannot
// be the temporary folder.
QString whyItIsNoFolder(const QString &folder, const struct stat *info)
{
    const QString shown = QDir::toNativeSeparators(folder);
    if (!info)
        return QStringLiteral("The temporary folder %1 does not exist").arg(shown);
    const QString kind = S_ISREG(info->st_mode) ? QStringLiteral("a file") : EntryKindText(KindOfEntry(info->st_mode));
    if (folder == qEnvironmentVariable("TEMP"))
        return QStringLiteral("TEMP names %1, which is %2, not a folder").arg(shown, kind);
    return QStringLiteral("The temporary folder %1 is %2, not a folder").arg(shown, kind);
}

} // namespace

void CheckStagingFolder(const QString &folder)
{
    if (folder.isEmpty())
        throw RuntimeError(RuntimeError::PathNotFound, whyThereIsNoRuntimeFolder() + u'.' + kOwnFolderAdvice);
    const QByteArray native
        = QFile::encodeName(QDir::isAbsolutePath(folder) ? folder : QDir::currentPath() + u'/' + folder);
    struct stat info { };
    const bool found = ::stat(native.constData(), &info) == 0;
    if (!found || !S_ISDIR(info.st_mode))
        throw RuntimeError(
            RuntimeError::PathNotFound, whyItIsNoFolder(folder, found ? &info : nullptr) + u'.' + kOwnFolderAdvice);
    // Another user who can change any folder on the way, or any link, could
    // put a folder of their own, with a program of their own as the
    // converter, in place of this one between two files, and it would run as
    // this user.
    const std::optional<Hazard> hazard = firstChangeableOnTheWay(native);
    if (!hazard)
        return;
    const QString shown = QDir::toNativeSeparators(folder);
    const QString where = QDir::toNativeSeparators(QFile::decodeName(hazard->where));
    const QString refusal = hazard->isTheFolder
        ? QStringLiteral("The temporary folder %1 can be changed by other users (%2)").arg(shown, hazard->why)
        : hazard->isLink
        ? QStringLiteral("The temporary folder %1 is reached through the link %2, which cannot be trusted (%3)")
              .arg(shown, where, hazard->why)
        : QStringLiteral("The temporary folder %1 lies in %2, which can be changed by other users (%3)")
              .arg(shown, where, hazard->why);
    throw RuntimeError(RuntimeError::PermissionDenied,
        refusal + QStringLiteral(", so the converter is not placed there. Set TEMP to a folder of your own."));
}

bool IsTrustedConverter(const QString &path, const QByteArray &converterBytes)
{
    return whatStandsAt(path, converterBytes) == Staged::TrustedCopy;
}

FileDescriptor OpenTrustedConverter(const QString &path, const QByteArray &converterBytes)
{
    FileDescriptor file;
    whatStandsAt(path, converterBytes, &file);
    return file;
}

void StageConverter(const QByteArray &converterBytes, const QString &path)
{
    if (converterBytes.isEmpty())
        throw RuntimeError(RuntimeError::FileNotFound, QStringLiteral("The converter is missing from the program"));
    // Only a copy of the converter itself, with an owner or mode that cannot
    // be trusted, is replaced: it holds nothing of anyone's. Any other file
    // of that name (a program of the user's, a link) is never run, written
    // through or removed.
    switch (whatStandsAt(path, converterBytes)) {
    case Staged::TrustedCopy:
        return;
    case Staged::Other:
        throw RuntimeError(RuntimeError::FileAlreadyExists,
            QStringLiteral("%1 is not this program's converter, so it is left alone. Move it away, or set TEMP to "
                           "another folder.")
                .arg(QDir::toNativeSeparators(path)));
    case Staged::Nothing:
    case Staged::UntrustedCopy:
        break;
    }

    // A fresh file of our own beside the target, renamed over it at the end,
    // so the copy that stood there is never written through.
    QTemporaryFile fresh(path + QStringLiteral(".XXXXXX"));
    fresh.setAutoRemove(true);
    if (!fresh.open())
        throw RuntimeError(RuntimeError::PathFileAccessError,
            QStringLiteral("The converter cannot be written to %1: %2")
                .arg(QDir::toNativeSeparators(FolderOfPath(path)), fresh.errorString()));
    fresh.close();
    WriteBytesToFile(converterBytes, fresh.fileName());
    if (!fresh.setPermissions(kOwnerOnly))
        throw RuntimeError(RuntimeError::PermissionDenied,
            QStringLiteral("The converter cannot be made executable: %1").arg(fresh.fileName()));
    if (std::rename(QFile::encodeName(fresh.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        throw RuntimeError(RuntimeError::PermissionDenied,
            QStringLiteral("The converter cannot be placed at %1: %2")
                .arg(path, QString::fromLocal8Bit(strerror(errno))));
    fresh.setAutoRemove(false);
}
