#pragma once
// TVersionCheck: asks the maker's host once per run whether a newer release exists, five
// seconds after the window is up, and offers to open the release's page in a new tab. A
// release is announced once: "CheckedVersion" is raised before the question is asked.
//
// The reply is plain text, one "NAME=value" per line: VERSION (shown as plain text),
// VERURL (opened only when it is an http or https address) and VERID (the release number).

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class ITabOpener;
class QTimer;
class QWidget;
class TGetter;

struct TVersionReply {
    QString version;
    QString verUrl;
    int verId = 118;    // a missing or non-integer VERID counts as 118
};

namespace TVersionRules {
// The reply's fields; names match without regard to case, other lines are ignored.
TVersionReply Parse(const QByteArray &data);
// Whether the reply announces a release the user has not been told about.
bool ShouldAnnounce(const TVersionReply &reply, int checkedVersion);
// host + "/vercheck.php?ver=<release>&kwid=<kwid>".
QUrl RequestUrl(const QString &host, const QString &kwid);
// The program's release number: version "6.01" is 601.
int ReleaseNumber();
QString Question(const QString &version);
}

class TVersionCheck : public QObject {
    Q_OBJECT
public:
    // Shows the question; true for "Yes".
    using TAsker = std::function<bool(QWidget *parent, const QString &text)>;

    TVersionCheck(ITabOpener *opener, QWidget *dialogParent, QObject *parent = nullptr);
    ~TVersionCheck() override;

    // Arms the one-shot timer, unless the check is switched off for this run
    // (TABVANE_VERSION_CHECK=0).
    void Start();
    bool Armed() const;
    // The timer's tick: runs the check when the program is online and has not checked
    // in this run.
    void Check();

    void SetAsker(TAsker asker) { m_asker = std::move(asker); }
    void SetGetterLimits(qint64 maxBytes, int timeoutMs);
    TGetter *Getter() const { return m_getter; }

Q_SIGNALS:
    // The check is over: skipped, failed, or its reply handled.
    void Finished();

private:
    void replyArrived(TGetter *getter);
    void handleReply(const TVersionReply &reply);

    ITabOpener *m_opener;
    QWidget *m_dialogParent;
    QTimer *m_timer;
    TGetter *m_getter = nullptr;
    TAsker m_asker;
    bool m_checked = false;
    qint64 m_maxBytes;
    int m_timeoutMs;
};
