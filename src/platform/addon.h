#pragma once
// The add-on interface: an add-on that works on the pages of a browser view (it marks
// words as links, say). It is a Qt plugin whose root object is a factory; each browser view
// gets an instance of its own. The program loads it only from its own add-on folder.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtPlugin>

struct TAddOnInit {
    QString settingsKey;    // the program's settings key
    QString tempFolder;     // this run's private temporary folder, ending in "/"
    QString productCode;    // "TABVANE"
    QString dataFolder;     // the user's data folder, for the add-on's own files
    QString searchAddress;  // the user's first search engine ("" when there is none)
};

class ITabvaneAddOn {
public:
    virtual ~ITabvaneAddOn() = default;
    virtual bool Initialize(const TAddOnInit &init) = 0;
    // browser: the view's web page (a QWebEnginePage); nullptr detaches.
    virtual bool Attach(QObject *browser) = 0;
    virtual void SetLinksShown(bool on) = 0;
    virtual bool LinksShown() const = 0;
};

class ITabvaneAddOnFactory {
public:
    virtual ~ITabvaneAddOnFactory() = default;
    virtual ITabvaneAddOn *Create() = 0;   // owned by the caller
};

#define TabvaneAddOnFactory_iid "org.tabvane.AddOnFactory/1"
Q_DECLARE_INTERFACE(ITabvaneAddOnFactory, TabvaneAddOnFactory_iid)

// Finding and loading the add-on, once per run.
namespace TAddOnLibrary {
// The add-on's file name.
QString FileName();
// The folders searched, in order: "addons" beside the executable (a build tree) and
// <prefix>/lib/tabvane/addons (an installed program). Never the current folder.
QStringList Folders();
// Replaces the folders searched (tests); forgets an earlier load result.
void SetFolders(const QStringList &folders);
// The add-on's factory; nullptr (and *error) when there is none, the file is refused (a
// folder or file others may write, another user's), is not a plugin, or offers another
// interface.
ITabvaneAddOnFactory *Factory(QString *error = nullptr);
// Whether a folder or file may be loaded from: it exists, belongs to this user or to root,
// and neither group nor others may write it (nor, for a file, its folder).
bool Trusted(const QString &path, QString *why);
}
