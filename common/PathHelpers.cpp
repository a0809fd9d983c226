// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "PathHelpers.h"

#include "RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QChar kSeparator = u'/';
constexpr qsizetype kLargestPosition = 32767;
constexpr qsizetype kSpecialBufferLength = 512;

// Positions are counted from 1 here, as the callers count them.
qsizetype checkedPosition(qsizetype zeroBasedIndex)
{
    const qsizetype position = zeroBasedIndex + 1;
    if (position > kLargestPosition)
        throw RuntimeError(RuntimeError::Overflow);
    return position;
}

QString collapsePairs(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        result += text[i];
        if (text[i] == kSeparator && i + 1 < text.size() && text[i + 1] == kSeparator)
            ++i;
    }
    return result;
}

RuntimeError writeError(int errorNumber, const QString &path)
{
    const QString reason = QString::fromLocal8Bit(strerror(errorNumber));
    switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
        return RuntimeError(RuntimeError::PathNotFound, QStringLiteral("Path not found: %1 (%2)").arg(path, reason));
    case EACCES:
    case EPERM:
    case EROFS:
        return RuntimeError(
            RuntimeError::PermissionDenied, QStringLiteral("Permission denied: %1 (%2)").arg(path, reason));
    default:
        return RuntimeError(
            RuntimeError::PathFileAccessError, QStringLiteral("Path/File access error: %1 (%2)").arg(path, reason));
    }
}

} // namespace

QString FolderOfPath(const QString &path)
{
    const qsizetype index = path.lastIndexOf(kSeparator);
    if (index < 0)
        return {};
    return path.left(checkedPosition(index));
}

QString FileNameOfPath(const QString &path)
{
    return path.mid(path.lastIndexOf(kSeparator) + 1);
}

QString StripExtension(const QString &text)
{
    if (text.isEmpty())
        return {};
    const qsizetype index = text.lastIndexOf(u'.');
    if (index < 0)
        return text;
    const qsizetype position = checkedPosition(index);
    return position >= 2 ? text.left(position - 1) : text;
}

QString CollapseBackslashes(const QString &path)
{
    // Every path a scan lists passes here; most have nothing to collapse.
    if (!path.contains(u"//"))
        return path;
    if (path.front() != kSeparator)
        return collapsePairs(path);
    qsizetype firstOther = 0;
    while (firstOther < path.size() && path[firstOther] == kSeparator)
        ++firstOther;
    return kSeparator + collapsePairs(QStringView(path).mid(firstOther));
}

bool FileExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool IsFolder(const QString &path)
{
    // Asked for every folder of a scan: one look-up, nothing more.
    struct stat status { };
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

void WriteBytesToFile(const QByteArray &bytes, const QString &path)
{
    const QByteArray nativePath = QFile::encodeName(path);
    // Not O_TRUNC: an existing file is written over from its first byte on.
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        throw writeError(errno, path);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            throw writeError(error, path);
        }
        written += n;
    }
    if (::close(fd) != 0)
        throw writeError(errno, path);
}

void DeleteFileQuietly(const QString &path)
{
    if (!path.isEmpty())
        QFile::remove(path);
}

QString SpecialFolderBuffer(qint32 folderId)
{
    QString location;
    switch (folderId) {
    case SpecialFolderDesktop:
    case SpecialFolderDesktopDirectory:
        // Many Linux accounts have no desktop folder; results saved "on the
        // desktop" then go to the home folder rather than nowhere.
        location = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        if (!QFileInfo(location).isDir())
            location = QDir::homePath();
        break;
    case SpecialFolderDocuments:
        location = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        break;
    default:
        break;
    }
    if (location.isEmpty())
        return {};
    QString buffer = QDir::cleanPath(location) + QChar(u'\0');
    if (buffer.size() < kSpecialBufferLength)
        buffer += QString(kSpecialBufferLength - buffer.size(), u' ');
    return buffer;
}

QString FolderFromSpecialBuffer(const QString &rawBuffer)
{
    const qsizetype lastNul = rawBuffer.lastIndexOf(QChar(u'\0'));
    if (lastNul < 0)
        throw RuntimeError(RuntimeError::InvalidArgument);
    return rawBuffer.left(lastNul) + kSeparator;
}

QString DesktopFolder(QString *rawBuffer)
{
    const QString buffer = SpecialFolderBuffer(SpecialFolderDesktop);
    if (rawBuffer)
        *rawBuffer = buffer;
    return FolderFromSpecialBuffer(buffer);
}
