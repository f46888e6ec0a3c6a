#include "testenv.h"

#include "groups/groupmenu.h"
#include "groups/vessagroup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestGroupMenu : public QObject {
    Q_OBJECT
private slots:
    void init();
    void listingOrderAndFilters();
    void menuShowsFoldersThenGroups();
    void folderSubmenusFillOnFirstShow();
    void rebuildsOnlyWhenDirty();
    void missingFolderLeavesTheHead();

private:
    void touch(const QString &relative);
    static QStringList texts(const QList<QAction *> &actions);
    QList<QAction *> tail() const;

    QTemporaryDir *m_dir = nullptr;
    QString m_root;
    QMenu *m_menu = nullptr;
    TGroupMenu *m_groups = nullptr;
    QList<QAction *> m_head;
};

void TestGroupMenu::touch(const QString &relative)
{
    const QString path = m_root + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

QStringList TestGroupMenu::texts(const QList<QAction *> &actions)
{
    QStringList result;
    for (const QAction *action : actions)
        result.append(action->text());
    return result;
}

QList<QAction *> TestGroupMenu::tail() const
{
    return m_menu->actions().mid(m_head.size());
}

void TestGroupMenu::init()
{
    delete m_menu;
    delete m_groups;
    delete m_dir;
    m_dir = new QTemporaryDir;
    m_root = m_dir->path();
    touch(QStringLiteral("b/inner.vgp"));
    QDir(m_root).mkpath(QStringLiteral("A&B"));
    QDir(m_root).mkpath(QStringLiteral(".hidden"));
    QDir(m_root).mkpath(QStringLiteral("c/sub"));
    for (const char *name : {"z.vgp", "R&D.vgp", "Mid.VGP", "apple.vgp", ".secret.vgp", "notes.txt", "x.vgp.bak"})
        touch(QString::fromLatin1(name));

    m_menu = new QMenu;
    m_head = {m_menu->addAction(QStringLiteral("&Add to VessaGroup...")),
              m_menu->addAction(QStringLiteral("S&ave as VessaGroup...")),
              m_menu->addAction(QStringLiteral("&Organize VessaGroup...")),
              m_menu->addSeparator()};
    m_groups = new TGroupMenu(m_menu);
    m_groups->SetFixedHead(m_head);
    m_groups->SetFolder(m_root);
}

void TestGroupMenu::listingOrderAndFilters()
{
    const TGroupFolderListing listing = ListGroupFolder(m_root);
    QStringList folders, groups;
    for (const TGroupFolderEntry &e : listing.Folders)
        folders.append(e.Caption);
    for (const TGroupFolderEntry &e : listing.Groups)
        groups.append(e.Caption);
    QCOMPARE(folders, QStringList({"A&&B", "b", "c"}));
    QCOMPARE(groups, QStringList({"apple", "Mid", "R&&D", "z"}));
    QCOMPARE(listing.Folders.at(1).Path, m_root + QStringLiteral("/b/"));
    QCOMPARE(listing.Groups.at(2).Path, m_root + QStringLiteral("/R&D.vgp"));
    QVERIFY(ListGroupFolder(m_root + QStringLiteral("/nowhere")).Folders.isEmpty());
}

void TestGroupMenu::menuShowsFoldersThenGroups()
{
    QVERIFY(m_groups->IsDirty());
    emit m_menu->aboutToShow();
    QVERIFY(!m_groups->IsDirty());
    QCOMPARE(m_menu->actions().mid(0, 4), m_head);
    QCOMPARE(texts(tail()), QStringList({"A&&B", "b", "c", "apple", "Mid", "R&&D", "z"}));

    auto *folder = qobject_cast<TTandemGroupMenuItem *>(tail().at(1));
    QVERIFY(folder && folder->SubMenu());
    QCOMPARE(folder->FolderPath, m_root + QStringLiteral("/b/"));
    QVERIFY(!folder->Loaded);

    auto *group = qobject_cast<TTandemGroupMenuItem *>(tail().at(5));
    QVERIFY(group && !group->SubMenu());
    QCOMPARE(group->GroupPath(), m_root + QStringLiteral("/R&D.vgp"));
    QVERIFY(group->FolderPath.isEmpty());
    QSignalSpy chosen(m_groups, &TGroupMenu::groupChosen);
    group->trigger();
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.first().first().toString(), m_root + QStringLiteral("/R&D.vgp"));
}

void TestGroupMenu::folderSubmenusFillOnFirstShow()
{
    emit m_menu->aboutToShow();
    auto *empty = qobject_cast<TTandemGroupMenuItem *>(tail().at(0));   // A&B
    auto *withGroup = qobject_cast<TTandemGroupMenuItem *>(tail().at(1));   // b
    auto *withFolder = qobject_cast<TTandemGroupMenuItem *>(tail().at(2));   // c
    QCOMPARE(empty->SubMenu()->actions().size(), 1);   // the placeholder before first show

    emit empty->SubMenu()->aboutToShow();
    QCOMPARE(texts(empty->SubMenu()->actions()), QStringList({"(Empty)"}));
    QVERIFY(!empty->SubMenu()->actions().first()->isEnabled());
    QVERIFY(empty->Loaded);

    emit withGroup->SubMenu()->aboutToShow();
    emit withGroup->SubMenu()->aboutToShow();   // a loaded folder is not filled twice
    QCOMPARE(texts(withGroup->SubMenu()->actions()), QStringList({"inner"}));

    emit withFolder->SubMenu()->aboutToShow();
    auto *sub = qobject_cast<TTandemGroupMenuItem *>(withFolder->SubMenu()->actions().value(0));
    QVERIFY(sub && sub->SubMenu());
    QCOMPARE(sub->text(), QStringLiteral("sub"));
    emit sub->SubMenu()->aboutToShow();
    QCOMPARE(texts(sub->SubMenu()->actions()), QStringList({"(Empty)"}));
}

void TestGroupMenu::rebuildsOnlyWhenDirty()
{
    emit m_menu->aboutToShow();
    const QList<QAction *> first = tail();
    touch(QStringLiteral("new.vgp"));
    emit m_menu->aboutToShow();
    QCOMPARE(tail(), first);   // not dirty: the same items, the new file not yet listed

    m_groups->MarkDirty();
    emit m_menu->aboutToShow();
    QCOMPARE(texts(tail()), QStringList({"A&&B", "b", "c", "apple", "Mid", "new", "R&&D", "z"}));
    QCOMPARE(m_menu->actions().mid(0, 4), m_head);
}

void TestGroupMenu::missingFolderLeavesTheHead()
{
    m_groups->SetFolder(m_root + QStringLiteral("/absent"));
    emit m_menu->aboutToShow();
    QCOMPARE(m_menu->actions(), m_head);
    // The default folder is the program's group folder.
    TGroupMenu defaults(m_menu);
    QCOMPARE(defaults.Folder(), GroupFolder());
}

TV_TEST_MAIN_GUI(TestGroupMenu)
#include "tst_groupmenu.moc"
