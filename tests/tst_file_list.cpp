// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplicationTitle.h"
#include "FileListWidget.h"
#include "ListItems.h"
#include "Form1.h"
#include "PathTable.h"
#include "QuietStart.h"
#include "RuntimeError.h"
#include "ScriptedDialogs.h"
#include "TestTree.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList kFiveItems = {u"/v/A.avi"_s, u"/v/B.avi"_s, u"/v/C.avi"_s, u"/v/D.avi"_s, u"/v/E.avi"_s};

void clickItem(FileListWidget &list, int index)
{
    const QRect area = list.itemRect(index);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, area.center());
}

// Qt's own checks of the list's model on every change, failing the test
// that made a change the model reported wrongly.
void checkModelOf(FileListWidget &list)
{
    new QAbstractItemModelTester(list.model(), QAbstractItemModelTester::FailureReportingMode::QtTest, &list);
}

// A path table and a plain list given the same changes; after each one the
// table must hold at most twice what its paths take as texts, each two bytes
// a character and a few bytes of bookkeeping, and a fixed amount besides.
class MirroredTable final {
public:
    void append(const QString &path)
    {
        table.append(path);
        paths.append(path);
        check();
    }
    void append(const QString &folder, const QStringList &names)
    {
        table.append(folder, names);
        for (const QString &name : names)
            paths.append(folder + name);
        check();
    }
    void replace(qsizetype i, const QString &path)
    {
        table.replace(i, path);
        paths.replace(i, path);
        check();
    }
    void removeAt(qsizetype i)
    {
        table.removeAt(i);
        paths.removeAt(i);
        check();
    }
    void swap(qsizetype i, qsizetype j)
    {
        const QString first = paths.at(i);
        replace(i, paths.at(j));
        replace(j, first);
    }

    PathTable table;
    QStringList paths;
    size_t mostHeld = 0;
    bool withinBound = true;

private:
    void check()
    {
        size_t listed = 0;
        if (paths.size() < 64 || paths.size() % 64 == 0) {
            for (const QString &path : std::as_const(paths))
                listed += 2 * size_t(path.size()) + 24;
            withinBound = withinBound && table.heldBytes() <= 2 * listed + 128 * 1024;
        }
        mostHeld = std::max(mostHeld, table.heldBytes());
    }
};

using TableChanges = std::function<void(MirroredTable &)>;

// What a drop handler sees: the drag events that reach the watched widgets.
class DropWatcher final : public QObject {
public:
    QList<QPair<QObject *, QEvent::Type>> seen;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::DragEnter && event->type() != QEvent::Drop)
            return false;
        seen.append({watched, event->type()});
        auto *drop = static_cast<QDropEvent *>(event);
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        return true;
    }
};

} // namespace

Q_DECLARE_METATYPE(TableChanges)

class TestFileList final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void removalActsOnSelectedItemUnlessBusy_data();
    void removalActsOnSelectedItemUnlessBusy();
    void removalOnEmptyListDoesNothing();
    void clearListUnlessBusy_data();
    void clearListUnlessBusy();
    void isListedComparesExactly();
    void removalLeavesASensibleSelection_data();
    void removalLeavesASensibleSelection();
    void changedTextIsRepainted();
    void pathsAppendInOrderAsOneChange();
    void textsComeBackExactly_data();
    void textsComeBackExactly();
    void tableMemoryFollowsItsPaths_data();
    void tableMemoryFollowsItsPaths();
    void clearingEndsTheSelection();
    void itemsAreFoundWhereTheyAreDrawn();
    void wideColumnScrollsSideways();
    void dropsReachFiltersOnListAndHeader();
    void dialogAddsChosenFiles_data();
    void dialogAddsChosenFiles();
    void dialogIsAskedAsDesigned();
    void tooManyFilesLeavesListUnchanged();
    void otherDialogFailureIsReported();

private:
    QTemporaryDir m_config;
};

void TestFileList::init()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
}

void TestFileList::removalActsOnSelectedItemUnlessBusy_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QStringList>("expected");
    const QStringList withoutC = {u"/v/A.avi"_s, u"/v/B.avi"_s, u"/v/D.avi"_s, u"/v/E.avi"_s};
    QTest::newRow("double-click") << u"double-click"_s << false << withoutC;
    QTest::newRow("right double-click") << u"right double-click"_s << false << kFiveItems;
    QTest::newRow("Delete") << u"Delete"_s << false << withoutC;
    QTest::newRow("Backspace") << u"Backspace"_s << false << kFiveItems;
    QTest::newRow("letter") << u"X"_s << false << kFiveItems;
    QTest::newRow("double-click while busy") << u"double-click"_s << true << kFiveItems;
    QTest::newRow("Delete while busy") << u"Delete"_s << true << kFiveItems;
}

void TestFileList::removalActsOnSelectedItemUnlessBusy()
{
    QFETCH(QString, action);
    QFETCH(bool, busy);
    QFETCH(QStringList, expected);
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    form.show();
    FileListWidget &list = *form.listView1();
    checkModelOf(list);
    for (const QString &path : kFiveItems)
        list.appendPath(path);
    clickItem(list, 3);
    QCOMPARE(list.selectedIndex(), 3);
    if (busy)
        form.setMousePointer(PointerBusy);

    if (action == u"double-click"_s)
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.itemRect(3).center());
    else if (action == u"right double-click"_s)
        QTest::mouseDClick(list.viewport(), Qt::RightButton, {}, list.itemRect(3).center());
    else if (action == u"Delete"_s)
        QTest::keyClick(&list, Qt::Key_Delete);
    else if (action == u"Backspace"_s)
        QTest::keyClick(&list, Qt::Key_Backspace);
    else
        QTest::keyClick(&list, Qt::Key_X);

    QCOMPARE(itemsOf(list), expected);
    QVERIFY(dialogs.messages.isEmpty());
}

void TestFileList::removalOnEmptyListDoesNothing()
{
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    form.show();
    QTest::mouseDClick(form.listView1()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QTest::keyClick(form.listView1(), Qt::Key_Delete);
    QCOMPARE(form.listView1()->count(), 0);
    QVERIFY(dialogs.messages.isEmpty());
}

void TestFileList::clearListUnlessBusy_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("left");
    QTest::newRow("five items") << kFiveItems << false << 0;
    QTest::newRow("busy") << kFiveItems << true << 5;
    QTest::newRow("empty") << QStringList() << false << 0;
}

void TestFileList::clearListUnlessBusy()
{
    QFETCH(QStringList, items);
    QFETCH(bool, busy);
    QFETCH(int, left);
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    for (const QString &path : items)
        form.listView1()->appendPath(path);
    if (busy)
        form.setMousePointer(PointerBusy);
    form.pushButton7()->click();
    QCOMPARE(form.listView1()->count(), left);
    QVERIFY(dialogs.messages.isEmpty());
}

void TestFileList::isListedComparesExactly()
{
    FileListWidget list;
    QVERIFY(!IsListed(list, u"/v/A.avi"_s));
    list.appendPath(u"/v/A.avi"_s);
    list.appendPath(u"/v/B.avi"_s);
    QVERIFY(IsListed(list, u"/v/A.avi"_s));
    QVERIFY(IsListed(list, u"/v/B.avi"_s));
    QVERIFY(!IsListed(list, u"/v/a.avi"_s));
    QVERIFY(!IsListed(list, u"/v/A.avi "_s));
}

void TestFileList::removalLeavesASensibleSelection_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("selectedAfter");
    QTest::addColumn<int>("selectedIndexAfter");
    QTest::newRow("an item above the selected one") << kFiveItems << 3 << 1 << u"/v/C.avi"_s << 2;
    QTest::newRow("an item below the selected one") << kFiveItems << 3 << 5 << u"/v/C.avi"_s << 3;
    QTest::newRow("the selected one: the next moves up") << kFiveItems << 3 << 3 << u"/v/D.avi"_s << 3;
    QTest::newRow("the selected last one") << kFiveItems << 5 << 5 << u"/v/D.avi"_s << 4;
    QTest::newRow("the selected first one") << kFiveItems << 1 << 1 << u"/v/B.avi"_s << 1;
    QTest::newRow("the only one") << QStringList{u"/v/A.avi"_s} << 1 << 1 << QString() << 0;
    QTest::newRow("none selected") << kFiveItems << 0 << 2 << QString() << 0;
    QTest::newRow("no such item") << kFiveItems << 2 << 6 << u"/v/B.avi"_s << 2;
}

void TestFileList::removalLeavesASensibleSelection()
{
    QFETCH(QStringList, items);
    QFETCH(int, selected);
    QFETCH(int, removed);
    QFETCH(QString, selectedAfter);
    QFETCH(int, selectedIndexAfter);
    FileListWidget list;
    list.show();
    list.appendPaths(items);
    list.selectIndex(selected);

    list.removeAt(removed);

    QCOMPARE(list.selectedIndex(), selectedIndexAfter);
    QCOMPARE(list.textAt(selectedIndexAfter), selectedAfter);
    if (selectedIndexAfter > 0) {
        // The keys go on from the selected item, not from a neighbour.
        QCOMPARE(list.currentIndex().row() + 1, selectedIndexAfter);
        QTest::keyClick(&list, Qt::Key_Up);
        QCOMPARE(list.selectedIndex(), std::max(1, selectedIndexAfter - 1));
    }
}

void TestFileList::changedTextIsRepainted()
{
    FileListWidget list;
    list.appendPaths(kFiveItems);
    QSignalSpy changed(list.model(), &QAbstractItemModel::dataChanged);

    list.setTextAt(2, u"/v/X.avi"_s);
    list.setTextAt(6, u"/v/Y.avi"_s);
    list.setTextAt(0, u"/v/Z.avi"_s);

    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.front().at(0).toModelIndex().row(), 1);
    QCOMPARE(changed.front().at(1).toModelIndex().row(), 1);
    QCOMPARE(list.model()->index(1, 0).data().toString(), u"/v/X.avi"_s);
    QCOMPARE(itemsOf(list), (QStringList{u"/v/A.avi"_s, u"/v/X.avi"_s, u"/v/C.avi"_s, u"/v/D.avi"_s, u"/v/E.avi"_s}));
}

void TestFileList::pathsAppendInOrderAsOneChange()
{
    FileListWidget list;
    checkModelOf(list);
    list.appendPath(u"/v/A.avi"_s);
    list.appendFolderFiles(u"/w/"_s, {u"1.avi"_s, u"2.avi"_s});
    list.removeAt(2);
    list.removeAt(2);
    QSignalSpy inserted(list.model(), &QAbstractItemModel::rowsInserted);

    list.appendPaths({u"/v/B.avi"_s, u"/v/C.avi"_s, u"/v/B.avi"_s});
    list.appendPaths({});

    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.front().at(1).toInt(), 1);
    QCOMPARE(inserted.front().at(2).toInt(), 3);
    QCOMPARE(itemsOf(list), (QStringList{u"/v/A.avi"_s, u"/v/B.avi"_s, u"/v/C.avi"_s, u"/v/B.avi"_s}));
}

void TestFileList::textsComeBackExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << u"/v/clip.avi"_s;
    QTest::newRow("accented") << u"/Vidéos/Été à Genève.avi"_s;
    QTest::newRow("last one-byte character") << u"/v/"_s + QChar(0xff) + u".avi"_s;
    QTest::newRow("first two-byte character") << u"/v/"_s + QChar(0x100) + u".avi"_s;
    QTest::newRow("beyond one byte") << u"/видео/片段.avi"_s;
    QTest::newRow("outside the basic plane") << u"/v/😀.avi"_s;
    QTest::newRow("lone surrogate") << u"/v/"_s + QChar(0xdc00) + u".avi"_s;
    QTest::newRow("folder wide, name plain") << u"/片段/clip.avi"_s;
    QTest::newRow("no separator") << u"clip.avi"_s;
    QTest::newRow("separators only") << u"//"_s;
    QTest::newRow("doubled separators") << u"/Videos//one.avi"_s;
    QTest::newRow("empty") << QString();
    QTest::newRow("long name") << u"/v/"_s + QString(300, u'x');
    QTest::newRow("long wide folder") << QString(200, QChar(0x4e00)) + u"/a"_s;
}

// Each item keeps exactly its text, whatever its characters, also beside
// other items of the same folder and after the list's storage has been
// rearranged by many changes.
void TestFileList::textsComeBackExactly()
{
    QFETCH(QString, text);
    FileListWidget list;
    checkModelOf(list);
    list.appendPaths({u"/v/before.avi"_s, text});
    list.appendFolderFiles(u"/v/"_s, {u"after.avi"_s});
    QCOMPARE(itemsOf(list), (QStringList{u"/v/before.avi"_s, text, u"/v/after.avi"_s}));
    QVERIFY(IsListed(list, text));
    QVERIFY(!IsListed(list, text + u'x'));
    QVERIFY(text.isEmpty() || !IsListed(list, text.chopped(1) + QChar(1)));

    for (int i = 0; i < 20000; ++i)
        list.setTextAt(2, i % 2 ? text : u"/v/other/clip%1.avi"_s.arg(i));
    QCOMPARE(itemsOf(list), (QStringList{u"/v/before.avi"_s, text, u"/v/after.avi"_s}));
    list.removeAt(1);
    QCOMPARE(itemsOf(list), (QStringList{text, u"/v/after.avi"_s}));
}

void TestFileList::tableMemoryFollowsItsPaths_data()
{
    QTest::addColumn<TableChanges>("changes");
    const auto clip = [](int folder, int file) { return u"/Videos/Holidays %1/clip %2.avi"_s.arg(folder).arg(file); };
    QTest::newRow("files added and removed one by one, each in its folder") << TableChanges([&](MirroredTable &t) {
        for (int i = 0; i < 200000; ++i) {
            t.append(clip(i, i));
            t.removeAt(0);
        }
    });
    QTest::newRow("neighbours of other folders swapped over and over") << TableChanges([&](MirroredTable &t) {
        for (int i = 0; i < 6; ++i)
            t.append(u"/Videos/%1 %2/a.avi"_s.arg(i).arg(QString(200, u'x')));
        for (int i = 0; i < 100000; ++i)
            t.swap(i % 5, i % 5 + 1);
    });
    QTest::newRow("a scan, then all but a few removed from the front") << TableChanges([&](MirroredTable &t) {
        for (int folder = 0; folder < 2000; ++folder)
            t.append(u"/Videos/Holidays %1/"_s.arg(folder), {u"a.avi"_s, u"b.avi"_s, u"c.avi"_s, u"d.avi"_s});
        while (t.paths.size() > 3)
            t.removeAt(0);
    });
    QTest::newRow("one folder added to between removals") << TableChanges([&](MirroredTable &t) {
        for (int i = 0; i < 60000; ++i) {
            t.append(clip(7, i));
            if (i % 3 == 0)
                t.removeAt(0);
            if (i % 1000 == 999)
                t.append(u"/Videos/Holidays 7/"_s, {u"a.avi"_s, u"b.avi"_s});
        }
    });
    QTest::newRow("wide names replaced by narrow ones") << TableChanges([&](MirroredTable &t) {
        for (int i = 0; i < 3000; ++i)
            t.append(u"/видео/片段 %1.avi"_s.arg(i));
        for (int i = 0; i < 30000; ++i)
            t.replace(i % 3000, clip(i % 4, i));
    });
}

// Removed and replaced paths leave texts behind; the table drops them before
// they outweigh the paths it holds, and every path comes back exactly.
void TestFileList::tableMemoryFollowsItsPaths()
{
    QFETCH(TableChanges, changes);
    MirroredTable mirrored;
    changes(mirrored);
    QStringList held;
    for (qsizetype i = 0; i < mirrored.table.size(); ++i)
        held << mirrored.table.at(i);
    QCOMPARE(held, mirrored.paths);
    QVERIFY2(mirrored.withinBound, qPrintable(u"at most %1 bytes held"_s.arg(mirrored.mostHeld)));
}

void TestFileList::clearingEndsTheSelection()
{
    FileListWidget list;
    list.show();
    list.appendPaths(kFiveItems);
    const QPoint first = list.itemRect(1).center();
    list.selectIndex(4);

    list.removeAll();
    QCoreApplication::processEvents();

    QCOMPARE(list.itemIndexAt(first), 0);
    QCOMPARE(list.selectedIndex(), 0);
    list.appendPaths(kFiveItems);
    QCOMPARE(list.itemIndexAt(first), 1);
    QCOMPARE(list.selectedIndex(), 0);
    list.removeSelected();
    QCOMPARE(itemsOf(list), kFiveItems);
}

void TestFileList::itemsAreFoundWhereTheyAreDrawn()
{
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    form.show();
    FileListWidget &list = *form.listView1();
    QStringList paths;
    for (int i = 1; i <= 1000; ++i)
        paths << u"/v/clip%1.avi"_s.arg(i);
    list.appendPaths(paths);

    for (const int index : {1, 900, 1000, 450}) {
        list.scrollToItemIndex(index);
        const QRect drawn = list.itemRect(index);
        QVERIFY2(list.viewport()->rect().contains(drawn.center()), qPrintable(u"item %1"_s.arg(index)));
        QCOMPARE(list.itemIndexAt(drawn.center()), index);
        QCOMPARE(list.textAt(index), u"/v/clip%1.avi"_s.arg(index));
    }
    QVERIFY(list.itemRect(0).isEmpty());
    QVERIFY(list.itemRect(1001).isEmpty());

    list.removeAll();
    list.appendPaths(kFiveItems);
    const QRect last = list.itemRect(5);
    QCOMPARE(list.itemIndexAt(last.center()), 5);
    QCOMPARE(list.itemIndexAt(last.center() + QPoint(0, last.height())), 0);
}

void TestFileList::wideColumnScrollsSideways()
{
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    form.show();
    FileListWidget &list = *form.listView1();
    list.appendPath(u"/v/"_s + QString(400, u'x') + u".avi"_s);
    QCOMPARE(list.header()->sectionResizeMode(0), QHeaderView::Interactive);
    QCOMPARE(list.horizontalScrollBar()->maximum(), 0);

    // What dragging the divider to the right does.
    list.header()->resizeSection(0, 3 * list.viewport()->width());
    QCoreApplication::processEvents();

    QCOMPARE(list.horizontalScrollBar()->maximum(), 3 * list.viewport()->width() - list.viewport()->width());
    list.horizontalScrollBar()->setValue(list.horizontalScrollBar()->maximum());
    QCOMPARE(list.header()->offset(), list.horizontalScrollBar()->maximum());
}

void TestFileList::dropsReachFiltersOnListAndHeader()
{
    // The list alone, without the window's own drop handling.
    FileListWidget list;
    list.addColumn(u"AVI File(s)"_s);
    list.show();
    DropWatcher watcher;
    list.viewport()->installEventFilter(&watcher);
    list.header()->installEventFilter(&watcher);
    list.setAcceptDrops(true);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(u"/v/dropped.avi"_s)});

    // A real drag goes to the innermost widget under the pointer that takes
    // drops: over the items the list's viewport, over the header the
    // header's own viewport.
    QVERIFY(list.viewport()->acceptDrops());
    QVERIFY(list.header()->viewport()->acceptDrops());
    for (QWidget *target : {list.viewport(), list.header()->viewport()}) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QCOMPARE(enter.dropAction(), Qt::CopyAction);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
    }
    const QList<QPair<QObject *, QEvent::Type>> expected = {{list.viewport(), QEvent::DragEnter},
        {list.viewport(), QEvent::Drop}, {list.header(), QEvent::DragEnter}, {list.header(), QEvent::Drop}};
    QCOMPARE(watcher.seen, expected);

    list.setAcceptDrops(false);
    QVERIFY(!list.header()->acceptDrops());
    QVERIFY(!list.header()->viewport()->acceptDrops());
}

void TestFileList::dialogAddsChosenFiles_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QStringList>("expected");
    const QString nul(QChar(u'\0'));
    QTest::newRow("cancel") << QStringList{QString()} << false << QStringList{u"/old.avi"_s};
    QTest::newRow("one file, as returned")
        << QStringList{u"/Videos//one.avi"_s} << false << QStringList{u"/old.avi"_s, u"/Videos//one.avi"_s};
    QTest::newRow("three files in one folder")
        << QStringList{u"/Videos"_s + nul + u"a.avi"_s + nul + u"b.avi"_s + nul + u"c.avi"_s} << false
        << QStringList{u"/old.avi"_s, u"/Videos/a.avi"_s, u"/Videos/b.avi"_s, u"/Videos/c.avi"_s};
    QTest::newRow("files in the root") << QStringList{u"/"_s + nul + u"x.avi"_s + nul + u"y.mpg"_s} << false
                                       << QStringList{u"/old.avi"_s, u"/x.avi"_s, u"/y.mpg"_s};
    QTest::newRow("same file twice") << QStringList{u"/v/a.avi"_s, u"/v/a.avi"_s} << false
                                     << QStringList{u"/old.avi"_s, u"/v/a.avi"_s, u"/v/a.avi"_s};
    QTest::newRow("while busy") << QStringList{u"/v/a.avi"_s} << true << QStringList{u"/old.avi"_s, u"/v/a.avi"_s};
}

void TestFileList::dialogAddsChosenFiles()
{
    QFETCH(QStringList, answers);
    QFETCH(bool, busy);
    QFETCH(QStringList, expected);
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    form.listView1()->appendPath(u"/old.avi"_s);
    if (busy)
        form.setMousePointer(PointerBusy);
    for (const QString &answer : answers) {
        dialogs.fileNameAnswers.enqueue(answer);
        form.pushButton1()->click();
    }
    QCOMPARE(itemsOf(*form.listView1()), expected);
    QVERIFY(dialogs.messages.isEmpty());
}

void TestFileList::dialogIsAskedAsDesigned()
{
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    form.pushButton1()->click();
    QCOMPARE(dialogs.fileRequests.size(), 1);
    const OpenFileRequest &request = dialogs.fileRequests.front();
    QCOMPARE(request.title, u"Add File(s) - Hold Ctrl or Shift to select multiple files"_s);
    QCOMPARE(request.filter, u"AVI Files (*.avi)|*.avi|"_s);
    QCOMPARE(request.flags, 2621953);
    QCOMPARE(request.maxFileNameLength, 30000);
}

void TestFileList::tooManyFilesLeavesListUnchanged()
{
    ScriptedDialogs dialogs;
    SetApplicationTitle(u"Reelwright"_s);
    Form1 form(dialogs, QuietStart());
    form.listView1()->appendPath(u"/old.avi"_s);
    dialogs.fileNameAnswers.enqueue(int(RuntimeError::BufferTooSmall));
    form.pushButton1()->click();
    QCOMPARE(itemsOf(*form.listView1()), QStringList{u"/old.avi"_s});
    QCOMPARE(dialogs.messages.size(), 1);
    const MessageRequest &shown = dialogs.messages.front();
    QCOMPARE(shown.text, u"You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button."_s);
    QCOMPARE(shown.title, u"Reelwright"_s);
    QCOMPARE(shown.icon, MessageIcon::None);
    QCOMPARE(shown.buttons, MessageButtons::Ok);
}

void TestFileList::otherDialogFailureIsReported()
{
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    dialogs.fileNameAnswers.enqueue(int(RuntimeError::PermissionDenied));
    form.pushButton1()->click();
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.front().title, u"Application Error"_s);
    QVERIFY(dialogs.messages.front().text.startsWith(
        u"Permission denied\r\nin Framesmith2021/08/31.Form1.PushButton1_Click at line 112"_s));
    QCOMPARE(form.listView1()->count(), 0);
}

QTEST_MAIN(TestFileList)
#include "tst_file_list.moc"
