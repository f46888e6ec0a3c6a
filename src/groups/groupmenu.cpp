#include "groups/groupmenu.h"

#include "groups/vessagroup.h"

#include <QApplication>
#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QStyle>

#include <algorithm>

namespace {

QString doubledAmpersands(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

void sortByCaption(QList<TGroupFolderEntry> &entries)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(entries.begin(), entries.end(),
        [&collator](const TGroupFolderEntry &a, const TGroupFolderEntry &b) {
            // Folding first keeps the order case-blind whatever the collator backend does.
            const int c = collator.compare(a.Caption.toCaseFolded(), b.Caption.toCaseFolded());
            return c != 0 ? c < 0 : a.Caption < b.Caption;
        });
}

QIcon standardIcon(QStyle::StandardPixmap which)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return QIcon();
    return QApplication::style()->standardIcon(which);
}

}

TGroupFolderListing ListGroupFolder(const QString &folder)
{
    TGroupFolderListing listing;
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return listing;
    // Without QDir::Hidden, names beginning with "." are left out.
    const QFileInfoList folders = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &info : folders) {
        listing.Folders.append({info.fileName(), doubledAmpersands(info.fileName()),
                                info.absoluteFilePath() + QLatin1Char('/')});
    }
    const QFileInfoList files = dir.entryInfoList(QDir::Files);
    for (const QFileInfo &info : files) {
        const QString name = info.fileName();
        if (!IsGroupFile(name))
            continue;
        listing.Groups.append({name, doubledAmpersands(name.left(name.size() - 4)),
                               info.absoluteFilePath()});
    }
    sortByCaption(listing.Folders);
    sortByCaption(listing.Groups);
    return listing;
}

TTandemGroupMenuItem::TTandemGroupMenuItem(const QString &caption, QObject *parent)
    : QAction(caption, parent)
{
}

TTandemGroupMenuItem::~TTandemGroupMenuItem()
{
    delete m_subMenu.data();
}

QMenu *TTandemGroupMenuItem::SubMenu() const
{
    return m_subMenu.data();
}

void TTandemGroupMenuItem::SetSubMenu(QMenu *menu)
{
    m_subMenu = menu;
    setMenu(menu);
}

TGroupMenu::TGroupMenu(QMenu *menu, QObject *parent)
    : QObject(parent), m_menu(menu), m_folder(GroupFolder())
{
    connect(m_menu, &QMenu::aboutToShow, this, &TGroupMenu::mnuVessaGroupsClick);
}

void TGroupMenu::SetFixedHead(const QList<QAction *> &head)
{
    // The head's actions belong to the main window: take them out without deleting them.
    const QList<QAction *> current = m_menu->actions();
    for (QAction *action : current) {
        m_menu->removeAction(action);
        if (qobject_cast<TTandemGroupMenuItem *>(action))
            delete action;
    }
    m_head.clear();
    for (QAction *action : head) {
        m_menu->addAction(action);
        m_head.append(action);
    }
    m_dirty = true;
}

void TGroupMenu::SetFolder(const QString &folder)
{
    m_folder = folder;
    m_dirty = true;
}

void TGroupMenu::mnuVessaGroupsClick()
{
    if (m_dirty)
        Rebuild();
}

void TGroupMenu::Rebuild()
{
    const QList<QAction *> actions = m_menu->actions();
    for (QAction *action : actions) {
        if (m_head.contains(action))
            continue;
        m_menu->removeAction(action);
        if (action->parent() == m_menu)
            delete action;
    }
    Fill(m_folder, m_menu);
    m_dirty = false;
}

void TGroupMenu::Fill(const QString &folder, QMenu *parent)
{
    const TGroupFolderListing listing = ListGroupFolder(folder);
    for (const TGroupFolderEntry &entry : listing.Folders) {
        auto *item = new TTandemGroupMenuItem(entry.Caption, parent);
        item->FolderPath = entry.Path;
        item->setIcon(standardIcon(QStyle::SP_DirIcon));
        auto *sub = new QMenu(parent);
        sub->addAction(new QAction(sub));   // placeholder, so the item shows as a submenu
        item->SetSubMenu(sub);
        connect(sub, &QMenu::aboutToShow, this, [this, item] { LoadMe(item); });
        parent->addAction(item);
    }
    for (const TGroupFolderEntry &entry : listing.Groups) {
        auto *item = new TTandemGroupMenuItem(entry.Caption, parent);
        item->setStatusTip(entry.Path);
        item->setIcon(standardIcon(QStyle::SP_FileIcon));
        connect(item, &QAction::triggered, this, [this, item] { emit groupChosen(item->GroupPath()); });
        parent->addAction(item);
    }
}

void TGroupMenu::LoadMe(TTandemGroupMenuItem *item)
{
    QMenu *sub = item->SubMenu();
    if (item->Loaded || !sub)
        return;
    Fill(item->FolderPath, sub);
    const QList<QAction *> children = sub->actions();
    if (children.size() == 1) {
        children.first()->setText(QStringLiteral("(Empty)"));
        children.first()->setEnabled(false);
    } else if (!children.isEmpty()) {
        sub->removeAction(children.first());
        delete children.first();
    }
    item->Loaded = true;
}
