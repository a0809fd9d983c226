// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "PathTable.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {

// A text is kept as its length and width, seven bits a byte (the low bit of
// the number says two bytes a character), then its characters. A folder's
// text comes after a count of the items that use it.
constexpr unsigned kMoreBytes = 0x80;
constexpr size_t kCountBytes = sizeof(quint32);
// Set in a folder's count while the table is being compacted: the rest of
// the count is where the folder has moved to.
constexpr quint32 kMoved = 0x80000000u;
// Below this the table is not worth compacting.
constexpr size_t kWorthCompacting = 64 * 1024;

qsizetype nameStart(QStringView path)
{
    return path.lastIndexOf(u'/') + 1;
}

bool isWide(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xff; });
}

// The table's texts grow by half of what they hold at a time, so that the
// room not yet used stays below a third of the whole.
void makeRoom(std::vector<char> &texts, size_t bytes)
{
    const size_t needed = texts.size() + bytes;
    if (needed > texts.capacity())
        texts.reserve(std::max(needed, texts.capacity() + texts.capacity() / 2));
}

} // namespace

PathTable::Text PathTable::textAt(quint32 at) const
{
    const char *bytes = m_texts.data() + at;
    quint64 header = 0;
    int shift = 0;
    unsigned byte = 0;
    do {
        byte = static_cast<unsigned char>(*bytes++);
        header |= quint64(byte & ~kMoreBytes) << shift;
        shift += 7;
    } while (byte & kMoreBytes);
    return {bytes, qsizetype(header >> 1), (header & 1) != 0};
}

size_t PathTable::textBytes(quint32 at) const
{
    return size_t(textAt(at).end() - (m_texts.data() + at));
}

size_t PathTable::folderBytes(quint32 at) const
{
    return kCountBytes + textBytes(at + kCountBytes);
}

quint32 PathTable::store(QStringView text)
{
    const bool wide = isWide(text);
    char header[10];
    size_t headerBytes = 0;
    quint64 number = (quint64(text.size()) << 1) | (wide ? 1 : 0);
    do {
        const auto low = static_cast<unsigned char>(number & ~kMoreBytes);
        number >>= 7;
        header[headerBytes++] = static_cast<char>(number ? low | kMoreBytes : low);
    } while (number);
    const size_t at = m_texts.size();
    const size_t bytes = headerBytes + size_t(text.size()) * (wide ? 2 : 1);
    // Offsets keep a bit free for compacting.
    if (at + bytes >= kMoved)
        throw std::bad_alloc();
    makeRoom(m_texts, bytes);
    m_texts.insert(m_texts.end(), header, header + headerBytes);
    m_texts.resize(at + bytes);
    char *out = m_texts.data() + at + headerBytes;
    if (wide) {
        std::memcpy(out, text.utf16(), size_t(text.size()) * 2);
    } else {
        for (const QChar c : text)
            *out++ = static_cast<char>(c.unicode());
    }
    return quint32(at);
}

quint32 PathTable::storeFolder(QStringView folder)
{
    const size_t at = m_texts.size();
    makeRoom(m_texts, kCountBytes);
    m_texts.resize(at + kCountBytes);
    store(folder);
    setFolderUsers(quint32(at), 0);
    m_unused += folderBytes(quint32(at));
    return quint32(at);
}

quint32 PathTable::folderUsers(quint32 at) const
{
    quint32 users = 0;
    std::memcpy(&users, m_texts.data() + at, kCountBytes);
    return users;
}

void PathTable::setFolderUsers(quint32 at, quint32 users)
{
    std::memcpy(m_texts.data() + at, &users, kCountBytes);
}

void PathTable::useFolder(quint32 at, quint32 items)
{
    const quint32 users = folderUsers(at);
    if (users == 0)
        m_unused -= folderBytes(at);
    setFolderUsers(at, users + items);
}

void PathTable::leaveFolder(quint32 at)
{
    const quint32 users = folderUsers(at) - 1;
    setFolderUsers(at, users);
    if (users == 0)
        m_unused += folderBytes(at);
}

namespace {

void appendText(QString &out, const char *characters, qsizetype size, bool wide)
{
    if (!wide) {
        out.append(QLatin1StringView(characters, size));
        return;
    }
    const qsizetype old = out.size();
    out.resize(old + size);
    std::memcpy(out.data() + old, characters, size_t(size) * 2);
}

bool sameText(const char *characters, qsizetype size, bool wide, QStringView text)
{
    if (text.size() != size)
        return false;
    if (wide)
        return std::memcmp(characters, text.utf16(), size_t(size) * 2) == 0;
    return QLatin1StringView(characters, size) == text;
}

} // namespace

QString PathTable::at(qsizetype i) const
{
    if (i < 0 || i >= m_items.size())
        return QString();
    const Text folder = textAt(m_items[i].folder + kCountBytes);
    const Text name = textAt(m_items[i].name);
    QString path;
    path.reserve(folder.size + name.size);
    appendText(path, folder.characters, folder.size, folder.wide);
    appendText(path, name.characters, name.size, name.wide);
    return path;
}

bool PathTable::holds(qsizetype i, QStringView text) const
{
    if (i < 0 || i >= m_items.size())
        return false;
    const Text folder = textAt(m_items[i].folder + kCountBytes);
    const Text name = textAt(m_items[i].name);
    return text.size() == folder.size + name.size
        && sameText(folder.characters, folder.size, folder.wide, text.first(folder.size))
        && sameText(name.characters, name.size, name.wide, text.sliced(folder.size));
}

quint32 PathTable::folderText(QStringView folder, std::initializer_list<qsizetype> near)
{
    const auto keeps = [&](quint32 at) {
        const Text kept = textAt(at + kCountBytes);
        return sameText(kept.characters, kept.size, kept.wide, folder);
    };
    for (const qsizetype i : near) {
        if (i >= 0 && i < m_items.size() && keeps(m_items[i].folder))
            return m_items[i].folder;
    }
    if (!m_hasLastFolder || !keeps(m_lastFolder)) {
        m_lastFolder = storeFolder(folder);
        m_hasLastFolder = true;
    }
    return m_lastFolder;
}

void PathTable::append(QStringView path)
{
    const qsizetype start = nameStart(path);
    const quint32 folder = folderText(path.first(start), {});
    const quint32 name = store(path.sliced(start));
    useFolder(folder, 1);
    m_items.append({folder, name});
    compactWhenWasteful();
}

void PathTable::append(QStringView folder, const QStringList &names)
{
    if (names.isEmpty())
        return;
    const quint32 kept = folderText(folder, {});
    m_items.reserve(m_items.size() + names.size());
    for (const QString &name : names) {
        m_items.append({kept, store(name)});
        useFolder(kept, 1);
    }
    compactWhenWasteful();
}

void PathTable::replace(qsizetype i, QStringView path)
{
    if (i < 0 || i >= m_items.size())
        return;
    forget(i);
    // The reorder drag swaps the texts of neighbours, whose folders are
    // often one.
    const qsizetype start = nameStart(path);
    const quint32 folder = folderText(path.first(start), {i, i - 1, i + 1});
    const quint32 name = store(path.sliced(start));
    useFolder(folder, 1);
    m_items[i] = {folder, name};
    compactWhenWasteful();
}

void PathTable::removeAt(qsizetype i)
{
    if (i < 0 || i >= m_items.size())
        return;
    forget(i);
    m_items.removeAt(i);
    if (m_items.capacity() > 2 * m_items.size() + 1024)
        m_items.squeeze();
    compactWhenWasteful();
}

void PathTable::clear()
{
    m_items = QList<Item>();
    m_texts = std::vector<char>();
    m_hasLastFolder = false;
    m_unused = 0;
}

size_t PathTable::heldBytes() const
{
    return m_texts.capacity() + size_t(m_items.capacity()) * sizeof(Item);
}

void PathTable::forget(qsizetype i)
{
    m_unused += textBytes(m_items[i].name);
    leaveFolder(m_items[i].folder);
}

// Texts of removed or replaced paths stay where they are until the table
// holds more than twice the texts in use; then those are copied afresh,
// with room for a quarter more.
void PathTable::compactWhenWasteful()
{
    if (m_texts.capacity() > 2 * liveBytes() + kWorthCompacting)
        compact();
}

void PathTable::compact()
{
    std::vector<char> texts;
    texts.reserve(liveBytes() + liveBytes() / 4);
    const auto copy = [&](quint32 at, size_t bytes) {
        const auto copied = quint32(texts.size());
        const char *start = m_texts.data() + at;
        texts.insert(texts.end(), start, start + bytes);
        return copied;
    };
    // A folder is copied for its first item; its old count then says where
    // it went, for the items after.
    const auto moveFolder = [&](quint32 at) {
        const quint32 users = folderUsers(at);
        if (users & kMoved)
            return users & ~kMoved;
        const quint32 moved = copy(at, folderBytes(at));
        setFolderUsers(at, moved | kMoved);
        return moved;
    };
    for (Item &item : m_items)
        item = {moveFolder(item.folder), copy(item.name, textBytes(item.name))};
    // The last folder is kept only when an item still uses it.
    if (m_hasLastFolder && (folderUsers(m_lastFolder) & kMoved))
        m_lastFolder = folderUsers(m_lastFolder) & ~kMoved;
    else
        m_hasLastFolder = false;
    m_texts = std::move(texts);
    m_unused = 0;
}
