// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// Path texts kept in little memory. A scan lists a hundred thousand paths,
// ten or more to a folder, so each path is a reference to its folder's text,
// which the paths of one folder share, and its name. Texts are kept in one
// byte a character when every character fits in one, else in two; either
// way every text comes back exactly as it went in. The memory follows the
// paths held: texts no path uses any more are dropped once they would make
// the table hold more than twice the texts in use.
class PathTable final {
public:
    PathTable() = default;
    Q_DISABLE_COPY_MOVE(PathTable)

    qsizetype size() const { return m_items.size(); }
    QString at(qsizetype i) const;
    // Whether path i is exactly text, without building path i.
    bool holds(qsizetype i, QStringView text) const;

    void append(QStringView path);
    // Appends folder + name for each name; folder is everything before the
    // names, its trailing separator included.
    void append(QStringView folder, const QStringList &names);
    void replace(qsizetype i, QStringView path);
    void removeAt(qsizetype i);
    // Empties the table and gives its memory back.
    void clear();

    // The bytes the table has taken for its texts and items, room not yet
    // used included.
    size_t heldBytes() const;

private:
    struct Item {
        quint32 folder; // where the folder's count of users starts in m_texts
        quint32 name; // where the name starts in m_texts
    };
    struct Text {
        const char *characters;
        qsizetype size;
        bool wide; // two bytes a character
        const char *end() const { return characters + size * (wide ? 2 : 1); }
    };

    Text textAt(quint32 at) const;
    // Bytes of the text at at, or of the folder with its count of users.
    size_t textBytes(quint32 at) const;
    size_t folderBytes(quint32 at) const;
    quint32 store(QStringView text);
    quint32 storeFolder(QStringView folder);
    // A folder text already kept for one of the given items or for the last
    // one appended, else a new one; nobody uses it yet.
    quint32 folderText(QStringView folder, std::initializer_list<qsizetype> near);
    quint32 folderUsers(quint32 at) const;
    void setFolderUsers(quint32 at, quint32 users);
    void useFolder(quint32 at, quint32 items);
    void leaveFolder(quint32 at);
    void forget(qsizetype i);
    size_t liveBytes() const { return m_texts.size() - m_unused; }
    void compactWhenWasteful();
    void compact();

    QList<Item> m_items;
    std::vector<char> m_texts;
    quint32 m_lastFolder = 0;
    bool m_hasLastFolder = false;
    // Bytes of texts that no item uses.
    size_t m_unused = 0;
};
