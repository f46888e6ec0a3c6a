#pragma once
// TWebProfile: the one persistent web engine profile of the process, named "Tabvane",
// with its storage in $XDG_DATA_HOME/tabvane/WebEngine and its cache in
// $XDG_CACHE_HOME/tabvane/WebEngine. It applies the platform settings the pages follow:
//
// User agent. The value names under HKLM "...\Internet Settings\User Agent\Post Platform"
// (below "Software\Microsoft\Windows\CurrentVersion") are tokens added to the engine's
// default user agent, each as "; name" at the end of its first parenthesised part:
//   Mozilla/5.0 (X11; Linux x86_64; Tabvane 6.01) AppleWebKit/537.36 ...
// A user agent without parentheses gets " (name; name)" appended.
//
// Content options. HKCU "Software\Microsoft\Internet Explorer\main": "Display Inline
// Images", "Display Inline Videos", "Play_Background_Sounds", "Play_Animations"; exactly
// "yes" is on, a missing value is on, anything else is off. Off means: images are not
// loaded; media does not start without a user gesture; pages are muted; CSS animations and
// transitions are blocked by a style sheet injected into every frame.
//
// Both are read when the profile is created and again by refresh(); the browser control
// refreshes before every navigation and reload, so pages follow a change at their next load.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class QWebEngineProfile;
class QWebEnginePage;
class QWebEngineDownloadRequest;

struct TContentOptions {
    bool images = true;
    bool videos = true;
    bool sounds = true;
    bool animations = true;
    bool operator==(const TContentOptions &o) const
    {
        return images == o.images && videos == o.videos && sounds == o.sounds
                && animations == o.animations;
    }
    bool operator!=(const TContentOptions &o) const { return !(*this == o); }
};

class TWebProfile : public QObject {
    Q_OBJECT
public:
    // Created on first use; needs the application object. Owned by the application.
    static TWebProfile *instance();
    ~TWebProfile() override;
    QWebEngineProfile *profile() const { return m_profile; }
    // Random text of this process that marks console messages of the injected scripts.
    QString sessionNonce() const { return m_nonce; }

    // User agent
    static QStringList PostPlatformTokens();
    static QString UserAgentWithTokens(const QString &userAgent, const QStringList &tokens);
    QString defaultUserAgent() const { return m_defaultUserAgent; }
    void refreshUserAgent();

    // Content options
    static TContentOptions ReadContentOptions();
    // Returns false when the hive could not be written.
    static bool WriteContentOptions(const TContentOptions &options);
    TContentOptions contentOptions() const { return m_content; }
    void refreshContentOptions();

    // Both of the above.
    void refresh();
    // refresh() only when the settings hive was written since the last refresh: every
    // navigation calls this, so a burst of loads (a group, restored sites) costs one stat.
    void refreshIfChanged();

    // Pages created on the profile register here so that per-page settings (mute,
    // autoplay) follow the content options. Attaching again re-applies them.
    void attachPage(QWebEnginePage *page);

    // Internet options: clearing private data.
    void clearCookies();
    void clearCache();
    void clearVisitedLinks();

    // Who takes file downloads (not the saves of a page, which the control that asked
    // follows itself). The handler accepts or cancels the request. Without one the user
    // is asked for the file with a plain dialog.
    using TDownloadHandler = std::function<void(QWebEngineDownloadRequest *request)>;
    void setDownloadHandler(TDownloadHandler handler) { m_downloadHandler = std::move(handler); }

    // Process-wide engine flags that follow the content options (animated images can only
    // be frozen this way). Call before the application object is created.
    static void PrepareProcessFlags();
    // The program's own address schemes; registered before the application object exists.
    // "tabvane:" pages are the program's own (a web page cannot link to them); "def:" is a
    // prefix a page puts before an address to keep it in the search panel, a scheme so that
    // the engine asks the program about it instead of handing it to the desktop.
    static constexpr const char *OwnScheme = "tabvane";
    static constexpr const char *KeepScheme = "def";
    static void RegisterSchemes();
    // "6.4.2 (Chromium 102.0.5005.177)": the engine's version for the About box.
    static QString EngineVersionText();

Q_SIGNALS:
    void contentOptionsChanged(const TContentOptions &options);

private:
    explicit TWebProfile(QObject *parent);
    void applyToPage(QWebEnginePage *page) const;
    void onDownloadRequested(QObject *request);

    QWebEngineProfile *m_profile = nullptr;
    QString m_nonce;
    QByteArray m_hiveStamp;
    QString m_defaultUserAgent;
    QStringList m_tokens;
    TContentOptions m_content;
    bool m_contentRead = false;
    QList<QPointer<QWebEnginePage>> m_pages;
    TDownloadHandler m_downloadHandler;
};
