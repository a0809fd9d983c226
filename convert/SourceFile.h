// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileDescriptor.h"

#include <QString>

// The file one conversion reads, held open from the moment it is checked.
// The converter is handed this descriptor, not the name, so it reads exactly
// the file that was checked: a name swapped meanwhile for a named pipe, a
// device or another file changes nothing. Links are followed, since the user
// listed that path.
class SourceFile final {
public:
    explicit SourceFile(const QString &path);
    Q_DISABLE_COPY_MOVE(SourceFile)

    // Why the file cannot be converted ("a named pipe", "the file cannot be
    // found", ...); the empty text when it is held.
    const QString &refusal() const { return m_refusal; }

    int descriptor() const { return m_file.get(); }
    // The name the converter opens the held file by: its own copy of the
    // descriptor, which it can seek in as in the file itself.
    QString converterName() const;

private:
    FileDescriptor m_file;
    QString m_refusal;
};
