#pragma once
// Word links: the add-on shipped with Tabvane. It marks the words of a list the user keeps
// (wordlinks.txt in the data folder, one word or phrase a line) on every page as links to
// the user's first search engine. The marking runs as a script in a world of its own, so
// the page's scripts neither see nor disturb it; "Show Links" adds or removes the links.

#include "platform/addon.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class QWebEnginePage;

class TWordLinks : public ITabvaneAddOn {
public:
    ~TWordLinks() override;
    bool Initialize(const TAddOnInit &init) override;
    bool Attach(QObject *browser) override;
    void SetLinksShown(bool on) override;
    bool LinksShown() const override { return m_shown; }

    // The script for a word list, a search address ("%s" stands for the word; without one
    // the word is appended) and the links' state.
    static QString Script(const QStringList &words, const QString &searchAddress, bool shown);
    // The words of the list file's text: trimmed lines, "#" comments and blanks left out,
    // each at most 64 characters, at most 500 of them.
    static QStringList ReadWords(const QByteArray &text);

private:
    void install();

    QPointer<QWebEnginePage> m_page;
    QStringList m_words;
    QString m_searchAddress;
    bool m_shown = false;
};

class TWordLinksFactory : public QObject, public ITabvaneAddOnFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TabvaneAddOnFactory_iid)
    Q_INTERFACES(ITabvaneAddOnFactory)
public:
    ITabvaneAddOn *Create() override { return new TWordLinks; }
};
