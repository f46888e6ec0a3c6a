#include "testenv.h"

#include "groups/vessagroup.h"
#include "platform/inifile.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QtTest>

Q_DECLARE_METATYPE(TOverwriteAnswer)

class TestVessaGroup : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void savesOpenTabsWithGeneratedKeys();
    void siteKeyRules();
    void readingKeepsFileOrderAndDropsEmptyValues();
    void uniqueKeys_data();
    void uniqueKeys();
    void savingKeepsEveryTab();
    void addingToAGroupRewritesItsFile();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void cancelledOrFailedSaves();
    void tabPlans();
    void groupFileTests();

private:
    QString groupPath(const QString &name) const;
    static QByteArray read(const QString &path);
    static void write(const QString &path, const QByteArray &bytes);

    int m_saveDialogs = 0;
    QString m_saveAnswer;
    TOverwriteAnswer m_overwriteAnswer = TOverwriteAnswer::Yes;
    QStringList m_errors;
};

QString TestVessaGroup::groupPath(const QString &name) const
{
    return TPaths::Join(EnsureGroupFolder(), name);
}

QByteArray TestVessaGroup::read(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void TestVessaGroup::write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void TestVessaGroup::init()
{
    QDir(GroupFolder()).removeRecursively();
    m_saveDialogs = 0;
    m_saveAnswer.clear();
    m_overwriteAnswer = TOverwriteAnswer::Yes;
    m_errors.clear();
    TGroupDialogs &dialogs = GroupDialogs();
    dialogs.SavePath = [this](QWidget *, const QString &title, const QString &folder) {
        ++m_saveDialogs;
        if (title != QLatin1String("Save VessaGroup") || folder != GroupFolder())
            return QString();
        return m_saveAnswer;
    };
    dialogs.ConfirmOverwrite = [this](QWidget *, const QString &question) {
        return question == QLatin1String("A VessaGroup with this name already exists. Do you want to overwrite it?")
            ? m_overwriteAnswer : TOverwriteAnswer::Cancel;
    };
    dialogs.ShowError = [this](QWidget *, const QString &message) { m_errors.append(message); };
}

void TestVessaGroup::cleanup()
{
    ResetGroupDialogs();
}

void TestVessaGroup::savesOpenTabsWithGeneratedKeys()
{
    TVessaGroup group(nullptr, QString());
    group.AddSite(QString(), QStringLiteral("http://a.test/"), false);
    group.AddSite(QStringLiteral("News"), QStringLiteral("http://b.test/"), true);
    group.AddSite(QString(), QStringLiteral("http://c.test/"), false);
    m_saveAnswer = groupPath(QStringLiteral("three"));   // the default extension is added
    QCOMPARE(group.Save(), TSaveResult::Saved);
    QCOMPARE(m_saveDialogs, 1);
    QCOMPARE(group.FileName(), groupPath(QStringLiteral("three.vgp")));
    QCOMPARE(read(group.FileName()),
             QByteArray("[VessaGroup]\r\nblank1=http://a.test/\r\nNews=*http://b.test/\r\nblank3=http://c.test/\r\n"));
}

void TestVessaGroup::siteKeyRules()
{
    TVessaGroup group(nullptr, QString());
    group.AddSite(QStringLiteral("a=b"), QStringLiteral("x"), false);
    group.AddSite(QStringLiteral("c"), QStringLiteral("y"), true);
    group.AddSite(QStringLiteral("d"), QStringLiteral("z"), false);
    group.AddSite(QStringLiteral("e"), QStringLiteral("w"), false);
    group.AddSite(QString(), QStringLiteral("v"), false);
    QCOMPARE(group.Items, QStringList({QStringLiteral("ab=x"), QStringLiteral("c=*y"), QStringLiteral("d=z"),
                                       QStringLiteral("e=w"), QStringLiteral("blank5=v")}));
    QCOMPARE(group.Key(1), QStringLiteral("c"));
    QCOMPARE(group.Value(1), QStringLiteral("*y"));
}

void TestVessaGroup::readingKeepsFileOrderAndDropsEmptyValues()
{
    const QString path = groupPath(QStringLiteral("g.vgp"));
    write(path, "[Other]\r\nzz=1\r\n[VessaGroup]\r\nzeta=http://z/\r\nempty=\r\nquoted=\"\"\r\n"
                "alpha = *http://a/ \r\nZETA=http://again/\r\n");
    const TVessaGroup group(nullptr, path);
    QCOMPARE(group.FileName(), path);
    QCOMPARE(group.Items, QStringList({QStringLiteral("zeta=http://z/"), QStringLiteral("alpha=*http://a/")}));

    const TVessaGroup missing(nullptr, groupPath(QStringLiteral("gone.vgp")));
    QVERIFY(missing.FileName().isEmpty());
    QCOMPARE(missing.Count(), 0);
}

void TestVessaGroup::uniqueKeys_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("unique keys stay") << QStringList{"blank1", "News", "blank3"} << QStringList{"blank1", "News", "blank3"};
    QTest::newRow("repeated sticky name") << QStringList{"News", "news", "NEWS"} << QStringList{"News", "news (2)", "NEWS (3)"};
    QTest::newRow("suffix already taken") << QStringList{"News (2)", "News", "News"} << QStringList{"News (2)", "News", "News (3)"};
    QTest::newRow("generated key taken by a name") << QStringList{"blank2", "blank2"} << QStringList{"blank2", "blank3"};
    QTest::newRow("next free number") << QStringList{"blank1", "blank1", "blank2", "blank4"} << QStringList{"blank1", "blank3", "blank2", "blank4"};
    QTest::newRow("capital Blank is a name") << QStringList{"Blank2", "Blank2"} << QStringList{"Blank2", "Blank2 (2)"};
    QTest::newRow("blanks and brackets") << QStringList{" News ", "[News", "", "  "} << QStringList{"News", "News (2)", "blank3", "blank4"};
}

void TestVessaGroup::uniqueKeys()
{
    QFETCH(QStringList, keys);
    QFETCH(QStringList, expected);
    QCOMPARE(TVessaGroup::UniqueKeys(keys), expected);
}

void TestVessaGroup::savingKeepsEveryTab()
{
    // Two tabs with one sticky name, and a generated key another tab already uses: every
    // tab must come back when the file is read.
    const QString path = groupPath(QStringLiteral("dup.vgp"));
    write(path, "");
    TVessaGroup group(nullptr, path);
    group.AddSite(QStringLiteral("News"), QStringLiteral("http://1/"), false);
    group.AddSite(QStringLiteral("blank3"), QStringLiteral("http://2/"), true);
    group.AddSite(QString(), QStringLiteral("http://3/"), false);
    group.AddSite(QStringLiteral("news"), QStringLiteral("http://4/"), false);
    QCOMPARE(group.Save(), TSaveResult::Saved);
    QCOMPARE(m_saveDialogs, 0);
    const TVessaGroup again(nullptr, path);
    QCOMPARE(again.Items, QStringList({QStringLiteral("News=http://1/"), QStringLiteral("blank3=*http://2/"),
                                       QStringLiteral("blank4=http://3/"), QStringLiteral("news (2)=http://4/")}));
    QCOMPARE(group.Items, again.Items);
}

void TestVessaGroup::addingToAGroupRewritesItsFile()
{
    const QString path = groupPath(QStringLiteral("four.vgp"));
    write(path, "; kept\n[VessaGroup]\nblank1=http://1/\nb=http://2/\nc=*http://3/\nd=http://4/\n");
    TVessaGroup group(nullptr, path);
    group.AddSite(QString(), QStringLiteral("http://5/"), false);
    QCOMPARE(group.Save(), TSaveResult::Saved);
    QCOMPARE(m_saveDialogs, 0);
    QCOMPARE(read(path), QByteArray("; kept\r\n[VessaGroup]\r\nblank1=http://1/\r\nb=http://2/\r\nc=*http://3/\r\n"
                                    "d=http://4/\r\nblank5=http://5/\r\n"));
}

void TestVessaGroup::overwriteQuestion_data()
{
    QTest::addColumn<TOverwriteAnswer>("answer");
    QTest::addColumn<bool>("written");
    QTest::newRow("yes") << TOverwriteAnswer::Yes << true;
    QTest::newRow("no") << TOverwriteAnswer::No << false;
    QTest::newRow("cancel") << TOverwriteAnswer::Cancel << false;
}

void TestVessaGroup::overwriteQuestion()
{
    QFETCH(TOverwriteAnswer, answer);
    QFETCH(bool, written);
    const QString path = groupPath(QStringLiteral("exists.vgp"));
    write(path, "[VessaGroup]\r\nold=http://old/\r\n");
    TVessaGroup group(nullptr, QString());
    group.AddSite(QString(), QStringLiteral("http://new/"), false);
    m_saveAnswer = path;
    m_overwriteAnswer = answer;
    QCOMPARE(group.Save(), written ? TSaveResult::Saved : TSaveResult::Cancelled);
    QCOMPARE(group.FileName(), written ? path : QString());
    QCOMPARE(read(path), written ? QByteArray("[VessaGroup]\r\nblank1=http://new/\r\n")
                                 : QByteArray("[VessaGroup]\r\nold=http://old/\r\n"));
}

void TestVessaGroup::cancelledOrFailedSaves()
{
    TVessaGroup group(nullptr, QString());
    group.AddSite(QString(), QStringLiteral("http://a/"), false);
    QCOMPARE(group.Save(), TSaveResult::Cancelled);   // the dialog answered nothing
    QCOMPARE(QDir(GroupFolder()).entryList(QDir::Files), QStringList());
    QVERIFY(m_errors.isEmpty());

    // A write that fails is reported, not passed off as saved.
    group.SetFileName(GroupFolder() + QStringLiteral("/missing/folder/x.vgp"));
    QCOMPARE(group.Save(), TSaveResult::Failed);
    QCOMPARE(m_errors.size(), 1);
}

void TestVessaGroup::tabPlans()
{
    const QString path = groupPath(QStringLiteral("plans.vgp"));
    write(path, "[VessaGroup]\r\nblank1=*http://locked/\r\nBlank=http://b/\r\nBLANKET=http://c/\r\n"
                "blankety=http://d/\r\nNews=http://e/*x\r\nstar=*\r\n");
    const QList<TGroupTabPlan> plans = ReadGroupTabPlans(path);
    QCOMPARE(plans.size(), 6);
    QCOMPARE(plans[0].StickyName, QString());
    QCOMPARE(plans[0].Address, QStringLiteral("http://locked/"));
    QVERIFY(plans[0].LockAfterLoad);
    QCOMPARE(plans[1].StickyName, QStringLiteral("Blank"));   // only lower-case "blank" means none
    QCOMPARE(plans[2].StickyName, QStringLiteral("BLANKET"));
    QCOMPARE(plans[3].StickyName, QString());
    QCOMPARE(plans[4].Address, QStringLiteral("http://e/*x"));
    QVERIFY(!plans[4].LockAfterLoad);
    QCOMPARE(plans[5].Address, QStringLiteral("about:blank"));
    QVERIFY(plans[5].LockAfterLoad);
    QVERIFY(ReadGroupTabPlans(groupPath(QStringLiteral("none.vgp"))).isEmpty());
}

void TestVessaGroup::groupFileTests()
{
    QVERIFY(IsGroupFile(QStringLiteral("/x/News.VGP")));
    QVERIFY(IsGroupFile(QStringLiteral("a.vgp")));
    QVERIFY(!IsGroupFile(QStringLiteral("a.vgpx")));
    QVERIFY(!IsGroupFile(QStringLiteral("avgp")));
    const QString upper = groupPath(QStringLiteral("Upper.VGP"));
    const QString lower = groupPath(QStringLiteral("lower.vgp"));
    write(upper, "");
    write(lower, "");
    QVERIFY(!IsHandOverGroupFile(upper));
    QVERIFY(IsHandOverGroupFile(lower));
    QVERIFY(!IsHandOverGroupFile(groupPath(QStringLiteral("absent.vgp"))));
    QCOMPARE(GroupFolder(), TPaths::DataDir() + QStringLiteral("/VessaGroups"));

    // The open dialog's choice counts only when it is a group file.
    GroupDialogs().OpenPath = [&](QWidget *, const QString &, const QString &) { return upper; };
    QCOMPARE(ChooseGroupFile(nullptr, QStringLiteral("Add to VessaGroup")), upper);
    GroupDialogs().OpenPath = [](QWidget *, const QString &, const QString &) { return QStringLiteral("/etc/passwd"); };
    QCOMPARE(ChooseGroupFile(nullptr, QStringLiteral("Add to VessaGroup")), QString());
}

TV_TEST_MAIN_CORE(TestVessaGroup)
#include "tst_vessagroup.moc"
