// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "HiddenResult.h"

#include "ExitCleanup.h"
#include "PathHelpers.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype kLongestFileName = 255; // bytes, where the file system does not say
// Room for any process id (the kernel's largest is 4,194,304), so that the
// hidden names of one result start alike whichever run wrote them.
constexpr int kProcessIdDigits = 7;
// Names drawn before the run gives up on a folder where each one is taken.
constexpr int kNameDraws = 8;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
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

QString folderOrCurrent(const QString &folder)
{
    return folder.isEmpty() ? QStringLiteral(".") : folder;
}

// How many bytes a file name may have in folder.
qsizetype longestFileNameIn(const QString &folder)
{
    const long longest = ::pathconf(QFile::encodeName(folderOrCurrent(folder)).constData(), _PC_NAME_MAX);
    return longest > 0 ? qsizetype(longest) : kLongestFileName;
}

} // namespace

QString RandomNameLetters()
{
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
    QString drawn;
    for (int i = 0; i < kHiddenNameLetters; ++i)
        drawn += letters.at(QRandomGenerator::global()->bounded(letters.size()));
    return drawn;
}

QString HiddenResultPrefix(const QString &destination)
{
    const QString name = FileNameOfPath(destination);
    const qsizetype fixedBytes = 1 + kHiddenNameMark.size() + kProcessIdDigits + 1 + kHiddenNameLetters;
    return u'.' + shortenedToBytes(name, longestFileNameIn(FolderOfPath(destination)) - fixedBytes) + kHiddenNameMark;
}

HiddenResult::HiddenResult(const QString &destination, const NameLetters &letters)
    : m_destination(destination)
{
    const QString folder = FolderOfPath(destination);
    const QString shownFolder = QDir::toNativeSeparators(folderOrCurrent(folder));
    // Every name below is looked up in this folder, whatever happens to the
    // folder's own name meanwhile.
    m_folder = FileDescriptor(
        ::open(QFile::encodeName(folderOrCurrent(folder)).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!m_folder.isOpen()) {
        m_refusal = QStringLiteral("the result cannot be written in %1: %2").arg(shownFolder, systemReason(errno));
        return;
    }
    const QString start = HiddenResultPrefix(destination) + QString::number(::getpid()) + u'-';
    for (int draw = 0; draw < kNameDraws; ++draw) {
        const QString name = start + letters();
        const QByteArray nativeName = QFile::encodeName(name);
        // Only a file made here and now: whatever stands at the name (a link
        // to someone's file, a file of another run) is never opened.
        const int fd = ::openat(
            m_folder.get(), nativeName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
            m_unwritableFolder = shownFolder;
            m_refusal = QStringLiteral("cannot write into %1 (%2); choose a folder for the results")
                            .arg(shownFolder,
                                errno == EROFS ? QStringLiteral("it is on a disk that cannot be written")
                                               : QStringLiteral("you may not change that folder"));
            return;
        }
        if (fd < 0) {
            m_refusal = QStringLiteral("the result cannot be written in %1: %2").arg(shownFolder, systemReason(errno));
            return;
        }
        m_file = FileDescriptor(fd);
        m_name = nativeName;
        m_path = folder + name;
        // Nobody else has this new file open yet, so the lock is granted at
        // once; should anyone have locked it first, it is as well kept.
        ::flock(fd, LOCK_EX | LOCK_NB);
        ExitCleanup::trackUnfinishedResult(fd, QFile::encodeName(m_path));
        return;
    }
    m_refusal = QStringLiteral("the result cannot be written in %1: every hidden name drawn for it was taken")
                    .arg(shownFolder);
}

HiddenResult::~HiddenResult()
{
    if (!m_file.isOpen())
        return;
    if (!m_published && hiddenNameLeadsToFile())
        ::unlinkat(m_folder.get(), m_name.constData(), 0);
    ExitCleanup::forgetUnfinishedResult();
}

QString HiddenResult::converterName() const
{
    return QStringLiteral("pipe:%1").arg(m_file.get());
}

qint64 HiddenResult::size() const
{
    struct stat info { };
    return ::fstat(m_file.get(), &info) == 0 ? qint64(info.st_size) : -1;
}

QString HiddenResult::publish(const Flush &flush)
{
    // EINVAL: a file system that keeps nothing to flush.
    if (flush(m_file.get()) != 0 && errno != EINVAL)
        return QStringLiteral("the result cannot be written to disk: %1").arg(systemReason(errno));
    // Whoever may write in the folder may rename the hidden name or put a
    // link there; giving that the result's name would publish their file.
    if (!hiddenNameLeadsToFile())
        return QStringLiteral("its unfinished result %1 was moved or replaced meanwhile, so it is left as it is")
            .arg(QDir::toNativeSeparators(m_path));
    const int folder = m_folder.get();
    const QByteArray from = m_name;
    const QByteArray to = QFile::encodeName(FileNameOfPath(m_destination));
    const QString exists = QStringLiteral("a file of that name already exists");
    if (::renameat2(folder, from.constData(), folder, to.constData(), RENAME_NOREPLACE) == 0) {
        m_published = true;
        return {};
    }
    if (errno == EEXIST)
        return exists;
    // File systems that cannot rename without replacing may still link.
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        if (::linkat(folder, from.constData(), folder, to.constData(), 0) == 0) {
            m_published = true;
            if (hiddenNameLeadsToFile())
                ::unlinkat(folder, from.constData(), 0);
            return {};
        }
        if (errno == EEXIST)
            return exists;
        // Without links either (FAT), a last look comes right before the rename.
        if (errno == EPERM || errno == ENOSYS || errno == ENOTSUP) {
            struct stat info { };
            if (::fstatat(folder, to.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0)
                return exists;
            if (::renameat(folder, from.constData(), folder, to.constData()) == 0) {
                m_published = true;
                return {};
            }
        }
    }
    return QStringLiteral("the result cannot be given its name: %1").arg(systemReason(errno));
}
