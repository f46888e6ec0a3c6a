// File downloads on the real engine, from servers the test runs on 127.0.0.1: progress,
// completion, cancelling, failing servers, Retry, many downloads at once, and the list
// kept over a restart.

#include "httpserver.h"
#include "testenv.h"

#include "browser/downloadlist.h"
#include "browser/downloads.h"
#include "browser/downloadswindow.h"
#include "navigation/commandtable.h"
#include "platform/webprofile.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QtTest>

#include <memory>

namespace {
const int Timeout = 30000;

QByteArray randomBytes(int size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    generator.fillRange(reinterpret_cast<quint32 *>(data.data()), size / 4);
    return data;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TTestHttpResponse attachment(const QByteArray &body, const QByteArray &name)
{
    TTestHttpResponse r;
    r.body = body;
    r.contentType = "application/octet-stream";
    r.headers.append({"Content-Disposition", "attachment; filename=\"" + name + "\""});
    return r;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Answers the question about running downloads when it shows; its text goes to *text.
void answerExitQuestion(bool exit, QString *text)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, exit, text] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || box->objectName() != QLatin1String("dlgDownloadsExit") || !box->isVisible())
                continue;
            *text = box->text();
            for (QAbstractButton *button : box->buttons())
                if ((box->buttonRole(button) == QMessageBox::AcceptRole) == exit)
                    button->click();
            timer->deleteLater();
            return;
        }
    });
    timer->start(20);
}
}

class TestDownloads : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void slowBodyShowsProgressAndCompletes();
    void cancelRemovesThePartialFile();
    void badServerFailsAndRetryCompletes_data();
    void badServerFailsAndRetryCompletes();
    void fiftyDownloadsAtOnce();

private:
    TDownloads *make();
    const TDownload *row(int index = 0) const { return &downloads->List()->At(index); }
    void startIn(QWebEnginePage *page, const QString &path) { page->load(server.url(path)); }

    TTestHttpServer server;
    QWidget owner;
    std::unique_ptr<TCommandTable> table;
    std::unique_ptr<TDownloads> downloads;
    std::unique_ptr<QTemporaryDir> folder;
    QStringList suggested;
};

TDownloads *TestDownloads::make()
{
    downloads.reset();
    table = std::make_unique<TCommandTable>(&owner);
    downloads = std::make_unique<TDownloads>(table.get(), &owner);
    // The user takes the suggested name, in the test's own folder.
    downloads->SetFileChooser([this](const QString &path) {
        suggested.append(path);
        return QDir(folder->path()).filePath(QFileInfo(path).fileName());
    });
    return downloads.get();
}

void TestDownloads::init()
{
    QFile::remove(TDownloads::StoreFile());
    folder = std::make_unique<QTemporaryDir>();
    suggested.clear();
    make();
}

void TestDownloads::cleanup()
{
    downloads.reset();
    table.reset();
}

void TestDownloads::slowBodyShowsProgressAndCompletes()
{
    const QByteArray body = randomBytes(20 * 1024 * 1024, 7);
    TTestHttpResponse slow = attachment(body, "big.bin");
    slow.chunkBytes = 512 * 1024;
    slow.chunkIntervalMs = 20;
    server.route("/big", slow);
    // A file of that name in the download folder is not offered for replacing.
    const QString downloadFolder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    QVERIFY(QDir().mkpath(downloadFolder));
    QFile existing(QDir(downloadFolder).filePath("big.bin"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();

    bool partialSeen = false;
    connect(downloads->List(), &TDownloadList::Changed, this, [&](int id) {
        const TDownload *d = downloads->List()->Find(id);
        if (d && d->state == TDownloadState::Running && d->received > 0 && d->received < d->total
            && d->total == body.size())
            partialSeen = true;
    });
    QStringList statusTexts;
    connect(downloads.get(), &TDownloads::StatusText, this,
            [&](const QString &text, const QString &) { statusTexts.append(text); });

    auto *page = new QWebEnginePage(TWebProfile::instance()->profile());
    startIn(page, "/big");
    QTRY_COMPARE_WITH_TIMEOUT(downloads->List()->Count(), 1, Timeout);
    QCOMPARE(suggested, QStringList{QDir(downloadFolder).filePath("big (1).bin")});
    QVERIFY(downloads->WindowVisible());
    QVERIFY(downloads->Window()->Row(row()->id));

    // The tab that started it closes: the download goes on. The window is put away: the
    // status bar shows the progress.
    QTRY_VERIFY_WITH_TIMEOUT(row()->received > 0, Timeout);
    delete page;
    downloads->Window()->close();
    QTRY_VERIFY_WITH_TIMEOUT(!statusTexts.isEmpty() && statusTexts.last().endsWith('%'), Timeout);

    QTRY_COMPARE_WITH_TIMEOUT(row()->state, TDownloadState::Completed, Timeout);
    QVERIFY(partialSeen);
    QCOMPARE(row()->received, qint64(body.size()));
    QCOMPARE(row()->path, QDir(folder->path()).filePath("big (1).bin"));
    QVERIFY(fileBytes(row()->path) == body);
    QCOMPARE(filesIn(folder->path()), QStringList{"big (1).bin"});
    QTRY_VERIFY(statusTexts.last().isEmpty());

    // The list survives a restart; the folder used is offered first next time.
    make();
    QCOMPARE(downloads->List()->Count(), 1);
    QCOMPARE(row()->state, TDownloadState::Completed);
    QCOMPARE(row()->path, QDir(folder->path()).filePath("big (1).bin"));
    QCOMPARE(row()->url, server.url("/big"));
    QCOMPARE(downloads->LastFolder(), folder->path());
}

void TestDownloads::cancelRemovesThePartialFile()
{
    TTestHttpResponse slow = attachment(randomBytes(8 * 1024 * 1024, 3), "part.bin");
    slow.chunkBytes = 64 * 1024;
    slow.chunkIntervalMs = 50;
    server.route("/part", slow);
    QWebEnginePage page(TWebProfile::instance()->profile());

    // Cancel in the window, as the user does.
    startIn(&page, "/part");
    QTRY_VERIFY_WITH_TIMEOUT(downloads->List()->Count() == 1 && row()->received > 0, Timeout);
    TDownloadRow *shown = downloads->Window()->Row(row()->id);
    QVERIFY(shown);
    auto *cancel = shown->findChild<QPushButton *>("btnCancel");
    QVERIFY(cancel && cancel->isVisible());
    cancel->click();
    QCOMPARE(row()->state, TDownloadState::Cancelled);
    QTRY_COMPARE_WITH_TIMEOUT(filesIn(folder->path()), QStringList(), Timeout);
    QVERIFY(shown->findChild<QPushButton *>("btnRetry")->isVisible());

    // Closing the program while one runs asks; keeping it changes nothing.
    startIn(&page, "/part");
    QTRY_VERIFY_WITH_TIMEOUT(downloads->List()->Count() == 2 && row(1)->received > 0, Timeout);
    QString question;
    answerExitQuestion(false, &question);
    QVERIFY(!downloads->ConfirmExit());
    QCOMPARE(question, QStringLiteral("1 download is in progress. Cancel it and exit?"));
    QCOMPARE(row(1)->state, TDownloadState::Running);
    answerExitQuestion(true, &question);
    QVERIFY(downloads->ConfirmExit());
    QCOMPARE(row(1)->state, TDownloadState::Cancelled);
    QTRY_COMPARE_WITH_TIMEOUT(filesIn(folder->path()), QStringList(), Timeout);

    // Finished rows stay until cleared.
    QCOMPARE(downloads->List()->Count(), 2);
    downloads->Window()->findChild<QPushButton *>("btnClearList")->click();
    QCOMPARE(downloads->List()->Count(), 0);
}

void TestDownloads::badServerFailsAndRetryCompletes_data()
{
    QTest::addColumn<bool>("drop");
    QTest::newRow("connection dropped") << true;
    QTest::newRow("server stalls") << false;
}

void TestDownloads::badServerFailsAndRetryCompletes()
{
    QFETCH(bool, drop);
    const QByteArray body = randomBytes(2 * 1024 * 1024, 11);
    TTestHttpResponse bad = attachment(body, "flaky.bin");
    bad.chunkBytes = 32 * 1024;
    bad.chunkIntervalMs = 10;
    (drop ? bad.dropAfterBytes : bad.stallAfterBytes) = 256 * 1024;
    server.route("/flaky", bad);
    downloads->List()->SetStallTimeout(1500);
    QWebEnginePage page(TWebProfile::instance()->profile());

    startIn(&page, "/flaky");
    QTRY_COMPARE_WITH_TIMEOUT(downloads->List()->Count(), 1, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(row()->state, TDownloadState::Failed, Timeout);
    QVERIFY(!row()->error.isEmpty());
    TDownloadRow *shown = downloads->Window()->Row(row()->id);
    QTRY_VERIFY(shown->findChild<QLabel *>("lblStatus")->text().startsWith("Failed"));
    auto *retry = shown->findChild<QPushButton *>("btnRetry");
    QVERIFY(retry->isVisible());

    // The server mends its ways; Retry writes the same file, in the same row.
    server.route("/flaky", attachment(body, "flaky.bin"));
    retry->click();
    QTRY_COMPARE_WITH_TIMEOUT(row()->state, TDownloadState::Completed, Timeout);
    QCOMPARE(downloads->List()->Count(), 1);
    QCOMPARE(suggested.size(), 1);   // no second question
    QCOMPARE(filesIn(folder->path()), QStringList{"flaky.bin"});
    QVERIFY(fileBytes(row()->path) == body);
}

void TestDownloads::fiftyDownloadsAtOnce()
{
    const int Count = 50;
    QList<QByteArray> bodies;
    for (int i = 0; i < Count; ++i) {
        TTestHttpResponse r = attachment(randomBytes(96 * 1024, 100 + i), "f" + QByteArray::number(i) + ".bin");
        r.chunkBytes = 16 * 1024;
        r.chunkIntervalMs = 20;
        bodies.append(r.body);
        server.route(QStringLiteral("/f%1").arg(i), r);
    }
    QWebEnginePage page(TWebProfile::instance()->profile());
    for (int i = 0; i < Count; ++i)
        page.download(server.url(QStringLiteral("/f%1").arg(i)));
    QTRY_COMPARE_WITH_TIMEOUT(downloads->List()->Count(), Count, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(downloads->InProgressCount(), 0, Timeout);
    QCOMPARE(downloads->Window()->findChildren<TDownloadRow *>().size(), Count);
    for (int i = 0; i < Count; ++i) {
        const TDownload &d = downloads->List()->At(i);
        QVERIFY2(d.state == TDownloadState::Completed, qPrintable(d.path + ": " + d.error));
        const int n = d.url.path().mid(2).toInt();
        QVERIFY2(fileBytes(d.path) == bodies.at(n), qPrintable(d.path));
    }
    QCOMPARE(filesIn(folder->path()).size(), Count);
}

TV_TEST_MAIN_GUI(TestDownloads)
#include "tst_downloads_engine.moc"
