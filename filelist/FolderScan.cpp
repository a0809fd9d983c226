// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderScan.h"

#include "AddFolder.h"
#include "ErrorReport.h"
#include "FileAttributes.h"
#include "PathHelpers.h"
#include "RuntimeError.h"
#include "ScanActivity.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

const QString kLocation = QStringLiteral("in Tessaline2021/08/31.AddFolder.GetSubDirectories2016 ");
constexpr qsizetype kLongestPath = 260;
constexpr int kHiddenSystemFolder = AttributeHidden | AttributeSystem | AttributeDirectory;
constexpr int kHiddenSystemLink = kHiddenSystemFolder | AttributeReparsePoint;

bool removesFolder(int error)
{
    return error == RuntimeError::PermissionDenied || error == RuntimeError::PathNotFound;
}

// Removes the first entry equal to folder; the walk over the list goes on
// with the entry that followed the current one.
void removeFirstEqual(QStringList &folders, const QString &folder, qsizetype &current)
{
    const qsizetype at = folders.indexOf(folder);
    if (at < 0)
        return;
    folders.removeAt(at);
    if (at <= current)
        --current;
}

} // namespace

bool FolderPassesAttributeRule(const QString &folder)
{
    const int word = AttributeWord(folder);
    return (word != kHiddenSystemFolder && word != kHiddenSystemLink) || IsRootFolder(folder);
}

FolderScan::FolderScan(Dialogs &dialogs, ScanActivity *activity)
    : m_dialogs(dialogs)
    , m_activity(activity)
{
    if (m_activity)
        m_activity->scanStarted();
}

FolderScan::~FolderScan()
{
    if (m_activity)
        m_activity->scanEnded();
}

bool FolderScan::stopped() const
{
    return m_activity && m_activity->stopRequested();
}

bool FolderScan::processEvents()
{
    QCoreApplication::processEvents();
    return !stopped();
}

void FolderScan::rememberStartingFolder(const QString &folder, const FolderId &id)
{
    if (m_places.contains(folder))
        return;
    Place place{id, {}, {}};
    // The folders the path leads through count as ancestors too, so a link
    // back to any of them is not entered.
    const QString absolute = QFileInfo(folder).absoluteFilePath();
    qsizetype at = 0;
    while ((at = absolute.indexOf(u'/', at + 1)) > 0) {
        if (const auto above = IdentityOf(absolute.left(at)))
            place.outside << *above;
    }
    if (const auto root = IdentityOf(QStringLiteral("/")))
        place.outside << *root;
    m_places.insert(folder, place);
}

bool FolderScan::isOwnAncestor(const QString &folder, const FolderId &id) const
{
    QString key = folder;
    while (!key.isEmpty()) {
        const auto place = m_places.constFind(key);
        if (place == m_places.cend())
            return false;
        if (place->id == id || place->outside.contains(id))
            return true;
        key = place->parent;
    }
    return false;
}

void FolderScan::GetSubDirectories2016(QStringList &folders, bool recurse)
{
    ReportingProcedure procedure(m_dialogs, kLocation);
    QStringList found;
    procedure.step(104, [&] { found.clear(); });

    for (qsizetype i = 0; i < folders.size(); ++i) {
        const QString folder = folders[i];
        if (!IsFolder(folder))
            continue;
        if (folder.size() >= kLongestPath)
            continue;

        std::optional<FolderId> id;
        procedure.step(112, [&] { id = IdentityOf(folder); });
        if (!id) {
            // The folder went away between the two looks.
            removeFirstEqual(folders, folder, i);
            continue;
        }
        rememberStartingFolder(folder, *id);
        if (!processEvents())
            return;
        if (!procedure.test(116, [&] { return FolderPassesAttributeRule(folder); }))
            continue;

        FolderContents subfolders;
        procedure.step(118, [&] { subfolders = ListSubfolders(folder); });
        for (const FolderEntry &entry : std::as_const(subfolders.entries)) {
            if (!processEvents())
                return;
            const QString &name = entry.name;
            if (name.size() >= kLongestPath || HasUnsafeCharacters(name) || name.contains(u'?'))
                continue;
            if (name == u"." || name == u"..")
                continue;
            // A link back to a folder on the way here would be walked again
            // and again; 260 characters later is far too late to stop.
            if (isOwnAncestor(folder, entry.id))
                continue;
            procedure.step(132, [&] {
                const QString subfolder = folder + name + u'/';
                m_places.insert(subfolder, Place{entry.id, folder, {}});
                found << subfolder;
            });
        }
        if (removesFolder(subfolders.error))
            removeFirstEqual(folders, folder, i);
    }

    if (recurse && !found.isEmpty()) {
        procedure.step(150, [&] { GetSubDirectories2016(found, true); });
        if (stopped())
            return;
    }

    for (const QString &subfolder : std::as_const(found)) {
        if (!procedure.test(154, [&] { return IsFolder(subfolder); }))
            continue;
        if (!processEvents())
            return;
        if (procedure.test(158, [&] { return FolderPassesAttributeRule(subfolder); }))
            procedure.step(160, [&] { folders << subfolder; });
    }
}
