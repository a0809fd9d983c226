// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConverterStaging.h"

#include "PathHelpers.h"
#include "RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QFileDevice::Permissions kOwnerOnly
    = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// True when the entry described by info is a regular file holding exactly
// these bytes.
bool holdsBytes(const QString &path, const struct stat &info, const QByteArray &bytes)
{
    if (!S_ISREG(info.st_mode) || info.st_size != bytes.size())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
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

void CheckStagingFolder(const QString &folder)
{
    if (folder.isEmpty())
        throw RuntimeError(RuntimeError::PathNotFound, QStringLiteral("No temporary folder can be found"));
    struct stat info { };
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw RuntimeError(RuntimeError::PathNotFound,
            QStringLiteral("The temporary folder %1 does not exist").arg(QDir::toNativeSeparators(folder)));
    const bool ownedByUs = info.st_uid == ::geteuid() || info.st_uid == 0;
    const bool othersMayWrite = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    const bool sticky = (info.st_mode & S_ISVTX) != 0;
    // In such a folder another user could swap the converter for a program of
    // their own between two files, and it would run as this user.
    if (!ownedByUs || (othersMayWrite && !sticky))
        throw RuntimeError(RuntimeError::PermissionDenied,
            QStringLiteral("The temporary folder %1 can be changed by other users, so the converter is not placed "
                           "there. Set TEMP to a folder of your own.")
                .arg(QDir::toNativeSeparators(folder)));
}

bool IsTrustedConverter(const QString &path, const QByteArray &converterBytes)
{
    struct stat info { };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    if (info.st_uid != ::geteuid() || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0 || (info.st_mode & S_IXUSR) == 0)
        return false;
    return holdsBytes(path, info, converterBytes);
}

void StageConverter(const QByteArray &converterBytes, const QString &path)
{
    if (converterBytes.isEmpty())
        throw RuntimeError(RuntimeError::FileNotFound, QStringLiteral("The converter is missing from the program"));
    if (IsTrustedConverter(path, converterBytes))
        return;
    // Only a copy of the converter itself, with an owner or mode that cannot
    // be trusted, is replaced: it holds nothing of anyone's. Any other file
    // of that name (a program of the user's, a link) is never run, written
    // through or removed.
    struct stat info { };
    if (::lstat(QFile::encodeName(path).constData(), &info) == 0 && !holdsBytes(path, info, converterBytes))
        throw RuntimeError(RuntimeError::FileAlreadyExists,
            QStringLiteral("%1 is not this program's converter, so it is left alone. Move it away, or set TEMP to "
                           "another folder.")
                .arg(QDir::toNativeSeparators(path)));

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
