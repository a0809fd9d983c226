// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// As root every permission check passes, so a test of what permissions
// forbid proves nothing there. A test program that finds itself root runs
// itself once more as the ordinary user nobody (uid 65534), with the same
// arguments: from a copy in a folder that user can reach (a build under
// /root is closed to it), together with the companion programs it starts
// from its own folder, with a HOME, XDG_RUNTIME_DIR and TMPDIR of that
// user's own.
//
// Returns the second run's exit code, or 0 when this program is not root.
int RunAgainAsOrdinaryUser(int argc, char *argv[], const QStringList &companions = {});
