// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConverterStaging.h"

#include "PathHelpers.h"
#include "RuntimeError.h"

#include <QDir>
#include <QFile>
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
    const QString temp = qEnvironmentVariable("TEMP");
    return temp.isEmpty() ? QDir::tempPath() : temp;
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
