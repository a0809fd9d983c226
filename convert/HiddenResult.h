// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileDescriptor.h"
#include "RegularFile.h"

#include <QString>

#include <functional>

// The converter writes each result into a file that the run itself creates
// under a hidden name beside the destination, through a descriptor: the
// converter never opens a name, so nobody can have it write through a link
// or into a file of theirs put at that name. The result takes its real name
// only once it is whole, and only while no file of that name exists, so a
// file that appears at the destination meanwhile (another copy of the
// program converting the same file, say) is never replaced.
//
// The hidden name is "." + the result's name + ".part-" + the process id of
// the run + "-" + eight letters and digits. The result's name is shortened
// there as far as needed to keep the hidden name within the 255 bytes a file
// name may have, so any name the file system takes converts. While the
// converter writes, the run holds an exclusive lock on the file: that, not
// the process id, tells other copies of the program that it is in use.

inline constexpr int kHiddenNameLetters = 8;
inline const QString kHiddenNameMark = QStringLiteral(".part-");

// Eight letters and digits, drawn at random.
QString RandomNameLetters();

// The start of every hidden name of this destination's result, up to and
// with ".part-", whichever run made it.
QString HiddenResultPrefix(const QString &destination);

class HiddenResult final {
public:
    using NameLetters = std::function<QString()>;
    using Flush = std::function<int(int descriptor)>;

    // Creates a new, empty, locked file under a hidden name beside
    // destination, drawing another name while the one drawn is taken.
    explicit HiddenResult(const QString &destination, const NameLetters &letters = RandomNameLetters);
    Q_DISABLE_COPY_MOVE(HiddenResult)
    // Removes the unfinished result unless it got its real name, and only
    // while its hidden name still leads to it.
    ~HiddenResult();

    // Why no hidden result could be made; the empty text when it was.
    const QString &refusal() const { return m_refusal; }
    // The folder, as shown, when the refusal is that no file may be made in
    // it; else the empty text.
    const QString &unwritableFolder() const { return m_unwritableFolder; }

    const QString &path() const { return m_path; }
    int descriptor() const { return m_file.get(); }
    // What the converter writes to: the descriptor it inherits.
    QString converterName() const;
    // Bytes written so far; -1 when that cannot be told.
    qint64 size() const;

    // Gives the whole result its real name without replacing anything. Its
    // data reaches the disk first (flush), so that a power cut after the
    // rename leaves the whole result or none. A hidden name that no longer
    // leads to this file (someone renamed or replaced it) is left as it is,
    // and so is the file. The empty text when it did, else why it did not.
    QString publish(const Flush &flush = ::fsync);

private:
    bool hiddenNameLeadsToFile() const { return NameLeadsToFile(m_folder.get(), m_name, m_file.get()); }

    QString m_destination;
    QString m_path;
    QByteArray m_name; // the hidden name, in the folder's encoding
    FileDescriptor m_folder;
    FileDescriptor m_file;
    QString m_refusal;
    QString m_unwritableFolder;
    bool m_published = false;
};
