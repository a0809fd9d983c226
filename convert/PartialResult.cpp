// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartialResult.h"

#include "PathHelpers.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool entryExists(const QByteArray &nativePath)
{
    struct stat info { };
    return ::lstat(nativePath.constData(), &info) == 0;
}

QString randomSuffix()
{
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
    QString suffix;
    for (int i = 0; i < 8; ++i)
        suffix += letters.at(QRandomGenerator::global()->bounded(letters.size()));
    return suffix;
}

} // namespace

QString PartialResultPath(const QString &destination)
{
    const QString start = FolderOfPath(destination) + u'.' + FileNameOfPath(destination) + QStringLiteral(".part-");
    QString partial;
    do {
        partial = start + randomSuffix();
    } while (entryExists(QFile::encodeName(partial)));
    return partial;
}

QString PublishResult(const QString &partial, const QString &destination)
{
    const QByteArray from = QFile::encodeName(partial);
    const QByteArray to = QFile::encodeName(destination);
    const QString exists = QStringLiteral("a file of that name already exists");
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno == EEXIST)
        return exists;
    // File systems that cannot rename without replacing may still link.
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        if (::link(from.constData(), to.constData()) == 0) {
            ::unlink(from.constData());
            return {};
        }
        if (errno == EEXIST)
            return exists;
        // Without links either (FAT), a last look comes right before the rename.
        if (errno == EPERM || errno == ENOSYS || errno == ENOTSUP) {
            if (entryExists(to))
                return exists;
            if (std::rename(from.constData(), to.constData()) == 0)
                return {};
        }
    }
    return QStringLiteral("the result cannot be given its name: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
}
