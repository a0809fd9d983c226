// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AddFolder.h"

#include "OpenTest.h"
#include "WildcardSearch.h"

QStringList ListFilesInFolder(const QString &folder, const QString &pattern)
{
    // Each match is tested as FileCanBeOpened would test folder + name, from
    // what the listing itself says: a plain file is one, anything else is
    // looked up relative to the folder already open for the listing.
    return SearchOpeningFiles(folder.endsWith(u'/') ? folder : folder + u'/', pattern);
}

bool FileCanBeOpened(const QString &path)
{
    return OpensAsRegularFile(path);
}

bool HasUnsafeCharacters(const QString &name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        // A lone surrogate has no character to stand for, so it reads as '?'.
        if (c.isSurrogate())
            return true;
        const char16_t code = c.unicode();
        if (code < 32 || (code >= 127 && code <= 159) || code == u'?')
            return true;
    }
    return false;
}
