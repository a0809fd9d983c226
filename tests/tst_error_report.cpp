// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplicationTitle.h"
#include "ErrorReport.h"
#include "RuntimeError.h"
#include "ScriptedDialogs.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestErrorReport final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reportShowsExactLayout();
    void reportWithoutSupportAddressEndsAtLocation_data();
    void reportWithoutSupportAddressEndsAtLocation();
    void failedStepIsReportedAndProcedureGoesOn();
    void failedTestEntersItsBranch();
    void everyFailureIsReported();
    void applicationTitle_data();
    void applicationTitle();
    void plainMessagesCarryApplicationTitle();
};

void TestErrorReport::reportShowsExactLayout()
{
    ScriptedDialogs dialogs;
    ReportError(dialogs, u"in Framesmith2021/08/31.Form1.PushButton2_Click "_s, 112, u"Path not found"_s);
    QCOMPARE(dialogs.messages.size(), 1);
    const MessageRequest &shown = dialogs.messages.front();
    QCOMPARE(shown.title, u"Application Error"_s);
    QCOMPARE(shown.icon, MessageIcon::Warning);
    QCOMPARE(shown.buttons, MessageButtons::Ok);
    QCOMPARE(shown.text,
        ErrorReportText(u"Path not found"_s, u"in Framesmith2021/08/31.Form1.PushButton2_Click "_s, 112));
    QVERIFY(shown.text.startsWith(u"Path not found\r\nin Framesmith2021/08/31.Form1.PushButton2_Click at line 112"_s));
}

void TestErrorReport::reportWithoutSupportAddressEndsAtLocation_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("expected");
    const QString head = u"Overflow\r\nin Framesmith2021/08/31.Form1.Form_Load at line 108"_s;
    QTest::newRow("address") << u"help@maker.test"_s
                             << head + u"\r\rPlease email screenshot of this message to help@maker.test"_s;
    QTest::newRow("none") << QString() << head;
}

void TestErrorReport::reportWithoutSupportAddressEndsAtLocation()
{
    QFETCH(QString, address);
    QFETCH(QString, expected);
    QCOMPARE(ErrorReportText(u"Overflow"_s, u"in Framesmith2021/08/31.Form1.Form_Load "_s, 108, address), expected);
}

void TestErrorReport::failedStepIsReportedAndProcedureGoesOn()
{
    ScriptedDialogs dialogs;
    ReportingProcedure procedure(dialogs, u"in Framesmith2021/08/31.Form1.PushButton2_Click "_s);
    QStringList done;
    QVERIFY(procedure.step(110, [&] { done << u"110"_s; }));
    QVERIFY(!procedure.step(112, [&] {
        throw RuntimeError(RuntimeError::PermissionDenied);
        done << u"never"_s;
    }));
    QVERIFY(procedure.step(114, [&] { done << u"114"_s; }));
    QCOMPARE(done, QStringList({u"110"_s, u"114"_s}));
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.messages.front().text.startsWith(
        u"Permission denied\r\nin Framesmith2021/08/31.Form1.PushButton2_Click at line 112"_s));
}

void TestErrorReport::failedTestEntersItsBranch()
{
    ScriptedDialogs dialogs;
    ReportingProcedure procedure(dialogs, u"in Test "_s);
    QVERIFY(procedure.test(104, []() -> bool { throw RuntimeError(RuntimeError::TypeMismatch); }));
    QVERIFY(!procedure.test(106, [] { return false; }));
    QVERIFY(procedure.test(108, [] { return true; }));
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.messages.front().text.contains(u"at line 104"_s));
}

void TestErrorReport::everyFailureIsReported()
{
    ScriptedDialogs dialogs;
    ReportingProcedure procedure(dialogs, u"in Test "_s);
    procedure.step(100, [] { throw RuntimeError(RuntimeError::FileNotFound); });
    procedure.step(102, [] { throw std::runtime_error("disk on fire"); });
    QCOMPARE(procedure.failures(), 2);
    QCOMPARE(dialogs.messages.size(), 2);
    QVERIFY(dialogs.messages[0].text.startsWith(u"File not found\r\nin Test at line 100"_s));
    QVERIFY(dialogs.messages[1].text.startsWith(u"disk on fire\r\nin Test at line 102"_s));
}

void TestErrorReport::applicationTitle_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("title");
    QTest::newRow("product name") << u"Reelwright Software"_s << u"Reelwright"_s;
    QTest::newRow("one word") << u"Reelwright"_s << u"Reelwright"_s;
    QTest::newRow("long name") << u"Reelwright Batch Video Converter For The Whole Family Deluxe"_s // 58 characters
                               << u"Reelwright Batch Video Converter For The"_s; // 40 characters
    QTest::newRow("42 after first cut") << u"aaaaaaaaaa bbbbbbbbbb cccccccccc ddddddddd eee"_s
                                        << u"aaaaaaaaaa bbbbbbbbbb cccccccccc"_s;
}

void TestErrorReport::applicationTitle()
{
    QFETCH(QString, product);
    QFETCH(QString, title);
    QCOMPARE(DeriveApplicationTitle(product), title);
}

void TestErrorReport::plainMessagesCarryApplicationTitle()
{
    ScriptedDialogs dialogs;
    SetApplicationTitle(u"Reelwright"_s);
    dialogs.message(u"Done."_s);
    dialogs.input(u"Extension?"_s, u"avi"_s);
    QCOMPARE(dialogs.messages.front().title, u"Reelwright"_s);
    QCOMPARE(dialogs.messages.front().icon, MessageIcon::None);
    QCOMPARE(dialogs.inputRequests.front().title, u"Reelwright"_s);
}

QTEST_GUILESS_MAIN(TestErrorReport)
#include "tst_error_report.moc"
