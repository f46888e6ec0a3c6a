#include "search/searchengine.h"

#include "platform/registry.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTreeWidget>

namespace {

TListDialogLayout searchListLayout()
{
    TListDialogLayout layout;
    layout.ListName = QStringLiteral("lstEngines");
    layout.Columns = {QStringLiteral("Title"), QStringLiteral("Location")};
    layout.ColumnWidths = {100, 360};
    layout.ClientWidth = 581;
    layout.ClientHeight = 312;
    layout.ListTop = 30;
    layout.TitleLabelName = QStringLiteral("lblTitle");
    layout.TitleLabelText = QStringLiteral("&Title:");
    layout.LocationLabelName = QStringLiteral("lblLocation");
    layout.LocationLabelText = QStringLiteral("&Location:");
    return layout;
}

}

TfrmSearchEngine::TfrmSearchEngine(QWidget *owner, int mode)
    : TListDialog(owner, searchListLayout()), m_mode(mode == EnginesMode ? EnginesMode : SearchBarMode)
{
    setObjectName(QStringLiteral("frmSearchEngine"));
    setWindowTitle(m_mode == EnginesMode ? QStringLiteral("Organize Search Engines")
                                         : QStringLiteral("Organize Search Bar"));
    lstEngines = List;
    lstEngines->setAccessibleName(m_mode == EnginesMode ? QStringLiteral("Search engines")
                                                        : QStringLiteral("Search bar entries"));
    lblTitle = TitleLabel;
    lblLocation = LocationLabel;
    lblPrompt = new QLabel(QStringLiteral("The first search engine listed will be the default search engine for Tabvane."),
                           this);
    lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    lblPrompt->setGeometry(8, 6, 560, 18);
    edtLocation->setToolTip(QStringLiteral("%s in the address stands for the words searched for"));
    FormCreate();
}

TSearchListKind TfrmSearchEngine::Kind() const
{
    return m_mode == EnginesMode ? TSearchListKind::Engines : TSearchListKind::SearchBar;
}

void TfrmSearchEngine::FormCreate()
{
    TSearchEntries entries;
    try {
        entries = TSearchList::Read(Kind());
    } catch (const RegistryError &e) {
        QMessageBox::warning(this, windowTitle(), e.message());
    }
    for (const TSearchEntry &e : qAsConst(entries))
        AppendRow({e.title, e.location});
    ListEnter();
}

TSearchEntries TfrmSearchEngine::Entries() const
{
    TSearchEntries entries;
    for (int row = 0; row < RowCount(); ++row) {
        const QStringList texts = RowTexts(row);
        entries.append({texts.value(0), texts.value(1)});
    }
    return entries;
}

QStringList TfrmSearchEngine::PanelValues() const
{
    return {edtTitle->text().trimmed(), edtLocation->text().trimmed()};
}

bool TfrmSearchEngine::PanelAcceptable() const
{
    const QStringList values = PanelValues();
    if (values.at(0).isEmpty() || values.at(1).isEmpty())
        return false;
    TSearchEntries entries = Entries();
    if (EditIndex() >= 0 && EditIndex() < entries.size())
        entries.removeAt(EditIndex());
    entries.append({values.at(0), values.at(1)});
    QString message;
    if (TSearchList::FindTitleClash(entries, &message) >= 0) {
        QMessageBox::warning(const_cast<TfrmSearchEngine *>(this), windowTitle(), message);
        edtTitle->setFocus();
        edtTitle->selectAll();
        return false;
    }
    return true;
}

bool TfrmSearchEngine::Commit()
{
    // A failure keeps the dialog open with the user's rows.
    try {
        TSearchList::Write(Kind(), Entries());
        return true;
    } catch (const TSearchListError &e) {
        QMessageBox::warning(this, windowTitle(), e.message());
    } catch (const RegistryError &e) {
        QMessageBox::warning(this, windowTitle(), e.message());
    }
    return false;
}
