// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConverterConfinement.h"
#include "ProgressView.h"
#include "RunAndWait.h"
#include "RuntimeError.h"
#include "TestTree.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Records every value and text the wait puts on the bar.
class RecordingBar final : public ProgressView {
public:
    double value() const override { return m_value; }
    void setValue(double value) override
    {
        m_value = value;
        values << value;
        if (afterValue)
            afterValue();
    }
    QString text() const override { return m_text; }
    void setText(const QString &text) override
    {
        m_text = text;
        texts << text;
    }

    QList<double> values;
    QStringList texts;
    std::function<void()> afterValue;

private:
    double m_value = 0;
    QString m_text;
};

QList<double> series(double first, double step, double last, double limit)
{
    QList<double> values;
    for (double v = first; v <= last; v += step)
        values << v;
    values << limit << limit;
    return values;
}

// A descriptor that is closed with its owner.
class OwnedDescriptor final {
public:
    explicit OwnedDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~OwnedDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(OwnedDescriptor)
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

class TestRunAndWait final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void returnsExitCode_data();
    void returnsExitCode();
    void startFailureGivesErrorBase_data();
    void startFailureGivesErrorBase();
    void shortChildNeverShowsPleaseWait();
    void emptyCaptionHasNoCommaAndEndsWithProgressBar();
    void barMovesEvery150Polls_data();
    void barMovesEvery150Polls();
    void endOfChildIsNoticedWithinThePoll();
    void childAskingAQuestionGetsEndOfFile();
    void lastLinesAreKept();
    void argumentsReachTheChildIntact();
    void commandTextIsSplitNotInterpreted();
    void itemCountZeroFailsAndEndsTheChild();
    void windowStyleIsSettled_data();
    void windowStyleIsSettled();
    void roundsHalfToEven_data();
    void roundsHalfToEven();
    void confinedChildRunsOnlyTheCheckedFile_data();
    void confinedChildRunsOnlyTheCheckedFile();
    void confinementFailureInTheChildIsReported_data();
    void confinementFailureInTheChildIsReported();

private:
    QTemporaryDir m_dir;
};

void TestRunAndWait::init()
{
    QVERIFY(m_dir.isValid());
}

void TestRunAndWait::returnsExitCode_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("0") << 0;
    QTest::newRow("3") << 3;
    QTest::newRow("255") << 255;
}

void TestRunAndWait::returnsExitCode()
{
    QFETCH(int, code);
    const QString script = WriteScript(m_dir.filePath(u"exit.sh"_s), u"exit %1"_s.arg(code));
    QCOMPARE(RunAndWait(ChildCommand{script, {}}), code);

    RecordingBar bar;
    bar.setText(u"Processing: a.avi"_s);
    QCOMPARE(RunAndWait(ChildCommand{script, {}}, 0, {&bar, bar.text(), 50, 2}), code);
}

void TestRunAndWait::startFailureGivesErrorBase_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("expected");
    QTest::newRow("missing") << u"/no/such/program"_s << -2147221451;
    QTest::newRow("missing on path") << u"no-such-program-anywhere"_s << -2147221451;
    QTest::newRow("empty") << QString() << -2147221451;
    QTest::newRow("not executable") << u"plain.txt"_s << -2147221434;
}

void TestRunAndWait::startFailureGivesErrorBase()
{
    QFETCH(QString, program);
    QFETCH(int, expected);
    if (program == u"plain.txt"_s)
        program = WriteTextFile(m_dir.filePath(program), "not a program");
    RecordingBar bar;
    QCOMPARE(RunAndWait(ChildCommand{program, {}}, 0, {&bar, u"caption"_s, 10, 1}), expected);
    QVERIFY(bar.values.isEmpty());
    QVERIFY(bar.texts.isEmpty());
}

void TestRunAndWait::shortChildNeverShowsPleaseWait()
{
    const QString script = WriteScript(m_dir.filePath(u"quick.sh"_s), u"exit 0"_s);
    RecordingBar bar;
    ChildRunner runner(1ms);
    runner.run({script, {}}, 0, {&bar, u"Processing: a.avi"_s, 100, 1});
    QCOMPARE(bar.texts, QStringList{u"Processing: a.avi"_s});
    QVERIFY(bar.values.isEmpty());
}

void TestRunAndWait::emptyCaptionHasNoCommaAndEndsWithProgressBar()
{
    const QString script = WriteScript(m_dir.filePath(u"slow.sh"_s), u"sleep 30"_s);
    RecordingBar bar;
    ChildRunner runner(0ms);
    bar.afterValue = [&] { runner.cancel(); };
    runner.run({script, {}}, 0, {&bar, QString(), 0, 1});
    QVERIFY(bar.texts.size() >= 2);
    QCOMPARE(bar.texts.front(), u"Please wait.. 0"_s);
    QCOMPARE(bar.texts.back(), u"Progress Bar"_s);
}

void TestRunAndWait::barMovesEvery150Polls_data()
{
    QTest::addColumn<int>("itemCount");
    QTest::addColumn<int>("startValue");
    QTest::addColumn<QList<double>>("expected");
    QTest::newRow("1 item") << 1 << 100 << series(100, 10, 180, 190);
    QTest::newRow("2 items") << 2 << 50 << series(50, 5, 90, 95);
    QTest::newRow("3 items") << 3 << 33 << series(33, 3, 60, 63);
    QTest::newRow("4 items") << 4 << 25 << series(25, 2, 47, 48);
    QTest::newRow("20 items") << 20 << 5 << QList<double>{5, 5, 5};
}

void TestRunAndWait::barMovesEvery150Polls()
{
    QFETCH(int, itemCount);
    QFETCH(int, startValue);
    QFETCH(QList<double>, expected);
    const QString script = WriteScript(m_dir.filePath(u"slow.sh"_s), u"sleep 60"_s);
    RecordingBar bar;
    ChildRunner runner(0ms);
    bar.afterValue = [&] {
        if (bar.values.size() == expected.size())
            runner.cancel();
    };
    const ChildOutcome outcome = runner.run({script, {}}, 0, {&bar, u"Processing: a.avi"_s, startValue, itemCount});
    QVERIFY(outcome.cancelled);
    // The child may take a few more polls to end; the bar then stays put.
    QVERIFY(bar.values.size() >= expected.size());
    for (qsizetype i = expected.size(); i < bar.values.size(); ++i)
        QCOMPARE(bar.values[i], expected.back());
    QCOMPARE(bar.values.first(expected.size()), expected);
    // The counter on the bar runs from 0 with every poll; the bar moved at
    // polls 50, 200, 350, ...: that is, at counters 0, 150, 300, ...
    QCOMPARE(bar.texts.front(), u"Processing: a.avi, Please wait.. 0"_s);
    QVERIFY(bar.texts.contains(u"Processing: a.avi, Please wait.. %1"_s.arg(150 * (expected.size() - 1))));
    QCOMPARE(bar.texts.back(), u"Processing: a.avi"_s);
}

void TestRunAndWait::endOfChildIsNoticedWithinThePoll()
{
    const QString script = WriteScript(m_dir.filePath(u"sleepy.sh"_s), u"sleep 0.2"_s);
    ChildRunner runner(1000ms);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(runner.run({script, {}}).exitCode, 0);
    // A whole poll would have taken a second.
    QVERIFY2(clock.elapsed() < 700, qPrintable(u"took %1 ms"_s.arg(clock.elapsed())));
}

void TestRunAndWait::childAskingAQuestionGetsEndOfFile()
{
    const QString script = WriteScript(m_dir.filePath(u"ask.sh"_s),
        u"printf 'Overwrite? [y/N] '\nif read answer; then echo yes; exit 0; fi\necho 'Not overwriting - exiting'\nexit 1"_s);
    ChildRunner runner(10ms);
    QElapsedTimer clock;
    clock.start();
    const ChildOutcome outcome = runner.run({script, {}});
    QVERIFY(clock.elapsed() < 10000);
    QCOMPARE(outcome.exitCode, 1);
    QCOMPARE(outcome.lastLine(), u"Overwrite? [y/N] Not overwriting - exiting"_s);
    QVERIFY(!outcome.succeeded());
}

void TestRunAndWait::lastLinesAreKept()
{
    // Much more output than a pipe holds: the child must never block on it.
    const QString script = WriteScript(m_dir.filePath(u"chatty.sh"_s),
        u"i=0\nwhile [ $i -lt 3000 ]; do echo \"line $i of a long and chatty child process output\"; i=$((i+1)); done\n"
        "printf 'frame=1\\rframe=2\\rlast words'\nexit 2"_s);
    ChildRunner runner(10ms);
    const ChildOutcome outcome = runner.run({script, {}});
    QCOMPARE(outcome.exitCode, 2);
    QCOMPARE(outcome.lastLine(), u"last words"_s);
    QCOMPARE(outcome.lastLines.size(), 20);
    QVERIFY(outcome.lastLines.contains(u"line 2999 of a long and chatty child process output"_s));
    QVERIFY(outcome.lastLines.contains(u"frame=2"_s));
}

void TestRunAndWait::argumentsReachTheChildIntact()
{
    const QString out = m_dir.filePath(u"args.txt"_s);
    const QString script = WriteScript(
        m_dir.filePath(u"args.sh"_s), u"for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1'"_s.arg(out));
    const QStringList arguments = {u"-i"_s, u"a \"quoted\" name.avi"_s, u"$HOME and `date`"_s, u"-leading-dash"_s,
        u"Ünïcödé ファイル.avi"_s, u"semi;colon|pipe"_s};
    QCOMPARE(RunAndWait(ChildCommand{script, arguments}), 0);
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts), arguments);
}

void TestRunAndWait::commandTextIsSplitNotInterpreted()
{
    const QString out = m_dir.filePath(u"args.txt"_s);
    const QString script = WriteScript(m_dir.filePath(u"with space.sh"_s),
        u"for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1'\nexit 7"_s.arg(out));
    QCOMPARE(RunAndWait(u"\"%1\" -i \"my clip.avi\" $HOME"_s.arg(script)), 7);
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts),
        QStringList({u"-i"_s, u"my clip.avi"_s, u"$HOME"_s}));
}

void TestRunAndWait::itemCountZeroFailsAndEndsTheChild()
{
    const QString pidFile = m_dir.filePath(u"pid"_s);
    const QString script = WriteScript(m_dir.filePath(u"slow.sh"_s), u"echo $$ > '%1'\nexec sleep 60"_s.arg(pidFile));
    RecordingBar bar;
    ChildRunner runner(10ms); // the child has half a second to note its id
    try {
        runner.run({script, {}}, 0, {&bar, u"c"_s, 0, 0});
        QFAIL("an item count of 0 did not fail");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), int(RuntimeError::DivisionByZero));
    }
    QFile file(pidFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray pid = file.readAll().trimmed();
    QVERIFY(!pid.isEmpty());
    QTRY_VERIFY(!QFile::exists(u"/proc/%1"_s.arg(QString::fromLatin1(pid))));
}

void TestRunAndWait::windowStyleIsSettled_data()
{
    QTest::addColumn<std::optional<int>>("style");
    QTest::addColumn<int>("settled");
    QTest::newRow("absent") << std::optional<int>() << 6;
    QTest::newRow("hidden") << std::optional<int>(0) << 0;
    QTest::newRow("normal") << std::optional<int>(1) << 1;
    QTest::newRow("6") << std::optional<int>(6) << 6;
    QTest::newRow("7") << std::optional<int>(7) << 6;
    QTest::newRow("-1") << std::optional<int>(-1) << 6;
}

void TestRunAndWait::windowStyleIsSettled()
{
    QFETCH(std::optional<int>, style);
    QFETCH(int, settled);
    QCOMPARE(SettleWindowStyle(style), settled);
}

void TestRunAndWait::roundsHalfToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("2.5") << 2.5 << 2.0;
    QTest::newRow("3.5") << 3.5 << 4.0;
    QTest::newRow("0.5") << 0.5 << 0.0;
    QTest::newRow("24.5") << 24.5 << 24.0;
    QTest::newRow("33.333") << 100.0 / 3 << 33.0;
    QTest::newRow("66.667") << 200.0 / 3 << 67.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("-2.6") << -2.6 << -3.0;
}

void TestRunAndWait::roundsHalfToEven()
{
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(RoundHalfEven(value), rounded);
}

void TestRunAndWait::confinedChildRunsOnlyTheCheckedFile_data()
{
    QTest::addColumn<bool>("swapped"); // another file put at the program's name after the check
    QTest::newRow("the checked file") << false;
    QTest::newRow("a file put at its name since") << true;
}

void TestRunAndWait::confinedChildRunsOnlyTheCheckedFile()
{
    QFETCH(bool, swapped);
    if (ConverterConfinement::LandlockAbi() == 0)
        QSKIP("the kernel offers no Landlock, so the converter runs without walls");
    const QString script = WriteScript(m_dir.filePath(u"checked.sh"_s), u"echo checked"_s, u"/bin/bash"_s);
    const OwnedDescriptor checked(::open(QFile::encodeName(script).constData(), O_RDONLY | O_CLOEXEC));
    QVERIFY(checked.get() >= 0);
    if (swapped) {
        const QString other = WriteScript(m_dir.filePath(u"other.sh"_s), u"echo other"_s, u"/bin/bash"_s);
        QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(script).constData()), 0);
    }
    ChildRunner runner(10ms);
    const ChildOutcome outcome = runner.run(ChildCommand{script, {}, {}, {}, ChildConfinement{checked.get(), -1}});
    QCOMPARE(outcome.started, !swapped);
    QCOMPARE(outcome.succeeded(), !swapped);
    QCOMPARE(outcome.lastLine(), swapped ? u"execvp: Permission denied"_s : u"checked"_s);
}

void TestRunAndWait::confinementFailureInTheChildIsReported_data()
{
    QTest::addColumn<bool>("confined");
    QTest::addColumn<QString>("failure");
    QTest::newRow("free") << false << QString();
    QTest::newRow("confined") << true << u"the converter could not be confined (fcntl: Bad file descriptor)"_s;
}

void TestRunAndWait::confinementFailureInTheChildIsReported()
{
    QFETCH(bool, confined);
    QFETCH(QString, failure);
    if (confined && ConverterConfinement::LandlockAbi() == 0)
        QSKIP("the kernel offers no Landlock, so the converter runs without walls");
    const QString script = WriteScript(m_dir.filePath(u"runs.sh"_s), u"echo ran"_s);
    const OwnedDescriptor program(::open(QFile::encodeName(script).constData(), O_RDONLY | O_CLOEXEC));
    QVERIFY(program.get() >= 0);
    // The second descriptor to hand over is not open: the child cannot
    // open it to the converter, which a confined child must not run without.
    const int closed = ::fcntl(program.get(), F_DUPFD_CLOEXEC, 900);
    QVERIFY(closed >= 900);
    ::close(closed);
    ChildCommand command{script, {}, {}, {program.get(), closed}};
    if (confined)
        command.confinement = ChildConfinement{program.get(), program.get()};
    ChildRunner runner(10ms);
    const ChildOutcome outcome = runner.run(command);
    QCOMPARE(outcome.confinementFailure, failure);
    QCOMPARE(outcome.exitCode, confined ? 127 : 0);
    QCOMPARE(outcome.succeeded(), !confined);
    QCOMPARE(outcome.lastLine(), confined ? QString() : u"ran"_s);
}

QTEST_GUILESS_MAIN(TestRunAndWait)
#include "tst_run_and_wait.moc"
