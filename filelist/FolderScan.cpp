// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderScan.h"

#include "AddFolder.h"
#include "ErrorReport.h"
#include "FileAttributes.h"
#include "FreeMemory.h"
#include "PathHelpers.h"
#include "RuntimeError.h"
#include "ScanActivity.h"
#include "WildcardSearch.h"

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

// Removes the first entry equal to folder, and its place; the walk over the
// list goes on with the entry that followed the current one.
void removeFirstEqual(QStringList &folders, QList<qsizetype> &places, const QString &folder, qsizetype &current)
{
    const qsizetype at = folders.indexOf(folder);
    if (at < 0)
        return;
    folders.removeAt(at);
    places.removeAt(at);
    if (at <= current)
        --current;
}

// Whether the scan reads a folder it has found for the folders inside.
bool isListed(const QString &folder)
{
    const std::optional<int> word = FolderAttributeWord(folder);
    return word && folder.size() < kLongestPath && FolderPassesAttributeRule(folder, *word);
}

} // namespace

bool FolderPassesAttributeRule(const QString &folder, int word)
{
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
    // What a large scan noted on its way is handed back with it, not kept
    // for the program while the list is all it leaves.
    constexpr qsizetype kLargeScan = 1000;
    const bool large = m_places.size() >= kLargeScan;
    m_places = {};
    m_placeOf = {};
    m_firstPaths = {};
    if (large)
        ReturnFreeMemory();
}

void FolderScan::noteFiles(const QString &pattern)
{
    m_filePattern = std::make_unique<WildcardPattern>(pattern);
}

std::optional<QStringList> FolderScan::takeNotedFiles(const QString &folder)
{
    const qsizetype place = m_placeOf.value(folder, -1);
    if (place < 0)
        return std::nullopt;
    return std::exchange(m_places[place].files, std::nullopt);
}

bool FolderScan::stopped() const
{
    return m_activity && m_activity->stopRequested();
}

bool FolderScan::processEvents()
{
    constexpr qint64 kEventsEveryMs = 30;
    if (!m_sinceEvents.isValid() || m_sinceEvents.elapsed() >= kEventsEveryMs) {
        QCoreApplication::processEvents();
        m_sinceEvents.start();
    }
    return !stopped();
}

// A folder the scan found was looked at when its parent was read; a
// starting folder is looked at now.
std::optional<int> FolderScan::attributeWordOf(const QString &folder, qsizetype place) const
{
    if (place >= 0 && m_places[place].parent >= 0)
        return m_places[place].word;
    return FolderAttributeWord(folder);
}

qsizetype FolderScan::rememberStartingFolder(const QString &folder, const FolderId &id)
{
    Place place{id, -1, {}, {}, 0};
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
    m_places.append(place);
    m_placeOf.insert(folder, m_places.size() - 1);
    return m_places.size() - 1;
}

bool FolderScan::isOwnAncestor(qsizetype place, const FolderId &id) const
{
    for (; place >= 0; place = m_places[place].parent) {
        if (m_places[place].id == id || m_places[place].outside.contains(id))
            return true;
    }
    return false;
}

// Whether the scan has this folder already, by another path that it lists;
// if not, this path is noted as the folder's. The same path met again (a
// starting folder given twice) counts as no other.
bool FolderScan::listedElsewhere(const QString &folder, const FolderId &id)
{
    const auto first = m_firstPaths.find(id);
    if (first == m_firstPaths.end()) {
        m_firstPaths.insert(id, folder);
        return false;
    }
    if (*first == folder)
        return false;
    if (isListed(*first))
        return true;
    // The first path is passed over itself, such as a link named like the
    // trash: this one lists the folder.
    *first = folder;
    return false;
}

void FolderScan::GetSubDirectories2016(QStringList &folders, bool recurse)
{
    QList<qsizetype> places(folders.size(), -1);
    scanLevel(folders, places, recurse);
}

void FolderScan::scanLevel(QStringList &folders, QList<qsizetype> &places, bool recurse)
{
    ReportingProcedure procedure(m_dialogs, kLocation);
    QStringList found;
    QList<qsizetype> foundPlaces;
    procedure.step(104, [&] { found.clear(); });

    for (qsizetype i = 0; i < folders.size(); ++i) {
        const QString folder = folders[i];
        qsizetype place = places[i] >= 0 ? places[i] : m_placeOf.value(folder, -1);
        // Whether it is a folder and its attribute word come from one look.
        const std::optional<int> word = attributeWordOf(folder, place);
        if (!word)
            continue;
        if (folder.size() >= kLongestPath)
            continue;

        // A folder found by this scan is known already; a starting folder is
        // looked up, with the folders its path leads through.
        if (place < 0) {
            std::optional<FolderId> id;
            procedure.step(112, [&] { id = IdentityOf(folder); });
            if (!id) {
                // The folder went away between the two looks.
                removeFirstEqual(folders, places, folder, i);
                continue;
            }
            place = rememberStartingFolder(folder, *id);
            // Noted so that other paths to it are passed over; the starting
            // folder itself is listed whatever the answer.
            listedElsewhere(folder, *id);
        }
        if (!processEvents())
            return;
        if (!procedure.test(116, [&] { return FolderPassesAttributeRule(folder, *word); }))
            continue;

        FolderContents contents;
        FolderReading reading;
        reading.folderLooks = true;
        procedure.step(118, [&] { contents = ReadFolder(folder, reading); });
        QStringList files;
        for (const FolderEntry &entry : std::as_const(contents.entries)) {
            if (!entry.folder) {
                if (m_filePattern && entry.opens && m_filePattern->matchesKey(entry.key))
                    files << entry.name;
                continue;
            }
            if (!processEvents())
                return;
            const QString &name = entry.name;
            if (name.size() >= kLongestPath || HasUnsafeCharacters(name) || name.contains(u'?'))
                continue;
            if (name == u"." || name == u"..")
                continue;
            // A link back to a folder on the way here would be walked again
            // and again; 260 characters later is far too late to stop. A
            // folder reached by a second path is passed over as well: where
            // each folder holds two links to the next, the paths would double
            // with every level.
            const QString subfolder = folder + name + u'/';
            if (isOwnAncestor(place, entry.id) || listedElsewhere(subfolder, entry.id))
                continue;
            procedure.step(132, [&] {
                m_places.append(Place{entry.id, place, {}, {}, entry.word});
                m_placeOf.insert(subfolder, m_places.size() - 1);
                found << subfolder;
                foundPlaces << m_places.size() - 1;
            });
        }
        if (m_filePattern && contents.error == 0)
            m_places[place].files = files;
        if (removesFolder(contents.error))
            removeFirstEqual(folders, places, folder, i);
    }

    if (recurse && !found.isEmpty()) {
        procedure.step(150, [&] { scanLevel(found, foundPlaces, true); });
        if (stopped())
            return;
    }

    for (qsizetype i = 0; i < found.size(); ++i) {
        const QString &subfolder = found[i];
        std::optional<int> word;
        if (!procedure.test(154, [&] {
                word = attributeWordOf(subfolder, foundPlaces[i]);
                return word.has_value();
            }))
            continue;
        if (!processEvents())
            return;
        if (procedure.test(158, [&] { return FolderPassesAttributeRule(subfolder, *word); })) {
            procedure.step(160, [&] {
                folders << subfolder;
                places << foundPlaces[i];
            });
        }
    }
}
