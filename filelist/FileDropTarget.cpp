// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileDropTarget.h"

#include "FileListWidget.h"
#include "FolderScan.h"
#include "GatherFiles.h"
#include "ScanActivity.h"

#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QScopeGuard>
#include <QUrl>

#include <sys/stat.h>

namespace {

enum class DroppedKind { File, Folder, Other };

DroppedKind kindOf(const QString &path)
{
    struct stat status { };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0)
        return DroppedKind::Other;
    if (S_ISREG(status.st_mode))
        return DroppedKind::File;
    if (S_ISDIR(status.st_mode))
        return DroppedKind::Folder;
    return DroppedKind::Other;
}

// A comment line of an address list (text/uri-list), one that begins with
// '#', as Qt reads the list: an address that is nothing but a fragment.
bool isComment(const QUrl &url)
{
    return url.toString().startsWith(u'#');
}

// The path of a file on this machine that an address names, or an empty
// string for any other address: one of another host, a relative or empty
// one, one whose path holds a NUL (which would cut the path short where the
// system reads it), or one that reads as a Windows share (//host/share).
QString localPathOf(QUrl url)
{
    if (!url.isValid() || !url.isLocalFile())
        return {};
    // "localhost" names this machine: file://localhost/home/... is a local
    // file as file:///home/... is. Another host, a user or a port is not
    // this machine's file system.
    const QString host = url.host();
    if ((!host.isEmpty() && host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) != 0)
        || !url.userInfo().isEmpty() || url.port() != -1)
        return {};
    url.setHost(QString());
    if (!url.path(QUrl::FullyEncoded).startsWith(u'/'))
        return {};
    const QString path = url.toLocalFile();
    if (path.startsWith(QStringLiteral("//")) || path.contains(QChar(u'\0')))
        return {};
    return path;
}

} // namespace

QStringList DroppedLocalPaths(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    QStringList paths;
    const QList<QUrl> urls = data->urls();
    for (const QUrl &url : urls) {
        if (isComment(url))
            continue;
        const QString path = localPathOf(url);
        if (path.isEmpty())
            return {};
        paths << path;
    }
    return paths;
}

FileDropTarget::FileDropTarget(FileListWidget &list, Dialogs &dialogs, ScanActivity *activity)
    : QObject(&list)
    , m_list(list)
    , m_dialogs(dialogs)
    , m_activity(activity)
{
    // The rows are drawn on the viewport; the header is a view of its own,
    // with its own viewport.
    watch(list.viewport());
    const QList<QHeaderView *> headers = list.findChildren<QHeaderView *>();
    for (QHeaderView *header : headers) {
        watch(header);
        watch(header->viewport());
    }
}

void FileDropTarget::watch(QObject *object)
{
    if (auto *widget = qobject_cast<QWidget *>(object))
        widget->setAcceptDrops(true);
    object->installEventFilter(this);
}

bool FileDropTarget::answerDrag(QDropEvent *event) const
{
    if (DroppedLocalPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return false;
    }
    // Qt turns an action the source does not offer back into the proposed
    // one, so a drag that offers only Move is refused outright.
    const Qt::DropActions offered = event->possibleActions();
    if (offered & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    else if (offered & Qt::LinkAction)
        event->setDropAction(Qt::LinkAction);
    else {
        event->ignore();
        return false;
    }
    event->accept();
    return true;
}

bool FileDropTarget::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        answerDrag(static_cast<QDropEvent *>(event));
        return true;
    case QEvent::DragLeave:
        return true;
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        if (!answerDrag(drop))
            return true;
        // The drag data belongs to the drag and may be gone once the window
        // handles other events during the scan.
        const QStringList paths = DroppedLocalPaths(drop->mimeData());
        addDroppedPaths(paths);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

void FileDropTarget::addDroppedPaths(const QStringList &paths)
{
    // The whole drop counts as one scan, so that a stop asked for while one
    // folder is gathered holds for the paths after it.
    if (m_activity)
        m_activity->scanStarted();
    const auto ended = qScopeGuard([this] {
        if (m_activity)
            m_activity->scanEnded();
    });
    for (const QString &path : paths) {
        try {
            switch (kindOf(path)) {
            case DroppedKind::File:
                m_list.appendPath(path);
                break;
            case DroppedKind::Folder:
                addDroppedFolder(path);
                break;
            case DroppedKind::Other:
                break;
            }
        } catch (const std::exception &) {
            // A drop has no report of its own: what could not be added is
            // passed over and the drop goes on with the next path.
        }
        if (m_activity && m_activity->stopRequested())
            return;
    }
}

void FileDropTarget::addDroppedFolder(const QString &folder)
{
    // A folder supplied with a trailing separator would keep it doubled
    // until the items are collapsed; take it off first.
    QString start = folder;
    while (start.size() > 1 && start.endsWith(u'/'))
        start.chop(1);
    FolderScan scan(m_dialogs, m_activity);
    GatherFolderFiles(scan, start, QStringLiteral("*.*"), m_list);
}
