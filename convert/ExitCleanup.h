// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtGlobal>

// What a run leaves behind when the process ends without closing the window:
// the toolkit ends the program with exit() when it loses its display. At
// exit the running converter is killed, its unfinished result removed and
// the staged converter given back, as closing the window would do. Only
// plain system calls run then, as the rest of the program may be gone.
namespace ExitCleanup {

// The converter child that runs now; 0 for none.
void trackChild(qint64 pid);
void forgetChild();

// The hidden result the running converter writes, open at descriptor: its
// name is removed while it still leads to that file.
void trackUnfinishedResult(int descriptor, const QByteArray &nativePath);
void forgetUnfinishedResult();

// The share of the staged converter that this process holds: the locked
// descriptor of the lock file, and the paths to remove when no other run
// holds a share (the converter only while it is the user's own file of the
// converter's size).
void trackLease(int lockDescriptor, const QByteArray &converterPath, qint64 converterSize, const QByteArray &lockPath);
void forgetLease();

} // namespace ExitCleanup
