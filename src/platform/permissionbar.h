#pragma once
// TPermissionBar: the question a page asks for a permission, as a bar above the page:
// "127.0.0.1 wants to use your camera.  [Allow] [Block]  [ ] Remember for this site".
// One question shows at a time; the same question asked again while it waits is not
// queued twice, and a page that asks for ever fills a short queue, not the window.

#include "platform/sitepermissions.h"

#include <QFrame>
#include <QList>
#include <QUrl>

class QCheckBox;
class QLabel;
class QPushButton;

struct TPermissionRequest {
    QUrl origin;
    TSiteFeature feature = TSiteFeature::Location;
    bool operator==(const TPermissionRequest &o) const
    {
        return feature == o.feature && TSitePermissions::SiteOf(origin) == TSitePermissions::SiteOf(o.origin);
    }
};

class TPermissionBar : public QFrame {
    Q_OBJECT
public:
    static constexpr int MaxQueued = 8;

    explicit TPermissionBar(QWidget *parent = nullptr);

    // Queues a question. False when the queue is full: the caller denies it at once.
    // A question already waiting is taken as queued.
    bool Ask(const TPermissionRequest &request);
    // The page withdrew its question.
    void Cancel(const TPermissionRequest &request);
    // Every waiting question, removed (the page navigated away: they are denied).
    QList<TPermissionRequest> TakeAll();
    QList<TPermissionRequest> Pending() const { return m_queue; }

    // Answers the shown question as the buttons do.
    void Answer(bool allow);

Q_SIGNALS:
    void Answered(const TPermissionRequest &request, bool allow, bool remember);

private:
    void showFirst();

    QList<TPermissionRequest> m_queue;
    QLabel *lblQuestion;
    QPushButton *cmdAllow;
    QPushButton *cmdBlock;
    QCheckBox *chkRemember;
};
