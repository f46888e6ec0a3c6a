#pragma once
// The platform browser's own settings (HKCU "Software\Microsoft\Internet Explorer\Main")
// and the Internet Options dialog that edits them: home page, search page, the four
// content switches, the days history is kept, and clearing cookies, cached files and history.

#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace TInternetSettings {
// "Start Page"; missing or empty: "about:blank".
QString StartPage();
bool SetStartPage(const QString &url);
// "Search Page"; missing or empty: the default search page (see urlinput.h).
QString SearchPage();
bool SetSearchPage(const QString &url);

// Clears the engine's visited links and the URL history store, then calls the handler
// installed here (views of the history refresh themselves with it).
void SetClearHistoryHandler(std::function<void()> handler);
void ClearHistory();

// The days pages stay in the history: "DaysToKeep" (REG_DWORD) of HKCU
// "Software\Microsoft\Windows\CurrentVersion\Internet Settings\Url History".
// Missing or unreadable: 20; kept between 0 (today only) and 999.
constexpr int DefaultHistoryDays = 20;
constexpr int MaxHistoryDays = 999;
int HistoryDays();
bool SetHistoryDays(int days);
}

class TInternetOptionsDialog : public QDialog {
    Q_OBJECT
public:
    // currentPage: the address "Use Current" puts into the home page box.
    explicit TInternetOptionsDialog(const QString &currentPage, QWidget *parent = nullptr);

    // Writes the settings and makes the engine follow them; false when the hive could
    // not be written.
    bool apply();

    // Asks before clearing; tests replace it. The default shows a question box.
    std::function<bool(const QString &question)> Confirm;

Q_SIGNALS:
    // Emitted after the user cleared history, so open history views can refresh.
    void historyCleared();

private:
    void deleteCookies();
    void deleteFiles();
    void clearHistory();

    QString m_currentPage;
    QLineEdit *edtStartPage;
    QPushButton *cmdUseCurrent;
    QPushButton *cmdUseDefault;
    QPushButton *cmdUseBlank;
    QLineEdit *edtSearchPage;
    QPushButton *cmdDeleteCookies;
    QPushButton *cmdDeleteFiles;
    QPushButton *cmdClearHistory;
    QSpinBox *edtHistoryDays;
    QCheckBox *chkImages;
    QCheckBox *chkVideos;
    QCheckBox *chkSounds;
    QCheckBox *chkAnimations;
};
