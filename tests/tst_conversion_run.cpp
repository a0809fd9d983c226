// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConversionRun.h"
#include "ConversionVerdict.h"
#include "ConverterConfinement.h"
#include "ConverterLease.h"
#include "ConverterStaging.h"
#include "DvdShape.h"
#include "FileListWidget.h"
#include "Form1.h"
#include "HiddenResult.h"
#include "OrdinaryUser.h"
#include "ProgressView.h"
#include "QuietStart.h"
#include "RuntimeError.h"
#include "ScriptedDialogs.h"
#include "TestTree.h"
#include "TextProgressBar.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <pwd.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// What every command starts with after the temporary folder: the converter
// may read only ordinary video files.
const QString kVideoFormats
    = u"avi,matroska,mov,mpeg,mpegts,mpegvideo,m4v,h264,hevc,flv,asf,ogg,dv,nut,rm,yuv4mpegpipe"_s;
const QString kConverterStart = u"/ffmpeg.exe -format_whitelist "_s + kVideoFormats + u" -i \""_s;
// What follows the source in every command: the filter that gives the
// picture a DVD's shape, and the target.
const QString kAfterSource = u"\" -vf \""_s + DvdShapeFilter() + u"\" -target ntsc-dvd \""_s;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool entryExists(const QString &path)
{
    struct stat info { };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

bool processRuns(const QString &pid)
{
    // A killed child whose parent is gone is reaped by init; a zombie of a
    // parent still running counts as ended.
    QFile status(u"/proc/"_s + pid + u"/stat"_s);
    if (!status.open(QIODevice::ReadOnly))
        return false;
    const QByteArray fields = status.readAll();
    const qsizetype afterName = fields.lastIndexOf(')');
    return afterName < 0 || fields.mid(afterName + 2, 1) != "Z";
}

// The processes that parent started and that have not been reaped, from
// every thread of it.
QList<qint64> childrenOf(qint64 parent)
{
    QList<qint64> children;
    const QDir tasks(u"/proc/%1/task"_s.arg(parent));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        for (const QByteArray &child : readAll(tasks.filePath(task + u"/children"_s)).split(' ')) {
            if (!child.trimmed().isEmpty())
                children << child.trimmed().toLongLong();
        }
    }
    return children;
}

// The hidden file beside folder/name that a converter is writing the result
// into; empty when there is none.
QString unfinishedResult(const QString &folder, const QString &name)
{
    const QStringList hidden = QDir(folder).entryList({u'.' + name + u".part-*"_s}, QDir::Files | QDir::Hidden);
    return hidden.isEmpty() ? QString() : folder + u'/' + hidden.front();
}

// A listening socket of the test, closed with it.
class Listener final {
public:
    // On 127.0.0.1, at a port of the system's choice.
    static Listener tcp()
    {
        Listener listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener.listensAt(reinterpret_cast<sockaddr *>(&address), length)
            && ::getsockname(listener.m_fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            listener.m_address = QString::number(ntohs(address.sin_port));
        return listener;
    }
    // At a name in the file system.
    static Listener unix(const QString &path)
    {
        Listener listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (size_t(name.size()) < sizeof address.sun_path) {
            std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
            if (listener.listensAt(reinterpret_cast<sockaddr *>(&address), sizeof address))
                listener.m_address = path;
        }
        return listener;
    }
    Listener(Listener &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
        , m_address(std::move(other.m_address))
    {
    }
    Listener &operator=(Listener &&) = delete;
    ~Listener()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    // The port or the name it listens at; empty when it could not listen.
    const QString &address() const { return m_address; }

private:
    explicit Listener(int fd)
        : m_fd(fd)
    {
    }
    bool listensAt(const sockaddr *address, socklen_t length) const
    {
        return m_fd >= 0 && ::bind(m_fd, address, length) == 0 && ::listen(m_fd, 8) == 0;
    }

    int m_fd;
    QString m_address;
};

// The failure lines of a closing message, one per failed file.
QString onlyReason(const ScriptedDialogs &dialogs, const QString &source)
{
    const QStringList texts = dialogs.messageTexts();
    if (texts.size() != 1)
        return u"<%1 messages>"_s.arg(texts.size());
    const QString prefix = source + u" - "_s;
    for (const QString &line : texts.front().split(u'\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size());
    }
    return u"<no line for the file>"_s;
}

// The window as a run sees it, whose pointer, bar or dialogs fail when the
// run puts them back to rest at its end.
class FailingAtRestHost final : public ConversionHost, public ProgressView {
public:
    QStringList items;
    bool beside = true; // option 2; else option 1 with folder
    QString folder;
    QString failing; // "pointer", "bar value", "bar text" or nothing

    int itemCount() const override { return int(items.size()); }
    QString itemText(int index) const override { return items.value(index - 1); }
    bool option1Selected() const override { return !beside; }
    bool option2Selected() const override { return beside; }
    QString outputFolderText() const override { return folder; }
    int mousePointer() const override { return m_pointer; }
    void setMousePointer(int pointer) override
    {
        failIf(pointer == PointerDefault && failing == u"pointer"_s);
        m_pointer = pointer;
    }
    ProgressView &progressBar() override { return *this; }
    double value() const override { return m_value; }
    void setValue(double value) override
    {
        failIf(value == 0 && failing == u"bar value"_s);
        m_value = value;
    }
    QString text() const override { return m_text; }
    void setText(const QString &text) override
    {
        failIf(text == kProgressBarRestingText && failing == u"bar text"_s);
        m_text = text;
    }

private:
    static void failIf(bool fails)
    {
        if (fails)
            throw RuntimeError(RuntimeError::InvalidArgument);
    }

    int m_pointer = PointerDefault;
    double m_value = 0;
    QString m_text = kProgressBarRestingText;
};

// The converter that the program embeds, run directly on paths with the
// program's options, as a person would; the result it writes, or nothing
// when it failed.
QByteArray convertedDirectly(const QString &source, const QString &result)
{
    const bool converted = RunFfmpeg({u"-format_whitelist"_s, kVideoFormats, u"-i"_s, source, u"-vf"_s,
                                         DvdShapeFilter(), u"-target"_s, u"ntsc-dvd"_s, result})
                               .has_value();
    return converted ? readAll(result) : QByteArray();
}

// A clip of a gray picture with a white square in its middle, a square as
// shown: its width in pixels allows for the pixels' shape.
bool makeShapeClip(const QString &path, const QString &size, const QString &pixelShape, const QString &rate,
    const QStringList &encoding)
{
    const QString side = u"ih/3"_s;
    const QString width = u"%1/(%2)"_s.arg(side, pixelShape);
    const QString picture
        = u"color=c=gray:size=%1:rate=%2,format=yuv444p,drawbox=x=(iw-%3)/2:y=(ih-%4)/2:w=%3:h=%4:color=white:t=fill,"
          "setsar=%5"_s.arg(size, rate, width, side, pixelShape);
    return RunFfmpeg(
        QStringList{u"-y"_s, u"-f"_s, u"lavfi"_s, u"-i"_s, picture, u"-t"_s, u"0.4"_s} + encoding + QStringList{path})
        .has_value();
}

// The same clip, shown turned a quarter: the picture is stored as it was
// filmed, and a tag says how to turn it.
bool tagTurnedQuarter(const QString &path, const QString &turned)
{
    return RunFfmpeg({u"-y"_s, u"-i"_s, path, u"-c"_s, u"copy"_s, u"-metadata:s:v:0"_s, u"rotate=90"_s, turned})
        .has_value();
}

QString displayShapeOf(const QString &path)
{
    return QString::fromLatin1(RunFfprobe({u"-select_streams"_s, u"v:0"_s, u"-show_entries"_s,
                                              u"stream=display_aspect_ratio"_s, u"-of"_s, u"default=nw=1:nk=1"_s, path})
                                   .value_or(QByteArray()))
        .trimmed();
}

// The brightness of one decoded frame of a DVD result, 720 by 480.
struct DvdFrame {
    static constexpr int kWidth = 720;
    static constexpr int kHeight = 480;
    QByteArray luma;

    int at(int x, int y) const { return quint8(luma.at(y * kWidth + x)); }
    // The smallest rectangle that holds every pixel brighter than level.
    QRect brighterThan(int level) const
    {
        QRect area;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                if (at(x, y) > level)
                    area |= QRect(x, y, 1, 1);
            }
        }
        return area;
    }
    // The brightest pixel more than margin pixels outside area.
    int brightestOutside(const QRect &area, int margin) const
    {
        const QRect kept = area.adjusted(-margin, -margin, margin, margin);
        int brightest = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                if (!kept.contains(x, y))
                    brightest = qMax(brightest, at(x, y));
            }
        }
        return brightest;
    }
};

DvdFrame decodedFrame(const QString &path)
{
    return DvdFrame{RunFfmpeg({u"-i"_s, path, u"-vf"_s, u"trim=start_frame=3"_s, u"-frames:v"_s, u"1"_s, u"-f"_s,
                                  u"rawvideo"_s, u"-pix_fmt"_s, u"gray"_s, u"-"_s})
                        .value_or(QByteArray())};
}

// What dvdauthor, given the result as a title, says of its aspect: its
// finding, and any warning.
QStringList dvdAuthorAspectLines(const QString &result, const QString &dvdFolder)
{
    QProcess author;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"VIDEO_FORMAT"_s, u"NTSC"_s);
    author.setProcessEnvironment(environment);
    author.setProcessChannelMode(QProcess::MergedChannels);
    author.start(u"dvdauthor"_s, {u"-o"_s, dvdFolder, u"-t"_s, result});
    author.waitForFinished(60000);
    QStringList lines;
    for (const QString &line : QString::fromUtf8(author.readAll()).split(u'\n')) {
        if (line.contains(u"aspect"_s, Qt::CaseInsensitive))
            lines << line.trimmed();
    }
    return lines;
}

} // namespace

class TestConversionRun final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void convertsIntoChosenFolder();
    void convertsBesideOriginals();
    void emptyListSaysSo();
    void missingOutputFolderStopsTheRun_data();
    void missingOutputFolderStopsTheRun();
    void difficultNamesConvert();
    void existingResultIsKeptAndReported();
    void resultThatWouldReplaceItsSourceIsRefused();
    void failedConverterIsReportedNotDone();
    void everyFailureCanBeSeen();
    void strangeConverterIsNeverRun_data();
    void strangeConverterIsNeverRun();
    void unusableTemporaryFolderEndsTheRunAtOnce_data();
    void unusableTemporaryFolderEndsTheRunAtOnce();
    void whileRunningTheWindowStaysUsableButGuarded();
    void listChangedDuringRun_data();
    void listChangedDuringRun();
    void closingDuringRunStopsAndCleansUp();
    void closingMessage_data();
    void closingMessage();
    void destinations_data();
    void destinations();
    void incompleteResultIsAFailure_data();
    void incompleteResultIsAFailure();
    void fullFileSystemFailsTheFile();
    void explainingLine_data();
    void explainingLine();
    void writeErrorLines_data();
    void writeErrorLines();
    void oddlyNamedClipConverts();
    void destinationTakenMeanwhileIsKept();
    void refusedBeforeTheConverterStarts_data();
    void refusedBeforeTheConverterStarts();
    void closeBeforeSetUpStartsNoConverter();
    void noOutputOptionConvertsNothing();
    void foldersOthersCanChangeAreRefused_data();
    void foldersOthersCanChangeAreRefused();
    void swappedConverterIsNeverRun();
    void twoRunsShareTheStagedConverter();
    void privateRuntimeFolderWhenTempIsUnset();
    void programEndLeavesNothingBehind_data();
    void programEndLeavesNothingBehind();
    void programEndKeepsWhatTookTheHiddenName_data();
    void programEndKeepsWhatTookTheHiddenName();
    void lockFileMadeAnewWhileWaitingIsLockedAgain();
    void leftoversOfEndedRunsAreRemoved_data();
    void leftoversOfEndedRunsAreRemoved();
    void failedWaitLeavesNoHiddenResult();
    void relativeNamesStayFileNames();
    void playlistNamedLikeAVideoIsNotFollowed();
    void everyReadableFormatConvertsThroughItsDescriptor_data();
    void everyReadableFormatConvertsThroughItsDescriptor();
    void sourceSwappedAfterTheCheckIsNotRead_data();
    void sourceSwappedAfterTheCheckIsNotRead();
    void linkPlantedAtTheHiddenNameIsNotWrittenThrough();
    void takenHiddenNamesAreLeftAlone_data();
    void takenHiddenNamesAreLeftAlone();
    void resultReachesTheDiskBeforeItsName_data();
    void resultReachesTheDiskBeforeItsName();
    void converterNamesInUsersTerms_data();
    void converterNamesInUsersTerms();
    void finishingStepsAreReportedByNumber_data();
    void finishingStepsAreReportedByNumber();
    void everyResultHasADvdShape_data();
    void everyResultHasADvdShape();
    void converterReachesOnlyItsOwnFiles_data();
    void converterReachesOnlyItsOwnFiles();
    void kernelThatCannotWallTheConverterIn_data();
    void kernelThatCannotWallTheConverterIn();

private:
    Form1 &makeForm();
    QString clip(const QString &name);
    void useFakeConverter(const QString &body);
    void useConverterThatWaitsFor(const std::function<void()> &act, const QString &body);

    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<QTemporaryDir> m_work;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Form1> m_form;
    // The sources the form's run started a converter for, and the processes.
    QStringList m_startedSources;
    QList<qint64> m_startedProcesses;
};

void TestConversionRun::init()
{
    m_config = std::make_unique<QTemporaryDir>();
    m_temp = std::make_unique<QTemporaryDir>();
    m_work = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid() && m_temp->isValid() && m_work->isValid());
    qputenv("XDG_CONFIG_HOME", m_config->path().toUtf8());
    qputenv("TEMP", m_temp->path().toUtf8());
    m_dialogs = std::make_unique<ScriptedDialogs>();
}

void TestConversionRun::cleanup()
{
    m_form.reset();
    m_dialogs.reset();
}

Form1 &TestConversionRun::makeForm()
{
    m_form = std::make_unique<Form1>(*m_dialogs, QuietStart(10ms));
    m_startedSources.clear();
    m_startedProcesses.clear();
    connect(&m_form->conversionRun(), &ConversionRun::converterStarted, this,
        [this](const QString &source, qint64 processId) {
            m_startedSources << source;
            m_startedProcesses << processId;
        });
    return *m_form;
}

QString TestConversionRun::clip(const QString &name)
{
    const QString path = m_work->filePath(name);
    if (!MakeClip(path))
        qWarning("could not make the clip %s", qPrintable(path));
    return path;
}

void TestConversionRun::useFakeConverter(const QString &body)
{
    m_form->conversionRun().setConverterResource(WriteFakeConverter(m_work->filePath(u"fake-converter.sh"_s), body));
}

// A stand-in that, once started, waits until act has run in the test before
// it goes on as body: act does what someone else does meanwhile.
void TestConversionRun::useConverterThatWaitsFor(const std::function<void()> &act, const QString &body)
{
    const QString goOn = m_work->filePath(u"go-on"_s);
    useFakeConverter(u"while [ ! -e '%1' ]; do sleep 0.01; done\n"_s.arg(goOn) + body);
    connect(&m_form->conversionRun(), &ConversionRun::converterStarted, this, [act, goOn] {
        act();
        WriteTextFile(goOn, {});
    });
}

void TestConversionRun::convertsIntoChosenFolder()
{
    Form1 &form = makeForm();
    const QString out = m_work->filePath(u"out"_s);
    QVERIFY(QDir().mkpath(out));
    const QStringList sources = {clip(u"first.avi"_s), clip(u"second.avi"_s)};
    for (const QString &source : sources)
        form.listView1()->appendPath(source);
    form.text1()->setText(out + u'/');

    form.pushButton2()->click();

    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QCOMPARE(m_dialogs->messages.front().icon, MessageIcon::None);
    for (const QString &name : {u"first"_s, u"second"_s})
        QCOMPARE(ProbeVideo(out + u'/' + name + u".mov"_s), u"mpeg mpeg2video 720x480"_s);
    QCOMPARE(form.conversionRun().commandLines(),
        QStringList({m_temp->path() + kConverterStart + sources[0] + kAfterSource + out
                + u"/first.mov\""_s,
            m_temp->path() + kConverterStart + sources[1] + kAfterSource + out + u"/second.mov\""_s}));
    QVERIFY(!QFile::exists(ConverterPath()));
    QVERIFY(!form.conversionRun().isConverting());
    QCOMPARE(form.mousePointer(), int(PointerDefault));
    QCOMPARE(form.progressBar1()->value(), 0.0);
    QCOMPARE(form.progressBar1()->text(), u"Progress Bar"_s);
    QCOMPARE(form.listView1()->count(), 2);
}

void TestConversionRun::convertsBesideOriginals()
{
    Form1 &form = makeForm();
    QVERIFY(QDir().mkpath(m_work->filePath(u"a.b"_s)));
    const QString source = clip(u"a.b/holiday.avi"_s);
    form.listView1()->appendPath(source);
    form.option2()->setChecked(true);
    form.text1()->setText(u"/no/such/folder/"_s); // not looked at with this option

    form.pushButton2()->click();

    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QCOMPARE(ProbeVideo(m_work->filePath(u"a.b/holiday.mov"_s)), u"mpeg mpeg2video 720x480"_s);
}

void TestConversionRun::emptyListSaysSo()
{
    Form1 &form = makeForm();
    form.progressBar1()->setValue(42);
    form.pushButton2()->click();
    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"No files added."_s});
    QCOMPARE(m_dialogs->messages.front().title, u"Reelwright"_s);
    QCOMPARE(form.progressBar1()->value(), 42.0);
    QCOMPARE(form.mousePointer(), int(PointerDefault));
    QVERIFY(!form.conversionRun().isConverting());
}

void TestConversionRun::missingOutputFolderStopsTheRun_data()
{
    QTest::addColumn<QString>("folderText");
    QTest::newRow("empty") << QString();
    QTest::newRow("a file") << u"file"_s;
    QTest::newRow("missing") << u"missing/"_s;
}

void TestConversionRun::missingOutputFolderStopsTheRun()
{
    QFETCH(QString, folderText);
    Form1 &form = makeForm();
    useFakeConverter(u"printf x >&$result"_s);
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"a.avi"_s), "clip"));
    const QString file = WriteTextFile(m_work->filePath(u"file"_s), "x");
    form.text1()->setText(folderText.isEmpty() ? QString() : m_work->filePath(folderText));
    form.pushButton2()->click();
    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Folder does not exist. Please select another folder."_s});
    QVERIFY(form.conversionRun().commandLines().isEmpty());
    QVERIFY(!form.conversionRun().isConverting());
    QVERIFY(!QFile::exists(ConverterPath()));
}

void TestConversionRun::difficultNamesConvert()
{
    Form1 &form = makeForm();
    const QStringList names = {u"with space.avi"_s, u"with \"quotes\" and 'ticks'.avi"_s, u"$HOME `date`.avi"_s,
        u"Ünïcödé ファイル.avi"_s, u"-leading-dash.avi"_s,
        // The longest name the file system takes: 253 bytes, 257 with ".mov".
        QString(83, QChar(0x6620)) + u".avi"_s};
    for (const QString &name : names)
        form.listView1()->appendPath(clip(name));
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    for (QString name : names)
        QCOMPARE(ProbeVideo(m_work->filePath(name.replace(u".avi"_s, u".mov"_s))), u"mpeg mpeg2video 720x480"_s);
}

void TestConversionRun::existingResultIsKeptAndReported()
{
    Form1 &form = makeForm();
    const QString kept = WriteTextFile(m_work->filePath(u"kept.mov"_s), "precious bytes");
    const QString source = clip(u"kept.avi"_s);
    form.listView1()->appendPath(source);
    form.listView1()->appendPath(clip(u"fresh.avi"_s));
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QCOMPARE(readAll(kept), QByteArray("precious bytes"));
    QCOMPARE(ProbeVideo(m_work->filePath(u"fresh.mov"_s)), u"mpeg mpeg2video 720x480"_s);
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages.front().icon, MessageIcon::Warning);
    QCOMPARE(m_dialogs->messages.front().text,
        u"Done.\n\n1 of 2 files could not be converted:\n"_s + source + u" - a file of that name already exists"_s);
}

void TestConversionRun::resultThatWouldReplaceItsSourceIsRefused()
{
    Form1 &form = makeForm();
    useFakeConverter(u"printf x >&$result"_s);
    const QString source = WriteTextFile(m_work->filePath(u"already.mov"_s), "original");
    form.listView1()->appendPath(source);
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QVERIFY(m_startedSources.isEmpty());
    QCOMPARE(readAll(source), QByteArray("original"));
    QCOMPARE(m_dialogs->messageTexts(),
        QStringList{u"Done.\n\n1 of 1 files could not be converted:\n"_s + source
            + u" - the result would replace the original file"_s});
}

void TestConversionRun::failedConverterIsReportedNotDone()
{
    Form1 &form = makeForm();
    useFakeConverter(u"echo \"Invalid data found when processing input\" >&2\nexit 1"_s);
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"broken.avi"_s), "clip"));
    form.option2()->setChecked(true);
    form.pushButton2()->click();
    QCOMPARE(m_dialogs->messageTexts(),
        QStringList{u"Done.\n\n1 of 1 files could not be converted:\n"_s + m_work->filePath(u"broken.avi"_s)
            + u" - Invalid data found when processing input"_s});
}

void TestConversionRun::everyFailureCanBeSeen()
{
    Form1 &form = makeForm();
    useFakeConverter(u"echo \"Invalid data found when processing input\" >&2\nexit 1"_s);
    for (int i = 1; i <= 21; ++i)
        form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"%1.avi"_s.arg(i)), "clip"));
    form.option2()->setChecked(true);
    form.pushButton2()->click();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QVERIFY(m_dialogs->messages.front().text.endsWith(u"\n… and 1 more"_s));
    const QStringList details = m_dialogs->messages.front().detailedText.split(u'\n');
    QCOMPARE(details.size(), 21);
    QCOMPARE(details.last(), m_work->filePath(u"21.avi"_s) + u" - Invalid data found when processing input"_s);
}

void TestConversionRun::strangeConverterIsNeverRun_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("refusal"); // empty: a copy of the converter, replaced
    const QString notOurs = u"<converter> is not this program's converter, so it is left alone."_s;
    QTest::newRow("another program") << u"altered"_s << notOurs;
    QTest::newRow("same size, one byte changed") << u"one byte"_s << notOurs;
    QTest::newRow("link to a program") << u"link"_s << notOurs;
    QTest::newRow("link to a copy of the converter") << u"link to a copy"_s << notOurs;
    QTest::newRow("copy writable by others") << u"group-writable"_s << QString();
    QTest::newRow("another user's copy") << u"foreign"_s << QString();
    QTest::newRow("lock file that is a named pipe")
        << u"fifo lock"_s << u"<converter>.lock is not this program's lock file (it is not a regular file)"_s;
    QTest::newRow("lock file that is not empty")
        << u"full lock"_s << u"<converter>.lock is not this program's lock file (it is not empty)"_s;
}

void TestConversionRun::strangeConverterIsNeverRun()
{
    QFETCH(QString, kind);
    QFETCH(QString, refusal);
    Form1 &form = makeForm();
    // The converter of this run, and a stranger's program of the same size
    // that differs from it in one byte.
    useFakeConverter(u"printf ours >&$result"_s);
    const QByteArray converterBytes = readAll(m_work->filePath(u"fake-converter.sh"_s));
    const QString stranger = WriteFakeConverter(m_work->filePath(u"stranger.sh"_s), u"printf stranger >&$result"_s);
    const QByteArray strangerBytes
        = kind == u"one byte"_s ? QByteArray(converterBytes).replace("ours", "our!") : readAll(stranger);
    const QString staged = ConverterPath();
    QByteArray expectedBytes = strangerBytes;
    if (kind == u"link"_s) {
        QVERIFY(QFile::link(stranger, staged));
    } else if (kind == u"link to a copy"_s) {
        // Whoever put the link there may lead it elsewhere at any time.
        const QString copy = m_work->filePath(u"copy-of-the-converter"_s);
        QVERIFY(QFile::copy(m_work->filePath(u"fake-converter.sh"_s), copy));
        QVERIFY(IsTrustedConverter(copy, converterBytes));
        QVERIFY(QFile::link(copy, staged));
        expectedBytes = converterBytes;
    } else if (kind == u"fifo lock"_s) {
        QCOMPARE(::mkfifo(QFile::encodeName(staged + u".lock"_s).constData(), 0600), 0);
    } else if (kind == u"full lock"_s) {
        WriteTextFile(staged + u".lock"_s, "someone's notes");
    } else {
        const bool altered = kind == u"altered"_s || kind == u"one byte"_s;
        WriteTextFile(staged, altered ? strangerBytes : converterBytes);
        QFile::setPermissions(staged,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                | (kind == u"group-writable"_s ? QFileDevice::WriteGroup : QFileDevice::Permissions()));
        if (kind == u"foreign"_s) {
            if (::geteuid() != 0)
                QSKIP("only root can give a file to another user");
            QCOMPARE(::chown(QFile::encodeName(staged).constData(), 65534, 65534), 0);
        }
        QVERIFY(!IsTrustedConverter(staged, converterBytes));
    }
    const QString source = WriteTextFile(m_work->filePath(u"a.avi"_s), "clip");
    form.listView1()->appendPath(source);
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    if (!refusal.isEmpty()) {
        // Someone's file of that name: never run, replaced or removed.
        QCOMPARE(m_dialogs->messages.size(), 1);
        QVERIFY2(m_dialogs->messages.front().text.startsWith(refusal.replace(u"<converter>"_s, staged)),
            qPrintable(m_dialogs->messages.front().text));
        QVERIFY(m_dialogs->messages.front().text.contains(u"PushButton2_Click at line 112"_s));
        if (kind == u"full lock"_s)
            QCOMPARE(readAll(staged + u".lock"_s), QByteArray("someone's notes"));
        else if (kind != u"fifo lock"_s)
            QCOMPARE(readAll(staged), expectedBytes);
        QVERIFY(form.conversionRun().commandLines().isEmpty());
        QVERIFY(m_startedSources.isEmpty());
        QVERIFY(!entryExists(m_work->filePath(u"a.mov"_s)));
    } else {
        QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
        QCOMPARE(m_startedSources, QStringList{source});
        QCOMPARE(readAll(m_work->filePath(u"a.mov"_s)), QByteArray("ours"));
        QVERIFY(!QFile::exists(staged));
    }
}

void TestConversionRun::unusableTemporaryFolderEndsTheRunAtOnce_data()
{
    QTest::addColumn<QString>("temp"); // what TEMP names, in the work folder; empty: TEMP is unset
    QTest::addColumn<QString>("reason"); // %1: the work folder, %2: this user's name
    QTest::newRow("TEMP names a missing folder")
        << u"no-such-folder"_s << u"The temporary folder %1/no-such-folder does not exist."_s;
    QTest::newRow("TEMP names a file") << u"clip.avi"_s << u"TEMP names %1/clip.avi, which is a file, not a folder."_s;
    QTest::newRow("the runtime folder is another user's")
        << QString() << u"The temporary folder %1/runtime-%2 belongs to another user."_s;
}

// Each reason says what was found, and what to do.
void TestConversionRun::unusableTemporaryFolderEndsTheRunAtOnce()
{
    QFETCH(QString, temp);
    QFETCH(QString, reason);
    Form1 &form = makeForm();
    WriteTextFile(m_work->filePath(u"clip.avi"_s), "clip");
    const auto keep = [](const char *name) {
        return qScopeGuard(
            [name, value = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt] {
                value ? qputenv(name, *value) : qunsetenv(name);
            });
    };
    const auto keptRuntime = keep("XDG_RUNTIME_DIR");
    const auto keptTmp = keep("TMPDIR");
    const QString user = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    if (temp.isEmpty()) {
        // Without TEMP and XDG_RUNTIME_DIR, Qt's runtime folder is
        // runtime-<user> in the temporary folder; another user made it first.
        if (::geteuid() != 0)
            QSKIP("only root can give a folder to another user");
        const QString taken = m_work->filePath(u"runtime-"_s + user);
        QVERIFY(QDir().mkdir(taken));
        QCOMPARE(::chown(QFile::encodeName(taken).constData(), 65534, 65534), 0);
        qunsetenv("TEMP");
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", m_work->path().toUtf8());
    } else {
        qputenv("TEMP", m_work->filePath(temp).toUtf8());
    }
    form.listView1()->appendPath(clip(u"a.avi"_s));
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages.front().title, u"Application Error"_s);
    const QString expected = reason.arg(m_work->path(), user) + u" Set TEMP to a folder of your own."_s;
    QVERIFY2(m_dialogs->messages.front().text.startsWith(expected), qPrintable(m_dialogs->messages.front().text));
    QVERIFY(m_dialogs->messages.front().text.contains(
        u"\r\nin Framesmith2021/08/31.Form1.PushButton2_Click at line 112"_s));
    QVERIFY(form.conversionRun().commandLines().isEmpty());
    QVERIFY(!form.conversionRun().isConverting());
    QCOMPARE(form.mousePointer(), int(PointerDefault));
    QCOMPARE(form.progressBar1()->text(), u"Progress Bar"_s);
}

void TestConversionRun::whileRunningTheWindowStaysUsableButGuarded()
{
    Form1 &form = makeForm();
    useFakeConverter(u"sleep 0.4\nprintf x >&$result"_s);
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"only.avi"_s), "clip"));
    form.option2()->setChecked(true);
    form.show();

    double barBeforeConverter = -1;
    QString textDuringRun;
    int pointerDuringRun = -1;
    QTimer::singleShot(150, &form, [&] {
        barBeforeConverter = form.progressBar1()->value();
        textDuringRun = form.progressBar1()->text();
        pointerDuringRun = form.mousePointer();
        form.pushButton2()->click(); // a second click changes nothing
        form.pushButton7()->click(); // the list cannot be cleared while busy
        form.listView1()->selectIndex(1);
        QTest::keyClick(form.listView1(), Qt::Key_Delete);
        m_dialogs->fileNameAnswers.enqueue(m_work->filePath(u"late.avi"_s));
        form.pushButton1()->click(); // adding still works
    });

    form.pushButton2()->click();

    QCOMPARE(barBeforeConverter, 100.0);
    QCOMPARE(textDuringRun, u"Processing: only.avi"_s);
    QCOMPARE(pointerDuringRun, int(PointerBusy));
    QCOMPARE(form.conversionRun().commandLines().size(), 1);
    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QCOMPARE(form.listView1()->count(), 2);
    QVERIFY(QFile::exists(m_work->filePath(u"only.mov"_s)));
    QVERIFY(!QFile::exists(m_work->filePath(u"late.mov"_s)));
}

void TestConversionRun::listChangedDuringRun_data()
{
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("whileTheFirstConverts"); // the list then; empty: emptied
    QTest::addColumn<QStringList>("converted");
    const QStringList abc = {u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("last dragged to the top")
        << abc << QStringList{u"c"_s, u"a"_s, u"b"_s} << QStringList{u"a"_s, u"c"_s, u"b"_s};
    QTest::newRow("reversed") << abc << QStringList{u"c"_s, u"b"_s, u"a"_s} << QStringList{u"a"_s, u"c"_s, u"b"_s};
    QTest::newRow("listed twice") << QStringList{u"a"_s, u"b"_s, u"a"_s} << QStringList{u"a"_s, u"b"_s, u"a"_s}
                                  << QStringList{u"a"_s, u"b"_s, u"a"_s};
    QTest::newRow("listed twice, reordered")
        << QStringList{u"a"_s, u"b"_s, u"a"_s} << QStringList{u"b"_s, u"a"_s, u"a"_s}
        << QStringList{u"a"_s, u"b"_s, u"a"_s};
    QTest::newRow("added and dragged to the top")
        << QStringList{u"a"_s, u"b"_s} << QStringList{u"c"_s, u"a"_s, u"b"_s} << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("emptied") << abc << QStringList() << QStringList{u"a"_s};
}

void TestConversionRun::listChangedDuringRun()
{
    QFETCH(QStringList, listed);
    QFETCH(QStringList, whileTheFirstConverts);
    QFETCH(QStringList, converted);
    Form1 &form = makeForm();
    useFakeConverter(u"sleep 0.3\necho 'Invalid data found when processing input' >&2\nexit 1"_s);
    const auto path = [&](const QString &name) { return WriteTextFile(m_work->filePath(name + u".avi"_s), "clip"); };
    for (const QString &name : std::as_const(listed))
        form.listView1()->appendPath(path(name));
    form.option2()->setChecked(true);
    QTimer::singleShot(100, &form, [&] {
        FileListWidget &list = *form.listView1();
        list.removeAll();
        for (const QString &name : std::as_const(whileTheFirstConverts))
            list.appendPath(path(name));
    });

    form.pushButton2()->click();

    QStringList started;
    for (const QString &commandLine : form.conversionRun().commandLines())
        started << QFileInfo(commandLine.section(u" -i \""_s, 1).section(u'"', 0, 0)).completeBaseName();
    QCOMPARE(started, converted);
    QCOMPARE(m_dialogs->messages.size(), 1);
    // Counted over the files the run went through, not the list at its end.
    QCOMPARE(m_dialogs->messages.front().text.section(u'\n', 2, 2),
        u"%1 of %1 files could not be converted:"_s.arg(converted.size()));
    QVERIFY(!form.conversionRun().isConverting());
}

void TestConversionRun::closingDuringRunStopsAndCleansUp()
{
    Form1 &form = makeForm();
    useFakeConverter(u"printf partial >&$result\nexec sleep 30"_s);
    const QString kept = WriteTextFile(m_work->filePath(u"two.mov"_s), "kept");
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"one.avi"_s), "clip"));
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"two.avi"_s), "clip"));
    form.option2()->setChecked(true);
    form.show();
    QTimer::singleShot(300, &form, [&] { form.close(); });

    form.pushButton2()->click();

    QTRY_VERIFY(!form.isVisible());
    QCOMPARE(form.conversionRun().commandLines().size(), 1);
    QVERIFY(!QFile::exists(m_work->filePath(u"one.mov"_s)));
    QCOMPARE(readAll(kept), QByteArray("kept"));
    QVERIFY(!QFile::exists(ConverterPath()));
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(m_startedProcesses.size(), 1);
    QTRY_VERIFY(!processRuns(QString::number(m_startedProcesses.front())));
}

void TestConversionRun::closingMessage_data()
{
    QTest::addColumn<int>("failed");
    QTest::addColumn<QStringList>("expectedLines");
    QTest::addColumn<int>("detailedLines"); // every failure, when the message cannot name them all
    const auto reasons = [](int first, int last) {
        QStringList lines;
        for (int i = first; i <= last; ++i)
            lines << u"/v/%1.avi - reason %1"_s.arg(i);
        return lines;
    };
    QTest::newRow("none") << 0 << QStringList{u"Done."_s} << 0;
    QTest::newRow("one") << 1
                         << QStringList{u"Done."_s, QString(), u"1 of 30 files could not be converted:"_s}
            + reasons(1, 1)
                         << 0;
    QTest::newRow("twenty") << 20
                            << QStringList{u"Done."_s, QString(), u"20 of 30 files could not be converted:"_s}
            + reasons(1, 20) << 0;
    QTest::newRow("thirty") << 30
                            << QStringList{u"Done."_s, QString(), u"30 of 30 files could not be converted:"_s}
            + reasons(1, 20) + QStringList{u"… and 10 more"_s}
                            << 30;
}

void TestConversionRun::closingMessage()
{
    QFETCH(int, failed);
    QFETCH(QStringList, expectedLines);
    QFETCH(int, detailedLines);
    QList<FailedFile> failures;
    for (int i = 1; i <= failed; ++i)
        failures << FailedFile{u"/v/%1.avi"_s.arg(i), u"reason %1"_s.arg(i)};
    QCOMPARE(ClosingMessage(30, failures).split(u'\n'), expectedLines);
    const QString details = ClosingDetails(failures);
    QCOMPARE(details.isEmpty() ? 0 : int(details.split(u'\n').size()), detailedLines);
    if (detailedLines > 0)
        QCOMPARE(details.split(u'\n').last(), u"/v/30.avi - reason 30"_s);
}

void TestConversionRun::destinations_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("inFolder");
    QTest::addColumn<QString>("beside");
    QTest::newRow("plain") << u"/out"_s << u"/clips/holiday.avi"_s << u"/out/holiday.mov"_s << u"/clips/holiday.mov"_s;
    QTest::newRow("folder with separator")
        << u"/out/"_s << u"/clips/holiday.avi"_s << u"/out/holiday.mov"_s << u"/clips/holiday.mov"_s;
    QTest::newRow("root") << u"/"_s << u"/clips/holiday.avi"_s << u"/holiday.mov"_s << u"/clips/holiday.mov"_s;
    QTest::newRow("dot in folder only") << u"/out"_s << u"/my.clips/holiday"_s << u"/out/holiday.mov"_s
                                        << u"/my.clips/holiday.mov"_s;
    QTest::newRow("hidden name") << u"/out"_s << u"/c/.clip"_s << u"/out/.clip.mov"_s << u"/c/.clip.mov"_s;
    QTest::newRow("several dots") << u"/out"_s << u"/c/a.b.avi"_s << u"/out/a.b.mov"_s << u"/c/a.b.mov"_s;
}

void TestConversionRun::destinations()
{
    QFETCH(QString, folder);
    QFETCH(QString, source);
    QFETCH(QString, inFolder);
    QFETCH(QString, beside);
    QCOMPARE(DestinationInFolder(folder, source, u"mov"_s), inFolder);
    QCOMPARE(DestinationBesideSource(source, u"mov"_s), beside);
}

void TestConversionRun::incompleteResultIsAFailure_data()
{
    QTest::addColumn<QString>("converter");
    QTest::addColumn<QString>("reason"); // %1 stands for the destination
    QTest::newRow("ends with 0, writes nothing") << u"exit 0"_s << u"the result is empty"_s;
    QTest::newRow("ends with 0 after a write error")
        << u"printf 'some frames' >&$result\n"
           "echo \"[mpeg @ 0x55d0c0ffee00] Error writing trailer of $9: No space left on device\" >&2\n"
           "echo 'frame=   57 fps=0.0 q=2.0 Lsize=      64kB time=00:00:01.97' >&2\nexit 0"_s
        << u"Error writing trailer of %1: No space left on device"_s;
    QTest::newRow("fails after writing part")
        << u"printf 'part' >&$result\necho 'Error closing file $9: No space left on device' >&2\n"
           "echo 'Conversion failed!' >&2\nexit 1"_s
        << u"Error closing file $9: No space left on device"_s;
}

void TestConversionRun::incompleteResultIsAFailure()
{
    QFETCH(QString, converter);
    QFETCH(QString, reason);
    Form1 &form = makeForm();
    useFakeConverter(converter);
    const QString source = WriteTextFile(m_work->filePath(u"clip.avi"_s), "clip");
    const QString destination = m_work->filePath(u"clip.mov"_s);
    form.listView1()->appendPath(source);
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QCOMPARE(onlyReason(*m_dialogs, source), reason.contains(u"%1"_s) ? reason.arg(destination) : reason);
    QCOMPARE(m_dialogs->messages.front().icon, MessageIcon::Warning);
    // The unfinished result was this run's own: removed, so a retry is not
    // refused as an existing file.
    QVERIFY(!entryExists(destination));
    QCOMPARE(QDir(m_work->path()).entryList({u".clip.mov*"_s}, QDir::AllEntries | QDir::Hidden), QStringList());
    QCOMPARE(readAll(source), QByteArray("clip"));
}

void TestConversionRun::fullFileSystemFailsTheFile()
{
    const QString full = m_work->filePath(u"full"_s);
    QVERIFY(QDir().mkpath(full));
    if (::mount("tmpfs", QFile::encodeName(full).constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("this user cannot mount a small file system");
    Form1 &form = makeForm();
    const QString source = clip(u"long.avi"_s);
    QVERIFY(MakeClip(source, 3.0));
    form.listView1()->appendPath(source);
    form.text1()->setText(full);

    form.pushButton2()->click();

    const QString reason = onlyReason(*m_dialogs, source);
    ::umount2(QFile::encodeName(full).constData(), MNT_DETACH);
    QVERIFY2(reason.contains(u"No space left on device"_s), qPrintable(reason));
}

void TestConversionRun::explainingLine_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("watched");
    QTest::addColumn<QString>("expected");
    QTest::newRow("line before the closing words")
        << QStringList{u"Input #0, avi"_s, u"[mpeg @ 0xabc123] Error closing file /o/x.mov: No space left on device"_s,
               u"frame=   57 fps=0.0"_s, u"Conversion failed!"_s}
        << QStringList{} << u"Error closing file /o/x.mov: No space left on device"_s;
    QTest::newRow("write error scrolled off")
        << QStringList{u"frame=  100"_s, u"frame=  200"_s}
        << QStringList{u"av_interleaved_write_frame(): Disk quota exceeded"_s}
        << u"av_interleaved_write_frame(): Disk quota exceeded"_s;
    QTest::newRow("last words only") << QStringList{u"/i/x.avi: Invalid data found when processing input"_s}
                                     << QStringList{} << u"/i/x.avi: Invalid data found when processing input"_s;
    QTest::newRow("nothing said") << QStringList{} << QStringList{} << QString();
}

void TestConversionRun::explainingLine()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, watched);
    QFETCH(QString, expected);
    ChildOutcome outcome;
    outcome.started = true;
    outcome.exitCode = 1;
    outcome.lastLines = lines;
    outcome.watchedLines = watched;
    QCOMPARE(ExplainingLine(outcome), expected);
}

void TestConversionRun::writeErrorLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("writeError");
    QTest::newRow("trailer") << u"[mpeg @ 0x5581c0ffee00] Error writing trailer of /o/x.mov: No space left on device"_s
                             << true;
    QTest::newRow("frame") << u"av_interleaved_write_frame(): Disk quota exceeded"_s << true;
    QTest::newRow("closing") << u"Error closing file /o/x.mov: File too large"_s << true;
    QTest::newRow("any muxer, full disk") << u"[dvd @ 0x1] Something: No space left on device"_s << true;
    QTest::newRow("input named like an error")
        << u"Input #0, avi, from '/i/clip No space left on device.avi':"_s << false;
    QTest::newRow("input named like a full disk")
        << u"Input #0, avi, from '/i/x: No space left on device':"_s << false;
    QTest::newRow("tag") << u"    title           : Error writing trailer"_s << false;
    QTest::newRow("progress") << u"frame=   57 fps=0.0 q=2.0 Lsize=      64kB"_s << false;
}

void TestConversionRun::writeErrorLines()
{
    QFETCH(QString, line);
    QFETCH(bool, writeError);
    QCOMPARE(IsWriteErrorLine(line), writeError);
}

void TestConversionRun::oddlyNamedClipConverts()
{
    Form1 &form = makeForm();
    const QString source = clip(u"clip No space left on device.avi"_s);
    form.listView1()->appendPath(source);
    form.option2()->setChecked(true);
    form.pushButton2()->click();
    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QCOMPARE(ProbeVideo(m_work->filePath(u"clip No space left on device.mov"_s)), u"mpeg mpeg2video 720x480"_s);
}

void TestConversionRun::destinationTakenMeanwhileIsKept()
{
    Form1 &form = makeForm();
    useFakeConverter(u"sleep 0.3\nprintf ours >&$result"_s);
    const QString source = WriteTextFile(m_work->filePath(u"clip.avi"_s), "clip");
    const QString destination = m_work->filePath(u"clip.mov"_s);
    form.listView1()->appendPath(source);
    form.option2()->setChecked(true);
    // Another copy of the program finishes the same result first.
    QTimer::singleShot(100, &form, [&] { WriteTextFile(destination, "theirs"); });

    form.pushButton2()->click();

    QCOMPARE(readAll(destination), QByteArray("theirs"));
    QCOMPARE(onlyReason(*m_dialogs, source), u"a file of that name already exists"_s);
    QCOMPARE(QDir(m_work->path()).entryList({u".clip.mov*"_s}, QDir::AllEntries | QDir::Hidden), QStringList());
}

void TestConversionRun::refusedBeforeTheConverterStarts_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // <folder> stands for the source's folder
    QTest::newRow("named pipe as source") << u"fifo"_s << u"a named pipe"_s;
    QTest::newRow("device as source") << u"device"_s << u"a device"_s;
    QTest::newRow("folder as source") << u"folder"_s << u"a folder"_s;
    QTest::newRow("missing source") << u"missing"_s << u"the file cannot be found"_s;
    QTest::newRow("link pointing nowhere at the destination")
        << u"dangling"_s << u"a file of that name already exists"_s;
    // Only an ordinary user is ever refused these.
    QTest::newRow("source the user may not read") << u"unreadable"_s << u"the file cannot be read: Permission denied"_s;
    QTest::newRow("folder the user may not write in")
        << u"unwritable"_s
        << u"cannot write into <folder> (you may not change that folder); choose a folder for the results"_s;
    QTest::newRow("two files of a folder the user may not write in")
        << u"unwritable twice"_s
        << u"cannot write into <folder> (you may not change that folder); choose a folder for the results"_s;
}

void TestConversionRun::refusedBeforeTheConverterStarts()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const bool unwritable = kind.startsWith(u"unwritable"_s);
    if ((kind == u"unreadable"_s || unwritable) && ::geteuid() == 0)
        QSKIP("root may read and write every file");
    Form1 &form = makeForm();
    // Its result names the file it was given to read.
    useFakeConverter(u"readlink \"$4\" >&$result"_s);
    const QString out = m_work->filePath(u"out"_s);
    const QString elsewhere = m_work->filePath(u"elsewhere"_s);
    const QString locked = m_work->filePath(u"locked"_s);
    QVERIFY(QDir().mkpath(out) && QDir().mkpath(elsewhere) && QDir().mkpath(locked));
    const QString refused = (unwritable ? locked : m_work->path()) + u"/refused.avi"_s;
    const QString second = locked + u"/second.avi"_s;
    if (kind == u"unwritable twice"_s)
        WriteTextFile(second, "clip");
    if (kind == u"fifo"_s)
        QCOMPARE(::mkfifo(QFile::encodeName(refused).constData(), 0600), 0);
    else if (kind == u"device"_s)
        QVERIFY(QFile::link(u"/dev/zero"_s, refused));
    else if (kind == u"folder"_s)
        QVERIFY(QDir().mkpath(refused));
    else if (kind != u"missing"_s)
        WriteTextFile(refused, "clip");
    if (kind == u"dangling"_s)
        QVERIFY(QFile::link(elsewhere + u"/stolen.mov"_s, refused.chopped(3) + u"mov"_s));
    else if (kind == u"unreadable"_s)
        QCOMPARE(::chmod(QFile::encodeName(refused).constData(), 0200), 0);
    else if (unwritable)
        QCOMPARE(::chmod(QFile::encodeName(locked).constData(), 0555), 0);
    const QString after = WriteTextFile(m_work->filePath(u"after.avi"_s), "clip");
    form.listView1()->appendPath(refused);
    if (kind == u"unwritable twice"_s)
        form.listView1()->appendPath(second);
    form.listView1()->appendPath(after);
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    ::chmod(QFile::encodeName(locked).constData(), 0755);
    QCOMPARE(onlyReason(*m_dialogs, refused), QString(reason).replace(u"<folder>"_s, locked + u'/'));
    // What to do is said once for the folder.
    if (kind == u"unwritable twice"_s)
        QCOMPARE(onlyReason(*m_dialogs, second), u"cannot write into %1/"_s.arg(locked));
    // The batch goes on: the next file converts, and nothing was written
    // through the link.
    QCOMPARE(m_startedSources, QStringList{after});
    QCOMPARE(readAll(m_work->filePath(u"after.mov"_s)), after.toUtf8() + '\n');
    QVERIFY(QDir(elsewhere).isEmpty());
    QStringList leftInLocked;
    if (unwritable)
        leftInLocked << u"refused.avi"_s;
    if (kind == u"unwritable twice"_s)
        leftInLocked << u"second.avi"_s;
    QCOMPARE(QDir(locked).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), leftInLocked);
}

void TestConversionRun::closeBeforeSetUpStartsNoConverter()
{
    Form1 &form = makeForm();
    useFakeConverter(u"printf x >&$result"_s);
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"one.avi"_s), "clip"));
    form.option2()->setChecked(true);
    form.show();
    // Handled in the events the run lets through before its first file.
    QTimer::singleShot(0, &form, [&] { form.close(); });

    form.pushButton2()->click();

    QTRY_VERIFY(!form.isVisible());
    QVERIFY(m_startedSources.isEmpty());
    QVERIFY(!QFile::exists(m_work->filePath(u"one.mov"_s)));
    QVERIFY(!QFile::exists(ConverterPath()));
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestConversionRun::noOutputOptionConvertsNothing()
{
    // Only an edited settings file clears both options.
    WriteTextFile(m_config->filePath(u"Kestrune.ini"_s),
        "[Reelwright%20Software]\nOption1=False\nOption2=False\nText1=" + m_work->path().toUtf8() + "/\n");
    Form1 &form = makeForm();
    QVERIFY(!form.option1()->isChecked() && !form.option2()->isChecked());
    useFakeConverter(u"printf x >&$result"_s);
    const QString source = WriteTextFile(m_work->filePath(u"a.avi"_s), "clip");
    form.listView1()->appendPath(source);

    form.pushButton2()->click();

    QVERIFY(m_startedSources.isEmpty());
    QCOMPARE(onlyReason(*m_dialogs, source), u"no place for the result is chosen"_s);
    QCOMPARE(QDir(m_work->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({u"a.avi"_s, u"fake-converter.sh"_s}));
}

void TestConversionRun::foldersOthersCanChangeAreRefused_data()
{
    QTest::addColumn<QString>("where"); // the folder whose mode is set: temp itself, one above it, or one
                                        // above where a link to it leads
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("duringTheRun");
    QTest::addColumn<bool>("refused");
    QTest::newRow("others may write") << u"temp"_s << 0777 << false << true;
    QTest::newRow("the group may write") << u"temp"_s << 0770 << false << true;
    QTest::newRow("others may write, sticky") << u"temp"_s << 01777 << false << false;
    QTest::newRow("private") << u"temp"_s << 0700 << false << false;
    QTest::newRow("others may write above") << u"above"_s << 0777 << false << true;
    QTest::newRow("others may write above, sticky") << u"above"_s << 01777 << false << false;
    QTest::newRow("others may write above the link's target") << u"linked"_s << 0777 << false << true;
    QTest::newRow("a link on the way lies where others may write") << u"chain"_s << 0777 << false << true;
    QTest::newRow("a link on the way is another user's") << u"foreign link"_s << 01777 << false << true;
    QTest::newRow("above made writable during the run") << u"above"_s << 0777 << true << true;
}

void TestConversionRun::foldersOthersCanChangeAreRefused()
{
    QFETCH(QString, where);
    QFETCH(int, mode);
    QFETCH(bool, duringTheRun);
    QFETCH(bool, refused);
    Form1 &form = makeForm();
    // TEMP is <work>/shared/mine, or <work>/link leading there.
    const QString shared = m_work->filePath(u"shared"_s);
    const QString mine = shared + u"/mine"_s;
    QVERIFY(QDir().mkpath(mine));
    QCOMPARE(::chmod(QFile::encodeName(mine).constData(), 0700), 0);
    const QString changed = where == u"temp"_s ? mine : shared;
    const auto setMode = [&] { QCOMPARE(::chmod(QFile::encodeName(changed).constData(), mode_t(mode)), 0); };
    if (!duringTheRun)
        setMode();
    QString temp = mine;
    if (where == u"linked"_s) {
        temp = m_work->filePath(u"link"_s);
        QVERIFY(QFile::link(mine, temp));
    } else if (where == u"chain"_s || where == u"foreign link"_s) {
        // <work>/link leads to <work>/shared/next, which leads to <work>/own:
        // only a link in the middle of the way lies in shared.
        const QString own = m_work->filePath(u"own"_s);
        QVERIFY(QDir().mkpath(own));
        temp = m_work->filePath(u"link"_s);
        QVERIFY(QFile::link(shared + u"/next"_s, temp));
        QVERIFY(QFile::link(own, shared + u"/next"_s));
        if (where == u"foreign link"_s) {
            if (::geteuid() != 0)
                QSKIP("only root can give a link to another user");
            QCOMPARE(::lchown(QFile::encodeName(shared + u"/next"_s).constData(), 65534, 65534), 0);
        }
    }
    qputenv("TEMP", temp.toUtf8());
    useFakeConverter(u"sleep 0.3\nprintf x >&$result"_s);
    const QString first = WriteTextFile(m_work->filePath(u"a.avi"_s), "clip");
    const QString second = WriteTextFile(m_work->filePath(u"b.avi"_s), "clip");
    form.listView1()->appendPath(first);
    form.listView1()->appendPath(second);
    form.option2()->setChecked(true);
    if (duringTheRun)
        QTimer::singleShot(100, &form, setMode);

    form.pushButton2()->click();

    QCOMPARE(m_dialogs->messages.size(), 1);
    const QString folderRefusal = where == u"temp"_s
        ? u"The temporary folder %1 can be changed by other users"_s.arg(temp)
        : where == u"foreign link"_s
        ? u"The temporary folder %1 is reached through the link %2/next, which cannot be trusted"_s.arg(temp, shared)
        : u"The temporary folder %1 lies in %2, which can be changed by other users"_s.arg(temp, shared);
    if (duringTheRun) {
        // The file under way finishes; the next never starts.
        QCOMPARE(m_startedSources, QStringList{first});
        QCOMPARE(readAll(m_work->filePath(u"a.mov"_s)), QByteArray("x"));
        QVERIFY(onlyReason(*m_dialogs, second).startsWith(folderRefusal));
    } else if (refused) {
        QVERIFY(m_startedSources.isEmpty());
        QCOMPARE(m_dialogs->messages.front().title, u"Application Error"_s);
        QVERIFY(m_dialogs->messages.front().text.startsWith(folderRefusal));
        QVERIFY(m_dialogs->messages.front().text.contains(u"PushButton2_Click at line 112"_s));
    } else {
        QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    }
    QVERIFY(QDir(temp).isEmpty());
}

void TestConversionRun::swappedConverterIsNeverRun()
{
    Form1 &form = makeForm();
    useFakeConverter(u"sleep 0.3\nprintf x >&$result"_s);
    const QString first = WriteTextFile(m_work->filePath(u"first.avi"_s), "clip");
    const QString second = WriteTextFile(m_work->filePath(u"second.avi"_s), "clip");
    form.listView1()->appendPath(first);
    form.listView1()->appendPath(second);
    form.option2()->setChecked(true);
    // While the first file converts, a program of someone else's takes the
    // staged file's place, with the staged copy's owner and mode.
    QTimer::singleShot(100, &form, [&] {
        const QString swapped
            = WriteFakeConverter(m_temp->filePath(u"swapped"_s), u"printf stranger >&$result"_s);
        QVERIFY(QFile::remove(ConverterPath()));
        QVERIFY(QFile::rename(swapped, ConverterPath()));
    });

    form.pushButton2()->click();

    QCOMPARE(m_startedSources, QStringList{first});
    QCOMPARE(readAll(m_work->filePath(u"first.mov"_s)), QByteArray("x"));
    QVERIFY(!QFile::exists(m_work->filePath(u"second.mov"_s)));
    QVERIFY(onlyReason(*m_dialogs, second)
                .startsWith(u"the converter could not be staged again: %1 is not this program's converter"_s.arg(
                    ConverterPath())));
    // Whatever took the converter's place is someone's: left where it is.
    QVERIFY(QFile::exists(ConverterPath()));
}

void TestConversionRun::twoRunsShareTheStagedConverter()
{
    Form1 &form = makeForm();
    useFakeConverter(u"sleep 0.3\nprintf x >&$result"_s);
    for (const QString &name : {u"one.avi"_s, u"two.avi"_s})
        form.listView1()->appendPath(WriteTextFile(m_work->filePath(name), "clip"));
    form.option2()->setChecked(true);

    // A second program's window, with its own run over the same temporary
    // folder, starts and ends while the first run's first file converts.
    ScriptedDialogs otherDialogs;
    Form1 other(otherDialogs, QuietStart(10ms));
    other.conversionRun().setConverterResource(m_work->filePath(u"fake-converter.sh"_s));
    other.listView1()->appendPath(WriteTextFile(m_work->filePath(u"other.avi"_s), "clip"));
    other.option2()->setChecked(true);
    bool stagedWhileFirstRuns = false;
    QTimer::singleShot(100, &form, [&] {
        other.pushButton2()->click();
        stagedWhileFirstRuns = QFile::exists(ConverterPath());
    });

    form.pushButton2()->click();

    QCOMPARE(otherDialogs.messageTexts(), QStringList{u"Done."_s});
    QVERIFY(stagedWhileFirstRuns);
    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QVERIFY(QFile::exists(m_work->filePath(u"two.mov"_s)));
    // The last run to end removes the converter and its lock file.
    QVERIFY(QDir(m_temp->path()).isEmpty());
}

void TestConversionRun::privateRuntimeFolderWhenTempIsUnset()
{
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    qunsetenv("TEMP");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    QCOMPARE(TemporaryFolder(), runtime.path());
    Form1 &form = makeForm();
    useFakeConverter(u"printf x >&$result"_s);
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"a.avi"_s), "clip"));
    form.option2()->setChecked(true);
    form.pushButton2()->click();
    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QCOMPARE(form.conversionRun().commandLines().size(), 1);
    QVERIFY(form.conversionRun().commandLines().front().startsWith(runtime.path() + kConverterStart));
    QVERIFY(QDir(runtime.path()).isEmpty());
}

void TestConversionRun::programEndLeavesNothingBehind_data()
{
    QTest::addColumn<int>("signalNumber"); // SIGUSR1: the toolkit calls exit(), as when the display is lost
    QTest::addColumn<bool>("cleansUp");
    QTest::newRow("SIGTERM") << int(SIGTERM) << true;
    QTest::newRow("SIGHUP") << int(SIGHUP) << true;
    QTest::newRow("SIGINT") << int(SIGINT) << true;
    QTest::newRow("lost display") << int(SIGUSR1) << true;
    // Nothing can clean up after SIGKILL, but the converter dies with the
    // program all the same.
    QTest::newRow("SIGKILL") << int(SIGKILL) << false;
}

void TestConversionRun::programEndLeavesNothingBehind()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, cleansUp);
    const QString converter = WriteFakeConverter(m_work->filePath(u"fake-converter.sh"_s),
        u"hidden=$(readlink /proc/$$/fd/$result)\nprintf partial >&$result\n"
        // The unfinished result must outlive this converter: removed while
        // it still ran, it could be written again after the program ended.
        "while [ -e \"$hidden\" ]; do sleep 0.01; done\nprintf ' and after its removal' >&$result"_s);
    const QString source = WriteTextFile(m_work->filePath(u"one.avi"_s), "clip");
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QCoreApplication::applicationDirPath() + u"/conversion_driver"_s, {converter, source});
    QVERIFY(program.waitForStarted());
    QString hidden;
    QTRY_VERIFY_WITH_TIMEOUT(readAll(hidden = unfinishedResult(m_work->path(), u"one.mov"_s)) == "partial", 20000);
    // Held open, the file shows what is written into it after its removal.
    QFile unfinished(hidden);
    QVERIFY(unfinished.open(QIODevice::ReadOnly));
    const QList<qint64> converters = childrenOf(program.processId());
    QCOMPARE(converters.size(), 1);
    const QString pid = QString::number(converters.front());
    QCOMPARE(::kill(pid_t(program.processId()), signalNumber), 0);

    QVERIFY(program.waitForFinished(20000));
    QTRY_VERIFY_WITH_TIMEOUT(!processRuns(pid), 5000);
    QCOMPARE(unfinished.readAll(), QByteArray("partial"));
    if (signalNumber != SIGUSR1 && signalNumber != SIGKILL) {
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }
    if (cleansUp) {
        QVERIFY(!entryExists(m_work->filePath(u"one.mov"_s)));
        QCOMPARE(QDir(m_work->path()).entryList({u".one.mov*"_s}, QDir::AllEntries | QDir::Hidden), QStringList());
        QVERIFY(QDir(m_temp->path()).isEmpty());
    }
}

void TestConversionRun::programEndKeepsWhatTookTheHiddenName_data()
{
    QTest::addColumn<int>("signalNumber"); // SIGUSR1: the toolkit calls exit(), as when the display is lost
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("lost display") << int(SIGUSR1);
}

void TestConversionRun::programEndKeepsWhatTookTheHiddenName()
{
    QFETCH(int, signalNumber);
    const QString converter = WriteFakeConverter(
        m_work->filePath(u"fake-converter.sh"_s), u"printf partial >&$result\nexec sleep 30"_s);
    const QString source = WriteTextFile(m_work->filePath(u"one.avi"_s), "clip");
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QCoreApplication::applicationDirPath() + u"/conversion_driver"_s, {converter, source});
    QVERIFY(program.waitForStarted());
    QString hidden;
    QTRY_VERIFY_WITH_TIMEOUT(readAll(hidden = unfinishedResult(m_work->path(), u"one.mov"_s)) == "partial", 20000);
    // While the converter writes, someone moves the unfinished result aside
    // and puts a file of theirs at its hidden name.
    QVERIFY(QFile::rename(hidden, hidden + u".aside"_s));
    WriteTextFile(hidden, "someone");
    QCOMPARE(::kill(pid_t(program.processId()), signalNumber), 0);
    QVERIFY(program.waitForFinished(20000));

    QCOMPARE(readAll(hidden), QByteArray("someone"));
    QCOMPARE(readAll(hidden + u".aside"_s), QByteArray("partial"));
    QVERIFY(!entryExists(m_work->filePath(u"one.mov"_s)));
}

void TestConversionRun::lockFileMadeAnewWhileWaitingIsLockedAgain()
{
    const QString lock = ConverterPath() + u".lock"_s;
    // A run that ends holds the lock while it removes the lock file, and
    // another run makes it anew before this one gets its share.
    QProcess ending;
    ending.start(u"/bin/sh"_s,
        {u"-c"_s, u"exec 9>\"$1\"; flock -x 9; : > \"$1.held\"; sleep 0.5; rm \"$1\"; : > \"$1\""_s, u"sh"_s, lock});
    QTRY_VERIFY(QFile::exists(lock + u".held"_s));
    QVERIFY(QFile::remove(lock + u".held"_s));

    ConverterLease lease;
    lease.acquire(ConverterPath(), "converter");
    QVERIFY(ending.waitForFinished());

    // The share is on the lock file that stands there now.
    QProcess exclusive;
    exclusive.start(u"flock"_s, {u"-n"_s, u"-x"_s, lock, u"true"_s});
    QVERIFY(exclusive.waitForFinished());
    QCOMPARE(exclusive.exitCode(), 1);
    lease.release();
    QVERIFY(QDir(m_temp->path()).isEmpty());
}

void TestConversionRun::leftoversOfEndedRunsAreRemoved_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("name"); // <ended>, <this>, <other>, <unseen>: the id of such a process
    QTest::addColumn<QString>("kind"); // what stands at the name
    QTest::addColumn<bool>("kept");
    const QString a = u"a.avi"_s;
    const QString file = u"file"_s;
    QTest::newRow("run that ended") << a << u".a.mov.part-<ended>-k3x9q0zz"_s << file << false;
    QTest::newRow("run that lives") << a << u".a.mov.part-<this>-k3x9q0zz"_s << file << true;
    QTest::newRow("number taken by another program") << a << u".a.mov.part-<other>-k3x9q0zz"_s << file << false;
    // A run in another process-id namespace (a container, a sandbox) has an
    // id that means nothing here, but it holds the file's lock.
    QTest::newRow("locked by a run whose id cannot be seen")
        << a << u".a.mov.part-<unseen>-k3x9q0zz"_s << u"locked"_s << true;
    QTest::newRow("another user's") << a << u".a.mov.part-<ended>-k3x9q0zz"_s << u"foreign"_s << true;
    QTest::newRow("a link") << a << u".a.mov.part-<ended>-k3x9q0zz"_s << u"link"_s << true;
    QTest::newRow("a named pipe") << a << u".a.mov.part-<ended>-k3x9q0zz"_s << u"fifo"_s << true;
    QTest::newRow("another result's name") << a << u".b.mov.part-<ended>-k3x9q0zz"_s << file << true;
    QTest::newRow("without a process id") << a << u".a.mov.part-k3x9q0zz"_s << file << true;
    QTest::newRow("not made by a run") << a << u".a.mov.part-<ended>-notes.txt"_s << file << true;
    QTest::newRow("a name with a line break") << u"a\nb.avi"_s << u".a\nb.mov.part-<ended>-k3x9q0zz"_s << file << false;
    // A 250-byte result name, shortened to fit 255 bytes with any process
    // id: here one of seven digits, which no process can have.
    QTest::newRow("a long name, another run's id")
        << QString(246, u'n') + u".avi"_s << u"."_s + QString(232, u'n') + u".part-9999999-k3x9q0zz"_s << file << false;
}

void TestConversionRun::leftoversOfEndedRunsAreRemoved()
{
    QFETCH(QString, source);
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(bool, kept);
    if (kind == u"foreign"_s && ::geteuid() != 0)
        QSKIP("only root can give a file to another user");
    QProcess ended;
    ended.start(u"true"_s);
    QVERIFY(ended.waitForFinished());
    QProcess other;
    other.start(u"sleep"_s, {u"30"_s});
    QVERIFY(other.waitForStarted());
    name.replace(u"<ended>"_s, QString::number(ended.processId()))
        .replace(u"<this>"_s, QString::number(QCoreApplication::applicationPid()))
        .replace(u"<other>"_s, QString::number(other.processId()))
        .replace(u"<unseen>"_s, u"9999999"_s);
    const QString leftover = m_work->filePath(name);
    const QByteArray nativeLeftover = QFile::encodeName(leftover);
    const QString target = WriteTextFile(m_work->filePath(u"target"_s), "someone's");
    if (kind == u"link"_s)
        QVERIFY(QFile::link(target, leftover));
    else if (kind == u"fifo"_s)
        QCOMPARE(::mkfifo(nativeLeftover.constData(), 0600), 0);
    else
        WriteTextFile(leftover, "unfinished");
    if (kind == u"foreign"_s)
        QCOMPARE(::chown(nativeLeftover.constData(), 65534, 65534), 0);
    QFile held(leftover);
    if (kind == u"locked"_s) {
        QVERIFY(held.open(QIODevice::ReadOnly));
        QCOMPARE(::flock(held.handle(), LOCK_EX | LOCK_NB), 0);
    }
    Form1 &form = makeForm();
    useFakeConverter(u"printf x >&$result"_s);
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(source), "clip"));
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    other.kill();
    other.waitForFinished();
    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QCOMPARE(entryExists(leftover), kept);
    QCOMPARE(readAll(target), QByteArray("someone's"));
}

void TestConversionRun::failedWaitLeavesNoHiddenResult()
{
    Form1 &form = makeForm();
    useFakeConverter(u"printf partial >&$result\nexec sleep 30"_s);
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"a.avi"_s), "clip"));
    form.option2()->setChecked(true);
    // Emptied in the events the run lets through before the file starts, the
    // list gives the wait no share of the bar to move in, and it fails.
    QTimer::singleShot(0, &form, [&] { form.listView1()->removeAll(); });

    form.pushButton2()->click();

    QCOMPARE(m_dialogs->messages.size(), 2);
    QVERIFY(m_dialogs->messages.front().text.contains(u"PushButton2_Click at line 142"_s));
    QCOMPARE(QDir(m_work->path()).entryList({u".a.mov*"_s}, QDir::AllEntries | QDir::Hidden), QStringList());
}

void TestConversionRun::relativeNamesStayFileNames()
{
    // Names the converter would read as an option or as an address, were
    // they not given as files of the current folder.
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_work->path()));
    QVERIFY(QDir().mkpath(u"-out:put"_s));
    Form1 &form = makeForm();
    clip(u"-clip:1.avi"_s);
    form.listView1()->appendPath(u"-clip:1.avi"_s);
    form.text1()->setText(u"-out:put"_s);

    form.pushButton2()->click();

    const QString result = m_work->filePath(u"-out:put/-clip:1.mov"_s);
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QCOMPARE(ProbeVideo(result), u"mpeg mpeg2video 720x480"_s);
}

void TestConversionRun::playlistNamedLikeAVideoIsNotFollowed()
{
    Form1 &form = makeForm();
    QVERIFY(QDir().mkpath(m_work->filePath(u"inner"_s)));
    clip(u"inner/clip.avi"_s);
    const QString playlist
        = WriteTextFile(m_work->filePath(u"list.avi"_s), "ffconcat version 1.0\nfile 'inner/clip.avi'\n");
    form.listView1()->appendPath(playlist);
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QCOMPARE(onlyReason(*m_dialogs, playlist), u"not a video file the converter may read"_s);
    QVERIFY(!entryExists(m_work->filePath(u"list.mov"_s)));
}

void TestConversionRun::everyReadableFormatConvertsThroughItsDescriptor_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pictureSize");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QStringList>("encoding");
    const QString small = u"160x120"_s;
    const auto row
        = [&](const char *format, const QString &name, const QString &size, const QString &rate,
              const QString &encoding) { QTest::newRow(format) << name << size << rate << encoding.split(u' '); };
    row("avi", u"clip.avi"_s, small, u"10"_s, u"-c:v mpeg4 -c:a pcm_s16le"_s);
    row("matroska", u"clip.mkv"_s, small, u"10"_s, u"-c:v mpeg4 -c:a mp2"_s);
    row("webm", u"clip.webm"_s, small, u"10"_s, u"-c:v libvpx -c:a libvorbis"_s);
    row("mp4", u"clip.mp4"_s, small, u"10"_s, u"-c:v libx264 -c:a aac"_s);
    row("mov", u"clip.mov"_s, small, u"10"_s, u"-c:v mpeg4 -c:a aac"_s);
    row("3gp", u"clip.3gp"_s, u"176x144"_s, u"10"_s, u"-c:v h263 -c:a aac -ar 8000 -ac 1"_s);
    row("m4v", u"clip.m4v"_s, small, u"10"_s, u"-c:v mpeg4 -an -f m4v"_s);
    row("wmv", u"clip.wmv"_s, small, u"10"_s, u"-c:v wmv2 -c:a wmav2"_s);
    row("asf", u"clip.asf"_s, small, u"10"_s, u"-c:v msmpeg4 -c:a wmav2"_s);
    row("flv", u"clip.flv"_s, small, u"10"_s, u"-c:v flv -c:a libmp3lame -ar 44100"_s);
    row("mpegts", u"clip.ts"_s, small, u"25"_s, u"-c:v mpeg2video -c:a mp2"_s);
    row("mpeg", u"clip.mpg"_s, small, u"25"_s, u"-c:v mpeg1video -c:a mp2"_s);
    row("mpegvideo", u"clip.m2v"_s, small, u"25"_s, u"-c:v mpeg2video -an"_s);
    row("ogg", u"clip.ogv"_s, small, u"10"_s, u"-c:v libtheora -c:a libvorbis"_s);
    row("dv", u"clip.dv"_s, u"720x480"_s, u"30000/1001"_s, u"-c:v dvvideo -pix_fmt yuv411p -c:a pcm_s16le -ac 2"_s);
    row("h264", u"clip.h264"_s, small, u"10"_s, u"-c:v libx264 -an -f h264"_s);
    row("hevc", u"clip.hevc"_s, small, u"10"_s, u"-c:v libx265 -x265-params log-level=error -an -f hevc"_s);
    row("nut", u"clip.nut"_s, small, u"10"_s, u"-c:v mpeg4 -c:a mp2"_s);
    row("rm", u"clip.rm"_s, u"160x128"_s, u"10"_s, u"-c:v rv10 -c:a ac3"_s);
    row("yuv4mpegpipe", u"clip.y4m"_s, small, u"10"_s, u"-an -pix_fmt yuv420p"_s);
}

void TestConversionRun::everyReadableFormatConvertsThroughItsDescriptor()
{
    QFETCH(QString, name);
    QFETCH(QString, pictureSize);
    QFETCH(QString, rate);
    QFETCH(QStringList, encoding);
    const QString source = m_work->filePath(name);
    QVERIFY(MakeClipAs(source, pictureSize, rate, encoding));
    const QByteArray expected = convertedDirectly(source, m_work->filePath(u"by-hand.mov"_s));
    QVERIFY(!expected.isEmpty());
    Form1 &form = makeForm();
    const QString out = m_work->filePath(u"out"_s);
    QVERIFY(QDir().mkpath(out));
    form.listView1()->appendPath(source);
    form.text1()->setText(out);

    form.pushButton2()->click();

    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    // Byte for byte what the same converter writes when it is given paths.
    QVERIFY(readAll(out + u"/clip.mov"_s) == expected);
}

void TestConversionRun::sourceSwappedAfterTheCheckIsNotRead_data()
{
    QTest::addColumn<QString>("swap"); // what comes to stand at the source's name
    QTest::newRow("a named pipe, which would hold the run for good") << u"fifo"_s;
    QTest::newRow("an endless device") << u"device"_s;
    QTest::newRow("another clip") << u"clip"_s;
}

void TestConversionRun::sourceSwappedAfterTheCheckIsNotRead()
{
    QFETCH(QString, swap);
    const QString source = clip(u"clip.avi"_s);
    QVERIFY(MakeClip(source + u".other"_s, 1.0));
    const QByteArray expected = convertedDirectly(source, m_work->filePath(u"by-hand.mov"_s));
    QVERIFY(!expected.isEmpty());
    Form1 &form = makeForm();
    // Between the program's look at the source and the converter's start,
    // the name comes to lead elsewhere.
    useConverterThatWaitsFor(
        [&] {
            const QByteArray name = QFile::encodeName(source);
            if (swap == u"clip"_s) {
                QCOMPARE(::rename(QFile::encodeName(source + u".other"_s).constData(), name.constData()), 0);
                return;
            }
            QVERIFY(QFile::remove(source));
            if (swap == u"fifo"_s)
                QCOMPARE(::mkfifo(name.constData(), 0600), 0);
            else
                QVERIFY(QFile::link(u"/dev/zero"_s, source));
        },
        u"exec timeout -k 2 20 '%1' -nostdin \"$@\""_s.arg(FfmpegProgram()));
    form.listView1()->appendPath(source);
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QVERIFY(readAll(m_work->filePath(u"clip.mov"_s)) == expected);
}

void TestConversionRun::linkPlantedAtTheHiddenNameIsNotWrittenThrough()
{
    Form1 &form = makeForm();
    const QString precious = WriteTextFile(m_work->filePath(u"precious.txt"_s), "precious bytes");
    const QString source = clip(u"clip.avi"_s);
    const QString hidden = m_work->filePath(u".clip.mov.part-%1-k3x9q0zz"_s.arg(QCoreApplication::applicationPid()));
    form.conversionRun().setNameLetters([] { return u"k3x9q0zz"_s; });
    // Someone who may create files in the folder reads the hidden name off
    // the converter's command line and puts a link to another file there
    // before the converter opens its result, which a converter that opens a
    // name would then write through.
    useConverterThatWaitsFor(
        [&] {
            QVERIFY(QFile::remove(hidden));
            QVERIFY(QFile::link(precious, hidden));
        },
        u"exec '%1' -nostdin \"$@\""_s.arg(FfmpegProgram()));
    form.listView1()->appendPath(source);
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QCOMPARE(readAll(precious), QByteArray("precious bytes"));
    QCOMPARE(onlyReason(*m_dialogs, source),
        u"its unfinished result %1 was moved or replaced meanwhile, so it is left as it is"_s.arg(hidden));
    // Both are left where they are: the link is someone's, and nothing takes
    // the result's name.
    QCOMPARE(QFileInfo(hidden).symLinkTarget(), precious);
    QVERIFY(!entryExists(m_work->filePath(u"clip.mov"_s)));
}

void TestConversionRun::takenHiddenNamesAreLeftAlone_data()
{
    QTest::addColumn<QStringList>("draws"); // the letters drawn in turn, the last again and again
    QTest::addColumn<bool>("converts");
    QTest::newRow("the first name drawn") << QStringList{u"aaaaaaaa"_s, u"bbbbbbbb"_s} << true;
    QTest::newRow("every name drawn") << QStringList{u"aaaaaaaa"_s} << false;
}

void TestConversionRun::takenHiddenNamesAreLeftAlone()
{
    QFETCH(QStringList, draws);
    QFETCH(bool, converts);
    Form1 &form = makeForm();
    int drawn = 0;
    form.conversionRun().setNameLetters([&] { return draws.value(qMin<qsizetype>(drawn++, draws.size() - 1)); });
    const QString hiddenStart = m_work->filePath(u".a.mov.part-%1-"_s.arg(QCoreApplication::applicationPid()));
    // A live run's file, as far as anyone can tell: it bears this process's id.
    const QString taken = WriteTextFile(hiddenStart + draws.first(), "someone's");
    useFakeConverter(u"printf x >&$result"_s);
    const QString source = WriteTextFile(m_work->filePath(u"a.avi"_s), "clip");
    form.listView1()->appendPath(source);
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QCOMPARE(readAll(taken), QByteArray("someone's"));
    if (converts) {
        QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
        QCOMPARE(readAll(m_work->filePath(u"a.mov"_s)), QByteArray("x"));
        QVERIFY(!entryExists(hiddenStart + draws.last()));
    } else {
        QCOMPARE(onlyReason(*m_dialogs, source),
            u"the result cannot be written in %1/: every hidden name drawn for it was taken"_s.arg(m_work->path()));
        QVERIFY(!entryExists(m_work->filePath(u"a.mov"_s)));
    }
}

void TestConversionRun::resultReachesTheDiskBeforeItsName_data()
{
    QTest::addColumn<int>("flushError"); // 0: the flush succeeds
    QTest::addColumn<QString>("reason");
    QTest::newRow("flushed") << 0 << QString();
    QTest::newRow("the disk fails") << int(EIO) << u"the result cannot be written to disk: Input/output error"_s;
    QTest::newRow("nothing to flush") << int(EINVAL) << QString();
}

void TestConversionRun::resultReachesTheDiskBeforeItsName()
{
    QFETCH(int, flushError);
    QFETCH(QString, reason);
    const QString destination = m_work->filePath(u"clip.mov"_s);
    QString hidden;
    {
        HiddenResult result(destination);
        QCOMPARE(result.refusal(), QString());
        hidden = result.path();
        QCOMPARE(::write(result.descriptor(), "frames", 6), ssize_t(6));
        QList<int> flushed;
        bool namedWhenFlushed = true;
        const QString outcome = result.publish([&](int descriptor) {
            flushed << descriptor;
            namedWhenFlushed = entryExists(destination);
            if (flushError == 0)
                return ::fsync(descriptor);
            errno = flushError;
            return -1;
        });
        QCOMPARE(outcome, reason);
        QCOMPARE(flushed, QList<int>{result.descriptor()});
        QVERIFY(!namedWhenFlushed);
    }
    QCOMPARE(readAll(destination), reason.isEmpty() ? QByteArray("frames") : QByteArray());
    QVERIFY(!entryExists(hidden));
}

void TestConversionRun::converterNamesInUsersTerms_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("expected");
    QTest::newRow("the source's name in front") << u"/proc/self/fd/7: Invalid data found when processing input"_s
                                                << u"Invalid data found when processing input"_s;
    QTest::newRow("the result's name in front") << u"pipe:12: Broken pipe"_s << u"Broken pipe"_s;
    QTest::newRow("the source's path in front")
        << u"/in/clip.avi: Invalid data found when processing input"_s << u"Invalid data found when processing input"_s;
    QTest::newRow("the source's name as an address in front")
        << u"file:/proc/self/fd/7: Invalid data found when processing input"_s
        << u"Invalid data found when processing input"_s;
    QTest::newRow("the result's name within") << u"Error writing trailer of pipe:12: No space left on device"_s
                                              << u"Error writing trailer of /out/clip.mov: No space left on device"_s;
    QTest::newRow("another descriptor's name")
        << u"/proc/self/fd/70: No such file or directory"_s << u"/proc/self/fd/70: No such file or directory"_s;
    QTest::newRow("no name") << u"the converter ended with code 1"_s << u"the converter ended with code 1"_s;
}

void TestConversionRun::converterNamesInUsersTerms()
{
    QFETCH(QString, reason);
    QFETCH(QString, expected);
    QCOMPARE(InUsersTerms(reason, {{u"/proc/self/fd/7"_s, u"/in/clip.avi"_s}, {u"pipe:12"_s, u"/out/clip.mov"_s}}),
        expected);
}

void TestConversionRun::finishingStepsAreReportedByNumber_data()
{
    QTest::addColumn<QString>("failing"); // what the host fails at, or the message whose box fails
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("line");
    QTest::newRow("pointer back to the default") << u"pointer"_s << 1 << 148;
    QTest::newRow("bar back to 0") << u"bar value"_s << 1 << 150;
    QTest::newRow("bar's resting text") << u"bar text"_s << 1 << 152;
    QTest::newRow("closing message") << u"Done."_s << 1 << 154;
    QTest::newRow("no folder message") << u"Folder does not exist. Please select another folder."_s << 1 << 156;
    QTest::newRow("empty list message") << u"No files added."_s << 0 << 158;
}

void TestConversionRun::finishingStepsAreReportedByNumber()
{
    QFETCH(QString, failing);
    QFETCH(int, items);
    QFETCH(int, line);
    FailingAtRestHost host;
    host.failing = failing;
    for (int i = 1; i <= items; ++i)
        host.items << WriteTextFile(m_work->filePath(u"%1.avi"_s.arg(i)), "clip");
    host.beside = line != 156;
    host.folder = m_work->filePath(u"missing"_s);
    m_dialogs->whileMessageShown = [&](const MessageRequest &request) {
        if (request.text == failing)
            throw RuntimeError(RuntimeError::InvalidArgument);
    };
    ConversionRun run(host, *m_dialogs, 10ms);
    run.setConverterResource(WriteFakeConverter(m_work->filePath(u"fake-converter.sh"_s), u"printf x >&$result"_s));
    QSignalSpy finished(&run, &ConversionRun::finished);

    run.run();

    QStringList reports;
    for (const MessageRequest &request : std::as_const(m_dialogs->messages)) {
        if (request.title == u"Application Error"_s)
            reports << request.text;
    }
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports.front().contains(u"PushButton2_Click at line %1"_s.arg(line)), qPrintable(reports.front()));
    // The steps after the one that failed still ran.
    if (line < 154)
        QCOMPARE(m_dialogs->messages.last().text, u"Done."_s);
    QCOMPARE(finished.size(), 1);
    QVERIFY(!run.isConverting());
}

void TestConversionRun::everyResultHasADvdShape_data()
{
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("pixelShape");
    QTest::addColumn<QString>("kind"); // how the clip is made: clip, turned, dv, dv wide, odd
    QTest::addColumn<QString>("shape"); // of the result
    QTest::addColumn<QString>("bars"); // none, letterbox, pillarbox
    QTest::addColumn<bool>("studio"); // 704 of 720 columns are the picture
    const auto row = [](const char *name, const char *size, const char *pixelShape, const char *kind,
                         const char *shape, const char *bars, bool studio = false) {
        QTest::newRow(name) << QString::fromLatin1(size) << QString::fromLatin1(pixelShape)
                            << QString::fromLatin1(kind) << QString::fromLatin1(shape) << QString::fromLatin1(bars)
                            << studio;
    };
    row("4:3", "640x480", "1", "clip", "4:3", "none");
    row("16:9", "1280x720", "1", "clip", "16:9", "none");
    row("anamorphic 16:9", "720x576", "64/45", "clip", "16:9", "none");
    row("2.4:1 film", "1920x800", "1", "clip", "16:9", "letterbox");
    row("1.85:1", "1998x1080", "1", "clip", "16:9", "letterbox");
    row("3:2 with square pixels", "720x480", "1", "clip", "4:3", "letterbox");
    row("square", "500x500", "1", "clip", "4:3", "pillarbox");
    row("phone portrait", "480x640", "1", "clip", "4:3", "pillarbox");
    row("tall portrait", "1080x1920", "1", "clip", "4:3", "pillarbox");
    row("4K portrait", "2160x3840", "1", "clip", "4:3", "pillarbox");
    row("turned by its rotation tag", "640x480", "1", "turned", "4:3", "pillarbox");
    row("NTSC studio 4:3", "720x480", "10/11", "clip", "4:3", "none", true);
    row("NTSC studio 16:9", "720x480", "40/33", "clip", "16:9", "none", true);
    row("NTSC studio 4:3, 704 wide", "704x480", "10/11", "clip", "4:3", "none");
    row("PAL studio 4:3", "720x576", "12/11", "clip", "4:3", "none", true);
    row("PAL studio 16:9", "720x576", "16/11", "clip", "16:9", "none", true);
    row("DV 4:3", "720x480", "8/9", "dv", "4:3", "none");
    row("DV 16:9", "720x480", "32/27", "dv wide", "16:9", "none");
    row("odd size of the shape already", "853x480", "1", "odd", "16:9", "none");
    row("odd size", "701x481", "1", "odd", "4:3", "letterbox");
}

void TestConversionRun::everyResultHasADvdShape()
{
    QFETCH(QString, size);
    QFETCH(QString, pixelShape);
    QFETCH(QString, kind);
    QFETCH(QString, shape);
    QFETCH(QString, bars);
    QFETCH(bool, studio);
    QString source = m_work->filePath(u"clip.avi"_s);
    QStringList encoding{u"-c:v"_s, u"mpeg4"_s, u"-q:v"_s, u"2"_s, u"-pix_fmt"_s, u"yuv420p"_s};
    QString rate = u"10"_s;
    if (kind == u"turned"_s) {
        source = m_work->filePath(u"filmed.mp4"_s);
        encoding = QStringList{u"-c:v"_s, u"libx264"_s, u"-pix_fmt"_s, u"yuv420p"_s};
    } else if (kind.startsWith(u"dv"_s)) {
        source = m_work->filePath(u"clip.dv"_s);
        encoding = QStringList{u"-c:v"_s, u"dvvideo"_s, u"-pix_fmt"_s, u"yuv411p"_s};
        rate = u"30000/1001"_s;
    } else if (kind == u"odd"_s) {
        source = m_work->filePath(u"clip.mkv"_s);
        encoding = QStringList{u"-c:v"_s, u"ffv1"_s, u"-pix_fmt"_s, u"yuv420p"_s};
    }
    QVERIFY(makeShapeClip(source, size, pixelShape, rate, encoding));
    if (kind == u"turned"_s) {
        const QString turned = m_work->filePath(u"clip.mp4"_s);
        QVERIFY(tagTurnedQuarter(source, turned));
        source = turned;
    }
    const QString today = m_work->filePath(u"today.mov"_s);
    QVERIFY(RunFfmpeg({u"-i"_s, source, u"-target"_s, u"ntsc-dvd"_s, today}));
    Form1 &form = makeForm();
    const QString out = m_work->filePath(u"out"_s);
    QVERIFY(QDir().mkpath(out));
    form.listView1()->appendPath(source);
    form.text1()->setText(out);

    form.pushButton2()->click();

    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    const QString result = out + u'/' + QFileInfo(source).completeBaseName() + u".mov"_s;
    QCOMPARE(displayShapeOf(result), shape);
    const DvdFrame frame = decodedFrame(result);
    QCOMPARE(frame.luma.size(), qsizetype(DvdFrame::kWidth * DvdFrame::kHeight));
    // The gray picture, the white square in it, and black bars around.
    const QRect picture = frame.brighterThan(60);
    const QRect square = frame.brighterThan(200);
    QVERIFY(!picture.isEmpty() && !square.isEmpty());
    const bool fullWidth = picture.left() <= 2 && picture.right() >= DvdFrame::kWidth - 3;
    const bool fullHeight = picture.top() <= 2 && picture.bottom() >= DvdFrame::kHeight - 3;
    const int centredAcross = qAbs(picture.left() - (DvdFrame::kWidth - 1 - picture.right()));
    const int centredDown = qAbs(picture.top() - (DvdFrame::kHeight - 1 - picture.bottom()));
    const QString where = u"picture at %1,%2 %3x%4"_s.arg(picture.x()).arg(picture.y()).arg(picture.width())
                              .arg(picture.height());
    if (bars == u"none"_s) {
        QVERIFY2(fullWidth && fullHeight, qPrintable(where));
        // Of the shape already: the picture is what it was without the
        // filter, but for an odd size, which gains a black column or row.
        if (kind != u"odd"_s)
            QVERIFY(frame.luma == decodedFrame(today).luma);
    } else if (bars == u"letterbox"_s) {
        QVERIFY2(fullWidth && picture.top() >= 8 && centredDown <= 4, qPrintable(where));
    } else {
        QVERIFY2(fullHeight && picture.left() >= 8 && centredAcross <= 4, qPrintable(where));
    }
    QVERIFY2(frame.brightestOutside(picture, 4) <= 24, qPrintable(where));
    // A square stays a square as shown: each pixel of a 4:3 frame is 8:9 as
    // wide as high, of a 16:9 frame 32:27; by the studio standard that a
    // studio frame follows, 10:11 and 40:33.
    const bool wide = shape == u"16:9"_s;
    const double pixelWidth = studio ? (wide ? 40.0 / 33 : 10.0 / 11) : (wide ? 32.0 / 27 : 8.0 / 9);
    const double squareShape = square.width() * pixelWidth / square.height();
    QVERIFY2(qAbs(squareShape - 1) <= 0.02, qPrintable(u"the square is %1 as wide as high"_s.arg(squareShape)));
    // A DVD tool takes it as it is, without a warning.
    if (!QStandardPaths::findExecutable(u"dvdauthor"_s).isEmpty())
        QCOMPARE(dvdAuthorAspectLines(result, m_work->filePath(u"dvd"_s)), QStringList{u"INFO: Aspect ratio: "_s + shape});
}

void TestConversionRun::converterReachesOnlyItsOwnFiles_data()
{
    // What the converter tries, as a bash condition that holds when it
    // worked, with %home% a folder of the user's and %file% a file in it;
    // from which Landlock ABI on it is refused. It redirects nothing to
    // /dev/null, which the converter may not open either.
    QTest::addColumn<QString>("attempt");
    QTest::addColumn<int>("abi");
    QTest::newRow("read a file in the home folder") << u"read -r line < '%file%'"_s << 1;
    QTest::newRow("list the home folder") << u"ls -- '%home%' >&2"_s << 1;
    QTest::newRow("create a file in the temporary folder") << u": > '%temp%/made'"_s << 1;
    QTest::newRow("create a file beside the source") << u": > '%work%/made'"_s << 1;
    QTest::newRow("connect over TCP to 127.0.0.1") << u": 5<> /dev/tcp/127.0.0.1/%port%"_s << 1;
    QTest::newRow("send over UDP to 127.0.0.1") << u": 5<> /dev/udp/127.0.0.1/%port%"_s << 1;
    // Perl is handed its program on its input, as with -e it opens /dev/null.
    QTest::newRow("connect to a named Unix socket")
        << u"perl -MSocket <<< 'socket(S, PF_UNIX, SOCK_STREAM, 0) && connect(S, pack_sockaddr_un(\"%socket%\")) || exit 1'"_s
        << 1;
    QTest::newRow("change the mode of a file in the home folder") << u"chmod 0600 '%file%'"_s << 1;
    QTest::newRow("change the times of a file in the home folder") << u"touch -m -d @0 '%file%'"_s << 1;
    QTest::newRow("set an extended attribute of a file in the home folder")
        << u"perl <<< 'require \"syscall.ph\"; my ($p, $n, $v) = (\"%file%\", \"user.reelwright\", \"1\");"
           " syscall(&SYS_setxattr, $p, $n, $v, 1, 0) == 0 || exit 1'"_s
        << 1;
    QTest::newRow("shorten a file in the home folder by its name") << u"perl <<< 'truncate(\"%file%\", 0) || exit 1'"_s << 1;
    QTest::newRow("read a descriptor the program left open on exec") << u"read -r line <&%leaked%"_s << 1;
    QTest::newRow("signal the program") << u"kill -WINCH %program%"_s << 6;
}

// The converter is given a source to read and a result to write, and may
// write any bytes into that result; of the user's files, the network and
// the user's other processes it reaches nothing.
void TestConversionRun::converterReachesOnlyItsOwnFiles()
{
    QFETCH(QString, attempt);
    QFETCH(int, abi);
    const int offered = ConverterConfinement::LandlockAbi();
    if (offered == 0)
        QSKIP("the kernel offers no Landlock, so the converter runs without walls");
    if (offered < abi)
        QSKIP(qPrintable(u"the kernel's Landlock ABI %1 cannot refuse this; ABI %2 can"_s.arg(offered).arg(abi)));
    QTemporaryDir home(QDir::homePath() + u"/reelwright-test-XXXXXX"_s);
    QVERIFY2(home.isValid(), qPrintable(home.errorString()));
    const QString file = WriteTextFile(home.filePath(u"private.txt"_s), "private\n");
    const Listener tcp = Listener::tcp();
    const Listener local = Listener::unix(m_work->filePath(u"socket"_s));
    QVERIFY(!tcp.address().isEmpty() && !local.address().isEmpty());
    // Open without close-on-exec, as a library might leave one.
    const int leaked = ::open(QFile::encodeName(file).constData(), O_RDONLY);
    QVERIFY(leaked >= 0);
    const auto closeLeaked = qScopeGuard([leaked] { ::close(leaked); });
    attempt.replace(u"%file%"_s, file)
        .replace(u"%home%"_s, home.path())
        .replace(u"%temp%"_s, m_temp->path())
        .replace(u"%work%"_s, m_work->path())
        .replace(u"%port%"_s, tcp.address())
        .replace(u"%socket%"_s, local.address())
        .replace(u"%leaked%"_s, QString::number(leaked))
        .replace(u"%program%"_s, QString::number(QCoreApplication::applicationPid()));
    // Outside the walls the attempt works.
    QProcess free;
    free.start(u"/bin/bash"_s, {u"-c"_s, attempt});
    QVERIFY(free.waitForFinished(20000));
    QCOMPARE(free.exitCode(), 0);
    QFile::remove(m_temp->filePath(u"made"_s));
    QFile::remove(m_work->filePath(u"made"_s));
    QCOMPARE(::lseek(leaked, 0, SEEK_SET), off_t(0));

    Form1 &form = makeForm();
    useFakeConverter(u"if %1; then echo 'the converter reached it' >&2; exit 1; fi\n"
                     "printf 'walled in' >&$result"_s.arg(attempt));
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"clip.avi"_s), "clip"));
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QCOMPARE(readAll(m_work->filePath(u"clip.mov"_s)), QByteArray("walled in"));
    QVERIFY(!entryExists(m_temp->filePath(u"made"_s)) && !entryExists(m_work->filePath(u"made"_s)));
}

void TestConversionRun::kernelThatCannotWallTheConverterIn_data()
{
    QTest::addColumn<QStringList>("kernel"); // the options of without_landlock
    QTest::addColumn<QString>("message"); // %1: the source
    QTest::addColumn<QByteArray>("result"); // what the converter read from the home folder
    // The converter runs as it always did: it converts, unwalled.
    QTest::newRow("without Landlock") << QStringList() << u"Done."_s << QByteArray("private");
    // Never run unwalled when the walls were to go up.
    QTest::newRow("refusing the walls")
        << QStringList{u"--refusing"_s}
        << u"Done.\n\n1 of 1 files could not be converted:\n%1 - the converter could not be confined "
           "(landlock_restrict_self: Operation not permitted)"_s
        << QByteArray();
}

void TestConversionRun::kernelThatCannotWallTheConverterIn()
{
    QFETCH(QStringList, kernel);
    QFETCH(QString, message);
    QFETCH(QByteArray, result);
    if (!kernel.isEmpty() && ConverterConfinement::LandlockAbi() == 0)
        QSKIP("the kernel offers no Landlock to refuse");
    QTemporaryDir home(QDir::homePath() + u"/reelwright-test-XXXXXX"_s);
    QVERIFY2(home.isValid(), qPrintable(home.errorString()));
    const QString file = WriteTextFile(home.filePath(u"private.txt"_s), "private\n");
    const QString converter = WriteFakeConverter(m_work->filePath(u"fake-converter.sh"_s),
        u"read -r line < '%1' && printf '%s' \"$line\" >&$result"_s.arg(file));
    const QString source = WriteTextFile(m_work->filePath(u"one.avi"_s), "clip");
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QString folder = QCoreApplication::applicationDirPath();
    program.start(folder + u"/without_landlock"_s,
        kernel + QStringList{folder + u"/conversion_driver"_s, u"--once"_s, converter, source});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()), message.arg(source) + u'\n');
    QCOMPARE(readAll(m_work->filePath(u"one.mov"_s)), result);
}

// As root every permission check passes: the tests run once more as an
// ordinary user.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    QTEST_SET_MAIN_SOURCE_PATH
    int failed = 0;
    {
        TestConversionRun test;
        failed = QTest::qExec(&test, argc, argv);
    }
    return failed + RunAgainAsOrdinaryUser(argc, argv, {u"conversion_driver"_s, u"without_landlock"_s});
}

#include "tst_conversion_run.moc"
