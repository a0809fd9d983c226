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
    m_meetings = {};
    m_detours = {};
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
    Place place{id, -1, {}, {}, 0, folder};
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

// What a path to a folder found in parent is to do. Each folder's files are
// listed once, under the first path met that lists them, and its folders are
// walked by a path short enough to read it: a later path is passed over
// unless it reads what the paths before could not.
FolderScan::Visit FolderScan::visitOf(const QString &subfolder, const FolderEntry &entry, qsizetype parent, Found next)
{
    const bool lists = FolderPassesAttributeRule(subfolder, entry.word);
    const bool tooLong = subfolder.size() >= kLongestPath;
    const auto met = m_meetings.find(entry.id);
    // The same path met again (a starting folder given twice) counts as no
    // other. A first path passed over itself, such as a link named like the
    // trash, leaves the folder to this one.
    if (met == m_meetings.end() || met->path == subfolder || !met->listsFiles) {
        m_meetings.insert(entry.id, Meeting{subfolder, -1, lists});
        if (lists && tooLong)
            markCutBelow(parent, next);
        return Visit::List;
    }
    if (!lists)
        return Visit::PassOver;
    const qsizetype reader = met->reader;
    if (tooLong) {
        if (reader < 0 || m_places[reader].cutBelow)
            markCutBelow(parent, next);
        return Visit::PassOver;
    }
    if (reader < 0)
        return Visit::WalkBelow;
    if (subfolder.size() >= m_places[reader].path.size()) {
        if (m_places[reader].cutBelow)
            markCutBelow(parent, next);
        return Visit::PassOver;
    }
    if (m_places[reader].cutBelow)
        return Visit::WalkBelow;
    // Nothing below is cut short, yet: kept in case the walk below the
    // longer path is.
    const auto detour = m_detours.constFind(entry.id);
    if (detour == m_detours.cend() || subfolder.size() < detour->path.size())
        m_detours.insert(entry.id, Detour{subfolder, parent, entry.word});
    return Visit::PassOver;
}

void FolderScan::addFound(
    const QString &subfolder, const FolderId &id, qsizetype parent, int word, Visit visit, Found next)
{
    m_places.append(Place{id, parent, {}, {}, word, subfolder, visit == Visit::List});
    const qsizetype place = m_places.size() - 1;
    if (subfolder.size() < kLongestPath && FolderPassesAttributeRule(subfolder, word))
        m_meetings[id].reader = place;
    m_placeOf.insert(subfolder, place);
    next.folders << subfolder;
    next.places << place;
}

// A folder below place was too long a path to read: each folder on the way
// notes it, and one that a shorter path was passed over for is walked again
// by that path.
void FolderScan::markCutBelow(qsizetype place, Found next)
{
    for (; place >= 0 && !m_places[place].cutBelow; place = m_places[place].parent) {
        m_places[place].cutBelow = true;
        const FolderId id = m_places[place].id;
        const auto detour = m_detours.constFind(id);
        if (detour == m_detours.cend())
            continue;
        const Detour shorter = *detour;
        m_detours.erase(detour);
        if (m_meetings.value(id).reader == place)
            addFound(shorter.path, id, shorter.parent, shorter.word, Visit::WalkBelow, next);
    }
}

// A starting folder is listed whatever the scan met before; it reads the
// folder when it passes the attribute rule.
void FolderScan::noteStartingFolder(const QString &folder, const FolderId &id, qsizetype place, bool reads)
{
    const auto met = m_meetings.find(id);
    if (met == m_meetings.end() || !met->listsFiles)
        m_meetings.insert(id, Meeting{folder, reads ? place : -1, true});
    else if (met->reader < 0 && reads)
        met->reader = place;
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
            // Noted so that other paths to it are passed over.
            noteStartingFolder(folder, *id, place, FolderPassesAttributeRule(folder, *word));
        }
        if (!processEvents())
            return;
        if (!procedure.test(116, [&] { return FolderPassesAttributeRule(folder, *word); }))
            continue;

        FolderContents contents;
        FolderReading reading;
        reading.folderLooks = true;
        procedure.step(118, [&] { contents = ReadFolder(folder, reading); });
        const Found next{found, foundPlaces};
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
            if (isOwnAncestor(place, entry.id))
                continue;
            const Visit visit = visitOf(subfolder, entry, place, next);
            if (visit != Visit::PassOver)
                procedure.step(132, [&] { addFound(subfolder, entry.id, place, entry.word, visit, next); });
        }
        if (m_filePattern && contents.error == 0 && m_places[place].listed)
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
        if (!m_places[foundPlaces[i]].listed)
            continue;
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
