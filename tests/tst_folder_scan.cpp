// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AddFolder.h"
#include "FileAttributes.h"
#include "FolderScan.h"
#include "RuntimeError.h"
#include "ScanActivity.h"
#include "ScriptedDialogs.h"
#include "TestTree.h"
#include "WildcardSearch.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <linux/magic.h>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/vfs.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

void makeFolders(const QString &root, const QStringList &folders)
{
    for (const QString &folder : folders)
        QVERIFY(QDir(root).mkpath(folder));
}

void makeFiles(const QString &root, const QStringList &files)
{
    for (const QString &file : files)
        WriteTextFile(root + u'/' + file, "x");
}

bool makeFifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
}

bool makeSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    if (fd < 0 || size_t(native.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

void setMode(const QString &path, mode_t mode)
{
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

// Runs the scan on the given starting folders, each ending in '/'. A scan
// still under way after 10 s is stopped and fails the test that ran it,
// rather than running on until the test program is killed.
QStringList scanned(const QStringList &start, ScriptedDialogs *dialogsOut = nullptr)
{
    ScriptedDialogs dialogs;
    QStringList folders = start;
    ScanActivity activity;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &activity, &ScanActivity::requestStop);
    deadline.start(std::chrono::seconds(10));
    FolderScan scan(dialogs, &activity);
    scan.GetSubDirectories2016(folders, true);
    if (scan.stopped())
        QTest::qFail("the scan did not end within 10 s", __FILE__, __LINE__);
    if (dialogsOut)
        dialogsOut->messages = dialogs.messages;
    return folders;
}

QStringList relativeTo(const QString &root, const QStringList &paths)
{
    QStringList relative;
    for (const QString &path : paths)
        relative << (path.startsWith(root) ? path.mid(root.size()) : path);
    return relative;
}

// Entered in a child process as a stranger to every file (a user namespace
// without mappings), where folders with no read right cannot be opened even
// by a program that CI runs as root.
int scanAsStranger(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ScriptedDialogs dialogs;
    QStringList folders;
    for (int i = 2; i < argc; ++i)
        folders << QString::fromLocal8Bit(argv[i]);
    FolderScan scan(dialogs);
    scan.GetSubDirectories2016(folders, true);
    for (const QString &folder : std::as_const(folders))
        std::printf("%s\n", folders.isEmpty() ? "" : folder.toLocal8Bit().constData());
    std::printf("reports %d\n", int(dialogs.messages.size()));
    return 0;
}

// Entered like scanAsStranger: prints, for each folder, the files it lists.
int listAsStranger(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (int i = 2; i < argc; ++i) {
        const QString folder = QString::fromLocal8Bit(argv[i]);
        const QStringList names = ListFilesInFolder(folder, u"*.*"_s);
        std::printf("%s: %s\n", argv[i], names.join(u' ').toLocal8Bit().constData());
    }
    return 0;
}

} // namespace

class TestFolderScan final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void attributeWord_data();
    void attributeWord();
    void attributeWordOfMissingEntryFails();
    void kernelFileSystemsArePassedOver_data();
    void kernelFileSystemsArePassedOver();
    void attributeRule_data();
    void attributeRule();
    void wildcard_data();
    void wildcard();
    void listingIgnoresCaseAndBreaksTiesByCase();
    void fileCanBeOpened_data();
    void fileCanBeOpened();
    void hasUnsafeCharacters_data();
    void hasUnsafeCharacters();

    void breadthFirstOrder();
    void emptyListAndLeafFolderStayAsTheyAre();
    void startingEntriesThatCannotBeListedStay();
    void hiddenAndSystemFolders();
    void unsafeNamesAreSkippedWithEverythingBelow_data();
    void unsafeNamesAreSkippedWithEverythingBelow();
    void pathOf260CharactersIsReturnedButNotListed();
    void linksBackToAnAncestorAreNotEntered();
    void aFolderIsListedOnce_data();
    void aFolderIsListedOnce();
    void unreadableFolderIsRemovedSilently();

    void listFilesInFolder_data();
    void listFilesInFolder();
    void listFilesKeepsEveryOneOf150Matches();
    void listFilesPassesOverSpecialFilesWithoutBlocking();
    void listFilesPassesOverFilesOfAFolderThatCannotBeSearched();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
};

void TestFolderScan::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = m_dir->path();
}

void TestFolderScan::attributeWord_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("word");
    QTest::newRow("file") << u"file"_s << u"clip.avi"_s << 32;
    QTest::newRow("read-only file") << u"read-only file"_s << u"clip.avi"_s << 33;
    QTest::newRow("hidden file") << u"file"_s << u".clip.avi"_s << 34;
    QTest::newRow("hidden read-only file") << u"read-only file"_s << u".clip.avi"_s << 35;
    QTest::newRow("folder") << u"folder"_s << u"clips"_s << 16;
    QTest::newRow("read-only folder") << u"read-only folder"_s << u"clips"_s << 17;
    QTest::newRow("hidden folder") << u"folder"_s << u".clips"_s << 18;
    QTest::newRow("trash of a user") << u"folder"_s << u".Trash-1000"_s << 22;
    QTest::newRow("trash") << u"folder"_s << u".Trash"_s << 22;
    QTest::newRow("lost+found") << u"folder"_s << u"lost+found"_s << 22;
    QTest::newRow("not quite trash") << u"folder"_s << u".Trash-me"_s << 18;
    QTest::newRow("file named like trash") << u"file"_s << u".Trash"_s << 34;
    QTest::newRow("link to folder") << u"link to folder"_s << u"clips"_s << 1040;
    QTest::newRow("hidden link to folder") << u"link to folder"_s << u".clips"_s << 1042;
    QTest::newRow("link named like trash") << u"link to folder"_s << u".Trash-1000"_s << 1046;
    QTest::newRow("link to file") << u"link to file"_s << u"clip.avi"_s << 1056;
    QTest::newRow("broken link") << u"broken link"_s << u"clip.avi"_s << 1056;
    QTest::newRow("FIFO") << u"fifo"_s << u"pipe"_s << 36;
    QTest::newRow("socket") << u"socket"_s << u"sock"_s << 36;
}

void TestFolderScan::attributeWord()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(int, word);
    const QString path = m_root + u'/' + name;
    makeFolders(m_root, {u"target"_s});
    if (kind == u"file" || kind == u"read-only file")
        WriteTextFile(path, "x");
    if (kind == u"folder" || kind == u"read-only folder")
        QVERIFY(QDir().mkdir(path));
    if (kind.startsWith(u"read-only"))
        setMode(path, 0555);
    if (kind == u"link to folder")
        QVERIFY(QFile::link(m_root + u"/target"_s, path));
    if (kind == u"link to file")
        QVERIFY(QFile::link(WriteTextFile(m_root + u"/target.avi"_s, "x"), path));
    if (kind == u"broken link")
        QVERIFY(QFile::link(m_root + u"/gone.avi"_s, path));
    if (kind == u"fifo")
        QVERIFY(makeFifo(path));
    if (kind == u"socket")
        QVERIFY(makeSocket(path));

    QCOMPARE(AttributeWord(path), word);
    // A folder entry of the scan ends in a separator; the word is the same.
    QCOMPARE(AttributeWord(path + u'/'), word);
}

void TestFolderScan::attributeWordOfMissingEntryFails()
{
    try {
        AttributeWord(m_root + u"/missing.avi"_s);
        QFAIL("no failure");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), int(RuntimeError::FileNotFound));
    }
    QVERIFY(IsRootFolder(u"/"_s));
    QVERIFY(IsRootFolder(u"//"_s));
    QVERIFY(!IsRootFolder(m_root));
}

void TestFolderScan::kernelFileSystemsArePassedOver_data()
{
    QTest::addColumn<QString>("mountPoint");
    QTest::addColumn<qint64>("type");
    QTest::newRow("/proc") << u"/proc"_s << qint64(PROC_SUPER_MAGIC);
    QTest::newRow("/sys") << u"/sys"_s << qint64(SYSFS_MAGIC);
}

void TestFolderScan::kernelFileSystemsArePassedOver()
{
    QFETCH(QString, mountPoint);
    QFETCH(qint64, type);
    struct statfs info { };
    if (::statfs(QFile::encodeName(mountPoint).constData(), &info) != 0 || info.f_type != type)
        QSKIP("the kernel's file system is not mounted there");
    QCOMPARE(AttributeWord(mountPoint), 22);
    QCOMPARE(AttributeWord(mountPoint + u'/'), 22);
    QVERIFY(!FolderPassesAttributeRule(mountPoint + u'/', AttributeWord(mountPoint)));

    // Nor is the mount returned by a scan of the folder that holds it, which
    // lists its other folders.
    ScriptedDialogs dialogs;
    FolderScan scan(dialogs);
    QStringList folders = {u"/"_s};
    scan.GetSubDirectories2016(folders, false);
    QVERIFY(folders.size() > 1);
    QVERIFY(!folders.contains(mountPoint + u'/'));
}

void TestFolderScan::attributeRule_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("word");
    QTest::addColumn<bool>("listed");
    QTest::newRow("hidden system") << u"/x/"_s << 22 << false;
    QTest::newRow("hidden system link") << u"/x/"_s << 1046 << false;
    QTest::newRow("hidden") << u"/x/"_s << 18 << true;
    QTest::newRow("hidden system archive") << u"/x/"_s << 54 << true;
    QTest::newRow("read-only hidden system") << u"/x/"_s << 23 << true;
    QTest::newRow("the root, hidden system") << u"//"_s << 22 << true;
    QTest::newRow("the root as picked") << u"/"_s << 1046 << true;
}

void TestFolderScan::attributeRule()
{
    QFETCH(QString, folder);
    QFETCH(int, word);
    QFETCH(bool, listed);
    QCOMPARE(FolderPassesAttributeRule(folder, word), listed);
}

void TestFolderScan::wildcard_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    QTest::newRow("extension") << u"*.avi"_s << u"clip.avi"_s << true;
    QTest::newRow("extension in capitals") << u"*.avi"_s << u"CLIP.AVI"_s << true;
    QTest::newRow("pattern in capitals") << u"*.AVI"_s << u"clip.avi"_s << true;
    QTest::newRow("longer extension") << u"*.avi"_s << u"clip.avi.part"_s << false;
    QTest::newRow("no dot") << u"*.avi"_s << u"clipavi"_s << false;
    QTest::newRow("two dots in the pattern") << u"*..avi"_s << u"clip.avi"_s << false;
    QTest::newRow("all, with a dot") << u"*.*"_s << u"clip.avi"_s << true;
    QTest::newRow("all, without a dot") << u"*.*"_s << u"README"_s << true;
    QTest::newRow("all, dot file") << u"*.*"_s << u".profile"_s << true;
    QTest::newRow("one character") << u"*.av?"_s << u"clip.avi"_s << true;
    QTest::newRow("one character, not two") << u"?.avi"_s << u"ab.avi"_s << false;
    QTest::newRow("star in the middle") << u"a*z.txt"_s << u"abcz.txt"_s << true;
    QTest::newRow("bracket is itself") << u"[a].avi"_s << u"[a].avi"_s << true;
    QTest::newRow("bracket is no set") << u"[a].avi"_s << u"a.avi"_s << false;
    QTest::newRow("accented letters") << u"*.txt"_s << u"ÄÖ.TXT"_s << true;
    QTest::newRow("accent in any case") << u"*é*"_s << u"CAFÉ"_s << true;
    QTest::newRow("outside the basic plane") << u"?.avi"_s << u"😀.avi"_s << true;
}

void TestFolderScan::wildcard()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(WildcardMatches(pattern, name), matches);
}

void TestFolderScan::listingIgnoresCaseAndBreaksTiesByCase()
{
    makeFiles(m_root, {u"b.avi"_s, u"B.avi"_s, u"a.avi"_s, u"C.avi"_s, u"_x.avi"_s, u"10.avi"_s, u"9.avi"_s});
    makeFolders(m_root, {u"Zeta"_s, u"alpha"_s, u"Beta"_s, u"beta"_s});
    QCOMPARE(SearchFiles(m_root, u"*"_s),
        QStringList({u"10.avi"_s, u"9.avi"_s, u"_x.avi"_s, u"a.avi"_s, u"B.avi"_s, u"b.avi"_s, u"C.avi"_s}));
    QCOMPARE(relativeTo(m_root + u'/', scanned({m_root + u'/'})),
        QStringList({QString(), u"alpha/"_s, u"Beta/"_s, u"beta/"_s, u"Zeta/"_s}));
}

void TestFolderScan::fileCanBeOpened_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("opens");
    QTest::newRow("file") << u"file"_s << true;
    QTest::newRow("file without any rights") << u"no rights"_s << true;
    QTest::newRow("link to file") << u"link to file"_s << true;
    QTest::newRow("folder") << u"folder"_s << false;
    QTest::newRow("broken link") << u"broken link"_s << false;
    QTest::newRow("missing") << u"missing"_s << false;
    QTest::newRow("FIFO") << u"fifo"_s << false;
    QTest::newRow("socket") << u"socket"_s << false;
    QTest::newRow("empty text") << u"empty"_s << false;
}

void TestFolderScan::fileCanBeOpened()
{
    QFETCH(QString, kind);
    QFETCH(bool, opens);
    QString path = m_root + u"/entry"_s;
    if (kind == u"file" || kind == u"no rights")
        WriteTextFile(path, "x");
    if (kind == u"no rights")
        setMode(path, 0);
    if (kind == u"link to file")
        QVERIFY(QFile::link(WriteTextFile(m_root + u"/target"_s, "x"), path));
    if (kind == u"folder")
        QVERIFY(QDir().mkdir(path));
    if (kind == u"broken link")
        QVERIFY(QFile::link(m_root + u"/gone"_s, path));
    if (kind == u"fifo")
        QVERIFY(makeFifo(path));
    if (kind == u"socket")
        QVERIFY(makeSocket(path));
    if (kind == u"empty")
        path.clear();
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(FileCanBeOpened(path), opens);
    QVERIFY(timer.elapsed() < 1000);
}

void TestFolderScan::hasUnsafeCharacters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("unsafe");
    QTest::newRow("plain") << u"holiday clips"_s << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("question mark") << u"why?"_s << true;
    QTest::newRow("tab") << u"a\tb"_s << true;
    QTest::newRow("code 31") << QString(QChar(31)) << true;
    QTest::newRow("code 127") << u"a\u007f"_s << true;
    QTest::newRow("code 133") << u"a\u0085"_s << true;
    QTest::newRow("code 159") << u"a\u009f"_s << true;
    QTest::newRow("code 160") << u"a\u00a0b"_s << false;
    QTest::newRow("accented") << u"Café"_s << false;
    QTest::newRow("outside the basic plane") << u"😀"_s << false;
    QTest::newRow("lone surrogate") << QString(QChar(0xd800)) << true;
}

void TestFolderScan::hasUnsafeCharacters()
{
    QFETCH(QString, name);
    QFETCH(bool, unsafe);
    QCOMPARE(HasUnsafeCharacters(name), unsafe);
}

void TestFolderScan::breadthFirstOrder()
{
    makeFolders(m_root, {u"A/B/C"_s, u"A/D"_s});
    const QString a = m_root + u"/A/"_s;
    QCOMPARE(scanned({a}), QStringList({a, a + u"B/"_s, a + u"D/"_s, a + u"B/C/"_s}));
}

void TestFolderScan::emptyListAndLeafFolderStayAsTheyAre()
{
    QCOMPARE(scanned({}), QStringList());
    makeFolders(m_root, {u"leaf"_s});
    makeFiles(m_root, {u"leaf/clip.avi"_s});
    const QStringList leaf = {m_root + u"/leaf/"_s};
    QCOMPARE(scanned(leaf), leaf);
}

void TestFolderScan::startingEntriesThatCannotBeListedStay()
{
    const QString longName(250, u'n');
    makeFolders(m_root, {u".Trash-1000/inside"_s, u"ok/below"_s, longName + u"/inside"_s});
    makeFiles(m_root, {u"file.avi"_s});
    const QStringList start = {m_root + u"/missing/"_s, m_root + u"/file.avi/"_s, m_root + u"/.Trash-1000/"_s,
        m_root + u'/' + longName + u'/', m_root + u"/ok/"_s};
    QCOMPARE(scanned(start), start + QStringList({m_root + u"/ok/below/"_s}));
}

void TestFolderScan::hiddenAndSystemFolders()
{
    makeFolders(m_root,
        {u"A/.hidden/inner"_s, u"A/.Trash-1000/inner"_s, u"A/.Trash/inner"_s, u"A/lost+found/inner"_s, u"A/ro/inner"_s,
            u"A/.Trash-me"_s});
    setMode(m_root + u"/A/ro"_s, 0555);
    QVERIFY(QFile::link(m_root + u"/A/ro"_s, m_root + u"/A/.Trash-5"_s));
    const QString a = m_root + u"/A/"_s;
    QCOMPARE(relativeTo(a, scanned({a})),
        QStringList({QString(), u".hidden/"_s, u".Trash-me/"_s, u"ro/"_s, u".hidden/inner/"_s, u"ro/inner/"_s}));
}

void TestFolderScan::unsafeNamesAreSkippedWithEverythingBelow_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("question mark") << QByteArray("why?");
    QTest::newRow("control character") << QByteArray("a\x01z");
    QTest::newRow("code 127") << QByteArray("a\x7fz");
    QTest::newRow("code 133") << QByteArray("a\xc2\x85z");
    QTest::newRow("not UTF-8") << QByteArray("caf\xe9");
}

void TestFolderScan::unsafeNamesAreSkippedWithEverythingBelow()
{
    QFETCH(QByteArray, name);
    const QByteArray odd = QFile::encodeName(m_root) + "/A/" + name;
    makeFolders(m_root, {u"A/safe"_s});
    QCOMPARE(::mkdir(odd.constData(), 0755), 0);
    QCOMPARE(::mkdir((odd + "/below").constData(), 0755), 0);
    const QString a = m_root + u"/A/"_s;
    QCOMPARE(scanned({a}), QStringList({a, a + u"safe/"_s}));
    // The temporary folder's clean-up goes by text and cannot name it.
    ::rmdir((odd + "/below").constData());
    ::rmdir(odd.constData());
}

void TestFolderScan::pathOf260CharactersIsReturnedButNotListed()
{
    const QString a = m_root + u"/A/"_s;
    const QString first(200, u'f');
    const QString second = QString(qMax<qsizetype>(1, 260 - (a + first + u'/').size() - 1), u's');
    makeFolders(m_root, {u"A/"_s + first + u'/' + second + u"/deeper"_s});
    const QString deep = a + first + u'/' + second + u'/';
    QCOMPARE(deep.size(), 260);
    QCOMPARE(scanned({a}), QStringList({a, a + first + u'/', deep}));
}

void TestFolderScan::linksBackToAnAncestorAreNotEntered()
{
    makeFolders(m_root, {u"A/B/C"_s});
    QVERIFY(QFile::link(m_root + u"/A"_s, m_root + u"/A/up1"_s));
    QVERIFY(QFile::link(m_root + u"/A"_s, m_root + u"/A/B/up2"_s));
    QVERIFY(QFile::link(m_root, m_root + u"/A/B/C/top"_s));
    QVERIFY(QFile::link(u".."_s, m_root + u"/A/B/C/parent"_s));
    const QString a = m_root + u"/A/"_s;
    QCOMPARE(scanned({a}), QStringList({a, a + u"B/"_s, a + u"B/C/"_s}));
}

void TestFolderScan::aFolderIsListedOnce_data()
{
    QTest::addColumn<QStringList>("folders"); // made below the root
    QTest::addColumn<QStringList>("links"); // in pairs: the link, the folder it leads to
    QTest::addColumn<QStringList>("listed"); // below A/
    // A path below the root that the '*' in the row's texts stretches to 261
    // characters, one more than the scan reads; empty for none.
    QTest::addColumn<QString>("stretched");
    QTest::newRow("a link to a sibling") << QStringList{u"A/B/x"_s} << QStringList{u"A/S"_s, u"A/B"_s}
                                         << QStringList{QString(), u"B/"_s, u"B/x/"_s} << QString();
    QTest::newRow("two links to a folder elsewhere")
        << QStringList{u"A"_s, u"E/x"_s} << QStringList{u"A/1"_s, u"E"_s, u"A/2"_s, u"E"_s}
        << QStringList{QString(), u"1/"_s, u"1/x/"_s} << QString();
    // The link comes first and lists Clips-here, whose files it still lists
    // but not what is below; the real path walks it for D.
    QTest::newRow("a link too long below it, the real path short")
        << QStringList{u"A/B/Clips-here/D"_s} << QStringList{u"A/a*"_s, u"A/B"_s}
        << QStringList{QString(), u"a*/"_s, u"a*/Clips-here/"_s, u"B/Clips-here/D/"_s} << u"A/a*/Clips-here/"_s;
    QTest::newRow("a link too long three folders below it")
        << QStringList{u"A/B/M/N/Clips-here/D"_s}
        << QStringList{u"A/a*"_s, u"A/B"_s, u"A/B/M/N/Clips-here/D/up"_s, u"A/B"_s}
        << QStringList{QString(), u"a*/"_s, u"a*/M/"_s, u"a*/M/N/"_s, u"a*/M/N/Clips-here/"_s, u"B/M/N/Clips-here/D/"_s}
        << u"A/a*/M/N/Clips-here/"_s;
    QTest::newRow("a short path met after the long one was cut")
        << QStringList{u"A/z/B/Clips-here/D"_s} << QStringList{u"A/a*"_s, u"A/z/B"_s}
        << QStringList{QString(), u"a*/"_s, u"z/"_s, u"a*/Clips-here/"_s, u"z/B/Clips-here/D/"_s}
        << u"A/a*/Clips-here/"_s;
    QTest::newRow("only paths too long lead below C")
        << QStringList{u"A/a*/C/D"_s, u"A/b*"_s} << QStringList{u"A/b*/C"_s, u"A/a*/C"_s}
        << QStringList{QString(), u"a*/"_s, u"b*/"_s, u"a*/C/"_s} << u"A/a*/C/"_s;
    QTest::newRow("a folder cut short, then two short paths to it")
        << QStringList{u"A/a*/Clips-here/D"_s, u"A/m"_s}
        << QStringList{u"A/m/x1"_s, u"A/a*/Clips-here"_s, u"A/m/x2"_s, u"A/a*/Clips-here"_s}
        << QStringList{QString(), u"a*/"_s, u"m/"_s, u"a*/Clips-here/"_s, u"m/x1/D/"_s} << u"A/a*/Clips-here/"_s;
    // Followed every time, the links would give 2^25 paths.
    QStringList folders{u"A"_s};
    QStringList links;
    QStringList listed{QString()};
    for (int level = 1; level <= 25; ++level) {
        const QString from = folders.last();
        const QString next = u"F%1"_s.arg(level);
        folders << next;
        links << from + u"/a"_s << next << from + u"/b"_s << next;
        listed << listed.last() + u"a/"_s;
    }
    QTest::newRow("25 folders, each with two links to the next") << folders << links << listed << QString();
}

void TestFolderScan::aFolderIsListedOnce()
{
    QFETCH(QStringList, folders);
    QFETCH(QStringList, links);
    QFETCH(QStringList, listed);
    QFETCH(QString, stretched);
    if (!stretched.isEmpty()) {
        const qsizetype fill = 261 - (m_root + u'/' + stretched).size() + 1;
        if (fill < 1)
            QSKIP("the temporary folder's path is too long for this tree");
        const QString filler(fill, u'a');
        for (QStringList *texts : {&folders, &links, &listed})
            texts->replaceInStrings(u"*"_s, filler);
        QCOMPARE((m_root + u'/' + stretched.replace(u'*', filler)).size(), 261);
    }
    makeFolders(m_root, folders);
    for (qsizetype i = 0; i + 1 < links.size(); i += 2)
        QVERIFY(QFile::link(m_root + u'/' + links[i + 1], m_root + u'/' + links[i]));
    const QString a = m_root + u"/A/"_s;
    QCOMPARE(relativeTo(a, scanned({a})), listed);
}

void TestFolderScan::unreadableFolderIsRemovedSilently()
{
    if (QProcess::execute(u"unshare"_s, {u"-U"_s, u"true"_s}) != 0)
        QSKIP("no user namespaces here: as root every folder can be read, so none can be made unreadable");
    makeFolders(m_root, {u"A/ok/below"_s, u"A/secret/inner"_s, u"locked/inner"_s});
    // The stranger needs to pass through the test's own folder.
    setMode(m_root, 0755);
    setMode(m_root + u"/A/secret"_s, 0);
    setMode(m_root + u"/locked"_s, 0);
    const QString a = m_root + u"/A/"_s;
    const QString locked = m_root + u"/locked/"_s;

    QProcess child;
    child.start(
        u"unshare"_s, {u"-U"_s, QCoreApplication::applicationFilePath(), u"--scan-as-stranger"_s, a, locked, a});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 0);
    const QStringList lines = QString::fromLocal8Bit(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    // The locked starting folder goes; so does the locked subfolder, with
    // nothing said and nothing below it.
    QCOMPARE(
        lines, QStringList({a, a, a + u"ok/"_s, a + u"ok/"_s, a + u"ok/below/"_s, a + u"ok/below/"_s, u"reports 0"_s}));
    setMode(m_root + u"/A/secret"_s, 0755);
    setMode(m_root + u"/locked"_s, 0755);
}

void TestFolderScan::listFilesInFolder_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("no match") << u"*.mkv"_s << QStringList();
    QTest::newRow("extension in any case")
        << u"*.avi"_s << QStringList({u".hidden.avi"_s, u"a.avi"_s, u"B.AVI"_s, u"link.avi"_s, u"ro.avi"_s});
    QTest::newRow("pattern in capitals") << u"*.AVI"_s
                                         << QStringList(
                                                {u".hidden.avi"_s, u"a.avi"_s, u"B.AVI"_s, u"link.avi"_s, u"ro.avi"_s});
    QTest::newRow("all, names without a dot too") << u"*.*"_s
                                                  << QStringList({u".hidden.avi"_s, u"[x].txt"_s, u"a.avi"_s,
                                                         u"B.AVI"_s, u"link.avi"_s, u"noext"_s, u"ro.avi"_s});
    QTest::newRow("bracket in a name") << u"[x].*"_s << QStringList({u"[x].txt"_s});
    QTest::newRow("bracket is no set") << u"[abc].*"_s << QStringList();
}

void TestFolderScan::listFilesInFolder()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, names);
    makeFolders(m_root, {u"F/sub.avi"_s});
    makeFiles(m_root,
        {u"F/a.avi"_s, u"F/B.AVI"_s, u"F/.hidden.avi"_s, u"F/ro.avi"_s, u"F/noext"_s, u"F/[x].txt"_s,
            u"F/sub.avi/inner.avi"_s});
    setMode(m_root + u"/F/ro.avi"_s, 0444);
    QVERIFY(QFile::link(m_root + u"/F/a.avi"_s, m_root + u"/F/link.avi"_s));
    QVERIFY(QFile::link(m_root + u"/F/gone.avi"_s, m_root + u"/F/broken.avi"_s));
    QVERIFY(QFile::link(m_root + u"/F/sub.avi"_s, m_root + u"/F/folderlink.avi"_s));
    QCOMPARE(ListFilesInFolder(m_root + u"/F"_s, pattern), names);
    QCOMPARE(ListFilesInFolder(m_root + u"/F/"_s, pattern), names);
    QCOMPARE(ListFilesInFolder(m_root + u"/missing/"_s, pattern), QStringList());
}

void TestFolderScan::listFilesKeepsEveryOneOf150Matches()
{
    QStringList expected;
    for (int i = 0; i < 150; ++i) {
        const QString name = u"clip%1.avi"_s.arg(i, 3, 10, QChar(u'0'));
        makeFiles(m_root, {name, u"other%1.txt"_s.arg(i)});
        expected << name;
    }
    QCOMPARE(ListFilesInFolder(m_root, u"*.avi"_s), expected);
}

void TestFolderScan::listFilesPassesOverSpecialFilesWithoutBlocking()
{
    QVERIFY(makeFifo(m_root + u"/pipe.avi"_s));
    QVERIFY(makeSocket(m_root + u"/sock.avi"_s));
    QVERIFY(QFile::link(u"/dev/null"_s, m_root + u"/null.avi"_s));
    makeFiles(m_root, {u"clip.avi"_s});
    // Its text holds '?' where the name's bytes are not UTF-8, so it would
    // never open by that text.
    const QByteArray notUtf8 = QFile::encodeName(m_root) + "/caf\xe9.avi";
    const int fd = ::open(notUtf8.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
    QCOMPARE(ListFilesInFolder(m_root, u"*.avi"_s), QStringList({u"clip.avi"_s}));
    // The temporary folder's clean-up goes by text and cannot name it.
    ::unlink(notUtf8.constData());
}

// A folder that lets its names be read but not looked up: none of its files
// can be opened, so none is listed.
void TestFolderScan::listFilesPassesOverFilesOfAFolderThatCannotBeSearched()
{
    if (QProcess::execute(u"unshare"_s, {u"-U"_s, u"true"_s}) != 0)
        QSKIP("no user namespaces here: as root every folder can be searched");
    makeFolders(m_root, {u"open"_s, u"shut"_s});
    makeFiles(m_root, {u"open/a.avi"_s, u"shut/b.avi"_s});
    setMode(m_root, 0755);
    setMode(m_root + u"/shut"_s, 0444);
    QProcess child;
    child.start(u"unshare"_s,
        {u"-U"_s, QCoreApplication::applicationFilePath(), u"--list-as-stranger"_s, m_root + u"/open"_s,
            m_root + u"/shut"_s});
    QVERIFY(child.waitForFinished(60000));
    setMode(m_root + u"/shut"_s, 0755);
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(QString::fromLocal8Bit(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
        QStringList({m_root + u"/open: a.avi"_s, m_root + u"/shut: "_s}));
}

int main(int argc, char **argv)
{
    if (argc >= 2 && qstrcmp(argv[1], "--scan-as-stranger") == 0)
        return scanAsStranger(argc, argv);
    if (argc >= 2 && qstrcmp(argv[1], "--list-as-stranger") == 0)
        return listAsStranger(argc, argv);
    QCoreApplication app(argc, argv);
    TestFolderScan test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_folder_scan.moc"
