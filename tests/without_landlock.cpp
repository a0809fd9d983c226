// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// Runs a program as on a kernel that offers no Landlock: the program, and
// whatever it starts, is told that Landlock's calls do not exist. With
// --refusing, Landlock is offered but refuses to restrict any process, as a
// kernel may for reasons of its own.
//
//   without_landlock [--refusing] <program> [<argument>...]
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <seccomp.h>
#include <sys/syscall.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    const bool refusing = argc > 1 && std::strcmp(argv[1], "--refusing") == 0;
    char **command = argv + (refusing ? 2 : 1);
    if (!*command)
        return 2;
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (!filter)
        return 126;
    const auto refuse = [&](int call, int error) { return seccomp_rule_add(filter, SCMP_ACT_ERRNO(error), call, 0); };
    int failed = 0;
    if (refusing) {
        failed = refuse(SYS_landlock_restrict_self, EPERM);
    } else {
        for (const int call : {SYS_landlock_create_ruleset, SYS_landlock_add_rule, SYS_landlock_restrict_self})
            failed |= refuse(call, ENOSYS);
    }
    if (failed == 0)
        failed = seccomp_load(filter);
    seccomp_release(filter);
    if (failed != 0)
        return 126;
    ::execv(command[0], command);
    std::perror(command[0]);
    return 127;
}
