#pragma once
// TfrmOptions: the Options dialog. A tree on the left picks one of nine pages on the right;
// OK checks the start-up group, hands the edited values to the commit function (which
// stores them in one transaction and applies them to the window) and closes; a commit that
// fails shows its message and leaves the dialog open with the user's edits. Cancel closes
// without touching anything.

#include "options/optionsvalues.h"

#include <QColor>
#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;
class QWidget;
class QGroupBox;
class TKWPageControl;
class TKWTabSheet;

class TfrmOptions : public QDialog {
    Q_OBJECT
public:
    // Stores and applies the values; raises RegistryError when they cannot be stored.
    using TCommit = std::function<void(const TOptionsValues &values)>;

    // The dialogs the form opens, replaceable by tests.
    struct TDialogs {
        std::function<void(QWidget *owner, const QString &message)> Information;
        std::function<void(QWidget *owner, const QString &message)> Error;
        std::function<QColor(QWidget *owner, const QColor &initial)> ChooseColor;   // invalid: cancelled
        std::function<QString(QWidget *owner, const QString &folder)> ChooseGroup;  // "": cancelled
    };

    TfrmOptions(const TOptionsValues &values, TCommit commit, QWidget *parent = nullptr);

    TDialogs &Dialogs() { return m_dialogs; }
    // The values as the controls show them now.
    TOptionsValues Values() const;
    void ShowPage(int index);
    int CurrentPage() const;

    // The pages, in the order of their indexes.
    enum Page { General, BrowserTabs, Colors, NewTabs, Startup, AddressCompletion, PopupVessa, AddressBar, Flyswat };

    static const QString StartupGroupMessage;   // "Please select a valid startup VessaGroup."

private:
    QWidget *buildGeneral();
    QWidget *buildBrowserTabs();
    QWidget *buildColors();
    QWidget *buildNewTabs();
    QWidget *buildStartup();
    QWidget *buildAddressCompletion();
    QWidget *buildPopupVessa();
    QWidget *buildAddressBar();
    QWidget *buildFlyswat();
    void buildTree();
    void showValues(const TOptionsValues &v);

    void tvOptionsChange();
    void chkLimitTitlesClick();
    void colorSchemeClick();
    void updatePreview();
    void pgChange();
    void chooseColor(int *bgr, QWidget *swatch);
    void clbNewTabsClickCheck(QListWidgetItem *item);
    void chkAddressNewWinClick();
    void startupClick();
    void cmdStartTandemGroupClick();
    void btnInsertClick();
    void btnEditClick();
    void btnDeleteClick();
    void chkFlyswatEnabledClick();
    void cmdOKClick();
    bool eventFilter(QObject *watched, QEvent *event) override;

    TOptionsValues m_values;   // as opened: what the controls do not show
    TCommit m_commit;
    TDialogs m_dialogs;
    int m_tabBGR = 0;
    int m_fontBGR = 0;

    QTreeWidget *tvOptions = nullptr;
    QStackedWidget *pgOptions = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    // General
    QCheckBox *chkDefaultBrowser = nullptr;
    QCheckBox *chkAllowMultiInstance = nullptr;
    QCheckBox *chkMinToTray = nullptr;
    QCheckBox *chkCBAutoExpand = nullptr;
    QCheckBox *chkDisableAltShortcuts = nullptr;
    QCheckBox *chkBreakFavorites = nullptr;
    QCheckBox *chkToolbarShowColor = nullptr;
    QCheckBox *chkUseCustomIcons = nullptr;
    // Browser tabs
    QCheckBox *chkMultipleLines = nullptr;
    QCheckBox *chkTabsDown = nullptr;
    QCheckBox *chkOpenInFront = nullptr;
    QCheckBox *chkTandemGroupsCloseOthersFirst = nullptr;
    QCheckBox *chkLimitTitles = nullptr;
    QSpinBox *spnMaxTitle = nullptr;
    QCheckBox *chkOpenNewAtEnd = nullptr;
    // Tab colours
    QRadioButton *radColorReverse = nullptr;
    QRadioButton *radColorStandard = nullptr;
    QRadioButton *radColorCustom = nullptr;
    QWidget *pnlCustomColors = nullptr;
    QWidget *pnlTabColor = nullptr;
    QWidget *pnlFontColor = nullptr;
    QPushButton *btnGetTabColor = nullptr;
    QPushButton *btnGetFontColor = nullptr;
    TKWPageControl *pg = nullptr;
    TKWTabSheet *ts1 = nullptr;
    TKWTabSheet *ts2 = nullptr;
    // New tabs
    QRadioButton *radNewActionBlank = nullptr;
    QRadioButton *radNewActionCurrent = nullptr;
    QRadioButton *radNewActionHome = nullptr;
    QListWidget *clbNewTabs = nullptr;
    // Start-up
    QRadioButton *rdoStartupHome = nullptr;
    QRadioButton *rdoStartupLast = nullptr;
    QRadioButton *rdoStartupTandemGroup = nullptr;
    QLineEdit *edtStartupTandemGroup = nullptr;
    QPushButton *cmdStartTandemGroup = nullptr;
    // Domain completion
    QLineEdit *edtCtrlPre = nullptr;
    QLineEdit *edtCtrlPost = nullptr;
    QLineEdit *edtShiftPre = nullptr;
    QLineEdit *edtShiftPost = nullptr;
    QLineEdit *edtCtrlShiftPre = nullptr;
    QLineEdit *edtCtrlShiftPost = nullptr;
    // PopupVessa
    QCheckBox *chkUsePopupVessa = nullptr;
    QListWidget *lvPopupVessa = nullptr;
    QPushButton *btnInsert = nullptr;
    QPushButton *btnEdit = nullptr;
    QPushButton *btnDelete = nullptr;
    // Address bar
    QCheckBox *chkShowGo = nullptr;
    QCheckBox *chkAddressNewWin = nullptr;
    QGroupBox *gbAutoComplete = nullptr;
    QRadioButton *rdoIE5AC = nullptr;
    QRadioButton *rdoIE4AC = nullptr;
    QRadioButton *rdoNoneAC = nullptr;
    QLabel *lblACNote = nullptr;
    // Flyswat
    QCheckBox *chkFlyswatEnabled = nullptr;
    QCheckBox *chkFlyswatShowLinks = nullptr;
};
