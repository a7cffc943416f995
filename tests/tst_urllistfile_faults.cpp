// The list file under faults: a full disk, a read-only mount, a kill in the middle of a save,
// a read error partway through, special files, a missing /proc, symbolic links, write-protected
// lists, owners, groups and extended attributes. The old list is never lost or cut off.
#include "fakes/testfiles.h"
#include "fakes/tinymount.h"
#include "store/datafolderlock.h"
#include "store/listfileversion.h"
#include "store/urllistfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cerrno>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <memory>

namespace {

QStringList entriesIn(const QString &dir)
{
    QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

// An ext2 file system in an image of its own, with small inodes: its file times are whole seconds.
class SecondsMount
{
public:
    SecondsMount() = default;
    Q_DISABLE_COPY_MOVE(SecondsMount)
    ~SecondsMount()
    {
        if (m_mounted && !runProgram(QStringLiteral("umount"), {path()}))
            runProgram(QStringLiteral("umount"), {QStringLiteral("-l"), path()});
    }

    // Empty when mounted; otherwise why not.
    QString mount()
    {
        if (geteuid() != 0)
            return QStringLiteral("mounting an image needs root; CI runs this as root");
        const QString image = m_dir.filePath(QStringLiteral("seconds.img"));
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(8 << 20))
            return QStringLiteral("no room for the image");
        file.close();
        QString output;
        if (!runProgram(QStringLiteral("mkfs.ext2"), {QStringLiteral("-q"), QStringLiteral("-F"), QStringLiteral("-I"), QStringLiteral("128"), image},
                 &output))
            return QStringLiteral("mkfs.ext2 failed (e2fsprogs missing?): ") + output;
        QDir().mkpath(path());
        if (!runProgram(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop"), image, path()}, &output))
            return QStringLiteral("mounting a loop image refused (no loop devices here?): ") + output;
        m_mounted = true;
        return {};
    }
    QString path() const { return m_dir.filePath(QStringLiteral("mounted")); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

// Rewrites @p path in place, as another program may: the same file, the same length, new bytes.
bool rewriteInPlace(const QString &path, const QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = ::pwrite(fd, bytes.constData(), size_t(bytes.size()), 0) == ssize_t(bytes.size());
    return ::close(fd) == 0 && written;
}

// The two lists the helper saves alternately (keep in step with tests/helpers/listsaver.cpp).
QStringList savedList(int which)
{
    QStringList entries;
    const int count = which == 0 ? 20000 : 7000;
    for (int i = 0; i < count; ++i) {
        entries.append(which == 0 ? QStringLiteral("https://example.org/first/%1").arg(i)
                                  : QStringLiteral("http://b\u00e4r.example/zweite/Liste/%1?x=\u20ac").arg(i));
    }
    return entries;
}

// Whether the file system at @p dir makes unnamed temporary files, so that a killed save can
// leave nothing behind.
bool supportsUnnamedTemporaries(const QString &dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_TMPFILE | O_WRONLY, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

enum class Writer { saveEditText, writeBack, copyFullList };

// The new contents: big enough that they cannot fit where the old list still can.
QByteArray bigNewList()
{
    QByteArray bytes;
    for (int i = 0; bytes.size() < 40 * 1024; ++i)
        bytes += "https://example.org/a/rather/long/address/number/" + QByteArray::number(i) + "\r\n";
    return bytes;
}

SaveResult save(Writer writer, const QString &path, const QByteArray &newList, const QString &sourceFolder)
{
    switch (writer) {
    case Writer::saveEditText: {
        QByteArray text = newList;
        text.chop(2); // saveEditText adds the last line end
        return UrlListFile::saveEditText(path, QString::fromUtf8(text));
    }
    case Writer::writeBack:
        return UrlListFile::writeBack(path, UrlListFile::parseEntries(newList));
    case Writer::copyFullList: {
        const QString source = sourceFolder + QStringLiteral("/ch.dat");
        if (!TestFiles::write(source, newList))
            return SaveResult::failure(QStringLiteral("test could not write its source"));
        return UrlListFile::copyFullList(source, path);
    }
    }
    return SaveResult::failure(QStringLiteral("unknown writer"));
}

void addWriterRows(const char *suffix = nullptr)
{
    const QString s = suffix ? QStringLiteral(" ") + QLatin1String(suffix) : QString();
    QTest::newRow(qPrintable(QStringLiteral("saveEditText") + s)) << int(Writer::saveEditText);
    QTest::newRow(qPrintable(QStringLiteral("writeBack") + s)) << int(Writer::writeBack);
    QTest::newRow(qPrintable(QStringLiteral("copyFullList") + s)) << int(Writer::copyFullList);
}

const QByteArray oldList("http://old.example/one\r\nhttp://old.example/two\r\n");

// Root ignores file permissions, and CI runs as root: there the save runs in a child process that has
// given root up for the user nobody, for whom a folder's permissions hold. Sets @p cannotRun to why
// the child could not do the save.
SaveResult saveAsOrdinaryUser(Writer writer, const QString &path, const QByteArray &newList,
                              const QString &sourceFolder, QString *cannotRun)
{
    if (geteuid() != 0)
        return save(writer, path, newList, sourceFolder);
    const passwd *nobody = getpwnam("nobody");
    if (!nobody) {
        *cannotRun = QStringLiteral("no user nobody to run the save as");
        return SaveResult::failure(QString());
    }
    int fds[2];
    if (pipe(fds) != 0) {
        *cannotRun = QStringLiteral("no pipe");
        return SaveResult::failure(QString());
    }
    const pid_t child = fork();
    if (child == 0) {
        ::close(fds[0]);
        // Groups first: once the user is nobody, nothing may be changed any more.
        if (setgroups(0, nullptr) != 0 || setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid) != 0
            || setresuid(nobody->pw_uid, nobody->pw_uid, nobody->pw_uid) != 0 || geteuid() == 0)
            _exit(3);
        const SaveResult result = save(writer, path, newList, sourceFolder);
        const QByteArray answer = (result.ok ? "1" : "0") + result.reason.toUtf8();
        const bool written = ::write(fds[1], answer.constData(), size_t(answer.size())) == answer.size();
        _exit(written ? 0 : 4);
    }
    ::close(fds[1]);
    QByteArray answer;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        answer.append(buffer, n);
    }
    ::close(fds[0]);
    int status = 0;
    while (child > 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || answer.isEmpty()) {
        *cannotRun = QStringLiteral("the save as nobody did not run (exit status %1)").arg(WEXITSTATUS(status));
        return SaveResult::failure(QString());
    }
    return {answer.startsWith('1'), QString::fromUtf8(answer.mid(1))};
}

// Hands @p path to the user nobody (as root; otherwise it is the user's own already).
bool giveToOrdinaryUser(const QString &path)
{
    if (geteuid() != 0)
        return true;
    const passwd *nobody = getpwnam("nobody");
    return nobody && ::chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid) == 0;
}

// What one store operation run in a process of its own (tests/helpers/storeop.cpp) answered.
struct StoreRun {
    bool finished = false; // false: it still ran when the guard ran out (it hung) or did not start
    QStringList lines;
    QString error;
    bool ok() const { return finished && !lines.isEmpty() && lines.first() == QLatin1String("ok"); }
    bool failed() const { return finished && !lines.isEmpty() && lines.first().startsWith(QLatin1String("failed: ")); }
    QString value(const QString &key) const
    {
        for (const QString &line : lines) {
            if (line.startsWith(key + QLatin1Char(' ')))
                return line.mid(key.size() + 1);
        }
        return {};
    }
};

// A guard against a hang, far above the few milliseconds an operation takes.
constexpr int storeRunGuardMs = 30000;

StoreRun runStore(const QStringList &args, const QStringList &environment = {})
{
    StoreRun run;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &pair : environment)
        env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUOKKA_HELPER_DIR "/storeop"), args);
    if (!p.waitForStarted(10000)) {
        run.error = QStringLiteral("storeop did not start: ") + p.errorString();
        return run;
    }
    if (!p.waitForFinished(storeRunGuardMs)) {
        p.kill();
        p.waitForFinished();
        run.error = QStringLiteral("storeop %1 still ran after %2 s").arg(args.join(u' ')).arg(storeRunGuardMs / 1000);
        return run;
    }
    run.finished = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    run.lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    run.error = QString::fromLocal8Bit(p.readAllStandardError());
    if (!run.finished)
        run.error += QStringLiteral(" (exit %1)").arg(p.exitCode());
    return run;
}

QString describe(const StoreRun &run)
{
    return run.lines.join(QStringLiteral(" | ")) + QStringLiteral(" / ") + run.error;
}

QString faultShim()
{
    return QStringLiteral(QUOKKA_FAULTSHIM);
}

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// A list of 5000 entries, about 147 kB: bigger than the point where the read fails.
QByteArray fiveThousandEntries()
{
    QStringList entries;
    for (int i = 0; i < 5000; ++i)
        entries.append(QStringLiteral("https://example.org/a/list/entry/%1").arg(i, 5, 10, QLatin1Char('0')));
    return UrlListFile::serializeEntries(entries);
}

// One xattr of @p path, or "<none>".
QByteArray xattrOf(const QString &path, const char *name)
{
    char value[4096];
    const ssize_t n = ::getxattr(encoded(path).constData(), name, value, sizeof value);
    return n < 0 ? QByteArrayLiteral("<none>") : QByteArray(value, n);
}

// An access ACL as the kernel stores it (system.posix_acl_access): the owner rw, user 4321 rw,
// the group r, the mask rw, others nothing.
QByteArray sampleAcl()
{
    struct Entry {
        quint16 tag, perm;
        quint32 id;
    };
    const Entry entries[] = {{0x01, 6, 0xffffffffu}, {0x02, 6, 4321}, {0x04, 4, 0xffffffffu}, {0x10, 6, 0xffffffffu},
                             {0x20, 0, 0xffffffffu}};
    QByteArray acl;
    const quint32 version = 2;
    acl.append(reinterpret_cast<const char *>(&version), 4);
    for (const Entry &e : entries) {
        acl.append(reinterpret_cast<const char *>(&e.tag), 2);
        acl.append(reinterpret_cast<const char *>(&e.perm), 2);
        acl.append(reinterpret_cast<const char *>(&e.id), 4);
    }
    return acl;
}

} // namespace

class tst_UrlListFileFaults final : public QObject
{
    Q_OBJECT

private slots:
    void fullDiskKeepsOldFile_data();
    void fullDiskKeepsOldFile();
    void readOnlyMountKeepsOldFile_data();
    void readOnlyMountKeepsOldFile();
    void readOnlyFolderKeepsOldFile_data();
    void readOnlyFolderKeepsOldFile();
    void saveReplacesRatherThanOverwrites_data();
    void saveReplacesRatherThanOverwrites();
    void symlinkStaysLinkToUpdatedTarget_data();
    void symlinkStaysLinkToUpdatedTarget();
    void permissionsAreKept_data();
    void permissionsAreKept();
    void killedSaveLeavesOldOrNewList();
    void readErrorPartwayIsAFailure_data();
    void readErrorPartwayIsAFailure();
    void specialFilesAreUnreadable_data();
    void specialFilesAreUnreadable();
    void specialFileIsNotReplaced();
    void writeProtectedListIsKept_data();
    void writeProtectedListIsKept();
    void emptyingFollowsChainsOfLinks_data();
    void emptyingFollowsChainsOfLinks();
    void ownerGroupAndAttributesAreKept_data();
    void ownerGroupAndAttributesAreKept();
    void folderIsSyncedAfterTheRename_data();
    void folderIsSyncedAfterTheRename();
    void savesWorkWithoutProc_data();
    void savesWorkWithoutProc();
    void copyBeforeFullListNeverOverwritesAnEarlierOne();
    void sameLengthRewriteWithinATimeStepIsNoticed_data();
    void sameLengthRewriteWithinATimeStepIsNoticed();
    void lockOnAReadOnlyMount_data();
    void lockOnAReadOnlyMount();
    void copyBeforeFullListFailureIsReported();
};

void tst_UrlListFileFaults::fullDiskKeepsOldFile_data()
{
    QTest::addColumn<int>("writer");
    QTest::addColumn<bool>("completelyFull");
    for (bool full : {true, false}) {
        const char *suffix = full ? "full disk" : "nearly full disk";
        QTest::newRow(qPrintable(QStringLiteral("saveEditText ") + QLatin1String(suffix))) << int(Writer::saveEditText) << full;
        QTest::newRow(qPrintable(QStringLiteral("writeBack ") + QLatin1String(suffix))) << int(Writer::writeBack) << full;
        QTest::newRow(qPrintable(QStringLiteral("copyFullList ") + QLatin1String(suffix))) << int(Writer::copyFullList) << full;
    }
}

void tst_UrlListFileFaults::fullDiskKeepsOldFile()
{
    QFETCH(int, writer);
    QFETCH(bool, completelyFull);
    TinyMount mount;
    const QString why = mount.mount(QStringLiteral("16k"));
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    QTemporaryDir outside; // the full list's source lives on a disk with room
    QVERIFY(outside.isValid());

    const QString path = mount.path() + QStringLiteral("/url.dat");
    QVERIFY(TestFiles::write(path, oldList));
    // Fill the disk: completely, or leaving one page free that the new list does not fit into.
    const QString filler = mount.path() + QStringLiteral("/filler");
    {
        QFile f(filler);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray page(4096, 'x');
        const int pages = completelyFull ? 1000 : 2;
        for (int i = 0; i < pages; ++i) {
            if (f.write(page) != page.size() || !f.flush())
                break;
        }
    }
    const QStringList before = entriesIn(mount.path());

    const QByteArray newList = bigNewList();
    const SaveResult result = save(Writer(writer), path, newList, outside.path());
    QVERIFY2(!result.ok, "a save that cannot fit must fail");
    QVERIFY2(!result.reason.isEmpty(), "a failure must say why");
    QCOMPARE(TestFiles::read(path), oldList);
    QCOMPARE(entriesIn(mount.path()), before);
}

void tst_UrlListFileFaults::readOnlyMountKeepsOldFile_data()
{
    QTest::addColumn<int>("writer");
    addWriterRows();
}

void tst_UrlListFileFaults::readOnlyMountKeepsOldFile()
{
    QFETCH(int, writer);
    TinyMount mount;
    const QString why = mount.mount(QStringLiteral("64k"));
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    QTemporaryDir outside;
    QVERIFY(outside.isValid());
    const QString path = mount.path() + QStringLiteral("/url.dat");
    QVERIFY(TestFiles::write(path, oldList));
    QVERIFY2(mount.remountReadOnly(), "remounting read-only failed");

    const SaveResult result = save(Writer(writer), path, QByteArray("http://new.example/\r\n"), outside.path());
    QVERIFY(!result.ok);
    QVERIFY(!result.reason.isEmpty());
    QCOMPARE(TestFiles::read(path), oldList);
    QCOMPARE(entriesIn(mount.path()), QStringList{QStringLiteral("url.dat")});
    // Emptying it is refused too, and says so.
    const SaveResult removed = UrlListFile::empty(path);
    QVERIFY(!removed.ok);
    QVERIFY(!removed.reason.isEmpty());
    QCOMPARE(TestFiles::read(path), oldList);
}

void tst_UrlListFileFaults::readOnlyFolderKeepsOldFile_data()
{
    QTest::addColumn<int>("writer");
    addWriterRows();
}

void tst_UrlListFileFaults::readOnlyFolderKeepsOldFile()
{
    QFETCH(int, writer);
    QTemporaryDir dir;
    QTemporaryDir outside;
    QVERIFY(dir.isValid() && outside.isValid());
    const QString path = dir.filePath(QStringLiteral("url.dat"));
    QVERIFY(TestFiles::write(path, oldList));
    // As root the save runs as nobody: the folders become nobody's, and the full list's source readable.
    QVERIFY(giveToOrdinaryUser(dir.path()) && giveToOrdinaryUser(path));
    QVERIFY(giveToOrdinaryUser(outside.path()));
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    QString cannotRun;
    const SaveResult result = saveAsOrdinaryUser(Writer(writer), path, QByteArray("http://new.example/\r\n"),
                                                 outside.path(), &cannotRun);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY2(cannotRun.isEmpty(), qPrintable(cannotRun));
    QVERIFY(!result.ok);
    QVERIFY(!result.reason.isEmpty());
    QCOMPARE(TestFiles::read(path), oldList);
    QCOMPARE(entriesIn(dir.path()), QStringList{QStringLiteral("url.dat")});
}

void tst_UrlListFileFaults::saveReplacesRatherThanOverwrites_data()
{
    QTest::addColumn<int>("writer");
    addWriterRows();
}

void tst_UrlListFileFaults::saveReplacesRatherThanOverwrites()
{
    // A second name for the old file keeps seeing the old bytes: the new list went into a new file
    // that was renamed over the old one, which was never truncated or written in place.
    QFETCH(int, writer);
    QTemporaryDir dir;
    QTemporaryDir outside;
    QVERIFY(dir.isValid() && outside.isValid());
    const QString path = dir.filePath(QStringLiteral("url.dat"));
    const QString secondName = dir.filePath(QStringLiteral("old-name"));
    QVERIFY(TestFiles::write(path, oldList));
    QVERIFY(::link(QFile::encodeName(path).constData(), QFile::encodeName(secondName).constData()) == 0);
    const QByteArray newList("http://new.example/\r\n");
    const SaveResult result = save(Writer(writer), path, newList, outside.path());
    QVERIFY2(result.ok, qPrintable(result.reason));
    QCOMPARE(TestFiles::read(path), newList);
    QCOMPARE(TestFiles::read(secondName), oldList);
}

void tst_UrlListFileFaults::symlinkStaysLinkToUpdatedTarget_data()
{
    QTest::addColumn<int>("writer");
    addWriterRows();
}

void tst_UrlListFileFaults::symlinkStaysLinkToUpdatedTarget()
{
    QFETCH(int, writer);
    QTemporaryDir dir;
    QTemporaryDir outside;
    QVERIFY(dir.isValid() && outside.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("real")));
    const QString target = dir.filePath(QStringLiteral("real/url.dat"));
    const QString link = dir.filePath(QStringLiteral("url.dat"));
    QVERIFY(TestFiles::write(target, oldList));
    QVERIFY(::symlink("real/url.dat", QFile::encodeName(link).constData()) == 0);

    const QByteArray newList("http://new.example/1\r\nhttp://new.example/2\r\n");
    const SaveResult result = save(Writer(writer), link, newList, outside.path());
    QVERIFY2(result.ok, qPrintable(result.reason));
    const QFileInfo info(link);
    QVERIFY2(info.isSymLink(), "the list file is no longer a link");
    QCOMPARE(QFile::symLinkTarget(link), QFileInfo(target).absoluteFilePath());
    QCOMPARE(TestFiles::read(target), newList);
    QCOMPARE(entriesIn(dir.path()), (QStringList{QStringLiteral("real"), QStringLiteral("url.dat")}));
    QCOMPARE(entriesIn(dir.filePath(QStringLiteral("real"))), QStringList{QStringLiteral("url.dat")});
}

void tst_UrlListFileFaults::permissionsAreKept_data()
{
    QTest::addColumn<int>("writer");
    QTest::addColumn<int>("mode");
    for (int mode : {0600, 0640, 0604}) {
        const QString m = QStringLiteral(" 0%1").arg(mode, 0, 8);
        QTest::newRow(qPrintable(QStringLiteral("saveEditText") + m)) << int(Writer::saveEditText) << mode;
        QTest::newRow(qPrintable(QStringLiteral("writeBack") + m)) << int(Writer::writeBack) << mode;
        QTest::newRow(qPrintable(QStringLiteral("copyFullList") + m)) << int(Writer::copyFullList) << mode;
    }
}

void tst_UrlListFileFaults::permissionsAreKept()
{
    QFETCH(int, writer);
    QFETCH(int, mode);
    QTemporaryDir dir;
    QTemporaryDir outside;
    QVERIFY(dir.isValid() && outside.isValid());
    const QString path = dir.filePath(QStringLiteral("url.dat"));
    QVERIFY(TestFiles::write(path, oldList));
    QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0);
    // The source of the full list has other permissions: a copy must not take them over.
    const SaveResult result = save(Writer(writer), path, QByteArray("http://new.example/\r\n"), outside.path());
    QVERIFY2(result.ok, qPrintable(result.reason));
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
    QCOMPARE(int(st.st_mode & 07777), mode);
}

void tst_UrlListFileFaults::killedSaveLeavesOldOrNewList()
{
    const QString helper = QStringLiteral(QUOKKA_HELPER_DIR "/listsaver");
    QVERIFY2(QFileInfo(helper).isExecutable(), qPrintable(helper + QStringLiteral(" is not built")));

    // A tmpfs of our own where we may mount one (it makes unnamed temporary files); else a folder.
    TinyMount mount;
    std::unique_ptr<QTemporaryDir> plain;
    QString folder;
    if (mount.mount(QStringLiteral("16m")).isEmpty()) {
        folder = mount.path();
    } else {
        plain = std::make_unique<QTemporaryDir>();
        QVERIFY(plain->isValid());
        folder = plain->path();
    }
    const bool nothingMayBeLeft = supportsUnnamedTemporaries(folder);
    const QString path = folder + QStringLiteral("/url.dat");
    const QByteArray lists[2] = {UrlListFile::serializeEntries(savedList(0)),
                                 UrlListFile::serializeEntries(savedList(1))};
    QVERIFY(TestFiles::write(path, lists[1]));

    auto *rng = QRandomGenerator::global();
    int seen[2] = {0, 0};
    int leftovers = 0;
    for (int round = 0; round < 200; ++round) {
        QProcess saver;
        saver.start(helper, {path});
        QVERIFY2(saver.waitForStarted(5000), "the saver did not start");
        // Half of the kills come before the first save is done, half while it saves on and on.
        if (round % 2 == 0) {
            QVERIFY2(saver.waitForReadyRead(5000), qPrintable(QString::fromLocal8Bit(saver.readAllStandardError())));
            QCOMPARE(saver.readAllStandardOutput().trimmed(), QByteArray("ready"));
        }
        QThread::usleep(rng->bounded(20000));
        saver.kill(); // SIGKILL
        QVERIFY(saver.waitForFinished(5000));
        QCOMPARE(saver.exitStatus(), QProcess::CrashExit);

        const QByteArray now = TestFiles::read(path);
        if (now == lists[0]) {
            ++seen[0];
        } else if (now == lists[1]) {
            ++seen[1];
        } else {
            QFAIL(qPrintable(QStringLiteral("after kill %1 the file holds %2 bytes, neither list whole")
                                 .arg(round)
                                 .arg(now.size())));
        }
        const QStringList names = entriesIn(folder);
        if (names != QStringList{QStringLiteral("url.dat")}) {
            ++leftovers;
            for (const QString &name : names) {
                if (name == QLatin1String("url.dat"))
                    continue;
                // Whatever a killed save leaves has a name that only the program makes.
                QVERIFY2(name.startsWith(QLatin1String(".quokka-save.url.dat.")), qPrintable(name));
                QFile::remove(folder + u'/' + name);
            }
        }
    }
    qInfo("file held the first list %d times and the second %d times; %d kills left a temporary file%s", seen[0],
          seen[1], leftovers, nothingMayBeLeft ? "" : " (this file system makes no unnamed temporary files)");
    // With unnamed temporaries a name exists only between linking the finished file into the folder
    // and renaming it over the list, a few microseconds: a kill may hit that rarely, never often.
    if (nothingMayBeLeft)
        QVERIFY2(leftovers <= 10, qPrintable(QStringLiteral("%1 of 200 kills left a temporary file").arg(leftovers)));
    // Both lists turned up, so the kills did fall between saves of both kinds.
    QVERIFY(seen[0] > 0);
    QVERIFY(seen[1] > 0);
}

void tst_UrlListFileFaults::readErrorPartwayIsAFailure_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<qint64>("failAfter");
    QTest::addColumn<bool>("expectOk");
    for (const char *op : {"load", "edittext", "readbytes", "copy"}) {
        // Once the shim lets every byte through, the same run reads the whole list: the shim alone breaks nothing.
        QTest::newRow(qPrintable(QStringLiteral("%1, no fault").arg(QLatin1String(op)))) << QString::fromLatin1(op) << qint64(1 << 30) << true;
        QTest::newRow(qPrintable(QStringLiteral("%1, error after 100010 bytes").arg(QLatin1String(op))))
            << QString::fromLatin1(op) << qint64(100010) << false;
        QTest::newRow(qPrintable(QStringLiteral("%1, error at once").arg(QLatin1String(op)))) << QString::fromLatin1(op) << qint64(0) << false;
    }
}

void tst_UrlListFileFaults::readErrorPartwayIsAFailure()
{
    QFETCH(QString, operation);
    QFETCH(qint64, failAfter);
    QFETCH(bool, expectOk);
    QVERIFY2(QFileInfo::exists(faultShim()), qPrintable(faultShim() + QStringLiteral(" is not built")));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("url.dat"));
    const QString copy = dir.filePath(QStringLiteral("ch.dat"));
    const QByteArray list = fiveThousandEntries();
    QVERIFY(TestFiles::write(path, list));
    QVERIFY(TestFiles::write(copy, oldList));

    QStringList args{operation, path};
    if (operation == QLatin1String("copy"))
        args << copy;
    const StoreRun run = runStore(args, {QStringLiteral("LD_PRELOAD=") + faultShim(), QStringLiteral("QUOKKA_FAULT_READ_PATH=") + path,
                                         QStringLiteral("QUOKKA_FAULT_READ_AFTER=%1").arg(failAfter)});
    QVERIFY2(run.finished, qPrintable(describe(run)));
    if (expectOk) {
        QVERIFY2(run.ok(), qPrintable(describe(run)));
        if (operation == QLatin1String("load"))
            QCOMPARE(run.value(QStringLiteral("entries")), QStringLiteral("5000"));
        if (operation == QLatin1String("readbytes"))
            QCOMPARE(run.value(QStringLiteral("bytes")).toLongLong(), list.size());
        if (operation == QLatin1String("copy"))
            QCOMPARE(TestFiles::read(copy), list);
        return;
    }
    // A cut list is no list: it is reported as unreadable, with the reason, and nothing is written.
    QVERIFY2(run.failed(), qPrintable(describe(run)));
    QVERIFY2(run.lines.first().size() > int(qstrlen("failed: ")), qPrintable(describe(run)));
    if (operation == QLatin1String("load"))
        QCOMPARE(run.value(QStringLiteral("entries")), QStringLiteral("1"));
    QCOMPARE(TestFiles::read(path), list);
    QCOMPARE(TestFiles::read(copy), oldList);
}

void tst_UrlListFileFaults::specialFilesAreUnreadable_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("operation");
    for (const char *kind : {"fifo", "link to a fifo", "link to /dev/zero", "link to /dev/null", "folder"}) {
        for (const char *op : {"load", "edittext", "readbytes", "copy"})
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(QLatin1String(kind), QLatin1String(op))))
                << QString::fromLatin1(kind) << QString::fromLatin1(op);
    }
}

void tst_UrlListFileFaults::specialFilesAreUnreadable()
{
    // A FIFO blocks an open for reading until a writer comes, /dev/zero never ends: each must be a
    // failure reported at once, never a hang (the helper runs under a guard) or an empty list.
    QFETCH(QString, kind);
    QFETCH(QString, operation);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("url.dat"));
    const QString copy = dir.filePath(QStringLiteral("ch.dat"));
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    QVERIFY(TestFiles::write(copy, oldList));
    if (kind.contains(QLatin1String("fifo")))
        QVERIFY(::mkfifo(encoded(fifo).constData(), 0644) == 0);
    if (kind == QLatin1String("fifo"))
        QVERIFY(::rename(encoded(fifo).constData(), encoded(path).constData()) == 0);
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(path));
    else
        QVERIFY(::symlink(kind == QLatin1String("link to a fifo") ? "pipe" : encoded(kind.mid(8)).constData(), encoded(path).constData()) == 0);

    QStringList args{operation, path};
    if (operation == QLatin1String("copy"))
        args << copy;
    const StoreRun run = runStore(args);
    QVERIFY2(run.finished, qPrintable(describe(run)));
    QVERIFY2(run.failed(), qPrintable(describe(run)));
    if (operation == QLatin1String("load"))
        QCOMPARE(run.value(QStringLiteral("entries")), QStringLiteral("1"));
    QCOMPARE(TestFiles::read(copy), oldList);
}

void tst_UrlListFileFaults::specialFileIsNotReplaced()
{
    // Saving over a FIFO or a device would put a plain file where something else was.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("url.dat"));
    QVERIFY(::mkfifo(encoded(path).constData(), 0644) == 0);
    const SaveResult result = UrlListFile::writeBack(path, {QStringLiteral("x")});
    QVERIFY(!result.ok);
    QVERIFY2(!result.reason.isEmpty(), "a failure must say why");
    struct stat st {};
    QVERIFY(::lstat(encoded(path).constData(), &st) == 0);
    QVERIFY(S_ISFIFO(st.st_mode));
    QCOMPARE(entriesIn(dir.path()), QStringList{QStringLiteral("url.dat")});
}

void tst_UrlListFileFaults::writeProtectedListIsKept_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("throughLink");
    for (const char *op : {"saveEditText", "writeBack", "empty"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1 0444").arg(QLatin1String(op)))) << QString::fromLatin1(op) << 0444 << false;
        QTest::newRow(qPrintable(QStringLiteral("%1 0400").arg(QLatin1String(op)))) << QString::fromLatin1(op) << 0400 << false;
        // Others may write, the owner may not: the owner's bits decide, whoever runs the program.
        QTest::newRow(qPrintable(QStringLiteral("%1 0466").arg(QLatin1String(op)))) << QString::fromLatin1(op) << 0466 << false;
        QTest::newRow(qPrintable(QStringLiteral("%1 0444 through a link").arg(QLatin1String(op))))
            << QString::fromLatin1(op) << 0444 << true;
    }
}

void tst_UrlListFileFaults::writeProtectedListIsKept()
{
    QFETCH(QString, operation);
    QFETCH(int, mode);
    QFETCH(bool, throughLink);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString real = dir.filePath(QStringLiteral("real.dat"));
    const QString path = dir.filePath(QStringLiteral("url.dat"));
    QVERIFY(TestFiles::write(throughLink ? real : path, oldList));
    if (throughLink)
        QVERIFY(::symlink("real.dat", encoded(path).constData()) == 0);
    QVERIFY(::chmod(encoded(path).constData(), mode_t(mode)) == 0);
    const QStringList before = entriesIn(dir.path());

    SaveResult result;
    if (operation == QLatin1String("saveEditText"))
        result = UrlListFile::saveEditText(path, QStringLiteral("http://new.example/"));
    else if (operation == QLatin1String("writeBack"))
        result = UrlListFile::writeBack(path, {QStringLiteral("http://new.example/")});
    else
        result = UrlListFile::empty(path);
    QVERIFY2(!result.ok, "a write-protected list was replaced");
    QVERIFY2(result.reason.contains(QLatin1String("read-only")), qPrintable(result.reason));
    QCOMPARE(TestFiles::read(path), oldList);
    QCOMPARE(entriesIn(dir.path()), before);
    struct stat st {};
    QVERIFY(::stat(encoded(path).constData(), &st) == 0);
    QCOMPARE(int(st.st_mode & 07777), mode);
}

void tst_UrlListFileFaults::emptyingFollowsChainsOfLinks_data()
{
    QTest::addColumn<bool>("endExists");
    QTest::newRow("chain of two links to a list") << true;
    QTest::newRow("chain of two links to a list not yet made") << false;
}

void tst_UrlListFileFaults::emptyingFollowsChainsOfLinks()
{
    // url.dat -> middle -> real/list.dat: emptying and saving reach the end of the chain and leave every link.
    QFETCH(bool, endExists);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("real")));
    const QString end = dir.filePath(QStringLiteral("real/list.dat"));
    const QString path = dir.filePath(QStringLiteral("url.dat"));
    if (endExists)
        QVERIFY(TestFiles::write(end, oldList));
    QVERIFY(::symlink("real/list.dat", encoded(dir.filePath(QStringLiteral("middle"))).constData()) == 0);
    QVERIFY(::symlink("middle", encoded(path).constData()) == 0);

    const SaveResult emptied = UrlListFile::empty(path);
    QVERIFY2(emptied.ok, qPrintable(emptied.reason));
    QVERIFY(QFileInfo(path).isSymLink());
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("middle"))).isSymLink());
    QCOMPARE(TestFiles::read(end), QByteArray());
    QCOMPARE(UrlListFile::load(path), QStringList{QString()});

    const SaveResult saved = UrlListFile::writeBack(path, {QStringLiteral("A")});
    QVERIFY2(saved.ok, qPrintable(saved.reason));
    QVERIFY(QFileInfo(path).isSymLink());
    QCOMPARE(TestFiles::read(end), QByteArray("A\r\n"));
    QCOMPARE(entriesIn(dir.path()), (QStringList{QStringLiteral("middle"), QStringLiteral("real"), QStringLiteral("url.dat")}));
}

void tst_UrlListFileFaults::ownerGroupAndAttributesAreKept_data()
{
    QTest::addColumn<int>("writer");
    addWriterRows();
}

void tst_UrlListFileFaults::ownerGroupAndAttributesAreKept()
{
    QFETCH(int, writer);
    QTemporaryDir dir;
    QTemporaryDir outside;
    QVERIFY(dir.isValid() && outside.isValid());
    const QString path = dir.filePath(QStringLiteral("url.dat"));
    QVERIFY(TestFiles::write(path, oldList));
    const QByteArray name = encoded(path);
    QVERIFY(::chmod(name.constData(), 0640) == 0);

    // Another owner and group need root; as anyone else the file keeps the user's own.
    const bool root = geteuid() == 0;
    if (root)
        QVERIFY(::chown(name.constData(), 4321, 8765) == 0);
    const QByteArray userValue("shared with the family");
    if (::setxattr(name.constData(), "user.quokka.test", userValue.constData(), size_t(userValue.size()), 0) != 0)
        QSKIP(qPrintable(QStringLiteral("this file system takes no user attributes: ") + QString::fromLocal8Bit(strerror(errno))));
    const QByteArray acl = sampleAcl();
    const bool aclSet = ::setxattr(name.constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0) == 0;
    if (!aclSet)
        qInfo("this file system takes no ACL (%s): only the user attribute is checked", strerror(errno));
    struct stat before {};
    QVERIFY(::stat(name.constData(), &before) == 0);
    const QByteArray aclBefore = xattrOf(path, "system.posix_acl_access");

    const SaveResult result = save(Writer(writer), path, QByteArray("http://new.example/\r\n"), outside.path());
    QVERIFY2(result.ok, qPrintable(result.reason));
    QCOMPARE(TestFiles::read(path), QByteArray("http://new.example/\r\n"));
    struct stat after {};
    QVERIFY(::stat(name.constData(), &after) == 0);
    QVERIFY(after.st_ino != before.st_ino); // replaced, not written in place
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    QCOMPARE(int(after.st_mode & 07777), int(before.st_mode & 07777));
    QCOMPARE(xattrOf(path, "user.quokka.test"), userValue);
    if (aclSet)
        QCOMPARE(xattrOf(path, "system.posix_acl_access"), aclBefore);
}

/// The three ways a save replaces the list: the list browser's write-back, the full list's copy and
/// Destroy List's emptying, each run in the store helper.
static void addSaveOperations()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("writeBack") << QStringLiteral("writeback");
    QTest::newRow("copyFullList") << QStringLiteral("copy");
    QTest::newRow("empty") << QStringLiteral("empty");
}

/// The store helper's arguments for @p operation on the list at @p path (@p source: the full list).
static QStringList saveOperationArguments(const QString &operation, const QString &source, const QString &path)
{
    QStringList args{operation};
    if (operation == QLatin1String("copy"))
        args << source;
    args << path;
    if (operation == QLatin1String("writeback"))
        args << QStringLiteral("http://new.example/");
    return args;
}

void tst_UrlListFileFaults::folderIsSyncedAfterTheRename_data()
{
    addSaveOperations();
}

void tst_UrlListFileFaults::folderIsSyncedAfterTheRename()
{
    // A rename is durable only once its folder is synced: the save syncs the new file, renames it
    // over the list, then syncs the list's folder before it reports success.
    QFETCH(QString, operation);
    QVERIFY2(QFileInfo::exists(faultShim()), qPrintable(faultShim() + QStringLiteral(" is not built")));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = QFileInfo(dir.path()).canonicalFilePath();
    const QString path = folder + QStringLiteral("/url.dat");
    const QString source = folder + QStringLiteral("/source.dat");
    const QString log = folder + QStringLiteral("/trace.log");
    QVERIFY(TestFiles::write(path, oldList));
    QVERIFY(TestFiles::write(source, "http://new.example/\r\n"));
    const StoreRun run = runStore(saveOperationArguments(operation, source, path),
                                  {QStringLiteral("LD_PRELOAD=") + faultShim(), QStringLiteral("QUOKKA_FAULT_TRACE=") + log});
    QVERIFY2(run.ok(), qPrintable(describe(run)));
    const QStringList calls = QString::fromLocal8Bit(TestFiles::read(log)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    qsizetype renamed = -1;
    for (qsizetype i = 0; i < calls.size(); ++i) {
        if (calls[i].startsWith(QLatin1String("rename ")) && calls[i].endsWith(QLatin1Char(' ') + path))
            renamed = i;
    }
    QVERIFY2(renamed >= 0, qPrintable(calls.join(QStringLiteral(" | "))));
    QVERIFY2(renamed > 0 && calls[renamed - 1].startsWith(QLatin1String("fsync-file ")), qPrintable(calls.join(QStringLiteral(" | "))));
    QVERIFY2(calls.mid(renamed + 1).contains(QStringLiteral("fsync-dir ") + folder), qPrintable(calls.join(QStringLiteral(" | "))));
}

void tst_UrlListFileFaults::savesWorkWithoutProc_data()
{
    addSaveOperations();
}

void tst_UrlListFileFaults::savesWorkWithoutProc()
{
    // In a chroot or a small container /proc may not be mounted: the save names its file another way.
    QFETCH(QString, operation);
    QVERIFY2(QFileInfo::exists(faultShim()), qPrintable(faultShim() + QStringLiteral(" is not built")));
    QTemporaryDir dir;
    QTemporaryDir outside;
    QVERIFY(dir.isValid() && outside.isValid());
    const QString path = dir.filePath(QStringLiteral("url.dat"));
    const QString source = outside.filePath(QStringLiteral("source.dat"));
    QVERIFY(TestFiles::write(path, oldList));
    QVERIFY(::chmod(encoded(path).constData(), 0604) == 0);
    const QByteArray newList("http://new.example/\r\n");
    QVERIFY(TestFiles::write(source, newList));
    const StoreRun run = runStore(saveOperationArguments(operation, source, path),
                                  {QStringLiteral("LD_PRELOAD=") + faultShim(), QStringLiteral("QUOKKA_FAULT_NO_PROC=1")});
    QVERIFY2(run.ok(), qPrintable(describe(run)));
    QCOMPARE(TestFiles::read(path), operation == QLatin1String("empty") ? QByteArray() : newList);
    QCOMPARE(entriesIn(dir.path()), QStringList{QStringLiteral("url.dat")});
    struct stat st {};
    QVERIFY(::stat(encoded(path).constData(), &st) == 0);
    QCOMPARE(int(st.st_mode & 07777), 0604);
}

void tst_UrlListFileFaults::copyBeforeFullListNeverOverwritesAnEarlierOne()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("url.dat"));
    const QString first = path + QStringLiteral(".before-full-list");
    QString keptAt;
    SaveResult kept = UrlListFile::keepCopy(path, "mine\r\n", &keptAt);
    QVERIFY2(kept.ok, qPrintable(kept.reason));
    QCOMPARE(keptAt, first);
    QCOMPARE(TestFiles::read(first), QByteArray("mine\r\n"));

    // The same list again needs no second copy; another one gets the next free number.
    kept = UrlListFile::keepCopy(path, "mine\r\n", &keptAt);
    QVERIFY2(kept.ok, qPrintable(kept.reason));
    QCOMPARE(keptAt, first);
    kept = UrlListFile::keepCopy(path, "changed\r\n", &keptAt);
    QVERIFY2(kept.ok, qPrintable(kept.reason));
    QCOMPARE(keptAt, first + QStringLiteral(".2"));
    QVERIFY(TestFiles::write(first + QStringLiteral(".3"), "someone else's file\r\n"));
    kept = UrlListFile::keepCopy(path, "third\r\n", &keptAt);
    QVERIFY2(kept.ok, qPrintable(kept.reason));
    QCOMPARE(keptAt, first + QStringLiteral(".4"));
    QCOMPARE(TestFiles::read(first), QByteArray("mine\r\n"));
    QCOMPARE(TestFiles::read(first + QStringLiteral(".2")), QByteArray("changed\r\n"));
    QCOMPARE(TestFiles::read(first + QStringLiteral(".3")), QByteArray("someone else's file\r\n"));
    QCOMPARE(TestFiles::read(first + QStringLiteral(".4")), QByteArray("third\r\n"));
    QCOMPARE(entriesIn(dir.path()).size(), 4); // no temporary file is left
}

void tst_UrlListFileFaults::copyBeforeFullListFailureIsReported()
{
    TinyMount mount;
    const QString why = mount.mount(QStringLiteral("64k"));
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    const QString path = mount.path() + QStringLiteral("/url.dat");
    QVERIFY(TestFiles::write(path, oldList));
    QVERIFY2(mount.remountReadOnly(), "remounting read-only failed");
    QString keptAt;
    const SaveResult kept = UrlListFile::keepCopy(path, oldList, &keptAt);
    QVERIFY(!kept.ok);
    QVERIFY(!kept.reason.isEmpty());
    QCOMPARE(entriesIn(mount.path()), QStringList{QStringLiteral("url.dat")});
}

void tst_UrlListFileFaults::sameLengthRewriteWithinATimeStepIsNoticed_data()
{
    QTest::addColumn<bool>("seconds");
    QTest::newRow("ext2, times in whole seconds") << true;
    QTest::newRow("the temporary folder") << false;
}

// Another program rewrites the list just after it was read, with as many bytes: its times may not
// move (the same second on ext2, the same clock tick elsewhere), and only the content tells.
void tst_UrlListFileFaults::sameLengthRewriteWithinATimeStepIsNoticed()
{
    QFETCH(bool, seconds);
    SecondsMount mount;
    QTemporaryDir temporary;
    if (seconds) {
        const QString why = mount.mount();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
    }
    const QString path = (seconds ? mount.path() : temporary.path()) + QStringLiteral("/url.dat");
    const QByteArray ours("http://a/\r\nhttp://b/\r\n");
    const QByteArray theirs("http://a/\r\nhttp://c/\r\n");
    for (int round = 0; round < 200; ++round) {
        QVERIFY(TestFiles::write(path, ours));
        const ListFileVersion::Read read = ListFileVersion::read(path);
        QCOMPARE(read.bytes.value_or(QByteArray()), ours);
        QCOMPARE(read.version.compareWith(path).state, ListFileVersion::Check::State::Same);
        QVERIFY(rewriteInPlace(path, theirs));
        const ListFileVersion::Check check = read.version.compareWith(path);
        QVERIFY2(check.state == ListFileVersion::Check::State::Changed, qPrintable(QStringLiteral("round %1").arg(round)));
        QCOMPARE(check.otherBytes, theirs);
        // Put back as it was read, it is the version read again.
        QVERIFY(rewriteInPlace(path, ours));
        QCOMPARE(read.version.compareWith(path).state, ListFileVersion::Check::State::Same);
    }
}

void tst_UrlListFileFaults::lockOnAReadOnlyMount_data()
{
    QTest::addColumn<bool>("lockFileThere");
    QTest::newRow("no lock file: none can be made") << false;
    QTest::newRow("a lock file from before: it is taken") << true;
}

// Where no lock can be made at all the program may start without one; a lock file that is there
// is still locked, through a descriptor opened for reading.
void tst_UrlListFileFaults::lockOnAReadOnlyMount()
{
    QFETCH(bool, lockFileThere);
    TinyMount mount;
    const QString why = mount.mount(QStringLiteral("64k"));
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    if (lockFileThere)
        QVERIFY(TestFiles::write(mount.path() + QStringLiteral("/quokka.lock"), QByteArray()));
    QVERIFY2(mount.remountReadOnly(), "remounting read-only failed");
    DataFolderLock first(mount.path());
    DataFolderLock second(mount.path());
    if (!lockFileThere) {
        QVERIFY(!first.tryLock());
        QCOMPARE(first.refusal(), DataFolderLock::Refusal::CannotBeMade);
        QVERIFY(!first.heldElsewhere());
        QVERIFY(!first.error().isEmpty());
        return;
    }
    QVERIFY2(first.tryLock(), qPrintable(first.error()));
    QVERIFY(!second.tryLock());
    QCOMPARE(second.refusal(), DataFolderLock::Refusal::HeldByProgram);
}

QTEST_GUILESS_MAIN(tst_UrlListFileFaults)
#include "tst_urllistfile_faults.moc"
