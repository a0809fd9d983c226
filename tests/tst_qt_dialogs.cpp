// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplicationTitle.h"
#include "FolderPicker.h"
#include "QtDialogs.h"
#include "RuntimeError.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

// Acts on the modal dialog once it is open, as a person would.
template<typename Dialog> void whenOpen(const std::function<void(Dialog *)> &act)
{
    // The timer fires inside the dialog's own event loop, once it is shown.
    QTimer::singleShot(0, [act] {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget()))
            act(dialog);
    });
}

} // namespace

class TestQtDialogs final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void messageBoxShowsTitleTextAndIcon();
    void messageBoxLeavesRoomForItsCaption_data();
    void messageBoxLeavesRoomForItsCaption();
    void inputBoxShowsPromptLinesAndAnswers_data();
    void inputBoxShowsPromptLinesAndAnswers();
    void carriageReturnsEndLines_data();
    void carriageReturnsEndLines();
    void folderDialogReturnsTheChosenFolder_data();
    void folderDialogReturnsTheChosenFolder();
    void cancelledFolderDialogReturnsNothing();
    void fileDialogReturnsFolderAndNames_data();
    void fileDialogReturnsFolderAndNames();
    void classicFilterBecomesNameFilters_data();
    void classicFilterBecomesNameFilters();
    void selectionBecomesFileNameText_data();
    void selectionBecomesFileNameText();
};

void TestQtDialogs::messageBoxShowsTitleTextAndIcon()
{
    SetApplicationTitle(u"Reelwright"_s);
    QtDialogs dialogs;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenOpen<QMessageBox>([&](QMessageBox *box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(dialogs.message(u"Done."_s, MessageIcon::Warning), MessageAnswer::Ok);
    QCOMPARE(title, u"Reelwright"_s);
    QCOMPARE(text, u"Done."_s);
    QCOMPARE(icon, QMessageBox::Warning);

    QString details;
    whenOpen<QMessageBox>([&](QMessageBox *box) {
        details = box->detailedText();
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.messageWithDetails(u"Done."_s, u"/v/1.avi - reason 1\n/v/2.avi - reason 2"_s, MessageIcon::Warning);
    QCOMPARE(details, u"/v/1.avi - reason 1\n/v/2.avi - reason 2"_s);
}

void TestQtDialogs::messageBoxLeavesRoomForItsCaption_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<MessageIcon>("icon");
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<QString>("details");
    QTest::newRow("Done.") << u"Done."_s << MessageIcon::None << MessageButtons::Ok << QString();
    QTest::newRow("No files added.") << u"No files added."_s << MessageIcon::Information << MessageButtons::Ok
                                     << QString();
    QTest::newRow("question") << u"Stop?"_s << MessageIcon::Question << MessageButtons::YesNo << QString();
    QTest::newRow("with details") << u"Done."_s << MessageIcon::Warning << MessageButtons::Ok
                                  << u"/v/1.avi - reason 1"_s;
}

void TestQtDialogs::messageBoxLeavesRoomForItsCaption()
{
    QFETCH(QString, text);
    QFETCH(MessageIcon, icon);
    QFETCH(MessageButtons, buttons);
    QFETCH(QString, details);
    SetApplicationTitle(u"Reelwright"_s);
    QtDialogs dialogs;
    int width = 0;
    int needed = 0;
    whenOpen<QMessageBox>([&](QMessageBox *box) {
        width = box->width();
        // The caption in the font Qt keeps for title bars, and 160 pixels at
        // 96 dpi for the window manager's icon and buttons.
        const QFontMetrics titleFont(QApplication::font("QMdiSubWindowTitleBar"));
        needed = titleFont.horizontalAdvance(box->windowTitle()) + 160 * box->logicalDpiX() / 96;
        QAbstractButton *ok = box->button(QMessageBox::Ok);
        (ok ? ok : box->button(QMessageBox::Yes))->click();
    });
    if (details.isEmpty())
        dialogs.message(text, icon, buttons);
    else
        dialogs.messageWithDetails(text, details, icon);
    QVERIFY(needed > 0);
    QVERIFY2(width >= needed, qPrintable(u"%1 pixels wide, %2 needed"_s.arg(width).arg(needed)));
}

void TestQtDialogs::inputBoxShowsPromptLinesAndAnswers_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("answer");
    QTest::newRow("OK") << true << u"mkv"_s;
    QTest::newRow("Cancel") << false << QString();
}

void TestQtDialogs::inputBoxShowsPromptLinesAndAnswers()
{
    QFETCH(bool, accept);
    QFETCH(QString, answer);
    SetApplicationTitle(u"Reelwright"_s);
    QtDialogs dialogs;
    QString title;
    QString label;
    QString preset;
    whenOpen<QInputDialog>([&](QInputDialog *dialog) {
        title = dialog->windowTitle();
        label = dialog->labelText();
        preset = dialog->textValue();
        dialog->setTextValue(u"mkv"_s);
        accept ? dialog->accept() : dialog->reject();
    });
    QCOMPARE(dialogs.input(u"Enter file extension to load:\r\r(* for all files)"_s, u"avi"_s), answer);
    QCOMPARE(title, u"Reelwright"_s);
    QCOMPARE(label, u"Enter file extension to load:\n\n(* for all files)"_s);
    QCOMPARE(preset, u"avi"_s);
}

void TestQtDialogs::carriageReturnsEndLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("two carriage returns") << u"a\r\rb"_s << u"a\n\nb"_s;
    QTest::newRow("carriage return and line feed") << u"a\r\nb"_s << u"a\nb"_s;
    QTest::newRow("error report") << u"Overflow\r\nin X at line 6\r\rPlease"_s
                                  << u"Overflow\nin X at line 6\n\nPlease"_s;
    QTest::newRow("plain") << u"Done."_s << u"Done."_s;
}

void TestQtDialogs::carriageReturnsEndLines()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(DisplayedText(text), shown);
}

void TestQtDialogs::folderDialogReturnsTheChosenFolder_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("expected");
    QTest::newRow("folder") << u"<temp>/out"_s << u"<temp>/out"_s;
    QTest::newRow("root") << u"/"_s << u"/"_s;
}

void TestQtDialogs::folderDialogReturnsTheChosenFolder()
{
    QFETCH(QString, chosen);
    QFETCH(QString, expected);
    QTemporaryDir temp;
    QVERIFY(QDir().mkpath(temp.filePath(u"out"_s)));
    chosen.replace(u"<temp>"_s, temp.path());
    expected.replace(u"<temp>"_s, temp.path());
    QtDialogs dialogs;
    QWidget owner;
    QString startedIn;
    bool modal = false;
    whenOpen<QFileDialog>([&](QFileDialog *dialog) {
        startedIn = dialog->directory().absolutePath();
        modal = dialog->isModal();
        dialog->setDirectory(chosen);
        dialog->selectFile(chosen);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QCOMPARE(PickFolder(dialogs, &owner, u"Please select folder:"_s, temp.path()), expected);
    QCOMPARE(startedIn, temp.path());
    QVERIFY(modal);
}

void TestQtDialogs::cancelledFolderDialogReturnsNothing()
{
    QtDialogs dialogs;
    whenOpen<QFileDialog>([](QFileDialog *dialog) { dialog->reject(); });
    QCOMPARE(PickFolder(dialogs, nullptr, u"Please select folder:"_s, u"/no/such/start"_s), QString());
}

void TestQtDialogs::fileDialogReturnsFolderAndNames_data()
{
    const QString nul(QChar(u'\0'));
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("expected"); // "<temp>" stands for the folder; empty when too long
    QTest::newRow("one") << QStringList{u"a.avi"_s} << 30000 << u"<temp>/a.avi"_s;
    QTest::newRow("two") << QStringList{u"a.avi"_s, u"b.avi"_s} << 30000
                         << u"<temp>"_s + nul + u"a.avi"_s + nul + u"b.avi"_s;
    QTest::newRow("too long") << QStringList{u"a.avi"_s, u"b.avi"_s} << 10 << QString();
}

void TestQtDialogs::fileDialogReturnsFolderAndNames()
{
    QFETCH(QStringList, names);
    QFETCH(int, limit);
    QFETCH(QString, expected);
    QTemporaryDir temp;
    for (const QString &name : names) {
        QFile file(temp.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QtDialogs dialogs;
    QString title;
    QStringList filters;
    whenOpen<QFileDialog>([&](QFileDialog *dialog) {
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        dialog->setDirectory(temp.path());
        dialog->selectFile(u"\"%1\""_s.arg(names.join(u"\" \""_s)));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const OpenFileRequest request{
        u"Add File(s)"_s, u"AVI Files (*.avi)|*.avi|"_s, OpenFileReadOnly | OpenFileAllowMultiSelect, limit};
    try {
        QCOMPARE(dialogs.openFileNames(nullptr, request), expected.replace(u"<temp>"_s, temp.path()));
        QVERIFY(!expected.isEmpty());
    } catch (const RuntimeError &error) {
        QVERIFY(expected.isEmpty());
        QCOMPARE(error.number(), int(RuntimeError::BufferTooSmall));
    }
    QCOMPARE(title, u"Add File(s)"_s);
    QCOMPARE(filters, QStringList{u"AVI Files (*.avi)"_s});
}

void TestQtDialogs::classicFilterBecomesNameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("avi") << u"AVI Files (*.avi)|*.avi|"_s << QStringList{u"AVI Files (*.avi)"_s};
    QTest::newRow("two, bare descriptions")
        << u"Videos|*.avi;*.mpg|All|*.*"_s << QStringList{u"Videos (*.avi *.mpg)"_s, u"All (*.*)"_s};
}

void TestQtDialogs::classicFilterBecomesNameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(NameFiltersFromClassicFilter(filter), expected);
}

void TestQtDialogs::selectionBecomesFileNameText_data()
{
    const QString nul(QChar(u'\0'));
    QTest::addColumn<QStringList>("selection");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none") << QStringList() << QString();
    QTest::newRow("one") << QStringList{u"/v/a.avi"_s} << u"/v/a.avi"_s;
    QTest::newRow("two") << QStringList{u"/v/a.avi"_s, u"/v/b.avi"_s} << u"/v"_s + nul + u"a.avi"_s + nul + u"b.avi"_s;
    QTest::newRow("root") << QStringList{u"/a.avi"_s, u"/b.avi"_s} << u"/"_s + nul + u"a.avi"_s + nul + u"b.avi"_s;
}

void TestQtDialogs::selectionBecomesFileNameText()
{
    QFETCH(QStringList, selection);
    QFETCH(QString, expected);
    QCOMPARE(FileNameTextForSelection(selection), expected);
}

QTEST_MAIN(TestQtDialogs)
#include "tst_qt_dialogs.moc"
