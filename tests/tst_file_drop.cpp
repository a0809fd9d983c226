// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileListWidget.h"
#include "ListItems.h"
#include "Form1.h"
#include "QuietStart.h"
#include "ScriptedDialogs.h"
#include "TestTree.h"

#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QWidget *dropTarget(FileListWidget &list, const QString &where)
{
    return where == u"header" ? list.header()->viewport() : list.viewport();
}

struct DragAnswer {
    bool accepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

DragAnswer sendDragEnter(QWidget *target, const QMimeData *data, Qt::DropActions actions, Qt::KeyboardModifiers keys)
{
    QDragEnterEvent enter(QPoint(4, 4), actions, data, Qt::LeftButton, keys);
    QCoreApplication::sendEvent(target, &enter);
    return {enter.isAccepted(), enter.dropAction()};
}

DragAnswer sendDragMove(QWidget *target, const QMimeData *data, Qt::DropActions actions, Qt::KeyboardModifiers keys)
{
    QDragMoveEvent move(QPoint(6, 6), actions, data, Qt::LeftButton, keys);
    QCoreApplication::sendEvent(target, &move);
    return {move.isAccepted(), move.dropAction()};
}

void sendDragLeave(QWidget *target)
{
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(target, &leave);
}

// A drop comes after the drag entered the widget, as from a real drag: the
// application hands it to the widget that took the drag.
DragAnswer sendDrop(QWidget *target, const QMimeData *data, Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction)
{
    sendDragEnter(target, data, actions, Qt::NoModifier);
    QDropEvent drop(QPointF(6, 6), actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return {drop.isAccepted(), drop.dropAction()};
}

std::unique_ptr<QMimeData> filesData(const QStringList &paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

} // namespace

class TestFileDrop final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void dragIsAnsweredSafely_data();
    void dragIsAnsweredSafely();
    void dropAppendsInTheOrderSupplied_data();
    void dropAppendsInTheOrderSupplied();
    void refusedDropAddsNothing_data();
    void refusedDropAddsNothing();
    void dropWhileBusyStillAppends();
    void dropOutlivesItsDragData();
    void closingDuringADropStopsItAndCloses();

private:
    QString path(const QString &relative) const { return m_tree.path() + u'/' + relative; }

    QTemporaryDir m_config;
    QTemporaryDir m_tree;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Form1> m_form;
};

void TestFileDrop::initTestCase()
{
    QVERIFY(m_config.isValid());
    QVERIFY(m_tree.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    const QDir tree(m_tree.path());
    for (const QString &folder : {u"F/sub"_s, u"G"_s, u"H"_s, u"empty"_s})
        QVERIFY(tree.mkpath(folder));
    for (const QString &file : {u"clip.wmv"_s, u"~draft.avi"_s, u"F/a.avi"_s, u"F/~tmp.avi"_s, u"F/.dot"_s,
             u"F/sub/b.avi"_s, u"G/g.avi"_s, u"H/.ro.avi"_s, u"H/notes.txt"_s})
        WriteTextFile(path(file), "x");
    QVERIFY(QFile::setPermissions(path(u"H/.ro.avi"_s), QFileDevice::ReadOwner));
    QCOMPARE(::mkfifo(QFile::encodeName(path(u"pipe.avi"_s)).constData(), 0644), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(path(u"H/pipe.avi"_s)).constData(), 0644), 0);
}

void TestFileDrop::init()
{
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_form = std::make_unique<Form1>(*m_dialogs, QuietStart());
}

void TestFileDrop::cleanup()
{
    // A row that failed in the middle of a drag must not hand the drag on:
    // the leave goes to whichever widget took the drag, if any did.
    if (m_form)
        sendDragLeave(m_form->listView1()->viewport());
    m_form.reset();
    m_dialogs.reset();
}

void TestFileDrop::dragIsAnsweredSafely_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("data");
    QTest::addColumn<int>("actions");
    QTest::addColumn<int>("keys");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("action");
    const int copyOrMove = Qt::CopyAction | Qt::MoveAction;
    for (const QString &where : {u"rows"_s, u"header"_s}) {
        const QByteArray on = ", " + where.toUtf8();
        QTest::newRow("files" + on) << where << u"files"_s << copyOrMove << 0 << true << int(Qt::CopyAction);
        QTest::newRow("files, Shift asks to move" + on)
            << where << u"files"_s << copyOrMove << int(Qt::ShiftModifier) << true << int(Qt::CopyAction);
        QTest::newRow("files, move only" + on) << where << u"files"_s << int(Qt::MoveAction) << 0 << false << -1;
        QTest::newRow("files, link or move" + on)
            << where << u"files"_s << int(Qt::LinkAction | Qt::MoveAction) << 0 << true << int(Qt::LinkAction);
        QTest::newRow("text only" + on) << where << u"text"_s << copyOrMove << 0 << false << -1;
        QTest::newRow("web address" + on) << where << u"remote"_s << copyOrMove << 0 << false << -1;
        QTest::newRow("file and web address" + on) << where << u"mixed"_s << copyOrMove << 0 << false << -1;
    }
}

void TestFileDrop::dragIsAnsweredSafely()
{
    QFETCH(QString, where);
    QFETCH(QString, data);
    QFETCH(int, actions);
    QFETCH(int, keys);
    QFETCH(bool, accepted);
    QFETCH(int, action);
    QMimeData mime;
    const QUrl file = QUrl::fromLocalFile(path(u"clip.wmv"_s));
    const QUrl remote(u"https://example.org/clip.avi"_s);
    if (data == u"files")
        mime.setUrls({file});
    if (data == u"text")
        mime.setText(path(u"clip.wmv"_s));
    if (data == u"remote")
        mime.setUrls({remote});
    if (data == u"mixed")
        mime.setUrls({file, remote});
    QWidget *target = dropTarget(*m_form->listView1(), where);
    const auto dropActions = Qt::DropActions::fromInt(actions);
    const auto modifiers = Qt::KeyboardModifiers::fromInt(keys);

    for (const DragAnswer &answer :
        {sendDragEnter(target, &mime, dropActions, modifiers), sendDragMove(target, &mime, dropActions, modifiers)}) {
        QCOMPARE(answer.accepted, accepted);
        if (accepted)
            QCOMPARE(int(answer.action), action);
    }
    sendDragLeave(target);
}

void TestFileDrop::dropAppendsInTheOrderSupplied_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QStringList>("items");
    for (const QString &where : {u"rows"_s, u"header"_s}) {
        const QByteArray on = ", " + where.toUtf8();
        QTest::newRow("a file of any type" + on) << where << QStringList{u"clip.wmv"_s} << QStringList{u"clip.wmv"_s};
        QTest::newRow("a ~ file dropped itself" + on)
            << where << QStringList{u"~draft.avi"_s} << QStringList{u"~draft.avi"_s};
        QTest::newRow("a folder: no ~ files, no dot files" + on)
            << where << QStringList{u"F"_s} << QStringList{u"F/a.avi"_s, u"F/sub/b.avi"_s};
        QTest::newRow("a folder with a trailing separator" + on)
            << where << QStringList{u"F/"_s} << QStringList{u"F/a.avi"_s, u"F/sub/b.avi"_s};
        QTest::newRow("a folder: read-only dot file, any type, no FIFO" + on)
            << where << QStringList{u"H"_s} << QStringList{u"H/.ro.avi"_s, u"H/notes.txt"_s};
        QTest::newRow("two folders" + on)
            << where << QStringList{u"G"_s, u"F"_s} << QStringList{u"G/g.avi"_s, u"F/a.avi"_s, u"F/sub/b.avi"_s};
        QTest::newRow("file, folder, file" + on) << where << QStringList{u"clip.wmv"_s, u"G"_s, u"~draft.avi"_s}
                                                 << QStringList{u"clip.wmv"_s, u"G/g.avi"_s, u"~draft.avi"_s};
        QTest::newRow("the same folder twice" + on)
            << where << QStringList{u"G"_s, u"G/"_s} << QStringList{u"G/g.avi"_s, u"G/g.avi"_s};
        QTest::newRow("an empty folder" + on) << where << QStringList{u"empty"_s} << QStringList();
        QTest::newRow("a path that vanished" + on)
            << where << QStringList{u"gone.avi"_s, u"clip.wmv"_s} << QStringList{u"clip.wmv"_s};
        QTest::newRow("a FIFO" + on) << where << QStringList{u"pipe.avi"_s, u"clip.wmv"_s}
                                     << QStringList{u"clip.wmv"_s};
        QTest::newRow("the same file twice" + on)
            << where << QStringList{u"clip.wmv"_s, u"clip.wmv"_s} << QStringList{u"clip.wmv"_s, u"clip.wmv"_s};
        QTest::newRow("a file and a folder by localhost addresses" + on)
            << where << QStringList{u"localhost:clip.wmv"_s, u"LocalHost:G"_s}
            << QStringList{u"clip.wmv"_s, u"G/g.avi"_s};
        QTest::newRow("comment lines passed over" + on)
            << where << QStringList{u"# dropped from a file manager"_s, u"clip.wmv"_s, u"#G"_s, u"G"_s}
            << QStringList{u"clip.wmv"_s, u"G/g.avi"_s};
    }
}

void TestFileDrop::dropAppendsInTheOrderSupplied()
{
    QFETCH(QString, where);
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, items);
    // "host:" before a name: the file's address names that host, as some
    // file managers write it. A line that begins with '#' is a comment of
    // the address list.
    QByteArray addresses;
    for (const QString &dropping : std::as_const(dropped)) {
        if (dropping.startsWith(u'#')) {
            addresses += dropping.toUtf8() + "\r\n";
            continue;
        }
        QUrl url = QUrl::fromLocalFile(path(dropping.section(u':', -1)));
        url.setHost(dropping.section(u':', 0, -2));
        addresses += url.toEncoded() + "\r\n";
    }
    QStringList expected;
    for (const QString &relative : std::as_const(items))
        expected << path(relative);
    FileListWidget &list = *m_form->listView1();
    list.appendPath(u"/earlier.avi"_s);

    QMimeData data;
    data.setData(u"text/uri-list"_s, addresses);
    QElapsedTimer timer;
    timer.start();
    const DragAnswer answer = sendDrop(dropTarget(list, where), &data);
    QVERIFY(timer.elapsed() < 10000);
    QVERIFY(answer.accepted);
    QCOMPARE(int(answer.action), int(Qt::CopyAction));
    QCOMPARE(itemsOf(list), QStringList{u"/earlier.avi"_s} + expected);
    QCOMPARE(m_dialogs->messages.size(), 0);
}

void TestFileDrop::refusedDropAddsNothing_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<int>("actions");
    // For "addresses": the address list, one a line, <tree> standing for the
    // folder of the test's files and <rootless tree> for it without its
    // leading '/'.
    QTest::addColumn<QString>("addresses");
    const int copyOrMove = Qt::CopyAction | Qt::MoveAction;
    QTest::newRow("move only") << u"files"_s << int(Qt::MoveAction) << QString();
    QTest::newRow("text only") << u"text"_s << copyOrMove << QString();
    QTest::newRow("a NUL in the path") << u"addresses"_s << copyOrMove << u"file://<tree>/G/%00x.avi"_s;
    QTest::newRow("a NUL after a file") << u"addresses"_s << copyOrMove
                                        << u"file://<tree>/clip.wmv\nfile://<tree>/G%00"_s;
    // The tree's first folder is read as a host; as a path, //tmp/... would
    // name the very file the address would have if it were local.
    QTest::newRow("another host") << u"addresses"_s << copyOrMove << u"file:/<tree>/clip.wmv"_s;
    QTest::newRow("another host after a file")
        << u"addresses"_s << copyOrMove << u"file://<tree>/G\nfile://elsewhere<tree>/clip.wmv"_s;
    QTest::newRow("a relative address") << u"addresses"_s << copyOrMove << u"file:clip.wmv"_s;
    QTest::newRow("an empty address") << u"addresses"_s << copyOrMove << u"file:"_s;
    QTest::newRow("an empty address with a host part") << u"addresses"_s << copyOrMove << u"file://"_s;
    QTest::newRow("a Windows share") << u"addresses"_s << copyOrMove << u"file:////<tree>/clip.wmv"_s;
    QTest::newRow("a rootless path that decodes as a rooted one")
        << u"addresses"_s << copyOrMove << u"file:%2F<rootless tree>/clip.wmv"_s;
    QTest::newRow("a user and a port") << u"addresses"_s << copyOrMove << u"file://me@localhost:21<tree>/G"_s;
    QTest::newRow("comments only") << u"addresses"_s << copyOrMove << u"# file://<tree>/G"_s;
}

void TestFileDrop::refusedDropAddsNothing()
{
    QFETCH(QString, data);
    QFETCH(int, actions);
    QFETCH(QString, addresses);
    QMimeData mime;
    if (data == u"files")
        mime.setUrls({QUrl::fromLocalFile(path(u"G"_s))});
    else if (data == u"addresses")
        mime.setData(u"text/uri-list"_s,
            QString(addresses)
                .replace(u"<tree>"_s, m_tree.path())
                .replace(u"<rootless tree>"_s, m_tree.path().mid(1))
                .toUtf8());
    else
        mime.setText(path(u"G/g.avi"_s));
    const DragAnswer answer = sendDrop(m_form->listView1()->viewport(), &mime, Qt::DropActions::fromInt(actions));
    QVERIFY(!answer.accepted);
    QCOMPARE(m_form->listView1()->count(), 0);
    QCOMPARE(m_dialogs->messages.size(), 0);
}

void TestFileDrop::dropWhileBusyStillAppends()
{
    m_form->setMousePointer(PointerBusy);
    const auto data = filesData({path(u"G"_s)});
    sendDrop(m_form->listView1()->viewport(), data.get());
    QCOMPARE(itemsOf(*m_form->listView1()), QStringList{path(u"G/g.avi"_s)});
    QVERIFY(m_form->isBusy());
}

void TestFileDrop::dropOutlivesItsDragData()
{
    // A real drag may end while the drop still scans; its data goes with it.
    auto *data = filesData({path(u"F"_s), path(u"G"_s), path(u"clip.wmv"_s)}).release();
    QTimer::singleShot(0, this, [data] { delete data; });
    sendDrop(m_form->listView1()->viewport(), data);
    QCOMPARE(itemsOf(*m_form->listView1()),
        QStringList({path(u"F/a.avi"_s), path(u"F/sub/b.avi"_s), path(u"G/g.avi"_s), path(u"clip.wmv"_s)}));
}

void TestFileDrop::closingDuringADropStopsItAndCloses()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTimer::singleShot(0, m_form.get(), [this] { m_form->close(); });
    const auto data = filesData({path(u"F"_s), path(u"G"_s), path(u"H"_s)});
    sendDrop(m_form->listView1()->viewport(), data.get());
    // The close came at the first folder, before any file was added.
    QCOMPARE(m_form->listView1()->count(), 0);
    QTRY_VERIFY(!m_form->isVisible());
}

QTEST_MAIN(TestFileDrop)
#include "tst_file_drop.moc"
