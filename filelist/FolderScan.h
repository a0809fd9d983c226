// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FolderListing.h"

#include <QElapsedTimer>
#include <QHash>
#include <QStringList>

#include <memory>
#include <optional>

class Dialogs;
class ScanActivity;
class WildcardPattern;

// Finds every folder below a list of folders, level by level, for the
// actions that gather files from a whole tree. The window handles its
// events at every folder, so the scan can be stopped from outside (see
// ScanActivity); a stopped scan returns at once and leaves the list as far
// as it got.
class FolderScan final {
public:
    explicit FolderScan(Dialogs &dialogs, ScanActivity *activity = nullptr);
    Q_DISABLE_COPY_MOVE(FolderScan)
    ~FolderScan();

    // Extends folders (each entry ending in '/') with every folder below
    // them, breadth first, in listing order within each folder. A folder
    // whose subfolders may not be read, or that has vanished, is removed
    // from the list without a word; other failures are reported and the
    // scan goes on.
    void GetSubDirectories2016(QStringList &folders, bool recurse);

    // While each folder is read for its subfolders, its files whose names
    // match pattern are noted as ListFilesInFolder would list them, so that
    // gathering files need not read every folder a second time.
    void noteFiles(const QString &pattern);
    // The noted files of a folder entry, handed over once; none when the
    // scan did not read the whole folder.
    std::optional<QStringList> takeNotedFiles(const QString &folder);

    bool stopped() const;

    // Lets the window handle its pending events, at most every few
    // milliseconds: a shown list lays all its rows out again whenever it
    // handles events after new ones came, so handling them at every folder
    // of a large tree would cost the square of its size. False when the scan
    // has been asked to stop meanwhile.
    bool processEvents();

private:
    // A folder the scan has met, by its entry in the folder lists.
    struct Place {
        FolderId id;
        qsizetype parent = -1; // the place this folder was found in; none for a starting folder
        QList<FolderId> outside; // for a starting folder: the folders its path leads through
        std::optional<QStringList> files;
        int word = 0; // for a folder found by the scan: its attribute word
        QString path;
        // False for a folder walked again by a shorter path for what lies
        // below it: its files are listed under the path first met.
        bool listed = true;
        // Some folder below it, by this path, was too long a path to read.
        bool cutBelow = false;
    };

    // How the scan came to know a folder.
    struct Meeting {
        QString path; // the first path met, which lists the folder's files
        qsizetype reader = -1; // the place read for its folders; none while each path was too long
        bool listsFiles = true; // false when the first path is passed over itself
    };

    // A path shorter than the one a folder was read by, passed over while
    // nothing below the folder was cut short.
    struct Detour {
        QString path;
        qsizetype parent = -1;
        int word = 0;
    };

    // The next level of a scan, as it is found.
    struct Found {
        QStringList &folders;
        QList<qsizetype> &places;
    };

    enum class Visit { PassOver, List, WalkBelow };

    // GetSubDirectories2016 with, for each folder, its place when known
    // (found folders) or -1, so that a level need not look its folders up
    // by their texts.
    void scanLevel(QStringList &folders, QList<qsizetype> &places, bool recurse);
    std::optional<int> attributeWordOf(const QString &folder, qsizetype place) const;
    bool isOwnAncestor(qsizetype place, const FolderId &id) const;
    Visit visitOf(const QString &subfolder, const FolderEntry &entry, qsizetype parent, Found next);
    void addFound(const QString &subfolder, const FolderId &id, qsizetype parent, int word, Visit visit, Found next);
    void markCutBelow(qsizetype place, Found next);
    void noteStartingFolder(const QString &folder, const FolderId &id, qsizetype place, bool reads);
    qsizetype rememberStartingFolder(const QString &folder, const FolderId &id);

    Dialogs &m_dialogs;
    ScanActivity *m_activity;
    QList<Place> m_places;
    QHash<QString, qsizetype> m_placeOf; // by the folder's entry
    QHash<FolderId, Meeting> m_meetings;
    QHash<FolderId, Detour> m_detours;
    std::unique_ptr<WildcardPattern> m_filePattern;
    QElapsedTimer m_sinceEvents;
};

// Whether a folder with this attribute word is listed: not when the word
// says hidden + system (+ link), unless the folder is the root.
bool FolderPassesAttributeRule(const QString &folder, int word);
