#include "options/optionsdialog.h"

#include "browser/kwpagecontrol.h"
#include "components/tabcolors.h"
#include "groups/vessagroup.h"
#include "platform/registry.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

const QString TfrmOptions::StartupGroupMessage = QStringLiteral("Please select a valid startup VessaGroup.");

namespace {

// A PopupVessa row: the list keeps its rows sorted by text without regard to case, as the
// desktop's list views do.
class TPopupRow : public QListWidgetItem {
public:
    explicit TPopupRow(const QString &text) : QListWidgetItem(text)
    {
        setFlags(flags() | Qt::ItemIsEditable);
    }
    bool operator<(const QListWidgetItem &other) const override
    {
        const int c = text().compare(other.text(), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : text() < other.text();
    }
};

template <class T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QCheckBox *check(const char *name, const QString &caption) { return named(new QCheckBox(caption), name); }
QRadioButton *radio(const char *name, const QString &caption) { return named(new QRadioButton(caption), name); }

QWidget *page(const char *name, QLayout *layout)
{
    auto *w = named(new QWidget, name);
    w->setLayout(layout);
    return w;
}

void setSwatch(QWidget *swatch, const QColor &color)
{
    QPalette pal = swatch->palette();
    pal.setColor(QPalette::Window, color);
    swatch->setPalette(pal);
}

const char *const NewTabSources[] = {"Favorites", "History", "Search", "Links Toolbar", "Addresses typed in address combo"};
constexpr int AddressEntry = 4;

} // namespace

TfrmOptions::TfrmOptions(const TOptionsValues &values, TCommit commit, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_values(values),
      m_commit(std::move(commit))
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    m_dialogs.Information = [](QWidget *owner, const QString &message) {
        QMessageBox::information(owner, QStringLiteral("Options"), message);
    };
    m_dialogs.Error = [](QWidget *owner, const QString &message) {
        QMessageBox::critical(owner, QStringLiteral("Options"), message);
    };
    m_dialogs.ChooseColor = [](QWidget *owner, const QColor &initial) {
        return QColorDialog::getColor(initial, owner);
    };
    m_dialogs.ChooseGroup = [](QWidget *owner, const QString &folder) {
        return QFileDialog::getOpenFileName(owner, QStringLiteral("Choose Startup VessaGroup"), folder,
                                            QStringLiteral("VessaGroup Files (*.vgp)"));
    };

    tvOptions = named(new QTreeWidget, "tvOptions");
    tvOptions->setHeaderHidden(true);
    tvOptions->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvOptions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvOptions->setFixedWidth(150);
    tvOptions->setAccessibleName(QStringLiteral("Option pages"));
    pgOptions = named(new QStackedWidget, "pgOptions");
    for (QWidget *p : {buildGeneral(), buildBrowserTabs(), buildColors(), buildNewTabs(), buildStartup(),
                       buildAddressCompletion(), buildPopupVessa(), buildAddressBar(), buildFlyswat()})
        pgOptions->addWidget(p);
    buildTree();

    cmdOK = named(new QPushButton(QStringLiteral("OK")), "cmdOK");
    cmdCancel = named(new QPushButton(QStringLiteral("Cancel")), "cmdCancel");
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &TfrmOptions::cmdOKClick);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *top = new QHBoxLayout;
    top->addWidget(tvOptions);
    top->addWidget(pgOptions, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(top, 1);
    outer->addLayout(buttons);

    showValues(m_values);
    resize(570, 325);
    if (QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmOptions::buildTree()
{
    const auto node = [](const QString &caption, int index) {
        auto *item = new QTreeWidgetItem(QStringList{caption});
        item->setData(0, Qt::UserRole, index);
        return item;
    };
    auto *tabs = node(QStringLiteral("Browser Tabs"), BrowserTabs);
    tabs->addChild(node(QStringLiteral("Tab Colors"), Colors));
    tabs->addChild(node(QStringLiteral("New Tabs"), NewTabs));
    tvOptions->addTopLevelItems({node(QStringLiteral("General"), General), tabs, node(QStringLiteral("Startup"), Startup),
                                 node(QStringLiteral("Domain Completion"), AddressCompletion),
                                 node(QStringLiteral("PopupVessa"), PopupVessa), node(QStringLiteral("Address Bar"), AddressBar),
                                 node(QStringLiteral("Flyswat"), Flyswat)});
    tabs->setExpanded(true);
    connect(tvOptions, &QTreeWidget::currentItemChanged, this, &TfrmOptions::tvOptionsChange);
    tvOptions->setCurrentItem(tvOptions->topLevelItem(0));
}

QWidget *TfrmOptions::buildGeneral()
{
    chkDefaultBrowser = check("chkDefaultBrowser", QStringLiteral("Ask to make Tabvane the &default browser"));
    chkAllowMultiInstance = check("chkAllowMultiInstance", QStringLiteral("Allow &multiple instances of Tabvane"));
    chkMinToTray = check("chkMinToTray", QStringLiteral("Minimize to system &tray"));
    chkCBAutoExpand = check("chkCBAutoExpand", QStringLiteral("Close &unused folders in VessaBar tree views"));
    chkDisableAltShortcuts = check("chkDisableAltShortcuts", QStringLiteral("Disable &ALT shortcuts"));
    chkBreakFavorites = check("chkBreakFavorites", QStringLiteral("&Break Favorites menu into multiple columns"));
    chkToolbarShowColor = check("chkToolbarShowColor", QStringLiteral("Always show &color in toolbars"));
    chkUseCustomIcons = check("chkUseCustomIcons", QStringLiteral("Use custom &Favorites menu icons (can slow down loading)"));
    auto *l = new QVBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{chkDefaultBrowser, chkAllowMultiInstance, chkMinToTray, chkCBAutoExpand,
                                                       chkDisableAltShortcuts, chkBreakFavorites, chkToolbarShowColor,
                                                       chkUseCustomIcons})
        l->addWidget(w);
    l->addStretch(1);
    return page("tsGeneral", l);
}

QWidget *TfrmOptions::buildBrowserTabs()
{
    auto *note = named(new QLabel(QStringLiteral("Note: changes to these settings require a restart")), "Label4");
    chkMultipleLines = check("chkMultipleLines", QStringLiteral("Display browser tabs on &multiple lines"));
    chkTabsDown = check("chkTabsDown", QStringLiteral("Display browser tabs at &bottom of screen"));
    chkOpenInFront = check("chkOpenInFront", QStringLiteral("Open new browser tabs in &foreground (CTRL+F12)"));
    chkTandemGroupsCloseOthersFirst = check("chkTandemGroupsCloseOthersFirst",
                                            QStringLiteral("&Close other tabs when opening VessaGroups"));
    chkLimitTitles = check("chkLimitTitles", QStringLiteral("&Limit Browser Title Length"));
    spnMaxTitle = named(new QSpinBox, "spnMaxTitle");
    spnMaxTitle->setRange(1, 100);
    spnMaxTitle->setAccessibleName(QStringLiteral("Title length limit"));
    chkOpenNewAtEnd = check("chkOpenNewAtEnd", QStringLiteral("Open new tabs at &end (instead of next to source)"));
    connect(chkLimitTitles, &QCheckBox::toggled, this, &TfrmOptions::chkLimitTitlesClick);
    auto *limit = new QHBoxLayout;
    limit->addWidget(chkLimitTitles);
    limit->addWidget(spnMaxTitle);
    limit->addStretch(1);
    auto *l = new QVBoxLayout;
    l->addWidget(note);
    l->addWidget(chkMultipleLines);
    l->addWidget(chkTabsDown);
    l->addSpacing(8);
    l->addWidget(chkOpenInFront);
    l->addWidget(chkTandemGroupsCloseOthersFirst);
    l->addLayout(limit);
    l->addWidget(chkOpenNewAtEnd);
    l->addStretch(1);
    return page("tsBrowserTabs", l);
}

QWidget *TfrmOptions::buildColors()
{
    radColorReverse = radio("radColorReverse", QStringLiteral("Use &reversed color scheme"));
    radColorStandard = radio("radColorStandard", QStringLiteral("Use &standard color scheme"));
    radColorCustom = radio("radColorCustom", QStringLiteral("Use c&ustom color scheme"));
    for (QRadioButton *r : {radColorReverse, radColorStandard, radColorCustom})
        connect(r, &QRadioButton::toggled, this, [this](bool on) { if (on) colorSchemeClick(); });

    const auto swatchRow = [this](const char *panelName, const QString &caption, const char *buttonName,
                                  QWidget **panel, QPushButton **button) {
        *panel = named(new QFrame, panelName);
        auto *frame = static_cast<QFrame *>(*panel);
        frame->setFrameShape(QFrame::Box);
        frame->setAutoFillBackground(true);
        frame->setFixedSize(40, 20);
        *button = named(new QPushButton(QStringLiteral("...")), buttonName);
        (*button)->setFixedWidth(30);
        auto *row = new QHBoxLayout;
        auto *label = new QLabel(caption);
        label->setMinimumWidth(80);
        label->setBuddy(*button);   // its access key opens the colour chooser
        (*button)->setAccessibleName(QString(caption).remove(QLatin1Char('&')) + QStringLiteral(" color"));
        row->addWidget(label);
        row->addWidget(*panel);
        row->addWidget(*button);
        row->addStretch(1);
        return row;
    };
    pnlCustomColors = named(new QWidget, "pnlCustomColors");
    auto *custom = new QVBoxLayout(pnlCustomColors);
    custom->setContentsMargins(20, 0, 0, 0);
    custom->addLayout(swatchRow("pnlTabColor", QStringLiteral("Inactive &Tab"), "btnGetTabColor", &pnlTabColor, &btnGetTabColor));
    custom->addLayout(swatchRow("pnlFontColor", QStringLiteral("Inactive F&ont"), "btnGetFontColor", &pnlFontColor, &btnGetFontColor));
    connect(btnGetTabColor, &QPushButton::clicked, this, [this] { chooseColor(&m_tabBGR, pnlTabColor); });
    connect(btnGetFontColor, &QPushButton::clicked, this, [this] { chooseColor(&m_fontBGR, pnlFontColor); });

    // The preview is the program's own tab strip, so it shows exactly what the tabs will.
    pg = named(new TKWPageControl, "pg");
    pg->SetTabPosition(TKWPageControl::TabPosition::Bottom);
    pg->setFixedHeight(80);
    for (TKWTabSheet **sheet : {&ts1, &ts2}) {
        *sheet = new TKWTabSheet;
        (*sheet)->setObjectName(sheet == &ts1 ? QStringLiteral("ts1") : QStringLiteral("ts2"));
        auto *inner = new QVBoxLayout(*sheet);
        inner->addWidget(new QLabel(QStringLiteral("Preview Colors")), 0, Qt::AlignCenter);
        pg->InsertPage(*sheet, -1);
    }
    connect(pg, &TKWPageControl::Changed, this, &TfrmOptions::pgChange);
    pg->SetActivePage(ts1);
    pgChange();

    auto *l = new QVBoxLayout;
    l->addWidget(radColorReverse);
    l->addWidget(radColorStandard);
    l->addWidget(radColorCustom);
    l->addWidget(pnlCustomColors);
    l->addStretch(1);
    l->addWidget(pg);
    return page("tsColors", l);
}

QWidget *TfrmOptions::buildNewTabs()
{
    auto *lblNew = named(new QLabel(QStringLiteral("Default action for New button and CTRL+N shortcut")), "lblNew");
    radNewActionBlank = radio("radNewActionBlank", QStringLiteral("New &blank browser tab"));
    radNewActionCurrent = radio("radNewActionCurrent", QStringLiteral("New browser tab at &current location"));
    radNewActionHome = radio("radNewActionHome", QStringLiteral("New browser tab at &home page"));
    auto *lblSources = named(new QLabel(QStringLiteral("&Automatically open new browser tabs from:")), "lblNewBrowserTabs");
    clbNewTabs = named(new QListWidget, "clbNewTabs");
    clbNewTabs->setAccessibleName(QStringLiteral("Automatically open new browser tabs from"));
    lblSources->setBuddy(clbNewTabs);
    for (const char *text : NewTabSources) {
        auto *item = new QListWidgetItem(QString::fromLatin1(text), clbNewTabs);
        item->setFlags((item->flags() | Qt::ItemIsUserCheckable) & ~Qt::ItemIsEditable);
        item->setCheckState(Qt::Unchecked);
    }
    connect(clbNewTabs, &QListWidget::itemChanged, this, &TfrmOptions::clbNewTabsClickCheck);
    auto *l = new QVBoxLayout;
    l->addWidget(lblNew);
    for (QRadioButton *r : {radNewActionBlank, radNewActionCurrent, radNewActionHome})
        l->addWidget(r);
    l->addSpacing(8);
    l->addWidget(lblSources);
    l->addWidget(clbNewTabs, 1);
    return page("tsNewBrowserTabs", l);
}

QWidget *TfrmOptions::buildStartup()
{
    rdoStartupHome = radio("rdoStartupHome", QStringLiteral("Start Tabvane at &Home Page"));
    rdoStartupLast = radio("rdoStartupLast", QStringLiteral("Start Tabvane with &Last Open Sites"));
    rdoStartupTandemGroup = radio("rdoStartupTandemGroup", QStringLiteral("Start Tabvane with &VessaGroup"));
    edtStartupTandemGroup = named(new QLineEdit, "edtStartupTandemGroup");
    cmdStartTandemGroup = named(new QPushButton(QStringLiteral("...")), "cmdStartTandemGroup");
    cmdStartTandemGroup->setFixedWidth(30);
    edtStartupTandemGroup->setAccessibleName(QStringLiteral("Start-up VessaGroup file"));
    cmdStartTandemGroup->setAccessibleName(QStringLiteral("Choose the start-up VessaGroup"));
    for (QRadioButton *r : {rdoStartupHome, rdoStartupLast, rdoStartupTandemGroup})
        connect(r, &QRadioButton::toggled, this, &TfrmOptions::startupClick);
    connect(cmdStartTandemGroup, &QPushButton::clicked, this, &TfrmOptions::cmdStartTandemGroupClick);
    auto *path = new QHBoxLayout;
    path->setContentsMargins(20, 0, 0, 0);
    path->addWidget(edtStartupTandemGroup, 1);
    path->addWidget(cmdStartTandemGroup);
    auto *l = new QVBoxLayout;
    l->addWidget(rdoStartupHome);
    l->addWidget(rdoStartupLast);
    l->addWidget(rdoStartupTandemGroup);
    l->addLayout(path);
    l->addStretch(1);
    return page("tsStartup", l);
}

QWidget *TfrmOptions::buildAddressCompletion()
{
    auto *grid = new QGridLayout;
    const auto row = [grid](int r, const QString &label, QLineEdit *&pre, const char *preName, QLineEdit *&post,
                            const char *postName) {
        pre = named(new QLineEdit, preName);
        post = named(new QLineEdit, postName);
        auto *caption = new QLabel(label);
        caption->setBuddy(pre);
        post->setAccessibleName(QString(label).remove(QLatin1Char('&')) + QStringLiteral(" text after the address"));
        grid->addWidget(caption, r, 0);
        grid->addWidget(pre, r, 1);
        grid->addWidget(new QLabel(QStringLiteral("+ address +")), r, 2);
        grid->addWidget(post, r, 3);
    };
    row(0, QStringLiteral("&CTRL:"), edtCtrlPre, "edtCtrlPre", edtCtrlPost, "edtCtrlPost");
    row(1, QStringLiteral("&SHIFT:"), edtShiftPre, "edtShiftPre", edtShiftPost, "edtShiftPost");
    row(2, QStringLiteral("C&TRL+SHIFT:"), edtCtrlShiftPre, "edtCtrlShiftPre", edtCtrlShiftPost, "edtCtrlShiftPost");
    grid->setRowStretch(3, 1);
    return page("tsAddressCompletion", grid);
}

QWidget *TfrmOptions::buildPopupVessa()
{
    chkUsePopupVessa = check("chkUsePopupVessa", QStringLiteral("Use &PopupVessa - Close popup windows automatically"));
    lvPopupVessa = named(new QListWidget, "lvPopupVessa");
    lvPopupVessa->setSortingEnabled(true);
    lvPopupVessa->setSelectionMode(QAbstractItemView::SingleSelection);
    lvPopupVessa->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    lvPopupVessa->installEventFilter(this);
    btnInsert = named(new QPushButton(QStringLiteral("&Insert")), "btnInsert");
    btnEdit = named(new QPushButton(QStringLiteral("E&dit")), "btnEdit");
    btnDelete = named(new QPushButton(QStringLiteral("De&lete")), "btnDelete");
    connect(btnInsert, &QPushButton::clicked, this, &TfrmOptions::btnInsertClick);
    connect(btnEdit, &QPushButton::clicked, this, &TfrmOptions::btnEditClick);
    connect(btnDelete, &QPushButton::clicked, this, &TfrmOptions::btnDeleteClick);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(btnInsert);
    buttons->addWidget(btnEdit);
    buttons->addWidget(btnDelete);
    buttons->addStretch(1);
    auto *list = new QHBoxLayout;
    list->addWidget(lvPopupVessa, 1);
    list->addLayout(buttons);
    auto *l = new QVBoxLayout;
    l->addWidget(chkUsePopupVessa);
    auto *listCaption = new QLabel(QStringLiteral("E&nter the URL of popup windows to automatically close"));
    listCaption->setBuddy(lvPopupVessa);
    lvPopupVessa->setAccessibleName(QStringLiteral("URLs of popup windows to close"));
    l->addWidget(listCaption);
    l->addLayout(list, 1);
    return page("tsPopupVessa", l);
}

QWidget *TfrmOptions::buildAddressBar()
{
    chkShowGo = check("chkShowGo", QStringLiteral("Show &Go button in Address Bar"));
    chkAddressNewWin = check("chkAddressNewWin", QStringLiteral("&Open urls typed in Address Bar on new browser tab"));
    connect(chkAddressNewWin, &QCheckBox::toggled, this, &TfrmOptions::chkAddressNewWinClick);
    gbAutoComplete = named(new QGroupBox(QStringLiteral("AutoComplete")), "gbAutoComplete");
    rdoIE5AC = radio("rdoIE5AC", QStringLiteral("IE&5 style - complete using URL history"));
    rdoIE4AC = radio("rdoIE4AC", QStringLiteral("IE&4 Style - complete with last 25 entries"));
    rdoNoneAC = radio("rdoNoneAC", QStringLiteral("Do &not use AutoComplete"));
    lblACNote = named(new QLabel(QStringLiteral("Changing from IE5 style AutoComplete to an alternate style requires a restart")),
                      "lblACNote");
    lblACNote->setWordWrap(true);
    auto *ac = new QVBoxLayout(gbAutoComplete);
    ac->addWidget(rdoIE5AC);
    ac->addWidget(rdoIE4AC);
    ac->addWidget(rdoNoneAC);
    ac->addWidget(lblACNote);
    auto *l = new QVBoxLayout;
    l->addWidget(chkShowGo);
    l->addWidget(chkAddressNewWin);
    l->addWidget(gbAutoComplete);
    l->addStretch(1);
    return page("tsAddressBar", l);
}

QWidget *TfrmOptions::buildFlyswat()
{
    chkFlyswatEnabled = check("chkFlyswatEnabled", QStringLiteral("&Enable Flyswat links"));
    chkFlyswatShowLinks = check("chkFlyswatShowLinks", QStringLiteral("&Show Flyswat links by default"));
    connect(chkFlyswatEnabled, &QCheckBox::toggled, this, &TfrmOptions::chkFlyswatEnabledClick);
    auto *l = new QVBoxLayout;
    l->addWidget(chkFlyswatEnabled);
    l->addWidget(chkFlyswatShowLinks);
    l->addStretch(1);
    return page("tsFlyswat", l);
}

void TfrmOptions::showValues(const TOptionsValues &v)
{
    chkDefaultBrowser->setChecked(v.askDefaultBrowser);
    chkAllowMultiInstance->setChecked(v.allowMultiInstance);
    chkMinToTray->setChecked(v.minToTray);
    chkCBAutoExpand->setChecked(v.cbAutoExpand);
    chkDisableAltShortcuts->setChecked(v.disableAltShortcuts);
    chkBreakFavorites->setChecked(v.breakFavorites);
    chkToolbarShowColor->setChecked(v.toolbarShowColor);
    chkUseCustomIcons->setChecked(v.useCustomIcons);

    chkMultipleLines->setChecked(v.multipleLines);
    chkTabsDown->setChecked(v.tabsDown);
    chkOpenInFront->setChecked(v.openNewInForeground);
    chkTandemGroupsCloseOthersFirst->setChecked(v.vgCloseFirst);
    chkLimitTitles->setChecked(v.limitTitleLength != 0);
    // Without a limit the box offers the usual one when it is ticked.
    spnMaxTitle->setValue(v.limitTitleLength != 0 ? v.limitTitleLength : 35);
    chkOpenNewAtEnd->setChecked(v.openNewAtEnd);
    chkLimitTitlesClick();

    m_tabBGR = v.inactiveTabColor;
    m_fontBGR = v.inactiveFontColor;
    setSwatch(pnlTabColor, TTabColors::FromBGR(m_tabBGR));
    setSwatch(pnlFontColor, TTabColors::FromBGR(m_fontBGR));
    switch (v.colorScheme) {
    case TTabColorScheme::Standard: radColorStandard->setChecked(true); break;
    case TTabColorScheme::Reversed: radColorReverse->setChecked(true); break;
    case TTabColorScheme::Custom: radColorCustom->setChecked(true); break;
    }
    colorSchemeClick();

    (v.newAction == 1 ? radNewActionCurrent : v.newAction == 2 ? radNewActionHome : radNewActionBlank)->setChecked(true);
    const bool sources[] = {v.favoritesNewWin, v.historyNewWin, v.searchNewWin, v.linksNewWin, v.addressNewWin};
    for (int i = 0; i < 5; ++i)
        clbNewTabs->item(i)->setCheckState(sources[i] ? Qt::Checked : Qt::Unchecked);

    (v.startup == TStartupChoice::Last ? rdoStartupLast
     : v.startup == TStartupChoice::Home ? rdoStartupHome
                                         : rdoStartupTandemGroup)->setChecked(true);
    edtStartupTandemGroup->setText(v.startupVessaGroup);
    startupClick();

    edtCtrlPre->setText(v.completion.CtrlPre);
    edtCtrlPost->setText(v.completion.CtrlPost);
    edtShiftPre->setText(v.completion.ShiftPre);
    edtShiftPost->setText(v.completion.ShiftPost);
    edtCtrlShiftPre->setText(v.completion.CtrlShiftPre);
    edtCtrlShiftPost->setText(v.completion.CtrlShiftPost);

    chkUsePopupVessa->setChecked(v.usePopupVessa);
    {
        const QSignalBlocker quiet(lvPopupVessa);
        lvPopupVessa->setSortingEnabled(false);
        for (const QString &address : v.popupAddresses)
            lvPopupVessa->addItem(new TPopupRow(address));
        lvPopupVessa->setSortingEnabled(true);
        lvPopupVessa->sortItems();
    }

    chkShowGo->setChecked(v.showGo);
    chkAddressNewWin->setChecked(v.addressNewWin);
    // An engine of version 4 offers no completion from the history.
    rdoIE5AC->setVisible(!v.ie4Mode);
    lblACNote->setVisible(!v.ie4Mode);
    switch (v.EffectiveAutoCompleteStyle()) {
    case TAutoCompleteStyle::IE5: rdoIE5AC->setChecked(true); break;
    case TAutoCompleteStyle::IE4: rdoIE4AC->setChecked(true); break;
    case TAutoCompleteStyle::None: rdoNoneAC->setChecked(true); break;
    }

    chkFlyswatEnabled->setChecked(v.flyswatEnabled);
    chkFlyswatShowLinks->setChecked(v.flyswatShowLinks);
    chkFlyswatEnabledClick();
}

TOptionsValues TfrmOptions::Values() const
{
    TOptionsValues v = m_values;
    v.askDefaultBrowser = chkDefaultBrowser->isChecked();
    v.allowMultiInstance = chkAllowMultiInstance->isChecked();
    v.minToTray = chkMinToTray->isChecked();
    v.cbAutoExpand = chkCBAutoExpand->isChecked();
    v.disableAltShortcuts = chkDisableAltShortcuts->isChecked();
    v.breakFavorites = chkBreakFavorites->isChecked();
    v.toolbarShowColor = chkToolbarShowColor->isChecked();
    v.useCustomIcons = chkUseCustomIcons->isChecked();

    v.multipleLines = chkMultipleLines->isChecked();
    v.tabsDown = chkTabsDown->isChecked();
    v.openNewInForeground = chkOpenInFront->isChecked();
    v.vgCloseFirst = chkTandemGroupsCloseOthersFirst->isChecked();
    v.limitTitleLength = chkLimitTitles->isChecked() ? spnMaxTitle->value() : 0;
    v.openNewAtEnd = chkOpenNewAtEnd->isChecked();

    v.colorScheme = radColorStandard->isChecked() ? TTabColorScheme::Standard
                    : radColorCustom->isChecked() ? TTabColorScheme::Custom
                                                  : TTabColorScheme::Reversed;
    v.inactiveTabColor = m_tabBGR;
    v.inactiveFontColor = m_fontBGR;

    v.newAction = radNewActionCurrent->isChecked() ? 1 : radNewActionHome->isChecked() ? 2 : 0;
    const auto source = [this](int i) { return clbNewTabs->item(i)->checkState() == Qt::Checked; };
    v.favoritesNewWin = source(0);
    v.historyNewWin = source(1);
    v.searchNewWin = source(2);
    v.linksNewWin = source(3);
    v.addressNewWin = chkAddressNewWin->isChecked();

    v.startup = rdoStartupLast->isChecked()   ? TStartupChoice::Last
                : rdoStartupHome->isChecked() ? TStartupChoice::Home
                                              : TStartupChoice::Group;
    v.startupVessaGroup = edtStartupTandemGroup->text();

    v.completion.CtrlPre = edtCtrlPre->text();
    v.completion.CtrlPost = edtCtrlPost->text();
    v.completion.ShiftPre = edtShiftPre->text();
    v.completion.ShiftPost = edtShiftPost->text();
    v.completion.CtrlShiftPre = edtCtrlShiftPre->text();
    v.completion.CtrlShiftPost = edtCtrlShiftPost->text();

    v.usePopupVessa = chkUsePopupVessa->isChecked();
    v.popupAddresses.clear();
    for (int i = 0; i < lvPopupVessa->count(); ++i)
        v.popupAddresses.append(lvPopupVessa->item(i)->text());

    v.showGo = chkShowGo->isChecked();
    v.autoCompleteStyle = rdoIE5AC->isChecked()   ? TAutoCompleteStyle::IE5
                          : rdoIE4AC->isChecked() ? TAutoCompleteStyle::IE4
                                                  : TAutoCompleteStyle::None;

    v.flyswatEnabled = chkFlyswatEnabled->isChecked();
    v.flyswatShowLinks = chkFlyswatShowLinks->isChecked();
    return v;
}

void TfrmOptions::ShowPage(int index)
{
    QTreeWidgetItemIterator it(tvOptions);
    for (; *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toInt() == index) {
            tvOptions->setCurrentItem(*it);
            return;
        }
    }
}

int TfrmOptions::CurrentPage() const { return pgOptions->currentIndex(); }

void TfrmOptions::tvOptionsChange()
{
    if (QTreeWidgetItem *item = tvOptions->currentItem())
        pgOptions->setCurrentIndex(item->data(0, Qt::UserRole).toInt());
}

void TfrmOptions::chkLimitTitlesClick() { spnMaxTitle->setEnabled(chkLimitTitles->isChecked()); }

void TfrmOptions::colorSchemeClick()
{
    pnlCustomColors->setVisible(radColorCustom->isChecked());
    updatePreview();
}

void TfrmOptions::updatePreview()
{
    const TTabColorScheme scheme = radColorStandard->isChecked() ? TTabColorScheme::Standard
                                   : radColorCustom->isChecked() ? TTabColorScheme::Custom
                                                                 : TTabColorScheme::Reversed;
    TTabColors::For(scheme, m_tabBGR, m_fontBGR).ApplyTo(pg);
}

void TfrmOptions::pgChange()
{
    for (TKWTabSheet *sheet : {ts1, ts2})
        sheet->SetCaption(pg->ActivePage() == sheet ? QStringLiteral("Active Tab") : QStringLiteral("Inactive Tab"));
}

void TfrmOptions::chooseColor(int *bgr, QWidget *swatch)
{
    const QColor chosen = m_dialogs.ChooseColor(this, TTabColors::FromBGR(*bgr));
    if (!chosen.isValid())
        return;
    *bgr = TTabColors::ToBGR(chosen);
    setSwatch(swatch, chosen);
    updatePreview();
}

void TfrmOptions::clbNewTabsClickCheck(QListWidgetItem *item)
{
    // The typed-addresses entry and the Address Bar page's box are one setting.
    if (clbNewTabs->row(item) != AddressEntry || !chkAddressNewWin)
        return;
    const bool on = item->checkState() == Qt::Checked;
    if (chkAddressNewWin->isChecked() != on)
        chkAddressNewWin->setChecked(on);
}

void TfrmOptions::chkAddressNewWinClick()
{
    QListWidgetItem *entry = clbNewTabs->item(AddressEntry);
    const Qt::CheckState state = chkAddressNewWin->isChecked() ? Qt::Checked : Qt::Unchecked;
    if (entry->checkState() != state)
        entry->setCheckState(state);
}

void TfrmOptions::startupClick()
{
    const bool group = rdoStartupTandemGroup->isChecked();
    edtStartupTandemGroup->setEnabled(group);
    cmdStartTandemGroup->setEnabled(group);
}

void TfrmOptions::cmdStartTandemGroupClick()
{
    const QString path = m_dialogs.ChooseGroup(this, GroupFolder());
    if (!path.isEmpty())
        edtStartupTandemGroup->setText(path);
}

void TfrmOptions::btnInsertClick()
{
    // The list sorts itself: the new row, and each caption once it is edited, take their
    // sorted places.
    auto *row = new TPopupRow(QStringLiteral("New Item"));
    lvPopupVessa->addItem(row);
    lvPopupVessa->setCurrentItem(row);
    lvPopupVessa->setFocus();
    lvPopupVessa->editItem(row);
}

void TfrmOptions::btnEditClick()
{
    if (QListWidgetItem *row = lvPopupVessa->currentItem()) {
        lvPopupVessa->setFocus();
        lvPopupVessa->editItem(row);
    }
}

void TfrmOptions::btnDeleteClick()
{
    delete lvPopupVessa->currentItem();
}

bool TfrmOptions::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lvPopupVessa && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        // A key the caption's editor passes on to its parent list is not the list's own:
        // only a key pressed while the list itself has the focus starts an edit.
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && lvPopupVessa->currentItem()
                && lvPopupVessa->hasFocus()) {
            btnEditClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmOptions::chkFlyswatEnabledClick() { chkFlyswatShowLinks->setVisible(chkFlyswatEnabled->isChecked()); }

void TfrmOptions::cmdOKClick()
{
    const TOptionsValues values = Values();
    if (!values.StartupGroupValid()) {
        ShowPage(Startup);
        edtStartupTandemGroup->setFocus();
        m_dialogs.Information(this, StartupGroupMessage);
        return;
    }
    try {
        if (m_commit)
            m_commit(values);
    } catch (const RegistryError &e) {
        // Nothing was stored; the edits stay for another try or Cancel.
        m_dialogs.Error(this, e.message());
        return;
    } catch (const std::exception &e) {
        m_dialogs.Error(this, QString::fromLocal8Bit(e.what()));
        return;
    }
    accept();
}
