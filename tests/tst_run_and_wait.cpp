// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConverterConfinement.h"
#include "ProgressView.h"
#include "RunAndWait.h"
#include "RuntimeError.h"
#include "TestTree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
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

// A TCP port on 127.0.0.1 that takes connections into its backlog; 0 when
// none could be opened.
int listenOnLoopback(const OwnedDescriptor &listener)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener.get() < 0 || ::bind(listener.get(), reinterpret_cast<sockaddr *>(&address), length) != 0
        || ::listen(listener.get(), 8) != 0
        || ::getsockname(listener.get(), reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

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
    void confinedChildIsWalledIn_data();
    void confinedChildIsWalledIn();
    void confinementFailureInTheChildIsReported_data();
    void confinementFailureInTheChildIsReported();
    void confinementFailureReason_data();
    void confinementFailureReason();

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

void TestRunAndWait::confinedChildIsWalledIn_data()
{
    QTest::addColumn<QString>("attempt");
    QTest::addColumn<bool>("confined");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<QString>("refusal"); // what the shell says when refused
    struct Attempt {
        const char *name;
        QString command;
        QString refusalWhenConfined; // empty: allowed also when confined
    };
    const QList<Attempt> attempts = {
        {"read a file in the home folder", u"read -r line < '%HOMEFILE%'"_s, u"Permission denied"_s},
        {"create a file in a temporary folder", u": > '%TEMPDIR%/made'"_s, u"Permission denied"_s},
        // The socket itself is refused, before any address is looked at.
        {"open a TCP socket to 127.0.0.1", u"exec 5<>/dev/tcp/127.0.0.1/%PORT%"_s, u"Operation not permitted"_s},
        {"write to the inherited result", u"printf 'written' >&%RESULT%"_s, QString()},
        {"read the inherited source through /proc", u"read -r line < /proc/self/fd/%SOURCE%"_s, QString()},
        {"read a file under /usr", u"read -r line < /usr/lib/os-release"_s, QString()},
        {"convert the inherited source with ffmpeg",
            u"/usr/bin/ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i testsrc=d=0.2 -f mpegts pipe:%RESULT%"_s,
            QString()},
    };
    for (const Attempt &attempt : attempts) {
        QTest::addRow("%s, free", attempt.name) << attempt.command << false << true << QString();
        QTest::addRow("%s, confined", attempt.name)
            << attempt.command << true << attempt.refusalWhenConfined.isEmpty() << attempt.refusalWhenConfined;
    }
}

void TestRunAndWait::confinedChildIsWalledIn()
{
    QFETCH(QString, attempt);
    QFETCH(bool, confined);
    QFETCH(bool, allowed);
    QFETCH(QString, refusal);
    if (confined && ConverterConfinement::LandlockAbi() == 0)
        QSKIP("the kernel offers no Landlock, so the converter runs without walls");

    QTemporaryDir home(QDir::homePath() + u"/reelwright-confinement-XXXXXX"_s);
    QVERIFY2(home.isValid(), qPrintable(home.errorString()));
    const QString homeFile = WriteTextFile(home.filePath(u"private.txt"_s), "private\n");
    const QString sourcePath = WriteTextFile(m_dir.filePath(u"source.avi"_s), "frames\n");
    const QString resultPath = m_dir.filePath(u"result.mov"_s);
    QFile::remove(resultPath);
    QFile::remove(m_dir.filePath(u"made"_s));
    const OwnedDescriptor source(::open(QFile::encodeName(sourcePath).constData(), O_RDONLY | O_CLOEXEC));
    const OwnedDescriptor result(
        ::open(QFile::encodeName(resultPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    QVERIFY(source.get() >= 0 && result.get() >= 0);
    const OwnedDescriptor listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int port = listenOnLoopback(listener);
    QVERIFY2(port != 0, std::strerror(errno));

    attempt.replace(u"%HOMEFILE%"_s, homeFile)
        .replace(u"%TEMPDIR%"_s, m_dir.path())
        .replace(u"%PORT%"_s, QString::number(port))
        .replace(u"%RESULT%"_s, QString::number(result.get()))
        .replace(u"%SOURCE%"_s, QString::number(source.get()));
    const QString script = WriteScript(m_dir.filePath(u"attempt.sh"_s),
        u"if %1; then echo allowed; exit 0; fi\necho refused; exit 1"_s.arg(attempt), u"/bin/bash"_s);
    ChildCommand command{script, {}, {}, {source.get(), result.get()}, confined};
    ChildRunner runner(10ms);
    const ChildOutcome outcome = runner.run(command);
    QVERIFY2(outcome.confinementFailure.isEmpty(), qPrintable(outcome.confinementFailure));
    QVERIFY2(outcome.started && !outcome.crashed, qPrintable(outcome.lastLines.join(u'\n')));
    QCOMPARE(outcome.lastLine(), allowed ? u"allowed"_s : u"refused"_s);
    QCOMPARE(outcome.exitCode, allowed ? 0 : 1);
    const QString said = outcome.lastLines.join(u'\n');
    if (refusal.isEmpty())
        QVERIFY2(!said.contains(u"denied"_s) && !said.contains(u"not permitted"_s), qPrintable(said));
    else
        QVERIFY2(said.contains(refusal), qPrintable(said));
    if (attempt.startsWith(u":"_s))
        QCOMPARE(QFile::exists(m_dir.filePath(u"made"_s)), allowed);
    if (attempt.startsWith(u"printf"_s)) {
        QFile written(resultPath);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("written"));
    }
    if (attempt.contains(u"ffmpeg"_s))
        QVERIFY(QFileInfo(resultPath).size() > 0);
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
    // The second descriptor to hand over is not open: the child cannot
    // open it to the converter, which a confined child must not run without.
    const OwnedDescriptor source(::open(QFile::encodeName(script).constData(), O_RDONLY | O_CLOEXEC));
    QVERIFY(source.get() >= 0);
    const int closed = ::fcntl(source.get(), F_DUPFD_CLOEXEC, 900);
    QVERIFY(closed >= 900);
    ::close(closed);
    ChildRunner runner(10ms);
    const ChildOutcome outcome = runner.run(ChildCommand{script, {}, {}, {source.get(), closed}, confined});
    QCOMPARE(outcome.confinementFailure, failure);
    QCOMPARE(outcome.exitCode, confined ? 127 : 0);
    QCOMPARE(outcome.succeeded(), !confined);
    QCOMPARE(outcome.lastLine(), confined ? QString() : u"ran"_s);
}

void TestRunAndWait::confinementFailureReason_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("reason");
    QTest::newRow("close_range") << int(ConverterConfinement::CloseRange) << ENOSYS
                                 << u"the converter could not be confined (close_range: Function not implemented)"_s;
    QTest::newRow("no new privileges")
        << int(ConverterConfinement::NoNewPrivileges) << EINVAL
        << u"the converter could not be confined (prctl(PR_SET_NO_NEW_PRIVS): Invalid argument)"_s;
    QTest::newRow("landlock_restrict_self")
        << int(ConverterConfinement::RestrictSelf) << EPERM
        << u"the converter could not be confined (landlock_restrict_self: Operation not permitted)"_s;
    QTest::newRow("seccomp") << int(ConverterConfinement::InstallFilter) << EFAULT
                             << u"the converter could not be confined (seccomp: Bad address)"_s;
    QTest::newRow("out of range") << 99 << EPERM
                                  << u"the converter could not be confined (an unknown step: Operation not permitted)"_s;
}

void TestRunAndWait::confinementFailureReason()
{
    QFETCH(int, step);
    QFETCH(int, error);
    QFETCH(QString, reason);
    QCOMPARE(ConfinementFailureReason(step, error), reason);
}

QTEST_GUILESS_MAIN(TestRunAndWait)
#include "tst_run_and_wait.moc"
