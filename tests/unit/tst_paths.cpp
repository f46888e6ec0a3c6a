// Where the program keeps its files: the user's data folder whatever the executable's
// folder allows, the shipped files' folders, and the private runtime folder that holds the
// instance lock and the wake-up sockets.

#include "testenv.h"

#include "platform/instance.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {


mode_t modeOf(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 0777;
}

}

class TestPaths : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dataFolderIsTheUsers();
    void shippedFilesBesideOrInShare();
    void runtimeFolderMadePrivate();
    void runtimeFolderRefused_data();
    void runtimeFolderRefused();
};

void TestPaths::dataFolderIsTheUsers()
{
    // The executable's folder (a build tree here) is writable, yet nothing goes there.
    QVERIFY(QFileInfo(TPaths::ProgramDir()).isWritable());
    QTemporaryDir home;
    TEnvOverride data("XDG_DATA_HOME", QFile::encodeName(home.path()));
    {
        TEnvOverride forced("TABVANE_DATA_DIR", QByteArray());
        QCOMPARE(TPaths::DataDir(), home.path() + QStringLiteral("/tabvane"));
        QVERIFY(QFileInfo(home.path() + QStringLiteral("/tabvane")).isDir());
    }
    const QString elsewhere = home.path() + QStringLiteral("/elsewhere");
    TEnvOverride forced("TABVANE_DATA_DIR", QFile::encodeName(elsewhere));
    QCOMPARE(TPaths::DataDir(), elsewhere);
}

void TestPaths::shippedFilesBesideOrInShare()
{
    const QString program = TPaths::ProgramDir();
    const QStringList dirs = TPaths::ShippedDirs();
    QCOMPARE(dirs.size(), 2);
    QCOMPARE(dirs.at(0), program);
    QCOMPARE(dirs.at(1), QDir::cleanPath(QFileInfo(program).absolutePath() + QStringLiteral("/share/tabvane")));
    QVERIFY(!dirs.contains(TPaths::DataDir()));
}

void TestPaths::runtimeFolderMadePrivate()
{
    QTemporaryDir tmp;
    TEnvOverride runtime("XDG_RUNTIME_DIR", QByteArray());
    TEnvOverride tmpdir("TMPDIR", QFile::encodeName(tmp.path()));
    QString error;
    const QString dir = TPaths::RuntimeDir(&error);
    QVERIFY2(!dir.isEmpty(), qPrintable(error));
    QVERIFY(dir.startsWith(tmp.path() + QLatin1Char('/')));
    QCOMPARE(modeOf(QFileInfo(dir).absolutePath()), mode_t(0700));
    QCOMPARE(modeOf(dir), mode_t(0700));
    TInstanceLock lock;
    QVERIFY(!lock.tryAcquire());
    QVERIFY(lock.held());
}

void TestPaths::runtimeFolderRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("open to others") << "mode" << "can be used by other users";
    QTest::newRow("symbolic link") << "link" << "is a symbolic link";
    QTest::newRow("a file") << "file" << "is not a folder";
    QTest::newRow("another user's") << "owner" << "belongs to another user";
}

void TestPaths::runtimeFolderRefused()
{
    // Another local user made the fallback folder under the shared temporary folder first.
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir tmp;
    TEnvOverride runtime("XDG_RUNTIME_DIR", QByteArray());
    TEnvOverride tmpdir("TMPDIR", QFile::encodeName(tmp.path()));
    const QString base = tmp.path() + QStringLiteral("/tabvane-runtime-") + QString::number(::geteuid());
    const QByteArray native = QFile::encodeName(base);
    if (kind == QLatin1String("mode")) {
        QVERIFY(::mkdir(native.constData(), 0700) == 0 && ::chmod(native.constData(), 0777) == 0);
    } else if (kind == QLatin1String("link")) {
        const QString target = tmp.path() + QStringLiteral("/theirs");
        QVERIFY(::mkdir(QFile::encodeName(target).constData(), 0700) == 0);
        QVERIFY(::symlink(QFile::encodeName(target).constData(), native.constData()) == 0);
    } else if (kind == QLatin1String("file")) {
        QFile file(base);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else {
        if (::geteuid() != 0)
            QSKIP("giving a folder to another user needs root");
        QVERIFY(::mkdir(native.constData(), 0700) == 0);
        QVERIFY(::chown(native.constData(), 65534, 65534) == 0);
    }

    QString error;
    QCOMPARE(TPaths::RuntimeDir(&error), QString());
    QVERIFY2(error.contains(reason) && error.contains(base), qPrintable(error));

    // Neither the lock nor a socket goes into the other user's folder.
    TInstanceLock lock;
    QVERIFY(!lock.tryAcquire());
    QVERIFY(!lock.held());
    QVERIFY2(lock.error().contains(reason), qPrintable(lock.error()));
    TWakeupListener listener([] {});
    QVERIFY(!listener.listen());
    QVERIFY(listener.errorString().contains(reason));
    QVERIFY(!QFileInfo::exists(base + QStringLiteral("/tabvane")));
    QVERIFY(!QFileInfo::exists(tmp.path() + QStringLiteral("/theirs/tabvane")));
}

TV_TEST_MAIN_CORE(TestPaths)
#include "tst_paths.moc"
