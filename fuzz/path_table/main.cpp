// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The file list's path table against a plain QStringList given the same
// changes: the same paths in the same order after every change, and never
// more memory than twice what the paths take as texts (two bytes a
// character and a few bytes of bookkeeping each) and a fixed amount.
#include "FuzzSupport.h"
#include "PathTable.h"

#include <QStringList>

namespace {

// Characters that make folders, names, both widths and the separator.
constexpr char16_t kCharacters[] = {u'/', u'/', u'a', u'b', u'.', u' ', 0x00ff, 0x0100, 0x4e00, 0xd800, 0xdc00,
    u'x', u'/', u'A', 0x007f, 0x0000};

class Changes {
public:
    explicit Changes(const QByteArray &bytes)
        : m_bytes(bytes)
    {
    }
    bool atEnd() const { return m_at >= m_bytes.size(); }
    quint8 byte() { return atEnd() ? 0 : quint8(m_bytes.at(m_at++)); }
    // A text of up to 63 characters, a byte a character.
    QString text()
    {
        const int size = byte() & 63;
        QString text;
        for (int i = 0; i < size; ++i)
            text += QChar(kCharacters[byte() % std::size(kCharacters)]);
        return text;
    }

private:
    QByteArray m_bytes;
    qsizetype m_at = 0;
};

class Mirror {
public:
    void append(const QString &path)
    {
        table.append(path);
        add(path);
    }
    void append(const QString &folder, const QStringList &names)
    {
        table.append(folder, names);
        for (const QString &name : names)
            add(folder + name);
    }
    void replace(qsizetype i, const QString &path)
    {
        table.replace(i, path);
        m_listed -= listedBytes(paths.at(i));
        m_listed += listedBytes(path);
        paths.replace(i, path);
    }
    void removeAt(qsizetype i)
    {
        table.removeAt(i);
        m_listed -= listedBytes(paths.at(i));
        paths.removeAt(i);
    }
    void clear()
    {
        table.clear();
        paths.clear();
        m_listed = 0;
    }
    void check() const
    {
        FuzzCheck(table.size() == paths.size(), "the table holds as many paths as the list");
        FuzzCheck(table.heldBytes() <= 2 * m_listed + 128 * 1024, "the table's memory follows its paths",
            QStringLiteral("%1 bytes held for %2 paths of %3 bytes").arg(table.heldBytes()).arg(paths.size()).arg(m_listed));
    }
    void checkEveryPath() const
    {
        for (qsizetype i = 0; i < paths.size(); ++i) {
            FuzzCheck(table.at(i) == paths.at(i), "every path comes back exactly", paths.at(i));
            FuzzCheck(table.holds(i, paths.at(i)), "the table holds each path it gives back");
            FuzzCheck(!table.holds(i, paths.at(i) + u'/'), "the table holds no longer path");
        }
    }

    PathTable table;
    QStringList paths;

private:
    static size_t listedBytes(const QString &path) { return 2 * size_t(path.size()) + 24; }
    void add(const QString &path)
    {
        paths.append(path);
        m_listed += listedBytes(path);
    }
    size_t m_listed = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Changes changes(FuzzBytes(data, size));
    Mirror mirror;
    while (!changes.atEnd()) {
        const quint8 change = changes.byte();
        const qsizetype count = mirror.paths.size();
        switch (change % 7) {
        case 0:
            mirror.append(changes.text());
            break;
        case 1: {
            const QString folder = changes.text() + u'/';
            QStringList names;
            for (int n = changes.byte() % 8; n > 0; --n)
                names << changes.text();
            mirror.append(folder, names);
            break;
        }
        case 2:
            if (count > 0)
                mirror.replace(changes.byte() % count, changes.text());
            break;
        case 3:
            if (count > 0)
                mirror.removeAt(changes.byte() % count);
            break;
        case 4:
            // What the reorder drag does: two neighbours trade texts.
            if (count > 1) {
                const qsizetype i = changes.byte() % (count - 1);
                const QString first = mirror.paths.at(i);
                mirror.replace(i, mirror.paths.at(i + 1));
                mirror.replace(i + 1, first);
            }
            break;
        case 5: {
            // Many paths come and go, enough to make the table tidy itself.
            const QString path = changes.text();
            for (int round = (changes.byte() + 1) * 8; round > 0; --round) {
                mirror.append(path + QString::number(round));
                mirror.removeAt(changes.byte() % mirror.paths.size());
                mirror.check();
            }
            break;
        }
        default:
            if (change == 0xff)
                mirror.clear();
            break;
        }
        mirror.check();
    }
    mirror.checkEveryPath();
    return 0;
}
