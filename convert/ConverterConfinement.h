// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <linux/filter.h>

#include <utility>
#include <vector>

// The walls the converter runs within. Everything that can fail or needs
// memory is made in the parent, once per file: a Landlock ruleset that lets
// the converter read and run what is under /usr, read its source and read
// and run itself, and nothing else on the file system or the network, nor
// signal a process outside the walls; and a seccomp filter that refuses
// every socket and io_uring, and every change of a file that Landlock lets
// through (mode, owner, times, extended attributes; shortening by name
// before ABI 3). The child, between fork and exec, only closes
// every descriptor but its own on exec and hands both to the kernel, with
// system calls alone. A kernel without Landlock gets no walls: the converter
// runs as before.
class ConverterConfinement final {
public:
    // The steps the child takes, in order; a step that fails is reported
    // to the parent by its number.
    enum Step : int { ClearCloseOnExec, CloseRange, NoNewPrivileges, RestrictSelf, InstallFilter, StepCount };

    // The Landlock ABI the kernel offers, 0 when it offers none.
    static int LandlockAbi();
    // What the converter runs within on this kernel, in a few words:
    // "Landlock ABI 7, no network", or why it runs without walls.
    static QString Description();

    // Walls for a converter that may run only the file open at programFile
    // and read only the file open at sourceFile (-1: none); of the program's
    // descriptors it keeps only those in inherited.
    ConverterConfinement(int programFile, int sourceFile, const QList<int> &inherited);
    ~ConverterConfinement();
    Q_DISABLE_COPY_MOVE(ConverterConfinement)

    // Whether the converter runs confined: false when the kernel has no
    // Landlock, or when the walls could not be made (failure() says why).
    bool isActive() const { return m_ruleset >= 0; }
    // Why the walls could not be made; empty when they were, or when the
    // kernel offers none.
    const QString &failure() const { return m_failure; }

    // Runs in the child between fork and exec, once the descriptors it
    // inherits are open to it: only system calls. On failure it writes the
    // step and errno to the report pipe and ends the child with 127.
    void enterInChild() const noexcept;
    // Reports a failed step of the child, as the child would, and ends it.
    [[noreturn]] void failInChild(Step step, int error) const noexcept;

    // Called in the parent once the child is started: the parent's copy of
    // the report pipe's writing end is closed, so the pipe reads end of
    // file once the child has run the converter or ended.
    void childStarted();
    // After the child has ended: why it could not be confined, or the empty
    // text when it was.
    QString childFailure() const;

private:
    void fail(const QString &what, int error);
    bool addPathRule(int descriptor, unsigned long long access);
    bool buildRuleset(int programFile, int sourceFile);
    bool buildFilter();

    int m_abi = 0;
    int m_ruleset = -1;
    int m_reportRead = -1;
    int m_reportWrite = -1;
    // The descriptors the child closes on exec, as first and last of each
    // stretch between those it inherits.
    std::vector<std::pair<unsigned int, unsigned int>> m_closedOnExec;
    std::vector<sock_filter> m_filter;
    sock_fprog m_program{};
    QString m_failure;
};

// The reason a conversion fails with when a step of the confinement failed.
QString ConfinementFailureReason(int step, int error);
