// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Appearance.h"
#include "FileDescriptor.h"
#include "FileListWidget.h"
#include "Form1.h"
#include "PointerImage.h"
#include "ProgramIcon.h"
#include "QuietStart.h"
#include "ResourceFile.h"
#include "RuntimeError.h"
#include "ScriptedDialogs.h"
#include "SkinFramework.h"
#include "StyleSheetText.h"
#include "TextProgressBar.h"
#include "Themes.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QImageReader>
#include <QImageWriter>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kShippedSkin = QStringLiteral(REELWRIGHT_RESOURCES "/x/o.cjs");
const QString kShippedHand = QStringLiteral(REELWRIGHT_RESOURCES "/HAND-M.CUR");
const QString kShippedDragImage = QStringLiteral(REELWRIGHT_RESOURCES "/drag.ico");

// The contrast of the darkest and the lightest pixel of an area of a
// picture: a caption that cannot be read has none.
double areaContrast(const QImage &picture, const QRect &area)
{
    QColor darkest(Qt::white);
    QColor lightest(Qt::black);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = picture.pixelColor(x, y);
            if (pixel.lightnessF() < darkest.lightnessF())
                darkest = pixel;
            if (pixel.lightnessF() > lightest.lightnessF())
                lightest = pixel;
        }
    }
    return contrast(darkest, lightest);
}

// A cursor file with the given hot spot: Qt writes the icon, the header and
// the directory entry are turned into a cursor's.
QByteArray cursorBytes(const QSize &size, const QPoint &hotSpot)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::black);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ico");
    if (!writer.write(image))
        return {};
    qToLittleEndian<quint16>(2, bytes.data() + 2);
    qToLittleEndian<quint16>(quint16(hotSpot.x()), bytes.data() + 10);
    qToLittleEndian<quint16>(quint16(hotSpot.y()), bytes.data() + 12);
    return bytes;
}

// The first image of an icon or cursor file as a bitmap: where its header
// begins, after the file's header and one directory entry.
constexpr int kFirstBitmap = 6 + 16;

// The same file with a later, longer kind of bitmap header than the usual
// 40 bytes: the same pixels, further on.
QByteArray withLongerBitmapHeader(QByteArray bytes, int extra)
{
    const quint32 headerBytes = qFromLittleEndian<quint32>(bytes.constData() + kFirstBitmap);
    bytes.insert(kFirstBitmap + qsizetype(headerBytes), QByteArray(extra, '\0'));
    qToLittleEndian<quint32>(headerBytes + quint32(extra), bytes.data() + kFirstBitmap);
    qToLittleEndian<quint32>(qFromLittleEndian<quint32>(bytes.constData() + 14) + quint32(extra), bytes.data() + 14);
    return bytes;
}

// The same file of 32-bit pixels with every byte of its transparency mask,
// which follows the pixels, set to pattern.
QByteArray withMask(QByteArray bytes, const QSize &size, char pattern)
{
    const int maskStart = kFirstBitmap + 40 + size.width() * size.height() * 4;
    const int maskBytes = (size.width() + 31) / 32 * 4 * size.height();
    bytes.replace(maskStart, maskBytes, QByteArray(maskBytes, pattern));
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool copyFile(const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    return QFile::copy(from, to);
}

bool isReportAt(const MessageRequest &message, int line)
{
    return message.title == u"Application Error"_s && message.text.contains(u"Form1.Form_Load at line %1"_s.arg(line));
}

void moveOver(QWidget *widget, const QPoint &at)
{
    QMouseEvent event(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void moveOver(QWidget *widget)
{
    moveOver(widget, widget->rect().center());
}

// A spot of a frame that no control covers.
QPoint bareSpotOf(QGroupBox *frame)
{
    return QPoint(frame->width() - 4, frame->height() - 4);
}

struct CursorChanges final : QObject {
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::CursorChange)
            ++count;
        return false;
    }
};

// Lets whatever opens one of the FIFOs for reading go on at once, and notes
// that it did: code that should never open them fails its test instead of
// waiting for a writer for good.
class FifoReleaser final {
public:
    explicit FifoReleaser(const QStringList &fifos)
    {
        for (const QString &fifo : fifos)
            m_fifos << QFile::encodeName(fifo);
        m_thread = std::thread([this] { run(); });
    }
    Q_DISABLE_COPY_MOVE(FifoReleaser)
    ~FifoReleaser()
    {
        m_stop = true;
        m_thread.join();
    }
    bool anyOpened() const { return m_opened; }

private:
    void run()
    {
        while (!m_stop) {
            for (const QByteArray &fifo : std::as_const(m_fifos)) {
                // Opening the writing end succeeds only while a reader waits.
                const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    m_opened = true;
                    ::close(fd);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    QList<QByteArray> m_fifos;
    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_opened = false;
    std::thread m_thread;
};

} // namespace

class TestAppearance final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void skinFile_data();
    void skinFile();
    void skinRecoloursExactlyFramesAndOptions();
    void skinLooksForAPlainFile_data();
    void skinLooksForAPlainFile();
    void styleSheetAddresses_data();
    void styleSheetAddresses();
    void skinNamesOnlyRegularFiles_data();
    void skinNamesOnlyRegularFiles();
    void resourceOpensOnlyWhatItLookedAt_data();
    void resourceOpensOnlyWhatItLookedAt();
    void captionsReadUnderEveryTheme_data();
    void captionsReadUnderEveryTheme();
    void hoverSetsThePointer_data();
    void hoverSetsThePointer();
    void windowPointerCoversEveryControl_data();
    void windowPointerCoversEveryControl();
    void handReturnsAfterTheBusyState();
    void hoverWritesOnlyChanges();
    void cursorFile_data();
    void cursorFile();
    void shippedHandPointsWithItsFingerTip();
    void pointerPixelsAreQtReadersPixels_data();
    void pointerPixelsAreQtReadersPixels();
    void programIconIsDrawnAtEverySize_data();
    void programIconIsDrawnAtEverySize();

private:
    std::unique_ptr<Form1> start(ScriptedDialogs &dialogs);

    QTemporaryDir m_config;
    std::unique_ptr<QTemporaryDir> m_programFolder;
    const QString m_startFolder = QDir::currentPath();
};

void TestAppearance::init()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    m_programFolder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_programFolder->isValid());
}

void TestAppearance::cleanup()
{
    QApplication::setPalette(QPalette());
    QDir::setCurrent(m_startFolder);
}

std::unique_ptr<Form1> TestAppearance::start(ScriptedDialogs &dialogs)
{
    Form1Setup setup = QuietStart();
    setup.programFolder = m_programFolder->path();
    return std::make_unique<Form1>(dialogs, setup);
}

void TestAppearance::skinFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("applied");

    QFile shipped(kShippedSkin);
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    QTest::newRow("the shipped skin") << shipped.readAll() << true;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("block not closed") << "QPushButton { color: red;"_ba << false;
    QTest::newRow("brace without block") << "QPushButton { color: red; } }"_ba << false;
    QTest::newRow("block without selector") << "{ color: red; }"_ba << false;
    QTest::newRow("comment not closed") << "/* QPushButton { color: red; }"_ba << false;
    QTest::newRow("quote not closed") << "QLabel { font-family: \"Arial; }"_ba << false;
    QTest::newRow("binary") << QByteArray("QLabel {}\0\x01\x02", 12) << false;
    QTest::newRow("not UTF-8") << "QLabel { font-family: \xff\xfe; }"_ba << false;
    QTest::newRow("over a megabyte") << (QByteArray("QLabel { color: black; }\n") + QByteArray(1024 * 1024, ' '))
                                     << false;
    QByteArray megabyte = "QLabel { color: black; }\n"_ba;
    megabyte += QByteArray(1024 * 1024 - megabyte.size(), ' ');
    QTest::newRow("exactly a megabyte") << megabyte << true;
    QTest::newRow("a byte over a megabyte") << megabyte + ' ' << false;
    QTest::newRow("an import") << "@import \"other.qss\"; QLabel { color: red; }"_ba << false;
    QTest::newRow("a control's text set to rich text")
        << "QLabel { qproperty-text: \"<img src=face.png>\"; }"_ba << false;
    QTest::newRow("an escape of too large a code") << "QLabel { font-family: a\\110000; }"_ba << false;
    QTest::newRow("a url() not closed") << "QLabel { image: url(:a]); }"_ba << false;
}

// A skin that cannot be used is reported at line 100; the start goes on,
// with the recolouring done before the failure.
void TestAppearance::skinFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, applied);
    QVERIFY(writeFile(SkinFilePath(m_programFolder->path()), content));

    ScriptedDialogs dialogs;
    auto form = start(dialogs);
    const SkinFramework *skin = form->skinFramework1();
    QCOMPARE(skin->isApplied(), applied);
    QCOMPARE(form->styleSheet(), applied ? QString::fromUtf8(content) : QString());
    QCOMPARE(qApp->styleSheet(), form->styleSheet());
    QCOMPARE(form->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
    if (applied) {
        QVERIFY(dialogs.messages.isEmpty());
    } else {
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(isReportAt(dialogs.messages.front(), 100), qPrintable(dialogs.messages.front().text));
    }
    QCOMPARE(form->windowTitle(), u"Reelwright Software"_s);
    QVERIFY(!form->text1()->text().isEmpty());

    // The skin dresses the program's dialogs only while the window lives.
    form.reset();
    QCOMPARE(qApp->styleSheet(), QString());
}

void TestAppearance::skinRecoloursExactlyFramesAndOptions()
{
    QApplication::setPalette(lightTheme());
    // An empty skin: what the skin's sheet sets of its own stays out of the way.
    QVERIFY(writeFile(SkinFilePath(m_programFolder->path()), {}));
    ScriptedDialogs dialogs;
    const auto form = start(dialogs);
    const QColor face = lightTheme().color(QPalette::Button);
    const QList<QWidget *> recoloured = {form.get(), form->frame1(), form->frame3(), form->option1(), form->option2()};
    for (QWidget *widget : recoloured) {
        QCOMPARE(widget->palette().color(QPalette::Window), face);
        QCOMPARE(widget->palette().color(QPalette::WindowText), lightTheme().color(QPalette::ButtonText));
        QVERIFY2(widget->testAttribute(Qt::WA_SetPalette), qPrintable(widget->objectName()));
    }
    const QList<QWidget *> others = {form->listView1(), form->pushButton1(), form->pushButton2(), form->pushButton3(),
        form->pushButton4(), form->pushButton7(), form->pushButton8(), form->text1(), form->progressBar1()};
    for (QWidget *widget : others)
        QVERIFY2(!widget->testAttribute(Qt::WA_SetPalette), qPrintable(widget->objectName()));
}

void TestAppearance::skinLooksForAPlainFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("found");
    QTest::newRow("missing") << u"missing"_s << false;
    QTest::newRow("a folder") << u"folder"_s << false;
    QTest::newRow("a FIFO") << u"fifo"_s << false;
    QTest::newRow("a link to the skin") << u"link"_s << true;
}

// Without a skin the window keeps its designed look and no skin operation
// runs; a FIFO, which the lookup does not find, never holds up the start.
void TestAppearance::skinLooksForAPlainFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, found);
    const QString skinFile = SkinFilePath(m_programFolder->path());
    QVERIFY(QDir().mkpath(QFileInfo(skinFile).absolutePath()));
    if (kind == u"folder"_s)
        QVERIFY(QDir().mkpath(skinFile));
    else if (kind == u"fifo"_s)
        QCOMPARE(::mkfifo(QFile::encodeName(skinFile).constData(), 0600), 0);
    else if (kind == u"link"_s)
        QVERIFY(QFile::link(kShippedSkin, skinFile));

    ScriptedDialogs dialogs;
    const auto form = start(dialogs);
    const SkinFramework *skin = form->skinFramework1();
    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(skin->isApplied(), found);
    if (found)
        return;
    QCOMPARE(skin->skinFile(), QString());
    QCOMPARE(skin->applyOptions(), 0);
    QVERIFY(!skin->dressesDialogs());
    QVERIFY(!skin->polishesAtOnce());
    QCOMPARE(form->styleSheet(), QString());
    for (QWidget *widget : {static_cast<QWidget *>(form.get()), static_cast<QWidget *>(form->frame1()),
             static_cast<QWidget *>(form->frame3()), static_cast<QWidget *>(form->option1()),
             static_cast<QWidget *>(form->option2())})
        QCOMPARE(widget->palette().color(QPalette::Window), QColor(Qt::white));
}

void TestAppearance::styleSheetAddresses_data()
{
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QStringList>("addresses");
    QTest::newRow("plain") << u"QWidget { background-image: url(a.png); }"_s << QStringList{u"a.png"_s};
    QTest::newRow("quoted, spaces in front") << u"X { image: url( \"a b.png\"); }"_s << QStringList{u"a b.png"_s};
    QTest::newRow("single quotes, a comment in front")
        << u"X { image: url(/* c */'a.png'); }"_s << QStringList{u"a.png"_s};
    QTest::newRow("a space behind is kept") << u"X { image: url(a.png ) }"_s << QStringList{u"a.png "_s};
    QTest::newRow("quoted, then a space") << u"X { image: url(\"a.png\" ) }"_s << QStringList{u"a.png\""_s};
    QTest::newRow("parentheses inside") << u"X { image: url(a(b).png) }"_s << QStringList{u"a(b).png"_s};
    QTest::newRow("two") << u"X { image: url(a); } Y { image: url(b) }"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("in a comment") << u"/* X { image: url(a) } */"_s << QStringList();
    QTest::newRow("in a quoted text") << u"X { font-family: \"url(a)\"; }"_s << QStringList();
    QTest::newRow("another function") << u"X { image: myurl(a) }"_s << QStringList();
    QTest::newRow("in capitals") << u"X { image: URL(a) }"_s << QStringList{u"a"_s};
    QTest::newRow("an escape in the name") << u"X { image: u\\rl(a) }"_s << QStringList{u"a"_s};
    QTest::newRow("escaped characters") << u"X { image: url(\\2ftmp\\2f\\000070i\\pe) }"_s
                                        << QStringList{u"/tmp/pipe"_s};
    QTest::newRow("a parenthesis inside brackets") << u"X { image: url(a[)]b) }"_s << QStringList{u"a[)]b"_s};
    QTest::newRow("a bracket closed before it opens") << u"X { image: url(a]) }"_s << QStringList();
    QTest::newRow("spaces in front of a comma are kept") << u"X { image: url( ,a) }"_s << QStringList{u" ,a"_s};
    QTest::newRow("an address inside another's")
        << u"X { image: url(:a[ url(b) ]) }"_s << QStringList{u":a[ url(b) ]"_s, u"b"_s};
}

// What Qt's parser would open, character for character: an address read
// otherwise is not the one that is checked.
void TestAppearance::styleSheetAddresses()
{
    QFETCH(QString, sheet);
    QFETCH(QStringList, addresses);
    QCOMPARE(StyleSheetAddresses(sheet), addresses);
}

void TestAppearance::skinNamesOnlyRegularFiles_data()
{
    QTest::addColumn<QString>("sheet"); // %1 is the program folder, also the current folder
    QTest::addColumn<QString>("reported"); // what the report says, %1 the folder; empty when the skin is applied
    QTest::newRow("a FIFO as background")
        << u"QWidget { background-image: url(%1/pipe); }"_s << u"names %1/pipe, which "_s;
    QTest::newRow("a FIFO as an option's image")
        << u"QRadioButton::indicator { image: url('%1/pipe'); }"_s << u"names %1/pipe, which "_s;
    QTest::newRow("a FIFO by a relative address")
        << u"QRadioButton::indicator { image: url(pipe); }"_s << u"names %1/pipe, which "_s;
    // Qt tries the name with each image suffix when it cannot open it.
    QTest::newRow("missing, a FIFO with a suffix beside it")
        << u"QWidget { background-image: url(%1/missing); }"_s << u"names %1/missing, which "_s;
    QTest::newRow("a folder") << u"QWidget { background-image: url(%1/folder); }"_s << u"names %1/folder, which "_s;
    QTest::newRow("larger than a skin") << u"QWidget { background-image: url(%1/big.png); }"_s
                                        << u"names %1/big.png, which "_s;
    QTest::newRow("another user's image")
        << u"QWidget { background-image: url(%1/theirs.png); }"_s << u"names %1/theirs.png, which "_s;
    QTest::newRow("an image of a skin's size") << u"QWidget { background-image: url(%1/limit.png); }"_s << QString();
    // Qt reads an application style sheet that begins so from the file named.
    QTest::newRow("a FIFO named as the whole skin") << u"file:///%1/pipe"_s << u"is not a usable skin: "_s;
    // Qt gives up on the first rule at its end and reads on from there.
    QTest::newRow("a brace inside an address, a FIFO in the next rule")
        << u"X { image: url(:a{); } } QWidget { background-image: url(%1/pipe); }"_s << u"is not a usable skin: "_s;
    QTest::newRow("a FIFO in a style sheet set on each control")
        << u"QWidget { qproperty-styleSheet: \"QWidget { background-image: url(%1/pipe); }\"; }"_s
        << u"is not a usable skin: "_s;
    QTest::newRow("an image") << u"QRadioButton::indicator { image: url(face.png); }"_s << QString();
    QTest::newRow("a resource of the program")
        << u"QWidget { background-image: url(:/icons/reelwright-16.png); }"_s << QString();
    QTest::newRow("a FIFO in a comment") << u"/* url(%1/pipe) */ QWidget { color: black; }"_s << QString();
}

// A skin that names anything but a regular file is reported at line 100 and
// the window comes up without it; no image of it is ever opened.
void TestAppearance::skinNamesOnlyRegularFiles()
{
    QFETCH(QString, sheet);
    QFETCH(QString, reported);
    const QString folder = m_programFolder->path();
    QVERIFY(QDir::setCurrent(folder));
    for (const QString &fifo : {u"pipe"_s, u"missing.png"_s})
        QCOMPARE(::mkfifo(QFile::encodeName(folder + u'/' + fifo).constData(), 0600), 0);
    QVERIFY(QDir(folder).mkdir(u"folder"_s));
    QImage face(8, 8, QImage::Format_ARGB32);
    face.fill(Qt::red);
    QVERIFY(face.save(folder + u"/face.png"_s));
    QVERIFY(writeFile(folder + u"/big.png"_s, QByteArray(SkinFramework::MaxSkinBytes + 1, 'x')));
    QVERIFY(writeFile(folder + u"/limit.png"_s, QByteArray(SkinFramework::MaxSkinBytes, 'x')));
    QVERIFY(face.save(folder + u"/theirs.png"_s));
    if (reported.contains(u"theirs.png"_s)) {
        if (::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        QCOMPARE(::chown(QFile::encodeName(folder + u"/theirs.png"_s).constData(), 65534, 65534), 0);
    }
    const QString text = QString(sheet).replace(u"%1"_s, folder);
    QVERIFY(writeFile(SkinFilePath(folder), text.toUtf8()));

    const FifoReleaser releaser({folder + u"/pipe"_s, folder + u"/missing.png"_s});
    ScriptedDialogs dialogs;
    const auto form = start(dialogs);
    form->grab(); // draws the options with their images
    QVERIFY2(!releaser.anyOpened(), "the skin's FIFO was opened");
    QCOMPARE(form->skinFramework1()->isApplied(), reported.isEmpty());
    if (reported.isEmpty()) {
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(form->styleSheet(), text);
    } else {
        QCOMPARE(dialogs.messages.size(), 1);
        const MessageRequest &report = dialogs.messages.front();
        QVERIFY2(isReportAt(report, 100), qPrintable(report.text));
        QVERIFY2(report.text.contains(QString(reported).replace(u"%1"_s, folder)), qPrintable(report.text));
        QCOMPARE(form->styleSheet(), QString());
    }
    QCOMPARE(form->windowTitle(), u"Reelwright Software"_s);
}

void TestAppearance::resourceOpensOnlyWhatItLookedAt_data()
{
    QTest::addColumn<bool>("reads"); // ReadRegularFile; RegularFileFault otherwise
    QTest::newRow("an image a skin names") << false;
    QTest::newRow("the skin") << true;
}

// A FIFO that takes a resource's place at any moment is never opened: what
// is opened is the very file that was looked at. Another thread swaps the
// two names as fast as it can; the system tells of every opening of the
// FIFO, which looking at it through a handle does not count as.
void TestAppearance::resourceOpensOnlyWhatItLookedAt()
{
    QFETCH(bool, reads);
    const QString path = m_programFolder->filePath(u"face.png"_s);
    const QString fifo = m_programFolder->filePath(u"other"_s);
    QVERIFY(writeFile(path, "x"_ba));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const FileDescriptor watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    QVERIFY(watch.isOpen());
    QVERIFY(::inotify_add_watch(watch.get(), QFile::encodeName(fifo).constData(), IN_OPEN) >= 0);

    std::atomic<bool> stop = false;
    std::atomic<int> swaps = 0;
    std::thread swapper([&] {
        const QByteArray a = QFile::encodeName(path);
        const QByteArray b = QFile::encodeName(fifo);
        while (!stop) {
            if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE) == 0)
                ++swaps;
        }
    });
    QElapsedTimer timer;
    timer.start();
    int tries = 0;
    bool opened = false;
    while (!opened && timer.elapsed() < 2000) {
        for (int i = 0; i < 100; ++i, ++tries) {
            try {
                if (reads)
                    ReadRegularFile(path, SkinFramework::MaxSkinBytes);
                else
                    RegularFileFault(path, SkinFramework::MaxSkinBytes);
            } catch (const RuntimeError &) {
            }
        }
        char events[4096];
        opened = ::read(watch.get(), events, sizeof events) > 0;
    }
    stop = true;
    swapper.join();
    QVERIFY(swaps > 0);
    QVERIFY2(!opened, qPrintable(u"the FIFO was opened after %1 tries"_s.arg(tries)));
}

void TestAppearance::captionsReadUnderEveryTheme_data()
{
    QTest::addColumn<QPalette>("theme");
    QTest::addColumn<bool>("skinned");
    QTest::newRow("dark theme") << darkTheme() << false;
    QTest::newRow("dark theme, skin") << darkTheme() << true;
    QTest::newRow("light theme") << lightTheme() << false;
    QTest::newRow("light theme, skin") << lightTheme() << true;
}

// The captions drawn straight on the window's background: the text colour
// against the colour behind it, and the pixels actually drawn there.
void TestAppearance::captionsReadUnderEveryTheme()
{
    QFETCH(QPalette, theme);
    QFETCH(bool, skinned);
    QApplication::setPalette(theme);
    if (skinned)
        QVERIFY(copyFile(kShippedSkin, SkinFilePath(m_programFolder->path())));
    ScriptedDialogs dialogs;
    const auto form = start(dialogs);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QVERIFY(dialogs.messages.isEmpty());
    const QImage picture = form->grab().toImage();

    QGroupBox *frame = form->frame1();
    QStyleOptionGroupBox frameOption;
    frameOption.initFrom(frame);
    frameOption.text = frame->title();
    frameOption.subControls = QStyle::SC_GroupBoxLabel;
    frameOption.textAlignment = frame->alignment();
    frameOption.lineWidth = 1;
    const QRect title
        = frame->style()->subControlRect(QStyle::CC_GroupBox, &frameOption, QStyle::SC_GroupBoxLabel, frame);
    QVERIFY(!title.isEmpty());
    QVERIFY2(contrast(frame->palette().color(QPalette::WindowText), frame->palette().color(QPalette::Window)) >= 4.5,
        "Frame1");
    const double frameContrast = areaContrast(picture, title.translated(frame->mapTo(form.get(), QPoint())));
    QVERIFY2(frameContrast >= 4.5, qPrintable(u"Frame1's caption: %1"_s.arg(frameContrast)));

    for (QRadioButton *option : {form->option1(), form->option2()}) {
        QStyleOptionButton buttonOption;
        buttonOption.initFrom(option);
        buttonOption.text = option->text();
        const QRect caption = option->style()
                                  ->subElementRect(QStyle::SE_RadioButtonContents, &buttonOption, option)
                                  .intersected(option->rect());
        QVERIFY(!caption.isEmpty());
        QVERIFY2(
            contrast(option->palette().color(QPalette::WindowText), option->palette().color(QPalette::Window)) >= 4.5,
            qPrintable(option->objectName()));
        const double captionContrast = areaContrast(picture, caption.translated(option->mapTo(form.get(), QPoint())));
        QVERIFY2(captionContrast >= 4.5, qPrintable(u"%1: %2"_s.arg(option->objectName()).arg(captionContrast)));
    }
}

void TestAppearance::hoverSetsThePointer_data()
{
    QTest::addColumn<QString>("over");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");

    for (const QString &button :
        {u"PushButton1"_s, u"PushButton2"_s, u"PushButton3"_s, u"PushButton4"_s, u"PushButton7"_s, u"PushButton8"_s})
        QTest::addRow("%s", qPrintable(button)) << button << int(PointerDefault) << int(PointerCustom);
    for (const QString &area :
        {u"Form1"_s, u"Frame1"_s, u"Frame3"_s, u"Option1"_s, u"Option2"_s, u"Text1"_s, u"list"_s})
        QTest::addRow("%s", qPrintable(area)) << area << int(PointerCustom) << int(PointerDefault);
    QTest::newRow("progress bar keeps the hand") << u"ProgressBar1"_s << int(PointerCustom) << int(PointerCustom);
    QTest::newRow("browse button with its frame off")
        << u"disabled PushButton4"_s << int(PointerCustom) << int(PointerDefault);
    for (const QString &any : {u"PushButton2"_s, u"Frame1"_s, u"Text1"_s, u"list"_s})
        QTest::addRow("%s while busy", qPrintable(any)) << any << int(PointerBusy) << int(PointerBusy);
}

void TestAppearance::hoverSetsThePointer()
{
    QFETCH(QString, over);
    QFETCH(int, before);
    QFETCH(int, after);
    QVERIFY(copyFile(kShippedHand, HandCursorPath(m_programFolder->path())));
    ScriptedDialogs dialogs;
    const auto form = start(dialogs);
    form->setMousePointer(before);

    if (over == u"disabled PushButton4"_s) {
        QTest::mouseClick(form->option2(), Qt::LeftButton);
        QVERIFY(!form->pushButton4()->isEnabled());
        form->setMousePointer(before);
        moveOver(form->pushButton4());
    } else if (over == u"Form1"_s)
        moveOver(form.get(), QPoint(2, 2));
    else if (over == u"list"_s)
        moveOver(form->listView1()->viewport());
    else if (auto *frame = form->findChild<QGroupBox *>(over))
        moveOver(frame, bareSpotOf(frame));
    else
        moveOver(form->findChild<QWidget *>(over));

    QCOMPARE(form->mousePointer(), after);
    const QCursor shown = form->pushButton1()->cursor();
    switch (after) {
    case PointerCustom:
        QCOMPARE(shown.shape(), Qt::BitmapCursor);
        QCOMPARE(shown.hotSpot(), form->windowPointer().customImage()->hotSpot());
        break;
    case PointerBusy:
        QCOMPARE(form->text1()->cursor().shape(), Qt::WaitCursor);
        QCOMPARE(shown.shape(), Qt::WaitCursor);
        break;
    default:
        QCOMPARE(shown.shape(), Qt::ArrowCursor);
        QCOMPARE(form->text1()->cursor().shape(), Qt::IBeamCursor);
    }
}

void TestAppearance::windowPointerCoversEveryControl_data()
{
    QTest::addColumn<QList<int>>("values"); // written in turn
    QTest::addColumn<int>("shape"); // over the button, the bar and the text box
    QTest::newRow("arrow") << QList<int>{PointerArrow} << int(Qt::ArrowCursor);
    QTest::newRow("busy") << QList<int>{PointerBusy} << int(Qt::WaitCursor);
    QTest::newRow("custom, no hand file") << QList<int>{PointerCustom} << int(Qt::PointingHandCursor);
    QTest::newRow("busy, then custom") << QList<int>{PointerBusy, PointerCustom} << int(Qt::PointingHandCursor);
    QTest::newRow("custom, then busy") << QList<int>{PointerCustom, PointerBusy} << int(Qt::WaitCursor);
}

// Every value but the default shows over the whole window; back at the
// default, each control shows its own pointer again.
void TestAppearance::windowPointerCoversEveryControl()
{
    QFETCH(QList<int>, values);
    QFETCH(int, shape);
    ScriptedDialogs dialogs;
    const auto form = start(dialogs);
    for (const int value : values)
        form->setMousePointer(value);
    for (QWidget *control : {static_cast<QWidget *>(form->pushButton4()), static_cast<QWidget *>(form->progressBar1()),
             static_cast<QWidget *>(form->text1()), form->listView1()->viewport()})
        QCOMPARE(int(control->cursor().shape()), shape);
    form->setMousePointer(PointerDefault);
    QCOMPARE(form->text1()->cursor().shape(), Qt::IBeamCursor);
    QCOMPARE(form->pushButton4()->cursor().shape(), Qt::ArrowCursor);
}

void TestAppearance::handReturnsAfterTheBusyState()
{
    ScriptedDialogs dialogs;
    const auto form = start(dialogs);
    form->setMousePointer(PointerBusy);
    moveOver(form->pushButton2());
    QCOMPARE(form->mousePointer(), int(PointerBusy));
    form->setMousePointer(PointerDefault);
    QCOMPARE(form->text1()->cursor().shape(), Qt::IBeamCursor);
    moveOver(form->pushButton2());
    QCOMPARE(form->mousePointer(), int(PointerCustom));
    // No hand file: the desktop's own pointing hand stands in.
    QCOMPARE(form->pushButton2()->cursor().shape(), Qt::PointingHandCursor);
}

// The hover handlers run on every mouse move; only a change of value
// touches the window's pointer.
void TestAppearance::hoverWritesOnlyChanges()
{
    ScriptedDialogs dialogs;
    const auto form = start(dialogs);
    CursorChanges changes;
    form->installEventFilter(&changes);
    for (int i = 0; i < 20; ++i)
        moveOver(form->pushButton1(), QPoint(5 + i, 5));
    QCOMPARE(changes.count, 1);
    for (int i = 0; i < 20; ++i)
        moveOver(form->frame1(), bareSpotOf(form->frame1()) - QPoint(i % 3, 0));
    QCOMPARE(changes.count, 2);
}

void TestAppearance::cursorFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("kind"); // a file, "missing" or "fifo"
    QTest::addColumn<bool>("reported");
    QTest::addColumn<QPoint>("hotSpot");

    QTest::newRow("hot spot at the corner") << cursorBytes({32, 32}, {0, 0}) << u"file"_s << false << QPoint(0, 0);
    QTest::newRow("hot spot inside") << cursorBytes({32, 32}, {9, 3}) << u"file"_s << false << QPoint(9, 3);
    QTest::newRow("hot spot at the far corner")
        << cursorBytes({48, 48}, {47, 47}) << u"file"_s << false << QPoint(47, 47);
    QTest::newRow("hot spot outside") << cursorBytes({32, 32}, {32, 4}) << u"file"_s << true << QPoint();
    // An entry of size 0 stands for 256 pixels, yet the picture is the
    // bitmap's own 32.
    QByteArray smallerThanItsEntry = cursorBytes({32, 32}, {40, 40});
    smallerThanItsEntry[6] = smallerThanItsEntry[7] = '\0';
    QTest::newRow("hot spot inside the entry's size, outside the picture")
        << smallerThanItsEntry << u"file"_s << true << QPoint();
    QTest::newRow("missing") << QByteArray() << u"missing"_s << false << QPoint();
    QTest::newRow("not a cursor") << "GIF89a not a cursor at all"_ba << u"file"_s << true << QPoint();
    QTest::newRow("cut short") << cursorBytes({32, 32}, {1, 1}).left(200) << u"file"_s << true << QPoint();
    QTest::newRow("a FIFO") << QByteArray() << u"fifo"_s << true << QPoint();
}

void TestAppearance::cursorFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, kind);
    QFETCH(bool, reported);
    QFETCH(QPoint, hotSpot);
    const QString path = HandCursorPath(m_programFolder->path());
    if (kind == u"file"_s)
        QVERIFY(writeFile(path, content));
    else if (kind == u"fifo"_s)
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);

    ScriptedDialogs dialogs;
    const auto form = start(dialogs);
    const std::optional<QCursor> &image = form->windowPointer().customImage();
    if (reported) {
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(isReportAt(dialogs.messages.front(), 106), qPrintable(dialogs.messages.front().text));
        QVERIFY(!image);
    } else if (kind == u"missing"_s) {
        QVERIFY(dialogs.messages.isEmpty());
        QVERIFY(!image);
    } else {
        QVERIFY(dialogs.messages.isEmpty());
        QVERIFY(image);
        QCOMPARE(image->hotSpot(), hotSpot);
        form->setMousePointer(PointerCustom);
        QCOMPARE(form->pushButton1()->cursor().hotSpot(), hotSpot);
    }
    QCOMPARE(form->windowTitle(), u"Reelwright Software"_s);
}

void TestAppearance::pointerPixelsAreQtReadersPixels_data()
{
    QTest::addColumn<QByteArray>("content");
    QFile hand(kShippedHand);
    QFile dragImage(kShippedDragImage);
    QVERIFY(hand.open(QIODevice::ReadOnly) && dragImage.open(QIODevice::ReadOnly));
    QTest::newRow("the shipped hand") << hand.readAll();
    QTest::newRow("the shipped drag image") << dragImage.readAll();
    // Every colour channel and alpha level apart, in rows of unequal colour.
    QImage shades(48, 24, QImage::Format_ARGB32);
    for (int y = 0; y < shades.height(); ++y) {
        for (int x = 0; x < shades.width(); ++x)
            shades.setPixel(x, y, qRgba(x * 5, y * 10, 255 - x * 5, (x * 16 + y) % 256));
    }
    QByteArray written;
    QBuffer buffer(&written);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && QImageWriter(&buffer, "ico").write(shades));
    QTest::newRow("an icon of many shades") << written;
    QTest::newRow("a bitmap header longer than 40 bytes") << withLongerBitmapHeader(written, 84);
    QTest::newRow("a mask at odds with alpha") << withMask(written, shades.size(), '\x0f');
    QImage clear(16, 16, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    written.clear();
    QVERIFY(buffer.reset() && QImageWriter(&buffer, "ico").write(clear));
    QTest::newRow("an icon without alpha, left to Qt") << written;
}

// The program reads the common bitmaps of pointer files itself; what it
// reads is what Qt's own reader makes of the same file, compared as a
// pointer is drawn: premultiplied (Qt's reader goes through that form and
// loses the colour of what is fully transparent, the program keeps it).
void TestAppearance::pointerPixelsAreQtReadersPixels()
{
    QFETCH(QByteArray, content);
    QBuffer buffer(&content);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const QImage expected = QImageReader(&buffer, content.at(2) == 2 ? "cur" : "ico").read();
    QVERIFY(!expected.isNull());
    const PointerImage pointer = DecodePointerImage(content, u"pointer"_s);
    QCOMPARE(pointer.image.convertToFormat(QImage::Format_ARGB32_Premultiplied),
        expected.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

// The hand's hot spot is the tip of its finger: the topmost drawn pixel.
void TestAppearance::shippedHandPointsWithItsFingerTip()
{
    const PointerImage hand = LoadPointerFile(kShippedHand);
    QCOMPARE(hand.image.size(), QSize(32, 32));
    QVERIFY(hand.image.pixelColor(hand.hotSpot).alpha() > 0);
    for (int y = 0; y < hand.hotSpot.y(); ++y) {
        for (int x = 0; x < hand.image.width(); ++x)
            QCOMPARE(hand.image.pixelColor(x, y).alpha(), 0);
    }
    // Nothing of the hand lies far above-left of the tip: it points upwards.
    int lowestDrawnRow = 0;
    for (int y = 0; y < hand.image.height(); ++y) {
        for (int x = 0; x < hand.image.width(); ++x) {
            if (hand.image.pixelColor(x, y).alpha() > 0)
                lowestDrawnRow = y;
        }
    }
    QVERIFY(lowestDrawnRow > hand.hotSpot.y() + 16);
}

void TestAppearance::programIconIsDrawnAtEverySize_data()
{
    QTest::addColumn<int>("size");
    for (const int size : ProgramIconSizes())
        QTest::addRow("%dpx", size) << size;
}

// The window's icon on X11 carries every size the icon has, each the very
// pixels of the installed PNG of that size, in the right byte order.
void TestAppearance::programIconIsDrawnAtEverySize()
{
    QFETCH(int, size);
    const QIcon icon = ProgramIcon();
    QCOMPARE(icon.availableSizes().size(), ProgramIconSizes().size());
    QVERIFY(icon.availableSizes().contains(QSize(size, size)));
    const QImage drawn = icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage png(QStringLiteral(REELWRIGHT_RESOURCES "/icons/reelwright-%1.png").arg(size));
    QVERIFY(!png.isNull());
    QCOMPARE(drawn, png.convertToFormat(QImage::Format_ARGB32));
    QCOMPARE(drawn.pixelColor(0, 0).alpha(), 0); // the tile's rounded corner
}

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
