// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "PathTable.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {

// A text is kept as its length and width, seven bits a byte (the low bit of
// the number says two bytes a character), then its characters.
constexpr unsigned kMoreBytes = 0x80;

qsizetype nameStart(QStringView path)
{
    return path.lastIndexOf(u'/') + 1;
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

quint32 PathTable::store(QStringView text)
{
    const bool wide = std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xff; });
    const size_t at = m_texts.size();
    const size_t bytes = size_t(text.size()) * (wide ? 2 : 1);
    if (at + bytes + 10 > std::numeric_limits<quint32>::max())
        throw std::bad_alloc();
    quint64 header = (quint64(text.size()) << 1) | (wide ? 1 : 0);
    do {
        const auto low = static_cast<unsigned char>(header & ~kMoreBytes);
        header >>= 7;
        m_texts.push_back(static_cast<char>(header ? low | kMoreBytes : low));
    } while (header);
    const size_t start = m_texts.size();
    m_texts.resize(start + bytes);
    char *out = m_texts.data() + start;
    if (wide) {
        std::memcpy(out, text.utf16(), bytes);
    } else {
        for (const QChar c : text)
            *out++ = static_cast<char>(c.unicode());
    }
    return quint32(at);
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
    const Text folder = textAt(m_items[i].folder);
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
    const Text folder = textAt(m_items[i].folder);
    const Text name = textAt(m_items[i].name);
    return text.size() == folder.size + name.size
        && sameText(folder.characters, folder.size, folder.wide, text.first(folder.size))
        && sameText(name.characters, name.size, name.wide, text.sliced(folder.size));
}

quint32 PathTable::folderText(QStringView folder, std::initializer_list<qsizetype> near)
{
    const auto keeps = [&](quint32 at) {
        const Text kept = textAt(at);
        return sameText(kept.characters, kept.size, kept.wide, folder);
    };
    for (const qsizetype i : near) {
        if (i >= 0 && i < m_items.size() && keeps(m_items[i].folder))
            return m_items[i].folder;
    }
    if (!m_hasLastFolder || !keeps(m_lastFolder)) {
        m_lastFolder = store(folder);
        m_hasLastFolder = true;
    }
    return m_lastFolder;
}

void PathTable::append(QStringView path)
{
    const qsizetype start = nameStart(path);
    const quint32 folder = folderText(path.first(start), {});
    m_items.append({folder, store(path.sliced(start))});
}

void PathTable::append(QStringView folder, const QStringList &names)
{
    if (names.isEmpty())
        return;
    const quint32 kept = folderText(folder, {});
    for (const QString &name : names)
        m_items.append({kept, store(name)});
}

void PathTable::replace(qsizetype i, QStringView path)
{
    if (i < 0 || i >= m_items.size())
        return;
    forget(i);
    // The reorder drag swaps the texts of neighbours, whose folders are
    // often one.
    const qsizetype start = nameStart(path);
    m_items[i] = {folderText(path.first(start), {i, i - 1, i + 1}), store(path.sliced(start))};
    compact();
}

void PathTable::removeAt(qsizetype i)
{
    if (i < 0 || i >= m_items.size())
        return;
    forget(i);
    m_items.removeAt(i);
    compact();
}

void PathTable::clear()
{
    m_items = QList<Item>();
    m_texts = std::vector<char>();
    m_hasLastFolder = false;
    m_unused = 0;
}

void PathTable::forget(qsizetype i)
{
    const quint32 name = m_items[i].name;
    m_unused += size_t(textAt(name).end() - (m_texts.data() + name));
}

// Texts of removed or replaced paths stay where they are until they make up
// half of what is kept; then the texts still used are copied afresh.
void PathTable::compact()
{
    constexpr size_t kWorthCompacting = 64 * 1024;
    if (m_texts.size() < kWorthCompacting || m_unused < m_texts.size() / 2)
        return;
    std::vector<char> texts;
    texts.reserve(m_texts.size() - m_unused);
    const auto copy = [&](quint32 at) {
        const auto copied = quint32(texts.size());
        const char *start = m_texts.data() + at;
        texts.insert(texts.end(), start, textAt(at).end());
        return copied;
    };
    quint32 oldFolder = 0;
    quint32 newFolder = 0;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        Item &item = m_items[i];
        if (i == 0 || item.folder != oldFolder) {
            oldFolder = item.folder;
            newFolder = copy(item.folder);
        }
        item = {newFolder, copy(item.name)};
    }
    m_texts = std::move(texts);
    m_hasLastFolder = false;
    m_unused = 0;
}
