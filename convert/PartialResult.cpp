// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartialResult.h"

#include "FileDescriptor.h"
#include "FolderListing.h"
#include "PathHelpers.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype kLongestFileName = 255; // bytes, where the file system does not say
constexpr int kRandomLetters = 8;
// Room for any process id (the kernel's largest is 4,194,304), so that the
// hidden names of one result start alike whichever run wrote them.
constexpr int kProcessIdDigits = 7;
const QString kPartMark = QStringLiteral(".part-");

bool entryExists(const QByteArray &nativePath)
{
    struct stat info { };
    return ::lstat(nativePath.constData(), &info) == 0;
}

QString randomLetters()
{
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
    QString suffix;
    for (int i = 0; i < kRandomLetters; ++i)
        suffix += letters.at(QRandomGenerator::global()->bounded(letters.size()));
    return suffix;
}

QString processIdText()
{
    return QString::number(::getpid());
}

// The longest start of name that takes at most maxBytes in the file
// system's encoding, never cutting a character in two.
QString shortenedToBytes(const QString &name, qsizetype maxBytes)
{
    if (QFile::encodeName(name).size() <= maxBytes)
        return name;
    QString kept;
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < name.size();) {
        const qsizetype length = name.at(i).isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        const QString character = name.mid(i, length);
        bytes += QFile::encodeName(character).size();
        if (bytes > maxBytes)
            break;
        kept += character;
        i += length;
    }
    return kept;
}

// How many bytes a file name may have in folder.
qsizetype longestFileNameIn(const QString &folder)
{
    const long longest
        = ::pathconf(QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder).constData(), _PC_NAME_MAX);
    return longest > 0 ? qsizetype(longest) : kLongestFileName;
}

// The hidden names of one folder, by the prefix each starts with.
QHash<QString, QStringList> hiddenResultsIn(const QString &folder)
{
    static const QRegularExpression hidden(QStringLiteral(R"(^(\..*\.part-)[0-9]+-[a-z0-9]{%1}\z)").arg(kRandomLetters),
        QRegularExpression::DotMatchesEverythingOption);
    QHash<QString, QStringList> byPrefix;
    FolderReading reading;
    reading.keep = [](const QString &key) { return key.startsWith(u'.') && key.contains(kPartMark); };
    for (const FolderEntry &entry : ReadFolder(folder.isEmpty() ? QStringLiteral(".") : folder, reading).entries) {
        const QRegularExpressionMatch match = hidden.match(entry.name);
        if (match.hasMatch())
            byPrefix[match.captured(1)] << entry.name;
    }
    return byPrefix;
}

qint64 processIdOf(const QString &hiddenName, const QString &prefix)
{
    return hiddenName.mid(prefix.size()).section(u'-', 0, 0).toLongLong();
}

// The start of every hidden name of this destination's result, up to and
// with ".part-".
QString partialResultPrefix(const QString &destination)
{
    const QString name = FileNameOfPath(destination);
    const qsizetype fixedBytes = 1 + kPartMark.size() + kProcessIdDigits + 1 + kRandomLetters;
    return u'.' + shortenedToBytes(name, longestFileNameIn(FolderOfPath(destination)) - fixedBytes) + kPartMark;
}

// True when the process with this id is a run of this program that still
// lives, or when that cannot be told.
bool isLiveRunOfThisProgram(qint64 pid)
{
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    if (::kill(pid_t(pid), 0) != 0)
        return errno != ESRCH && errno != EPERM; // gone, or another user's
    // A process of another name took the number of the run that ended.
    const QString running = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    static const QString ours = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (running.isEmpty() || ours.isEmpty())
        return true;
    const auto programName
        = [](const QString &target) { return FileNameOfPath(target).remove(QStringLiteral(" (deleted)")); };
    return programName(running) == programName(ours);
}

} // namespace

QString PartialResultPath(const QString &destination)
{
    const QString start = FolderOfPath(destination) + partialResultPrefix(destination) + processIdText() + u'-';
    QString partial;
    do {
        partial = start + randomLetters();
    } while (entryExists(QFile::encodeName(partial)));
    return partial;
}

QString PublishResult(const QString &partial, const QString &destination)
{
    const QByteArray from = QFile::encodeName(partial);
    const QByteArray to = QFile::encodeName(destination);
    const QString exists = QStringLiteral("a file of that name already exists");
    {
        const FileDescriptor data(::open(from.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
        // EINVAL: a file system that keeps nothing to flush.
        if (!data.isOpen() || (::fsync(data.get()) != 0 && errno != EINVAL))
            return QStringLiteral("the result cannot be written to disk: %1")
                .arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
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

void AbandonedPartials::removeFor(const QString &destination)
{
    const QString folder = FolderOfPath(destination);
    auto read = m_folders.find(folder);
    if (read == m_folders.end())
        read = m_folders.insert(folder, hiddenResultsIn(folder));
    const QString prefix = partialResultPrefix(destination);
    const QStringList names = read->take(prefix);
    for (const QString &name : names) {
        if (isLiveRunOfThisProgram(processIdOf(name, prefix)))
            continue;
        const QByteArray path = QFile::encodeName(folder + name);
        struct stat info { };
        // Only this user's own files; a folder or link of that name is left.
        if (::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
            ::unlink(path.constData());
    }
}
