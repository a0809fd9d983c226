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
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
        return false;
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0 || (info.st_mode & S_IXUSR) == 0)
        return false;
    if (info.st_size != converterBytes.size())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll() == converterBytes;
}

void StageConverter(const QByteArray &converterBytes, const QString &path)
{
    if (converterBytes.isEmpty())
        throw RuntimeError(RuntimeError::FileNotFound, QStringLiteral("The converter is missing from the program"));
    if (IsTrustedConverter(path, converterBytes))
        return;

    // A fresh file of our own beside the target, renamed over it at the end:
    // whatever stood at the path before (a stranger's program, a link, an
    // older copy) is never written through or run.
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
