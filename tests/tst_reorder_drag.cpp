// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileListWidget.h"
#include "ListItems.h"
#include "Form1.h"
#include "QuietStart.h"
#include "ReorderDrag.h"
#include "ScriptedDialogs.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// A shown window over a program folder of the test's own, with the
// pointer's screen position in the test's hands.
struct Window {
    explicit Window(const QString &programFolder, const QStringList &items = {})
    {
        Form1Setup setup = QuietStart();
        setup.programFolder = programFolder;
        setup.pointerScreenPosition = [this] { return screenPosition; };
        form = std::make_unique<Form1>(dialogs, setup);
        for (const QString &item : items)
            list()->appendPath(item);
        form->show();
    }

    FileListWidget *list() const { return form->listView1(); }
    QWidget *viewport() const { return list()->viewport(); }
    ReorderDrag &drag() const { return form->reorderDrag(); }

    QStringList texts() const { return itemsOf(*list()); }

    QPoint centreOf(int item) const { return list()->itemRect(item).center(); }
    QPoint emptySpace() const { return QPoint(5, list()->itemRect(list()->count()).bottom() + 20); }

    void mouse(QEvent::Type type, const QPoint &at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent event(type, at, viewport()->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &event);
    }
    void press(const QPoint &at) { mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
    void moveHolding(const QPoint &at) { mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
    void moveFree(const QPoint &at) { mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton); }
    void release(const QPoint &at) { mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }
    void click(int item)
    {
        press(centreOf(item));
        release(centreOf(item));
    }

    bool shows(int item) const { return viewport()->rect().contains(list()->itemRect(item)); }

    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;
    // In the scroll band unless a test moves it.
    QPoint screenPosition{100, 330};
};

QStringList letters(const QString &text)
{
    return text.split(u' ', Qt::SkipEmptyParts);
}

} // namespace

class TestReorderDrag final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void dragMovesTheFile_data();
    void dragMovesTheFile();
    void draggedItemOutlastsTheDrag();
    void movesWithoutTheLeftButtonReorderNothing_data();
    void movesWithoutTheLeftButtonReorderNothing();
    void removedDraggedItemIsNone_data();
    void removedDraggedItemIsNone();
    void scrollsOneItemOutsideTheBand_data();
    void scrollsOneItemOutsideTheBand();
    void listPointerShowsTheDragImageUntilRelease_data();
    void listPointerShowsTheDragImageUntilRelease();
    void pressOnAHalfShownRowMovesNothing();
    void busyWindowKeepsTheHourglassOverTheList();

private:
    QTemporaryDir m_config;
    std::unique_ptr<QTemporaryDir> m_programFolder;
};

void TestReorderDrag::init()
{
    QVERIFY(m_config.isValid());
    m_programFolder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_programFolder->isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
}

void TestReorderDrag::dragMovesTheFile_data()
{
    QTest::addColumn<QString>("items");
    QTest::addColumn<int>("pressed"); // 0: on empty space, before any click
    QTest::addColumn<QList<int>>("movesOver");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("selected");

    QTest::newRow("C down over D, then E") << u"A B C D E"_s << 3 << QList<int>{4, 5} << u"A B D E C"_s << 5;
    QTest::newRow("C in one jump to E") << u"A B C D E"_s << 3 << QList<int>{5} << u"A B E D C"_s << 5;
    QTest::newRow("E up to the top") << u"A B C D E"_s << 5 << QList<int>{4, 3, 2, 1} << u"E A B C D"_s << 1;
    QTest::newRow("back over its start") << u"A B C D E"_s << 2 << QList<int>{3, 2} << u"A B C D E"_s << 2;
    QTest::newRow("several moves over one item") << u"A B C"_s << 1 << QList<int>{2, 2, 2} << u"B A C"_s << 2;
    QTest::newRow("empty space before any click") << u"A B C D E"_s << 0 << QList<int>{2, 3, 4} << u"A B C D E"_s << 0;
    QTest::newRow("equal texts keep their places") << u"A B A"_s << 1 << QList<int>{3} << u"A B A"_s << 1;
    // The duplicate stays; the next file trades places with the dragged one.
    QTest::newRow("over a duplicate") << u"A A B"_s << 1 << QList<int>{2, 3} << u"B A A"_s << 3;
}

void TestReorderDrag::dragMovesTheFile()
{
    QFETCH(QString, items);
    QFETCH(int, pressed);
    QFETCH(QList<int>, movesOver);
    QFETCH(QString, expected);
    QFETCH(int, selected);

    Window window(m_programFolder->path(), letters(items));
    const QPoint start = pressed > 0 ? window.centreOf(pressed) : window.emptySpace();
    window.press(start);
    QVERIFY(window.drag().isDragging());
    // The list's own auto-scroll stays out of the way while dragging.
    QVERIFY(!window.list()->hasAutoScroll());
    for (const int item : movesOver)
        window.moveHolding(window.centreOf(item));
    window.release(window.centreOf(movesOver.last()));

    QCOMPARE(window.texts(), letters(expected));
    QCOMPARE(window.list()->selectedIndex(), selected);
    QVERIFY(!window.drag().isDragging());
    QVERIFY(window.list()->hasAutoScroll());
    QCOMPARE(window.drag().listPointer().value(), int(PointerArrow));
    QCOMPARE(window.viewport()->cursor().shape(), Qt::ArrowCursor);
}

void TestReorderDrag::draggedItemOutlastsTheDrag()
{
    Window window(m_programFolder->path(), letters(u"A B C D E"_s));
    window.press(window.centreOf(3));
    window.moveHolding(window.centreOf(4));
    window.moveHolding(window.centreOf(5));
    window.release(window.centreOf(5));
    QCOMPARE(window.drag().draggedIndex(), 5);

    window.press(window.emptySpace());
    window.moveHolding(window.centreOf(2));
    window.release(window.centreOf(2));
    QCOMPARE(window.texts(), letters(u"A C D E B"_s));
    QCOMPARE(window.drag().draggedIndex(), 2);
}

void TestReorderDrag::movesWithoutTheLeftButtonReorderNothing_data()
{
    QTest::addColumn<bool>("released");
    // A message box opened during the drag swallows the release.
    QTest::newRow("after the release") << true;
    QTest::newRow("release never came") << false;
}

void TestReorderDrag::movesWithoutTheLeftButtonReorderNothing()
{
    QFETCH(bool, released);
    Window window(m_programFolder->path(), letters(u"A B C D"_s));
    window.press(window.centreOf(1));
    if (released)
        window.release(window.centreOf(1));
    for (const int item : {2, 3, 4})
        window.moveFree(window.centreOf(item));
    QCOMPARE(window.texts(), letters(u"A B C D"_s));
    QVERIFY(!window.drag().isDragging());
    QVERIFY(window.list()->hasAutoScroll());

    // The right button alone moves nothing either.
    window.mouse(QEvent::MouseButtonPress, window.centreOf(1), Qt::RightButton, Qt::RightButton);
    window.mouse(QEvent::MouseMove, window.centreOf(3), Qt::NoButton, Qt::RightButton);
    QCOMPARE(window.texts(), letters(u"A B C D"_s));
}

void TestReorderDrag::removedDraggedItemIsNone_data()
{
    QTest::addColumn<QString>("removal");
    QTest::newRow("double-click") << u"double-click"_s;
    QTest::newRow("Delete key") << u"Delete"_s;
    QTest::newRow("Clear List") << u"Clear List"_s;
}

void TestReorderDrag::removedDraggedItemIsNone()
{
    QFETCH(QString, removal);
    Window window(m_programFolder->path(), letters(u"A B C D E"_s));
    window.click(3);
    QCOMPARE(window.drag().draggedIndex(), 3);
    if (removal == u"double-click"_s) {
        window.mouse(QEvent::MouseButtonDblClick, window.centreOf(3), Qt::LeftButton, Qt::LeftButton);
        window.release(window.centreOf(3));
    } else if (removal == u"Delete"_s) {
        QTest::keyClick(window.list(), Qt::Key_Delete);
    } else {
        window.form->pushButton7()->click();
        for (const QString &item : letters(u"P Q R"_s))
            window.list()->appendPath(item);
    }
    const QStringList left = window.texts();
    QVERIFY(!left.contains(u"C"_s));
    QCOMPARE(window.drag().draggedIndex(), 0);

    window.press(window.emptySpace());
    window.moveHolding(window.centreOf(1));
    window.moveHolding(window.centreOf(2));
    window.release(window.centreOf(2));
    QCOMPARE(window.texts(), left);
}

void TestReorderDrag::scrollsOneItemOutsideTheBand_data()
{
    QTest::addColumn<int>("screenY");
    QTest::addColumn<bool>("downwards");
    QTest::addColumn<bool>("sameText");
    QTest::addColumn<bool>("scrolls");
    QTest::addColumn<int>("hiddenBeyond"); // 0: the list shows the middle; else the one file hidden beyond

    QTest::newRow("above the band, up") << 304 << false << false << true << 0;
    QTest::newRow("band top, up") << 305 << false << false << false << 0;
    QTest::newRow("inside the band, up") << 330 << false << false << false << 0;
    QTest::newRow("band bottom, down") << 364 << true << false << false << 0;
    QTest::newRow("below the band, down") << 365 << true << false << true << 0;
    QTest::newRow("inside the band, down") << 330 << true << false << false << 0;
    QTest::newRow("no exchange, below the band") << 600 << true << true << false << 0;
    QTest::newRow("no exchange, above the band") << 0 << false << true << false << 0;
    QTest::newRow("below the band, down to the last file") << 365 << true << false << true << 40;
    QTest::newRow("above the band, up to the first file") << 304 << false << false << true << 1;
}

// The dragged file moves onto the edge row of the list; outside the band
// the neighbour beyond that row, hidden so far, comes into view.
void TestReorderDrag::scrollsOneItemOutsideTheBand()
{
    QFETCH(int, screenY);
    QFETCH(bool, downwards);
    QFETCH(bool, sameText);
    QFETCH(bool, scrolls);
    QFETCH(int, hiddenBeyond);

    QStringList items;
    for (int i = 1; i <= 40; ++i)
        items << u"clip%1.avi"_s.arg(i, 2, 10, QChar(u'0'));
    Window window(m_programFolder->path(), items);
    window.list()->scrollToItemIndex(hiddenBeyond == 0 ? 20 : hiddenBeyond);
    // Only that one file at an end of the list hidden: a step back.
    QScrollBar *bar = window.list()->verticalScrollBar();
    if (hiddenBeyond != 0)
        bar->setValue(bar->value() + (hiddenBeyond == 1 ? bar->singleStep() : -bar->singleStep()));
    int first = 1;
    while (!window.shows(first))
        ++first;
    int last = first;
    while (window.shows(last + 1))
        ++last;
    const int edge = downwards ? last : first;
    const int dragged = downwards ? last - 1 : first + 1;
    const int beyond = downwards ? last + 1 : first - 1;
    QVERIFY(!window.shows(beyond));
    QVERIFY(hiddenBeyond == 0 || beyond == hiddenBeyond);
    if (sameText)
        window.list()->setTextAt(edge, window.list()->textAt(dragged));

    window.screenPosition = QPoint(200, screenY);
    window.press(window.centreOf(dragged));
    window.moveHolding(window.centreOf(edge));
    window.release(window.centreOf(edge));

    QCOMPARE(window.list()->textAt(edge), items.at(dragged - 1));
    QCOMPARE(window.shows(beyond), scrolls);
}

void TestReorderDrag::listPointerShowsTheDragImageUntilRelease_data()
{
    QTest::addColumn<QString>("dragImage"); // copied into the program folder
    QTest::addColumn<bool>("imageShown");
    QTest::newRow("drag.ico") << QStringLiteral(REELWRIGHT_RESOURCES "/drag.ico") << true;
    QTest::newRow("missing") << QString() << false;
    QTest::newRow("not an icon") << QStringLiteral(REELWRIGHT_RESOURCES "/x/o.cjs") << false;
    QTest::newRow("a FIFO") << u"fifo"_s << false;
}

void TestReorderDrag::listPointerShowsTheDragImageUntilRelease()
{
    QFETCH(QString, dragImage);
    QFETCH(bool, imageShown);
    const QString installed = m_programFolder->filePath(u"drag.ico"_s);
    if (dragImage == u"fifo"_s)
        QCOMPARE(::mkfifo(QFile::encodeName(installed).constData(), 0600), 0);
    else if (!dragImage.isEmpty())
        QVERIFY(QFile::copy(dragImage, installed));
    Window window(m_programFolder->path(), letters(u"A B C"_s));

    window.press(window.centreOf(2));
    QCOMPARE(window.drag().listPointer().value(), int(PointerCustom));
    const QCursor shown = window.viewport()->cursor();
    if (imageShown) {
        QCOMPARE(shown.shape(), Qt::BitmapCursor);
        QCOMPARE(shown.pixmap().size(), QSize(32, 32));
        QCOMPARE(shown.hotSpot(), QPoint(16, 16));
    } else {
        QCOMPARE(shown.shape(), Qt::ClosedHandCursor);
    }
    QVERIFY(window.dialogs.messages.isEmpty());
    window.release(window.centreOf(2));
    QCOMPARE(window.viewport()->cursor().shape(), Qt::ArrowCursor);
}

void TestReorderDrag::pressOnAHalfShownRowMovesNothing()
{
    QStringList items;
    for (int i = 1; i <= 30; ++i)
        items << u"/v/clip%1.avi"_s.arg(i, 2, 10, QChar(u'0'));
    Window window(m_programFolder->path(), items);
    int halfShown = 0;
    for (int i = 1; i <= 30 && halfShown == 0; ++i) {
        const QRect row = window.list()->itemRect(i);
        if (row.top() < window.viewport()->height() && row.bottom() >= window.viewport()->height())
            halfShown = i;
    }
    QVERIFY(halfShown > 0);
    const QPoint top = window.list()->itemRect(halfShown).topLeft() + QPoint(5, 1);

    window.press(top);
    window.moveHolding(top + QPoint(1, 0));
    window.release(top + QPoint(1, 0));

    QCOMPARE(window.texts(), items);
    QCOMPARE(window.list()->selectedIndex(), halfShown);
}

void TestReorderDrag::busyWindowKeepsTheHourglassOverTheList()
{
    Window window(m_programFolder->path(), letters(u"A B C"_s));
    window.click(1);
    window.form->setMousePointer(PointerBusy);
    window.press(window.centreOf(2));
    QCOMPARE(window.viewport()->cursor().shape(), Qt::WaitCursor);
    window.release(window.centreOf(2));
    QCOMPARE(window.viewport()->cursor().shape(), Qt::WaitCursor);
    window.form->setMousePointer(PointerDefault);
    QVERIFY(window.viewport()->cursor().shape() != Qt::WaitCursor);
}

QTEST_MAIN(TestReorderDrag)
#include "tst_reorder_drag.moc"
