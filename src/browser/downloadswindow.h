#pragma once
// TDownloadsWindow: the Downloads window. One row per download of the list it shows: the
// file name, a progress bar, what is done of the size, the speed and the time left, and the
// buttons that fit its state (Pause / Resume / Cancel while it runs, Open / Open Folder once
// it is complete, Retry when it failed or was cancelled, Clear for a finished row). "Clear
// List" removes every finished row; the check box says whether the window opens when a
// download starts.

#include <QHash>
#include <QWidget>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;
class TDownloadList;

class TDownloadRow : public QWidget {
    Q_OBJECT
public:
    TDownloadRow(TDownloadList *list, int id, QWidget *parent = nullptr);
    int Id() const { return m_id; }
    void Refresh();

Q_SIGNALS:
    void RetryRequested(int id);

private:
    TDownloadList *m_list;
    int m_id;
    QLabel *m_name;
    QProgressBar *m_progress;
    QLabel *m_status;
    QPushButton *m_pause, *m_resume, *m_cancel, *m_open, *m_openFolder, *m_retry, *m_clear;
};

class TDownloadsWindow : public QWidget {
    Q_OBJECT
public:
    TDownloadsWindow(TDownloadList *list, QWidget *parent = nullptr);

    void SetShowWhenStarting(bool on);
    TDownloadRow *Row(int id) const { return m_rows.value(id); }

Q_SIGNALS:
    void RetryRequested(int id);
    void ShowWhenStartingToggled(bool on);
    void VisibilityChanged(bool visible);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void addRow(int id);
    void removeRow(int id);
    void updateEmpty();

    TDownloadList *m_list;
    QVBoxLayout *m_rowsLayout;
    QLabel *m_empty;
    QCheckBox *m_showWhenStarting;
    QPushButton *m_clearList;
    QHash<int, TDownloadRow *> m_rows;
};
