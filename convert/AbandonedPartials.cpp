// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AbandonedPartials.h"

#include "FolderListing.h"
#include "HiddenResult.h"
#include "PathHelpers.h"
#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The hidden names of one folder, by the prefix each starts with.
QHash<QString, QStringList> hiddenResultsIn(const QString &folder)
{
    static const QRegularExpression hidden(
        QStringLiteral(R"(^(\..*\.part-)[0-9]+-[a-z0-9]{%1}\z)").arg(kHiddenNameLetters),
        QRegularExpression::DotMatchesEverythingOption);
    QHash<QString, QStringList> byPrefix;
    FolderReading reading;
    reading.keep = [](const QString &key) { return key.startsWith(u'.') && key.contains(kHiddenNameMark); };
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

// True when the process with this id is a run of this program that still
// lives, or when that cannot be told. A copy of the program that holds no
// lock on its hidden results (an earlier version) is known by this alone.
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

// Removes the hidden result at path when it is abandoned.
void removeIfAbandoned(const QByteArray &path, qint64 pid)
{
    // Opened without following a link, and only when it is a regular file:
    // a link, a named pipe or a device of that name is left unopened.
    const OpenedRegularFile opened = OpenRegularFile(path, Links::DoNotFollow);
    if (!opened.file.isOpen() || opened.info.st_uid != ::geteuid())
        return;
    // A run that writes the file holds its lock, in whatever process-id
    // namespace (a container, a sandbox) it runs; its process id says
    // nothing there, and any process may come to have that number.
    if (::flock(opened.file.get(), LOCK_EX | LOCK_NB) != 0 || isLiveRunOfThisProgram(pid))
        return;
    if (NameLeadsToFile(AT_FDCWD, path, opened.file.get()))
        ::unlink(path.constData());
}

} // namespace

void AbandonedPartials::removeFor(const QString &destination)
{
    const QString folder = FolderOfPath(destination);
    auto read = m_folders.find(folder);
    if (read == m_folders.end())
        read = m_folders.insert(folder, hiddenResultsIn(folder));
    const QString prefix = HiddenResultPrefix(destination);
    const QStringList names = read->take(prefix);
    for (const QString &name : names)
        removeIfAbandoned(QFile::encodeName(folder + name), processIdOf(name, prefix));
}
