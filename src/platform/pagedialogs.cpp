#include "platform/pagedialogs.h"

#include "platform/registry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QString PageSetupKey = QStringLiteral("Software\\Microsoft\\Internet Explorer\\PageSetup");
const double DefaultMarginInches = 0.75;
const double MmPerInch = 25.4;

QString g_printToFile;
QString g_lastSaveDir;

QPageSize defaultPaper()
{
    const QLocale::Territory t = QLocale::system().territory();
    if (t == QLocale::UnitedStates || t == QLocale::Canada || t == QLocale::Mexico)
        return QPageSize(QPageSize::Letter);
    return QPageSize(QPageSize::A4);
}

double readInches(const TRegistry &reg, const QString &name)
{
    const RegValue v = reg.readValue(PageSetupKey, name);
    bool ok = false;
    const double inches = v.text.trimmed().toDouble(&ok);
    if (!ok || inches < 0 || inches > 5)
        return DefaultMarginInches;
    return inches;
}

const QList<QPageSize::PageSizeId> &paperChoices()
{
    static const QList<QPageSize::PageSizeId> ids = {
        QPageSize::A4, QPageSize::Letter, QPageSize::Legal, QPageSize::A3, QPageSize::A5,
        QPageSize::B5, QPageSize::Executive, QPageSize::Tabloid,
    };
    return ids;
}
}

namespace TPageSettings {

QPageLayout PageLayout()
{
    QPageSize paper = defaultPaper();
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF margins(DefaultMarginInches * MmPerInch, DefaultMarginInches * MmPerInch,
                      DefaultMarginInches * MmPerInch, DefaultMarginInches * MmPerInch);
    try {
        const TRegistry reg(RegRoot::CurrentUser);
        margins = QMarginsF(readInches(reg, QStringLiteral("margin_left")) * MmPerInch,
                            readInches(reg, QStringLiteral("margin_top")) * MmPerInch,
                            readInches(reg, QStringLiteral("margin_right")) * MmPerInch,
                            readInches(reg, QStringLiteral("margin_bottom")) * MmPerInch);
        const QString key = reg.readValue(PageSetupKey, QStringLiteral("paper_size")).text;
        for (QPageSize::PageSizeId id : paperChoices())
            if (QPageSize::key(id) == key)
                paper = QPageSize(id);
        if (reg.readValue(PageSetupKey, QStringLiteral("orientation")).text == QLatin1String("landscape"))
            orientation = QPageLayout::Landscape;
    } catch (const RegistryError &) {
        // Defaults for a hive that cannot be read.
    }
    QPageLayout layout(paper, orientation, QMarginsF(), QPageLayout::Millimeter);
    layout.setMode(QPageLayout::StandardMode);
    layout.setMargins(margins);
    return layout;
}

void SetPageLayout(const QPageLayout &layout)
{
    // Millimetres converted here: the layout's own inch figures are rounded to 0.01 in.
    const QMarginsF m = layout.margins(QPageLayout::Millimeter) / MmPerInch;
    auto text = [](double inches) { return QString::number(inches, 'f', 6); };
    TRegistry reg(RegRoot::CurrentUser);
    reg.writeString(PageSetupKey, QStringLiteral("margin_left"), text(m.left()));
    reg.writeString(PageSetupKey, QStringLiteral("margin_top"), text(m.top()));
    reg.writeString(PageSetupKey, QStringLiteral("margin_right"), text(m.right()));
    reg.writeString(PageSetupKey, QStringLiteral("margin_bottom"), text(m.bottom()));
    reg.writeString(PageSetupKey, QStringLiteral("paper_size"), layout.pageSize().key());
    reg.writeString(PageSetupKey, QStringLiteral("orientation"),
                    layout.orientation() == QPageLayout::Landscape ? QStringLiteral("landscape")
                                                                   : QStringLiteral("portrait"));
}

QString PrintToFile() { return g_printToFile; }
void SetPrintToFile(const QString &path) { g_printToFile = path; }

}

QString SuggestedSaveName(const QString &title, TSaveFormat format)
{
    QString name;
    for (QChar c : title) {
        if (c.category() == QChar::Other_Control || QStringLiteral("/\\:*?\"<>|").contains(c))
            name += QLatin1Char(' ');
        else
            name += c;
    }
    name = name.simplified().left(100).trimmed();
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    if (name.isEmpty())
        name = QStringLiteral("Untitled");
    return name + (format == TSaveFormat::Mhtml ? QStringLiteral(".mht") : QStringLiteral(".htm"));
}

QString SaveAsStartFolder(const QString &lastUsed)
{
    if (!lastUsed.isEmpty() && QFileInfo(lastUsed).isDir())
        return QFileInfo(lastUsed).absoluteFilePath();
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!downloads.isEmpty() && QDir().mkpath(downloads))
        return QFileInfo(downloads).absoluteFilePath();
    return QDir::homePath();
}

bool AskSaveAsPath(QWidget *parent, const QString &title, QString *path, TSaveFormat *format)
{
    const QStringList filters = {
        QObject::tr("Web Page, complete (*.htm *.html)"),
        QObject::tr("Web Page, HTML only (*.htm *.html)"),
        QObject::tr("Web Archive, single file (*.mht *.mhtml)"),
    };
    QFileDialog dialog(parent, QObject::tr("Save Web Page"));
    dialog.setObjectName(QStringLiteral("dlgSaveAs"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    // A folder that does not exist would leave the dialog in the working folder.
    dialog.setDirectory(SaveAsStartFolder(g_lastSaveDir));
    dialog.selectFile(SuggestedSaveName(title, TSaveFormat::Complete));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const int index = filters.indexOf(dialog.selectedNameFilter());
    const TSaveFormat chosen = index == 2 ? TSaveFormat::Mhtml
            : index == 1 ? TSaveFormat::SingleHtml : TSaveFormat::Complete;
    QString file = dialog.selectedFiles().first();
    if (QFileInfo(file).suffix().isEmpty())
        file += chosen == TSaveFormat::Mhtml ? QStringLiteral(".mht") : QStringLiteral(".htm");
    g_lastSaveDir = QFileInfo(file).absolutePath();
    *path = file;
    *format = chosen;
    return true;
}

TPageSetupDialog::TPageSetupDialog(const QPageLayout &layout, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPageSetup"));
    setWindowTitle(tr("Page Setup"));

    cboPaper = new QComboBox(this);
    cboPaper->setObjectName(QStringLiteral("cboPaper"));
    for (QPageSize::PageSizeId id : paperChoices())
        cboPaper->addItem(QPageSize::name(id), int(id));
    const int current = cboPaper->findData(int(layout.pageSize().id()));
    cboPaper->setCurrentIndex(current >= 0 ? current : 0);

    radPortrait = new QRadioButton(tr("P&ortrait"), this);
    radPortrait->setObjectName(QStringLiteral("radPortrait"));
    radLandscape = new QRadioButton(tr("L&andscape"), this);
    radLandscape->setObjectName(QStringLiteral("radLandscape"));
    (layout.orientation() == QPageLayout::Landscape ? radLandscape : radPortrait)->setChecked(true);

    const QMarginsF m = layout.margins(QPageLayout::Millimeter);
    auto margin = [this](const char *name, double value) {
        auto *box = new QDoubleSpinBox(this);
        box->setObjectName(QLatin1String(name));
        box->setRange(0, 100);
        box->setDecimals(1);
        box->setSuffix(tr(" mm"));
        box->setValue(value);
        return box;
    };
    edtLeft = margin("edtLeft", m.left());
    edtTop = margin("edtTop", m.top());
    edtRight = margin("edtRight", m.right());
    edtBottom = margin("edtBottom", m.bottom());

    auto *paperBox = new QGroupBox(tr("Paper"), this);
    auto *paperForm = new QFormLayout(paperBox);
    paperForm->addRow(tr("Si&ze:"), cboPaper);

    auto *orientationBox = new QGroupBox(tr("Orientation"), this);
    auto *orientationLayout = new QVBoxLayout(orientationBox);
    orientationLayout->addWidget(radPortrait);
    orientationLayout->addWidget(radLandscape);

    auto *marginsBox = new QGroupBox(tr("Margins"), this);
    auto *marginsForm = new QFormLayout(marginsBox);
    marginsForm->addRow(tr("&Left:"), edtLeft);
    marginsForm->addRow(tr("&Right:"), edtRight);
    marginsForm->addRow(tr("&Top:"), edtTop);
    marginsForm->addRow(tr("&Bottom:"), edtBottom);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *row = new QHBoxLayout;
    row->addWidget(orientationBox);
    row->addWidget(marginsBox);
    auto *layoutBox = new QVBoxLayout(this);
    layoutBox->addWidget(paperBox);
    layoutBox->addLayout(row);
    layoutBox->addWidget(buttons);
}

QPageLayout TPageSetupDialog::pageLayout() const
{
    const QPageSize paper(QPageSize::PageSizeId(cboPaper->currentData().toInt()));
    QPageLayout layout(paper, radLandscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(), QPageLayout::Millimeter);
    // Margins that do not fit the paper are reduced rather than refused.
    layout.setMode(QPageLayout::StandardMode);
    const QMarginsF wanted(edtLeft->value(), edtTop->value(), edtRight->value(), edtBottom->value());
    const QMarginsF max = layout.maximumMargins();
    layout.setMargins(QMarginsF(qMin(wanted.left(), max.left()), qMin(wanted.top(), max.top()),
                                qMin(wanted.right(), max.right()), qMin(wanted.bottom(), max.bottom())));
    return layout;
}

bool RunPageSetup(QWidget *parent)
{
    const QPageLayout current = TPageSettings::PageLayout();
    QPageLayout chosen;
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) {
        QPrinter printer(info);
        printer.setPageLayout(current);
        if (printer.outputFormat() == QPrinter::NativeFormat) {
            QPageSetupDialog dialog(&printer, parent);
            if (dialog.exec() != QDialog::Accepted)
                return false;
            chosen = printer.pageLayout();
        }
    }
    if (!chosen.isValid()) {
        TPageSetupDialog dialog(current, parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        chosen = dialog.pageLayout();
    }
    try {
        TPageSettings::SetPageLayout(chosen);
    } catch (const RegistryError &) {
        return false;
    }
    return true;
}

QString ProtocolName(const QString &address)
{
    const QString scheme = QUrl(address).scheme().toLower();
    if (scheme == QLatin1String("http"))
        return QObject::tr("HyperText Transfer Protocol");
    if (scheme == QLatin1String("https"))
        return QObject::tr("HyperText Transfer Protocol with Privacy");
    if (scheme == QLatin1String("file"))
        return QObject::tr("File Protocol");
    if (scheme == QLatin1String("ftp"))
        return QObject::tr("File Transfer Protocol");
    if (scheme == QLatin1String("about"))
        return QObject::tr("About Protocol");
    if (scheme.isEmpty())
        return QObject::tr("Not available");
    return scheme.toUpper() + QObject::tr(" Protocol");
}

QList<QPair<QString, QString>> PagePropertyRows(const TPageProperties &p)
{
    const QString na = QObject::tr("Not available");
    const bool secure = QUrl(p.address).scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    QString type = p.contentType.isEmpty() ? na : p.contentType;
    if (p.contentType == QLatin1String("text/html"))
        type = QObject::tr("HTML Document");
    QList<QPair<QString, QString>> rows;
    rows.append({QObject::tr("Title:"), p.title.isEmpty() ? na : p.title});
    rows.append({QObject::tr("Protocol:"), ProtocolName(p.address)});
    rows.append({QObject::tr("Type:"), type});
    rows.append({QObject::tr("Connection:"), secure ? QObject::tr("Encrypted (HTTPS)")
                                                    : QObject::tr("Not encrypted")});
    rows.append({QObject::tr("Address:"), p.address.isEmpty() ? na : p.address});
    rows.append({QObject::tr("Size:"), p.size < 0 ? na
                                                  : QObject::tr("%1 bytes").arg(QLocale().toString(p.size))});
    rows.append({QObject::tr("Encoding:"), p.charset.isEmpty() ? na : p.charset});
    rows.append({QObject::tr("Modified:"), p.lastModified.isEmpty() ? na : p.lastModified});
    if (!p.referrer.isEmpty())
        rows.append({QObject::tr("Referrer:"), p.referrer});
    return rows;
}

TPagePropertiesDialog::TPagePropertiesDialog(const TPageProperties &properties, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPageProperties"));
    setWindowTitle(tr("Properties"));
    auto *form = new QFormLayout;
    int i = 0;
    for (const auto &row : PagePropertyRows(properties)) {
        auto *value = new QLabel(row.second, this);
        value->setObjectName(QStringLiteral("lblValue%1").arg(i++));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setTextFormat(Qt::PlainText);
        value->setWordWrap(true);
        form->addRow(row.first, value);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(qMax(sizeHint().width(), 420), sizeHint().height());
}

bool AskCredentials(QWidget *parent, const QString &site, const QString &realm, QString *user,
                    QString *password)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmLogin"));
    dialog.setWindowTitle(QObject::tr("Enter Network Password"));
    auto *prompt = new QLabel(&dialog);
    prompt->setTextFormat(Qt::PlainText);
    prompt->setWordWrap(true);
    prompt->setText(realm.isEmpty() ? QObject::tr("The site %1 asks for a user name and password.").arg(site)
                                    : QObject::tr("The site %1 asks for a user name and password.\n"
                                                  "It says: %2").arg(site, realm));
    auto *edtUser = new QLineEdit(&dialog);
    edtUser->setObjectName(QStringLiteral("edtUser"));
    auto *edtPassword = new QLineEdit(&dialog);
    edtPassword->setObjectName(QStringLiteral("edtPassword"));
    edtPassword->setEchoMode(QLineEdit::Password);
    auto *form = new QFormLayout;
    form->addRow(QObject::tr("&User name:"), edtUser);
    form->addRow(QObject::tr("&Password:"), edtPassword);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(prompt);
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *user = edtUser->text();
    *password = edtPassword->text();
    return true;
}

TFindDialog::TFindDialog(TFinder finder, QWidget *parent) : QDialog(parent), m_finder(std::move(finder))
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(tr("Find"));

    edtFind = new QLineEdit(this);
    edtFind->setObjectName(QStringLiteral("edtFind"));
    auto *lblFind = new QLabel(tr("Fi&nd what:"), this);
    lblFind->setBuddy(edtFind);
    chkMatchCase = new QCheckBox(tr("Match &case"), this);
    chkMatchCase->setObjectName(QStringLiteral("chkMatchCase"));
    radUp = new QRadioButton(tr("&Up"), this);
    radUp->setObjectName(QStringLiteral("radUp"));
    radDown = new QRadioButton(tr("&Down"), this);
    radDown->setObjectName(QStringLiteral("radDown"));
    radDown->setChecked(true);
    cmdFindNext = new QPushButton(tr("&Find Next"), this);
    cmdFindNext->setObjectName(QStringLiteral("cmdFindNext"));
    cmdFindNext->setDefault(true);
    cmdFindNext->setEnabled(false);
    auto *cmdCancel = new QPushButton(tr("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    lblResult = new QLabel(this);
    lblResult->setObjectName(QStringLiteral("lblResult"));

    connect(edtFind, &QLineEdit::textChanged, this,
            [this](const QString &t) { cmdFindNext->setEnabled(!t.isEmpty()); });
    connect(cmdFindNext, &QPushButton::clicked, this, &TFindDialog::findNext);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *direction = new QGroupBox(tr("Direction"), this);
    auto *directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(radUp);
    directionLayout->addWidget(radDown);

    auto *findRow = new QHBoxLayout;
    findRow->addWidget(lblFind);
    findRow->addWidget(edtFind, 1);
    auto *optionsRow = new QHBoxLayout;
    optionsRow->addWidget(chkMatchCase);
    optionsRow->addStretch();
    optionsRow->addWidget(direction);
    auto *left = new QVBoxLayout;
    left->addLayout(findRow);
    left->addLayout(optionsRow);
    left->addWidget(lblResult);
    auto *right = new QVBoxLayout;
    right->addWidget(cmdFindNext);
    right->addWidget(cmdCancel);
    right->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);
}

QString TFindDialog::findText() const { return edtFind->text(); }
QString TFindDialog::resultText() const { return lblResult->text(); }

void TFindDialog::findNext()
{
    const QString text = edtFind->text();
    if (text.isEmpty() || !m_finder)
        return;
    QPointer<TFindDialog> self(this);
    m_finder(text, chkMatchCase->isChecked(), radUp->isChecked(), [self](int matches, int active) {
        if (self)
            self->showResult(matches, active);
    });
}

void TFindDialog::showResult(int matches, int active)
{
    if (matches <= 0)
        lblResult->setText(tr("The text was not found."));
    else
        lblResult->setText(tr("Match %1 of %2").arg(active).arg(matches));
}

void TFindDialog::done(int result)
{
    Q_EMIT searchCleared();
    lblResult->clear();
    QDialog::done(result);
}
