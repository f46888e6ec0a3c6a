#pragma once
// TfrmSearchEngine: the modal editor of a search list, the search engines (mode 1) or the
// search panel's favorites (mode 0). Its rows are the list's entries (Title, Location) in
// stored order; OK writes them back in row order, Cancel writes nothing. A title that
// equals another row's without regard to case is refused with a message, since the list
// keeps titles as value names compared that way.

#include "components/listdialog.h"
#include "search/searchlist.h"

class QLabel;

class TfrmSearchEngine : public TListDialog {
    Q_OBJECT
public:
    enum Mode { SearchBarMode = 0, EnginesMode = 1 };

    TfrmSearchEngine(QWidget *owner, int mode);

    TSearchListKind Kind() const;
    TSearchEntries Entries() const;    // the rows, top to bottom

    // Components
    QTreeWidget *lstEngines;
    QLabel *lblPrompt;
    QLabel *lblTitle;
    QLabel *lblLocation;

    // Handlers
    void FormCreate();
    void lstEnginesEnter() { ListEnter(); }

protected:
    QStringList PanelValues() const override;
    bool PanelAcceptable() const override;
    bool Commit() override;

private:
    int m_mode;
};
