// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OrdinaryUser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

bool giveToNobody(const QString &path, mode_t mode)
{
    const QByteArray native = QFile::encodeName(path);
    return ::chown(native.constData(), kNobody, kNobody) == 0 && ::chmod(native.constData(), mode) == 0;
}

bool copyProgram(const QString &from, const QString &to)
{
    return QFile::copy(from, to) && ::chmod(QFile::encodeName(to).constData(), 0755) == 0;
}

int fail(const char *why)
{
    std::fprintf(stderr, "Cannot run the tests again as an ordinary user: %s\n", why);
    return 1;
}

// The sanitizers' options name files by path, out of nobody's reach too.
QString withReachableFiles(const QString &options, const QDir &folder)
{
    static const QRegularExpression suppressions(QStringLiteral("suppressions=([^:]+)"));
    QString rewritten = options;
    const QRegularExpressionMatch match = suppressions.match(options);
    if (match.hasMatch()) {
        const QString copy = folder.filePath(QStringLiteral("suppressions-") + QFileInfo(match.captured(1)).fileName());
        QFile::copy(match.captured(1), copy);
        QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        rewritten.replace(match.capturedStart(1), match.capturedLength(1), copy);
    }
    return rewritten;
}

} // namespace

int RunAgainAsOrdinaryUser(int argc, char *argv[], const QStringList &companions)
{
    if (::geteuid() != 0)
        return 0;
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        return fail("setpriv (util-linux) is missing");
    QTemporaryDir place(QStringLiteral("/tmp/reelwright-as-nobody-XXXXXX"));
    if (!place.isValid() || !giveToNobody(place.path(), 0755))
        return fail("no folder for it can be made");
    const QDir folder(place.path());
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString program = folder.filePath(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    if (!copyProgram(QCoreApplication::applicationFilePath(), program))
        return fail("the test program cannot be copied");
    for (const QString &companion : companions) {
        if (!copyProgram(programDir + u'/' + companion, folder.filePath(companion)))
            return fail("a program the tests start cannot be copied");
    }
    for (const QString &own : {QStringLiteral("home"), QStringLiteral("runtime"), QStringLiteral("tmp")}) {
        if (!folder.mkdir(own) || !giveToNobody(folder.filePath(own), 0700))
            return fail("the user's own folders cannot be made");
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), folder.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("TMPDIR"), folder.filePath(QStringLiteral("tmp")));
    environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
    for (const QString &name : {QStringLiteral("LSAN_OPTIONS"), QStringLiteral("ASAN_OPTIONS")}) {
        if (environment.contains(name))
            environment.insert(name, withReachableFiles(environment.value(name), folder));
    }
    QStringList arguments{QStringLiteral("--reuid=%1").arg(kNobody), QStringLiteral("--regid=%1").arg(kNobody),
        QStringLiteral("--clear-groups"), QStringLiteral("--"), program};
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    std::fprintf(stderr, "Running the tests again as the ordinary user nobody (uid %u)\n", unsigned(kNobody));
    std::fflush(stderr);
    QProcess again;
    again.setProcessEnvironment(environment);
    again.setWorkingDirectory(folder.path());
    again.setProcessChannelMode(QProcess::ForwardedChannels);
    again.setStandardInputFile(QProcess::nullDevice());
    again.start(setpriv, arguments);
    if (!again.waitForStarted(-1) || !again.waitForFinished(-1))
        return fail("setpriv could not be run");
    if (again.exitStatus() != QProcess::NormalExit)
        return fail("the run as nobody crashed");
    return again.exitCode();
}
