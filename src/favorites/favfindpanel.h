#pragma once
// The find panel of the Favorites page (pnlFindFavorites): "F&ind:", the edit
// edtFindFavorites, the button spdFindFavorites "Go" and the result list lvFindFavorites.
// Go or Enter in the edit searches the Favorites folder's names and addresses on a worker
// thread; the list shows the matches in the order found, or "No items found". A click on a
// result, or Space or Enter in the list, opens its address by "FavoritesNewWin" and Shift;
// the "No items found" row opens nothing. The results stay until the next search.

#include <QWidget>

#include <functional>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class TFavoritesFinder;
class TLinkLauncher;
struct TFavoriteMatch;

class TFavoritesFindPanel : public QWidget {
    Q_OBJECT
public:
    // folder: the Favorites folder now; newWin: the "FavoritesNewWin" setting, read when a
    // result is opened.
    TFavoritesFindPanel(TLinkLauncher *launcher, std::function<QString()> folder, const bool *newWin,
                        QWidget *parent = nullptr);

    QLineEdit *Edit() const { return m_edit; }
    QListWidget *List() const { return m_list; }
    TFavoritesFinder *Finder() const { return m_finder; }

    // Searches for the edit's text; an empty text only puts the focus in the edit.
    void Search();
    static QString NoItemsFound();

Q_SIGNALS:
    void SearchFinished();   // the list shows the results of the last search

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showResults(const QList<TFavoriteMatch> &matches);
    void open(QListWidgetItem *item);

    TLinkLauncher *m_launcher;
    std::function<QString()> m_folder;
    const bool *m_newWin;
    TFavoritesFinder *m_finder;
    QLineEdit *m_edit;
    QPushButton *m_go;
    QListWidget *m_list;
};
