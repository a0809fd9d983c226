// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Runs a program as on a kernel that offers no Landlock: the program, and
// whatever it starts, is told that Landlock's calls do not exist.
//
//   without_landlock <program> [<argument>...]
#include <cerrno>
#include <cstdio>
#include <initializer_list>
#include <seccomp.h>
#include <sys/syscall.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc < 2)
        return 2;
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (!filter)
        return 126;
    for (const int call : {SYS_landlock_create_ruleset, SYS_landlock_add_rule, SYS_landlock_restrict_self}) {
        if (seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), call, 0) != 0)
            return 126;
    }
    const int loaded = seccomp_load(filter);
    seccomp_release(filter);
    if (loaded != 0)
        return 126;
    ::execv(argv[1], argv + 1);
    std::perror(argv[1]);
    return 127;
}
