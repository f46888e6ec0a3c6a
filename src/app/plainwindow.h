#pragma once
// A bare main window that stands in until TfrmMain exists: it takes part in the hand-over
// and reports on stderr what it would open ("tabvane: open group PATH", ...).

#include "app/handover.h"

#include <QMainWindow>
#include <QStringList>

class TPlainWindow : public QMainWindow, public THandOverTarget {
    Q_OBJECT
public:
    explicit TPlainWindow(const QStringList &arguments, QWidget *parent = nullptr);
    ~TPlainWindow() override;

    void RestoreAndRaise() override;
    void OpenGroup(const QString &path, bool closeOthersFirst) override;
    void OpenInNewForegroundTab(const QString &text) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void OpenInitialPages(const QStringList &arguments);

    THandOverReceiver *m_handOver;
};
