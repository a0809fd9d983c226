// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
//
// The local paths of a drop, from its address list (text/uri-list) as a
// file manager sends it, beside Qt's own reading of the same list: QUrl's
// toLocalFile() for each address of the file scheme whose host is empty or
// "localhost". A drop is taken whole or not at all.
//
// Reading addresses needs no application object.
#include "FileDropTarget.h"
#include "FuzzSupport.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kUriList = QStringLiteral("text/uri-list");

// Drag data as the window system hands it over: the list's bytes as they
// were sent, read by QMimeData's own conversions.
class SentData final : public QMimeData {
public:
    explicit SentData(const QByteArray &list)
        : m_list(list)
    {
    }
    QStringList formats() const override { return {kUriList}; }
    bool hasFormat(const QString &format) const override { return format == kUriList; }

protected:
    QVariant retrieveData(const QString &format, QMetaType) const override
    {
        return format == kUriList ? QVariant(m_list) : QVariant();
    }

private:
    QByteArray m_list;
};

// The list with its comment lines emptied, for QMimeData::urls(), which
// would take them for addresses. The lines stay, so that what ends the list
// (a NUL, which Qt takes off) stays as it was.
QByteArray withoutComments(const QByteArray &list)
{
    QByteArrayList lines = list.split('\n');
    for (QByteArray &line : lines) {
        if (line.trimmed().startsWith('#'))
            line.clear();
    }
    return lines.join('\n');
}

// The path Qt gives for an address of a file on this machine; nullopt for
// any other address. Qt writes a host, even "localhost", in front of the
// path as a Windows share: //localhost/home/...
std::optional<QString> qtLocalPath(const QUrl &url)
{
    if (!url.isValid() || url.scheme() != u"file" || !url.userInfo().isEmpty() || url.port() != -1)
        return std::nullopt;
    QString path = url.toLocalFile();
    if (url.host() == u"localhost") {
        const QString share = QStringLiteral("//localhost");
        if (!path.startsWith(share))
            return std::nullopt;
        path.remove(0, share.size());
    } else if (!url.host().isEmpty()) {
        return std::nullopt;
    }
    // A path that is not rooted in the address itself (file:%2Fetc), one
    // that reads as a share, or one that the system would cut at a NUL.
    if (!url.path(QUrl::FullyEncoded).startsWith(u'/') || !QDir::isAbsolutePath(path)
        || path.startsWith(QStringLiteral("//")) || path.contains(QChar(u'\0')))
        return std::nullopt;
    return path;
}

// Every address's path, or nothing when any address is not a local file.
QStringList qtLocalPaths(const QList<QUrl> &urls)
{
    QStringList paths;
    for (const QUrl &url : urls) {
        const std::optional<QString> path = qtLocalPath(url);
        if (!path)
            return {};
        paths << *path;
    }
    return paths;
}

QString describe(const QList<QUrl> &urls, const QStringList &ours, const QStringList &expected)
{
    QString text = QStringLiteral("addresses:\n");
    for (const QUrl &url : urls)
        text += QStringLiteral("  %1 (valid %2, host \"%3\", local file \"%4\")\n")
                    .arg(url.toString(), url.isValid() ? u"yes"_s : u"no"_s, url.host(), url.toLocalFile());
    text += QStringLiteral("ours: \"%1\"\nQt's: \"%2\"").arg(ours.join(u"\", \""), expected.join(u"\", \""));
    return text.replace(QChar(u'\0'), u"\\0"_s);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray list = FuzzBytes(data, size);

    const SentData sent(list);
    const QStringList ours = DroppedLocalPaths(&sent);
    for (const QString &path : ours)
        FuzzCheck(QDir::isAbsolutePath(path) && !path.contains(QChar(u'\0')), "every path is absolute, without a NUL",
            QString(path).replace(QChar(u'\0'), u"\\0"_s));

    const SentData uncommented(withoutComments(list));
    const QList<QUrl> urls = uncommented.urls();
    const QStringList expected = qtLocalPaths(urls);
    FuzzCheck(ours == expected, "the paths are Qt's for local files, and none when any address is another",
        describe(urls, ours, expected));

    // The same list set on drag data made within a program, which keeps it
    // as Qt's URLs, and those URLs set as such.
    QMimeData set;
    set.setData(kUriList, list);
    const QStringList fromSet = DroppedLocalPaths(&set);
    FuzzCheck(
        fromSet == expected, "the paths are the same for the list set on drag data", describe(urls, fromSet, expected));
    QMimeData asUrls;
    asUrls.setUrls(urls);
    const QStringList fromUrls = DroppedLocalPaths(&asUrls);
    FuzzCheck(
        fromUrls == expected, "the paths are the same for the addresses as URLs", describe(urls, fromUrls, expected));
    return 0;
}
