// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConverterLease.h"

#include "ConverterStaging.h"
#include "ExitCleanup.h"
#include "RegularFile.h"
#include "RuntimeError.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Why a file cannot be the program's lock file; empty when it can.
QString unlikeLockFile(const struct stat &info)
{
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("it is not a regular file");
    if (info.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user");
    if (info.st_size != 0)
        return QStringLiteral("it is not empty");
    return {};
}

} // namespace

ConverterLease::~ConverterLease()
{
    release();
}

void ConverterLease::acquire(
    const QString &converterPath, const QByteArray &converterBytes, std::chrono::milliseconds patience)
{
    release();
    const QString lockPath = converterPath + QStringLiteral(".lock");
    const QByteArray nativeLock = QFile::encodeName(lockPath);
    const QDeadlineTimer deadline(patience);
    for (;;) {
        // O_NONBLOCK: a FIFO of that name would otherwise hold the window in
        // open() for good; fstat below turns it away.
        const int fd
            = ::open(nativeLock.constData(), O_RDONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
        if (fd < 0)
            throw RuntimeError(RuntimeError::PermissionDenied,
                QStringLiteral("The converter's lock file %1 cannot be opened: %2")
                    .arg(QDir::toNativeSeparators(lockPath), systemReason()));
        // The lock file is always an empty regular file of the user's own;
        // anything else of that name is someone's and is left alone.
        struct stat opened { };
        const QString unlike = ::fstat(fd, &opened) != 0 ? systemReason() : unlikeLockFile(opened);
        if (!unlike.isEmpty()) {
            ::close(fd);
            throw RuntimeError(RuntimeError::PermissionDenied,
                QStringLiteral("%1 is not this program's lock file (%2), so it is left alone. Move it away, or set "
                               "TEMP to another folder.")
                    .arg(QDir::toNativeSeparators(lockPath), unlike));
        }
        // Another run holds the lock exclusively only for the moment it takes
        // to remove the converter; never wait for it without end.
        while (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
            if (deadline.hasExpired()) {
                ::close(fd);
                throw RuntimeError(RuntimeError::PermissionDenied,
                    QStringLiteral("The converter's lock file %1 stays locked by another program")
                        .arg(QDir::toNativeSeparators(lockPath)));
            }
            QThread::msleep(10);
        }
        // A run that ended meanwhile may have removed the file we locked; a
        // share of a removed lock file protects nothing, so start again.
        struct stat named { };
        if (::stat(nativeLock.constData(), &named) == 0 && IsSameInode(opened, named)) {
            m_descriptor = fd;
            m_converterPath = converterPath;
            m_converterBytes = converterBytes;
            m_lockPath = lockPath;
            ExitCleanup::trackLease(fd, QFile::encodeName(converterPath), converterBytes.size(), nativeLock);
            return;
        }
        ::close(fd);
        if (deadline.hasExpired())
            throw RuntimeError(RuntimeError::PermissionDenied,
                QStringLiteral("The converter's lock file %1 keeps changing").arg(QDir::toNativeSeparators(lockPath)));
    }
}

void ConverterLease::release()
{
    if (m_descriptor < 0)
        return;
    // A lock file removed and made anew meanwhile belongs to other runs now,
    // and so does the converter beside it.
    struct stat held { };
    struct stat named { };
    const QByteArray nativeLock = QFile::encodeName(m_lockPath);
    if (::flock(m_descriptor, LOCK_EX | LOCK_NB) == 0 && ::fstat(m_descriptor, &held) == 0
        && ::stat(nativeLock.constData(), &named) == 0 && IsSameInode(held, named)) {
        if (IsTrustedConverter(m_converterPath, m_converterBytes))
            ::unlink(QFile::encodeName(m_converterPath).constData());
        ::unlink(nativeLock.constData());
    }
    ExitCleanup::forgetLease();
    ::close(m_descriptor);
    m_descriptor = -1;
}
