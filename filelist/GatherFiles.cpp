// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "GatherFiles.h"

#include "AddFolder.h"
#include "ErrorReport.h"
#include "FileAttributes.h"
#include "FileListWidget.h"
#include "FolderScan.h"
#include "PathHelpers.h"

#include <functional>

namespace {

// A file whose only marks are hidden and archive: a dot file the user never
// sees in the file manager, not a video they meant to add.
constexpr int kHiddenFile = AttributeHidden | AttributeArchive;

// The hidden mark comes from the name, so only dot files need a look at
// their attributes, and only theirs need their path.
bool isOnlyHidden(const QString &folder, const QString &name)
{
    return name.startsWith(u'.') && AttributeWord(folder + name) == kHiddenFile;
}

class Steps final {
public:
    explicit Steps(ReportingProcedure *procedure)
        : m_procedure(procedure)
    {
    }

    bool step(int line, const std::function<void()> &action)
    {
        if (m_procedure)
            return m_procedure->step(line, action);
        try {
            action();
            return true;
        } catch (const std::exception &) {
            return false;
        }
    }

    // Reported: a test that fails counts as met. Quiet: it counts as not met,
    // so nothing doubtful reaches the list.
    bool test(int line, const std::function<bool()> &condition)
    {
        if (m_procedure)
            return m_procedure->test(line, condition);
        try {
            return condition();
        } catch (const std::exception &) {
            return false;
        }
    }

private:
    ReportingProcedure *m_procedure;
};

} // namespace

void GatherFolderFiles(FolderScan &scan, const QString &folder, const QString &pattern, FileListWidget &list,
    ReportingProcedure *procedure)
{
    Steps steps(procedure);
    QStringList folders;
    // The separator goes on unconditionally, so the root becomes "//"; the
    // items are collapsed at the end.
    steps.step(116, [&] { folders = {folder + u'/'}; });
    steps.step(118, [&] {
        scan.noteFiles(pattern);
        scan.GetSubDirectories2016(folders, true);
    });
    if (scan.stopped())
        return;

    for (QString entry : std::as_const(folders)) {
        // A large tree takes a while to list as well; the window stays alive.
        if (!scan.processEvents())
            return;
        steps.step(122, [&] { entry.chop(1); });
        QStringList names;
        steps.step(124, [&] {
            std::optional<QStringList> noted = scan.takeNotedFiles(entry + u'/');
            names = noted ? std::move(*noted) : ListFilesInFolder(entry, pattern);
        });
        if (names.isEmpty())
            continue;
        // Every item of a folder is the folder's text and a name: a name
        // holds no separator, so collapsing the path leaves the name alone.
        QString itemFolder;
        steps.step(130, [&] { itemFolder = CollapseBackslashes(entry + u'/'); });
        // Every name ListFilesInFolder gives can be opened and is not tried
        // a second time. A folder's files join the list together, in one
        // change of the list.
        QStringList taken;
        for (const QString &name : std::as_const(names)) {
            if (steps.test(128, [&] { return name.startsWith(u'~'); }))
                continue;
            if (steps.test(134, [&] { return !isOnlyHidden(itemFolder, name); }))
                taken << name;
        }
        steps.step(134, [&] { list.appendFolderFiles(itemFolder, taken); });
    }
}
