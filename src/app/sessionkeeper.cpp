#include "app/sessionkeeper.h"

#include "app/confirm.h"
#include "app/startup.h"
#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/tabopener.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {
// "url<position>=<address>": the position (1-based) and the address; position 0 when the
// line is not of that form.
int lastSitePosition(const QString &line, QString *address)
{
    const int eq = line.indexOf(QLatin1Char('='));
    *address = line.mid(eq + 1);
    if (eq < 4 || !line.startsWith(QLatin1String("url"), Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int position = line.mid(3, eq - 3).toInt(&ok);
    return ok && position > 0 ? position : 0;
}
}

TSessionKeeper::TSessionKeeper(TKWPageControl *pages, ITabOpener *opener, QWidget *owner)
    : QObject(owner), m_pages(pages), m_opener(opener), m_owner(owner),
      m_path(TSessionRecord::FilePath()), m_lock(QStringLiteral("session"))
{
    setObjectName(QStringLiteral("sessionKeeper"));
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setInterval(WriteDelayMs);
    connect(m_timer, &QTimer::timeout, this, &TSessionKeeper::writeNow);
}

TSessionKeeper::~TSessionKeeper()
{
    stopWriter();
}

void TSessionKeeper::stopWriter()
{
    if (!m_writerThread)
        return;
    // Writes already handed over finish first; the writer dies with its thread.
    m_writerThread->quit();
    m_writerThread->wait();
    delete m_writerThread;
    m_writerThread = nullptr;
    m_writer = nullptr;
}

bool TSessionKeeper::WritePending() const
{
    return m_timer->isActive();
}

bool TSessionKeeper::OfferRestore()
{
    // Another window of this user keeps the record: this one neither reads nor writes it.
    if (m_lock.tryAcquire())
        return false;
    m_owned = true;
    if (!m_lock.error().isEmpty())
        qWarning("tabvane: the lock of the record of open tabs failed: %s", qPrintable(m_lock.error()));

    QString error;
    switch (TSessionRecord::Read(m_path, &m_previous, &error)) {
    case TSessionRecord::ReadResult::Missing:
        return false;
    case TSessionRecord::ReadResult::Damaged:
        setAside(QStringLiteral("The record of the open tabs is damaged (%1) and is not used.").arg(error));
        return false;
    case TSessionRecord::ReadResult::Newer:
        setAside(QStringLiteral("The record of the open tabs was written by a newer version of Tabvane (%1) and is not used.").arg(error));
        return false;
    case TSessionRecord::ReadResult::Ok:
        break;
    }
    // Blank tabs alone are not worth a question.
    const bool worthAsking = std::any_of(m_previous.tabs.cbegin(), m_previous.tabs.cend(), [](const TSessionTab &t) {
        return !t.address.isEmpty() && t.address != QLatin1String("about:blank");
    });
    if (!m_previous.running || !worthAsking)
        return false;
    const TAnswer answer = ask(int(m_previous.tabs.size()));
    m_unanswered = answer == TAnswer::Unanswered;
    if (answer != TAnswer::Restore)
        m_previous = TSessionRecord();   // a crashed run's record says nothing of "Last Open Sites"
    return answer == TAnswer::Restore;
}

TSessionKeeper::TAnswer TSessionKeeper::ask(int count)
{
    const QString preset = qEnvironmentVariable(AnswerVariable).trimmed().toLower();
    if (preset == QLatin1String("restore"))
        return TAnswer::Restore;
    if (preset == QLatin1String("normal"))
        return TAnswer::StartNormally;
    const QString prompt = count == 1 ? QStringLiteral("Restore the tab that was open?")
                                      : QStringLiteral("Restore the %1 tabs that were open?").arg(count);
    TfrmConfirm dialog(m_owner);
    dialog.Setup(QStringLiteral("Tabvane"), QStringLiteral("Tabvane did not close properly."), prompt,
                 QStringLiteral("Restore"), QStringLiteral("Start normally"), QString(), false);
    bool startNormally = false;
    connect(dialog.cmdCancel, &QPushButton::clicked, &dialog, [&startNormally] { startNormally = true; });
    if (dialog.exec() == QDialog::Accepted)
        return TAnswer::Restore;
    // Closed without a button: Escape, the window's close box, or the desktop session ending.
    return startNormally ? TAnswer::StartNormally : TAnswer::Unanswered;
}

void TSessionKeeper::setAside(const QString &why)
{
    // The file stays for whoever wants to look at it; the next write starts a new record.
    const QString kept = m_path + QStringLiteral(".ignored");
    QFile::remove(kept);
    const bool moved = QFile::rename(m_path, kept);
    const QString text = why + (moved ? QStringLiteral(" The file was kept as %1.").arg(kept) : QString());
    qWarning("tabvane: %s", qPrintable(text));
    // Shown once the window is up; start-up goes on meanwhile.
    const QPointer<QWidget> owner = m_owner;
    QTimer::singleShot(0, this, [owner, text] {
        auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Tabvane"), text,
                                    QMessageBox::Ok, owner);
        box->setObjectName(QStringLiteral("sessionRecordMessage"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
}

void TSessionKeeper::RestoreTabs(TBrowserTab *first, bool activate)
{
    m_restoreTabs = m_previous.tabs;
    m_restoreNext = 0;
    m_restoreActive = activate ? m_previous.active : -1;
    m_lastRestored = nullptr;
    if (first && !m_restoreTabs.isEmpty()) {
        openEntry(first, 0);
        m_lastRestored = first;
        m_restoreNext = 1;
    }
    m_activeAtStart = m_pages->ActivePage();
    if (IsRestoring())
        QTimer::singleShot(0, this, &TSessionKeeper::restoreBatch);
    else
        Q_EMIT RestoreFinished();
}

void TSessionKeeper::intend(TBrowserTab *tab, const TSessionTab &intended)
{
    if (!m_intended.contains(tab))
        connect(tab, &QObject::destroyed, this, [this](QObject *gone) { m_intended.remove(gone); });
    m_intended.insert(tab, intended);
}

void TSessionKeeper::openEntry(TBrowserTab *tab, int index)
{
    const TSessionTab &entry = m_restoreTabs.at(index);
    TSessionTab intended = entry;
    if (intended.address.isEmpty())
        intended.address = QStringLiteral("about:blank");
    intend(tab, intended);
    tab->FirstLoad = true;
    if (!entry.stickyName.isEmpty())
        tab->SetStickyName(entry.stickyName);
    tab->SetHideFromCloseAll(entry.hideFromCloseAll);
    // Locked once its page is there: a locked tab would send its own first page to a new tab.
    tab->NavigateTo(intended.address);
    if (entry.locked)
        tab->LockAfterLoad = true;
}

void TSessionKeeper::restoreBatch()
{
    if (m_finished)
        return;
    QElapsedTimer clock;
    clock.start();
    while (IsRestoring()) {
        const int index = m_restoreNext++;
        TKWTabSheet *activeBefore = m_pages->ActivePage();
        TBrowserTab *tab = m_opener->CreateBackgroundTab();
        if (tab) {
            // Restored tabs follow each other whatever the placement of new tabs.
            const int after = m_lastRestored ? m_pages->IndexOfPage(m_lastRestored) : -1;
            m_pages->MovePage(tab, after >= 0 ? after + 1 : m_pages->PageCount() - 1);
            if (m_pages->ActivePage() == tab && activeBefore && m_pages->IndexOfPage(activeBefore) >= 0)
                m_pages->SetActivePage(activeBefore);
            openEntry(tab, index);
            m_lastRestored = tab;
            if (index == m_restoreActive && m_pages->ActivePage() == m_activeAtStart)
                m_pages->SetActivePage(tab);
        }
        if (clock.elapsed() >= m_restoreBatchMs)
            break;
    }
    if (IsRestoring()) {
        QTimer::singleShot(0, this, &TSessionKeeper::restoreBatch);
        return;
    }
    changed();
    Q_EMIT RestoreFinished();
}

void TSessionKeeper::ApplyToLastSites(const QList<QPair<TBrowserTab *, QString>> &opened, bool activate)
{
    TBrowserTab *active = nullptr;
    for (const auto &pair : opened) {
        TBrowserTab *tab = pair.first;
        if (!tab)
            continue;
        TSessionTab intended;
        const int position = lastSitePosition(pair.second, &intended.address);
        // Only the record of an orderly shutdown describes the tabs of "Last Open Sites".
        const bool described = !m_previous.running && position >= 1 && position <= m_previous.tabs.size()
                               && m_previous.tabs.at(position - 1).address == intended.address;
        if (described) {
            const TSessionTab &entry = m_previous.tabs.at(position - 1);
            if (!entry.stickyName.isEmpty())
                tab->SetStickyName(entry.stickyName);
            tab->SetHideFromCloseAll(entry.hideFromCloseAll);
            if (entry.locked)
                tab->LockAfterLoad = true;
            intended.locked = entry.locked;
            if (position - 1 == m_previous.active)
                active = tab;
        }
        intend(tab, intended);
    }
    if (activate && active)
        m_pages->SetActivePage(active);
}

void TSessionKeeper::Start()
{
    if (!m_owned || m_keeping || m_finished)
        return;
    m_keeping = true;
    connect(m_pages, &TKWPageControl::Changed, this, &TSessionKeeper::changed);
    connect(m_pages, &TKWPageControl::PagesChanged, this, [this] {
        watchTabs();
        changed();
    });
    watchTabs();
    changed();
}

void TSessionKeeper::watchTabs()
{
    for (int i = 0; i < m_pages->PageCount(); ++i) {
        if (auto *tab = qobject_cast<TBrowserTab *>(m_pages->Page(i)))
            connect(tab, &TBrowserTab::StateChanged, this, &TSessionKeeper::changed, Qt::UniqueConnection);
    }
}

void TSessionKeeper::changed()
{
    // Not restarted by later changes: a window that keeps changing is still written every
    // WriteDelayMs.
    if (m_keeping && !m_timer->isActive())
        m_timer->start();
}

TSessionRecord TSessionKeeper::Snapshot() const
{
    TSessionRecord record;
    record.running = true;
    // Entries of a restore in progress that have no tab yet stand after the last restored
    // tab, so that a crash during the restore loses none of them.
    const auto addPending = [this, &record] {
        for (int i = m_restoreNext; i < m_restoreTabs.size(); ++i)
            record.tabs.append(m_restoreTabs.at(i));
    };
    const bool pendingAtEnd = IsRestoring() && (!m_lastRestored || m_pages->IndexOfPage(m_lastRestored) < 0);
    const TKWTabSheet *activePage = m_pages->ActivePage();
    for (int i = 0; i < m_pages->PageCount(); ++i) {
        const auto *tab = qobject_cast<const TBrowserTab *>(m_pages->Page(i));
        // Hidden tabs are popups waiting for the filter, not tabs of the user.
        if (tab && tab->TabVisible() && !tab->IsClosing()) {
            TSessionTab entry;
            entry.address = tab->Location();
            entry.stickyName = tab->StickyName;
            entry.locked = tab->Locked;
            entry.hideFromCloseAll = tab->HideFromCloseAll;
            const auto intended = m_intended.constFind(tab);
            if (entry.address.isEmpty() && intended != m_intended.constEnd()) {
                entry.address = intended->address;
                entry.locked = entry.locked || intended->locked;
            }
            if (tab == activePage)
                record.active = int(record.tabs.size());
            record.tabs.append(entry);
        }
        if (IsRestoring() && !pendingAtEnd && m_pages->Page(i) == m_lastRestored)
            addPending();
    }
    if (pendingAtEnd)
        addPending();
    return record;
}

void TSessionKeeper::writeNow()
{
    if (!m_keeping)
        return;
    const TSessionRecord record = Snapshot();
    if (m_written && record == m_lastWritten)
        return;
    m_lastWritten = record;
    m_written = true;
    if (!m_writerThread) {
        m_writerThread = new QThread;
        m_writerThread->setObjectName(QStringLiteral("session writer"));
        m_writer = new QObject;
        m_writer->moveToThread(m_writerThread);
        connect(m_writerThread, &QThread::finished, m_writer, &QObject::deleteLater);
        m_writerThread->start(QThread::LowPriority);
    }
    const QPointer<TSessionKeeper> self(this);
    QMetaObject::invokeMethod(m_writer, [self, path = m_path, data = record.Serialize()] {
        QString error;
        const bool ok = TSessionRecord::WriteData(path, data, &error);
        QMetaObject::invokeMethod(self, [self, ok, error] {
            if (self)
                self->written(ok, error);
        }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

void TSessionKeeper::written(bool ok, const QString &error)
{
    if (!ok) {
        // Said once per kind of failure, not every second; tried again a second later.
        if (error != m_lastError)
            qWarning("tabvane: the record of open tabs was not written to %s: %s", qPrintable(m_path), qPrintable(error));
        m_lastError = error;
        m_written = false;
        changed();
        return;
    }
    m_lastError.clear();
    Q_EMIT Written();
}

void TSessionKeeper::Finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_timer->stop();
    // A restore still under way ends here; its remaining entries are not open tabs.
    m_restoreTabs.clear();
    m_restoreNext = 0;
    if (!m_keeping)
        return;
    if (m_unanswered && !m_written && ShutdownBySignal(m_owner)) {
        // The desktop ended the session while the question was up (nothing of this run has
        // replaced the record yet): the tabs of the run before are offered at the next start.
        m_keeping = false;
        stopWriter();
        return;
    }
    TSessionRecord record = Snapshot();
    m_keeping = false;
    disconnect(m_pages, nullptr, this, nullptr);
    // The last word: after every earlier write, on this thread.
    stopWriter();
    record.running = false;
    QString error;
    if (record.Write(m_path, &error))
        Q_EMIT Written();
    else
        qWarning("tabvane: the record of open tabs was not written to %s: %s", qPrintable(m_path), qPrintable(error));
}
