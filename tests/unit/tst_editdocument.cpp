#include "testenv.h"

#include "navigation/editdocument.h"
#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace TEditDocument;

class TestEditDocument : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void execToCommand_data();
    void execToCommand();
    void joinedCommandSplitsBack();
    void findsEditorsByRule();
    void seedsOnlyWhenKeyMissing();
    void runsEditorWithFile();

private:
    void writeEntry(const QString &dir, const QString &file, const QString &body);
    QString readArgv();
    QTemporaryDir m_tmp;
    QString m_homeApps;
    QString m_systemApps;
    QString m_editor;
    QString m_argvFile;
};

void TestEditDocument::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_homeApps = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
    const QString systemData = m_tmp.filePath(QStringLiteral("share"));
    m_systemApps = systemData + QStringLiteral("/applications");
    QVERIFY(QDir().mkpath(m_homeApps));
    QVERIFY(QDir().mkpath(m_systemApps + QStringLiteral("/kde")));
    qputenv("XDG_DATA_DIRS", systemData.toUtf8());

    // A fake editor that records its arguments, one per line.
    m_argvFile = m_tmp.filePath(QStringLiteral("argv.txt"));
    m_editor = m_tmp.filePath(QStringLiteral("fake editor"));
    QFile script(m_editor);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + m_argvFile.toUtf8() + ".part\"\n"
                 "mv \"" + m_argvFile.toUtf8() + ".part\" \"" + m_argvFile.toUtf8() + "\"\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void TestEditDocument::writeEntry(const QString &dir, const QString &file, const QString &body)
{
    QFile f(dir + QLatin1Char('/') + file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(body.toUtf8());
}

QString TestEditDocument::readArgv()
{
    QFile file(m_argvFile);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

void TestEditDocument::execToCommand_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("command");
    QTest::newRow("URL list code") << "gedit %U" << "gedit \"%1\"";
    QTest::newRow("quoted program, icon and name codes dropped")
        << "\"/opt/My Editor/ed\" --new-window %f %i %c %k" << "\"/opt/My Editor/ed\" --new-window \"%1\"";
    QTest::newRow("only the first file code") << "app %F --also %U" << "app \"%1\" --also";
    QTest::newRow("code inside an argument") << "app --open=%u" << "app \"--open=%1\"";
    QTest::newRow("escaped percent") << "app --zoom=100%%" << "app --zoom=100%";
    QTest::newRow("no file code") << "app --new" << "app --new";
    QTest::newRow("escaped quote in quotes") << "sh -c \"ed \\\"$0\\\"\" %f" << "sh -c \"ed \"\"\"$0\"\"\"\" \"%1\"";
    QTest::newRow("broken quoting") << "app \"unterminated %f" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("only codes") << "%f %i" << "";
}

void TestEditDocument::execToCommand()
{
    QFETCH(QString, exec);
    QFETCH(QString, command);
    QCOMPARE(DesktopExecToCommand(exec), command);
}

void TestEditDocument::joinedCommandSplitsBack()
{
    const QStringList args{ QStringLiteral("/opt/a b/ed"), QStringLiteral("say \"hi\""),
                            QStringLiteral("\"lead"), QStringLiteral("trail\""), QStringLiteral("plain"),
                            QStringLiteral("tab\there") };
    QCOMPARE(QProcess::splitCommand(JoinCommand(args)), args);
}

void TestEditDocument::findsEditorsByRule()
{
    const QString dir = m_tmp.filePath(QStringLiteral("rules"));
    const QString lower = m_tmp.filePath(QStringLiteral("rules-lower"));
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(QDir().mkpath(lower));
    const QString head = QStringLiteral("[Desktop Entry]\nType=Application\n");
    writeEntry(dir, QStringLiteral("html.desktop"),
               head + "Name=Html Ed\nName[de]=HTML-Editor\nExec=htmled %f\nMimeType=text/plain;text/html;\n"
                      "Categories=Development;\n");
    writeEntry(dir, QStringLiteral("browser.desktop"),
               head + "Name=Browser\nExec=browser %u\nMimeType=text/html;\nCategories=Network;WebBrowser;\n");
    writeEntry(dir, QStringLiteral("text.desktop"),
               head + "Name=Plain\\sText\nExec=plain %F\nMimeType=text/plain;\nCategories=Utility;TextEditor;\n");
    writeEntry(dir, QStringLiteral("viewer.desktop"),
               head + "Name=Image Viewer\nExec=view %f\nMimeType=image/png;\nCategories=Graphics;\n");
    writeEntry(dir, QStringLiteral("nodisplay.desktop"),
               head + "Name=Helper\nExec=helper %f\nMimeType=text/html;\nNoDisplay=true\n");
    writeEntry(dir, QStringLiteral("tryexec.desktop"),
               head + "Name=Missing\nTryExec=/nonexistent/editor\nExec=/nonexistent/editor %f\n"
                      "MimeType=text/html;\n");
    writeEntry(dir, QStringLiteral("link.desktop"),
               "[Desktop Entry]\nType=Link\nName=Link\nURL=http://x/\nMimeType=text/html;\n");
    writeEntry(dir, QStringLiteral("other-group.desktop"),
               "[Desktop Action x]\nName=Bad\nExec=bad %f\n[Desktop Entry]\nType=Application\nName=Grouped\n"
               "Exec=grouped %f\nMimeType=text/html;\n[Desktop Action y]\nExec=worse\n");
    // The user's own hidden entry masks the system one with the same id.
    writeEntry(dir, QStringLiteral("masked.desktop"), head + "Name=Masked\nExec=m %f\nHidden=true\n");
    writeEntry(lower, QStringLiteral("masked.desktop"),
               head + "Name=Masked\nExec=m %f\nMimeType=text/html;\n");
    writeEntry(lower, QStringLiteral("html.desktop"), head + "Name=Other Html\nExec=o %f\nMimeType=text/html;\n");

    const QList<TDesktopEditor> editors = FindHtmlEditors({ dir, lower });
    QStringList names;
    for (const TDesktopEditor &editor : editors)
        names.append(editor.name);
    QCOMPARE(names, (QStringList{ QStringLiteral("Grouped"), QStringLiteral("Html Ed"), QStringLiteral("Plain Text") }));
    QCOMPARE(editors.at(1).command, QStringLiteral("htmled \"%1\""));
    QCOMPARE(editors.at(1).id, QStringLiteral("html.desktop"));
}

void TestEditDocument::seedsOnlyWhenKeyMissing()
{
    TRegistry(RegRoot::ClassesRoot).deleteKey(OpenWithListKey);
    const QString head = QStringLiteral("[Desktop Entry]\nType=Application\nMimeType=text/html;\n");
    writeEntry(m_systemApps + QStringLiteral("/kde"), QStringLiteral("writer.desktop"),
               head + "Name=Writer\\\\Pro\nExec=writer --edit %U\n");
    writeEntry(m_homeApps, QStringLiteral("fake.desktop"),
               head + "Name=Fake Editor\nExec=\"" + m_editor + "\" --line 1 %f\n");

    QCOMPARE(Items(), (QStringList{ QStringLiteral("Fake Editor"), QStringLiteral("Writer/Pro") }));
    QCOMPARE(Command(QStringLiteral("Writer/Pro")), QStringLiteral("writer --edit \"%1\""));
    QCOMPARE(Command(QStringLiteral("fake editor")), QStringLiteral("\"") + m_editor + "\" --line 1 \"%1\"");
    QCOMPARE(Command(QStringLiteral("Nobody")), QString());

    // Once the key exists it belongs to the user: nothing is added behind their back.
    TRegistry(RegRoot::ClassesRoot).deleteKey(OpenWithListKey + QStringLiteral("\\Writer/Pro"));
    writeEntry(m_homeApps, QStringLiteral("late.desktop"), head + "Name=Late\nExec=late %f\n");
    QCOMPARE(Items(), QStringList{ QStringLiteral("Fake Editor") });

    // Without any editor the key is not created, so a later start looks again.
    TRegistry(RegRoot::ClassesRoot).deleteKey(OpenWithListKey);
    QVERIFY(!SeedOpenWithList({ m_tmp.filePath(QStringLiteral("empty")) }));
    QVERIFY(!TRegistry(RegRoot::ClassesRoot).keyExists(OpenWithListKey));
}

void TestEditDocument::runsEditorWithFile()
{
    const QString page = m_tmp.filePath(QStringLiteral("saved \"page\".htm"));
    TRegistry(RegRoot::ClassesRoot)
        .writeString(OpenWithListKey + QStringLiteral("\\Fake\\shell\\edit\\command"), QString(),
                     JoinCommand({ m_editor, QStringLiteral("--line") }) + QStringLiteral(" \"%1\" --again=%1"));

    QVERIFY(Run(QStringLiteral("Fake"), page));
    QTRY_COMPARE(readArgv(), QStringLiteral("--line\n") + page + QStringLiteral("\n--again=%1\n"));

    // A command without "%1" runs without the file.
    QFile::remove(m_argvFile);
    QVERIFY(RunCommand(JoinCommand({ m_editor, QStringLiteral("--blank") }), page));
    QTRY_COMPARE(readArgv(), QStringLiteral("--blank\n"));

    // A missing key gives an empty command, which fails quietly; so does a missing program.
    QVERIFY(!Run(QStringLiteral("Nobody"), page));
    QVERIFY(!RunCommand(QStringLiteral("/nonexistent/editor \"%1\""), page));
    QVERIFY(!RunCommand(QStringLiteral("   "), page));
}

TV_TEST_MAIN_CORE(TestEditDocument)
#include "tst_editdocument.moc"
