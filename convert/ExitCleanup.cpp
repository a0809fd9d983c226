// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExitCleanup.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Leftovers {
    pid_t child = 0;
    std::string unfinishedResult;
    int unfinishedDescriptor = -1;
    int lockDescriptor = -1;
    std::string converterPath;
    off_t converterSize = 0;
    std::string lockPath;
};

void cleanUpAtExit();

// Made on first use and registered with atexit right after, so the handler
// runs before the object goes away.
Leftovers &leftovers()
{
    static Leftovers state;
    static const bool registered = [] { return std::atexit(cleanUpAtExit) == 0; }();
    Q_UNUSED(registered);
    return state;
}

void sleepMilliseconds(long milliseconds)
{
    timespec pause{0, milliseconds * 1000000L};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

// The child is killed and, within two seconds, reaped or known gone, so that
// it cannot create its result again after the result was removed.
void killChild(pid_t child)
{
    ::kill(child, SIGKILL);
    for (int i = 0; i < 200; ++i) {
        const pid_t reaped = ::waitpid(child, nullptr, WNOHANG);
        if (reaped == child || (reaped < 0 && errno == ECHILD && ::kill(child, 0) != 0))
            return;
        sleepMilliseconds(10);
    }
}

void cleanUp(Leftovers &state)
{
    if (state.child > 0) {
        killChild(state.child);
        state.child = 0;
    }
    if (!state.unfinishedResult.empty()) {
        struct stat named { };
        struct stat held { };
        if (::lstat(state.unfinishedResult.c_str(), &named) == 0 && ::fstat(state.unfinishedDescriptor, &held) == 0
            && named.st_dev == held.st_dev && named.st_ino == held.st_ino)
            ::unlink(state.unfinishedResult.c_str());
        state.unfinishedResult.clear();
        state.unfinishedDescriptor = -1;
    }
    if (state.lockDescriptor >= 0) {
        struct stat held { };
        struct stat named { };
        struct stat converter { };
        if (::flock(state.lockDescriptor, LOCK_EX | LOCK_NB) == 0 && ::fstat(state.lockDescriptor, &held) == 0
            && ::stat(state.lockPath.c_str(), &named) == 0 && held.st_dev == named.st_dev
            && held.st_ino == named.st_ino) {
            if (::lstat(state.converterPath.c_str(), &converter) == 0 && S_ISREG(converter.st_mode)
                && converter.st_uid == ::geteuid() && converter.st_size == state.converterSize)
                ::unlink(state.converterPath.c_str());
            ::unlink(state.lockPath.c_str());
        }
        ::close(state.lockDescriptor);
        state.lockDescriptor = -1;
    }
}

void cleanUpAtExit()
{
    cleanUp(leftovers());
}

} // namespace

namespace ExitCleanup {

void trackChild(qint64 pid)
{
    leftovers().child = pid_t(pid);
}

void forgetChild()
{
    leftovers().child = 0;
}

void trackUnfinishedResult(int descriptor, const QByteArray &nativePath)
{
    Leftovers &state = leftovers();
    state.unfinishedResult = nativePath.toStdString();
    state.unfinishedDescriptor = descriptor;
}

void forgetUnfinishedResult()
{
    Leftovers &state = leftovers();
    state.unfinishedResult.clear();
    state.unfinishedDescriptor = -1;
}

void trackLease(int lockDescriptor, const QByteArray &converterPath, qint64 converterSize, const QByteArray &lockPath)
{
    Leftovers &state = leftovers();
    state.lockDescriptor = lockDescriptor;
    state.converterPath = converterPath.toStdString();
    state.converterSize = off_t(converterSize);
    state.lockPath = lockPath.toStdString();
}

void forgetLease()
{
    Leftovers &state = leftovers();
    state.lockDescriptor = -1;
    state.converterPath.clear();
    state.lockPath.clear();
}

} // namespace ExitCleanup
