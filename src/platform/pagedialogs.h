#pragma once
// Dialogs of the page commands: Save As, Page Setup, Properties and Find. They know
// nothing of the web engine; the browser control hands them data and callbacks.

#include <QDialog>
#include <QList>
#include <QPageLayout>
#include <QPair>
#include <QString>
#include <functional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The program-wide page layout used by every print, kept in the hive under HKCU
// "Software\Microsoft\Internet Explorer\PageSetup" (margins in inches, as text, and the
// paper and orientation of this program).
namespace TPageSettings {
QPageLayout PageLayout();
void SetPageLayout(const QPageLayout &layout);
// When set, printing without the dialog writes a PDF file there instead of using a
// printer (also used when the machine has no printer at all).
QString PrintToFile();
void SetPrintToFile(const QString &path);
}

// Save As
enum class TSaveFormat { Complete, SingleHtml, Mhtml };
// A file-name-safe default name for a page title ("Untitled" when empty).
QString SuggestedSaveName(const QString &title, TSaveFormat format);
// The folder Save As starts in: the folder last saved into during this run when it still
// exists, else the user's download folder (created when missing), else the home folder.
QString SaveAsStartFolder(const QString &lastUsed);
// Asks for the file and format; false when the user cancelled.
bool AskSaveAsPath(QWidget *parent, const QString &title, QString *path, TSaveFormat *format);

// Page Setup: paper, orientation and margins, for printers the platform's own page
// setup dialog cannot handle (PDF and other non-native printers).
class TPageSetupDialog : public QDialog {
    Q_OBJECT
public:
    explicit TPageSetupDialog(const QPageLayout &layout, QWidget *parent = nullptr);
    QPageLayout pageLayout() const;

private:
    QComboBox *cboPaper;
    QRadioButton *radPortrait;
    QRadioButton *radLandscape;
    QDoubleSpinBox *edtLeft, *edtTop, *edtRight, *edtBottom;
};
// Runs the right page setup dialog and stores the result; false when cancelled.
bool RunPageSetup(QWidget *parent);

// Properties
struct TPageProperties {
    QString title;
    QString address;
    QString contentType;      // document.contentType
    QString charset;
    QString lastModified;     // document.lastModified
    QString referrer;
    qint64 size = -1;         // decoded body size in bytes; -1 unknown
    int links = -1;
    int images = -1;
};
// Protocol names for an address ("HyperText Transfer Protocol", ...).
QString ProtocolName(const QString &address);
// The rows the dialog shows, in order, as (label, value).
QList<QPair<QString, QString>> PagePropertyRows(const TPageProperties &p);

class TPagePropertiesDialog : public QDialog {
    Q_OBJECT
public:
    explicit TPagePropertiesDialog(const TPageProperties &properties, QWidget *parent = nullptr);
};

// Asks for a user name and password for a site (and the realm it names); false when the
// user cancelled.
bool AskCredentials(QWidget *parent, const QString &site, const QString &realm, QString *user,
                    QString *password);

// Find: a modeless dialog. The finder runs one search step and reports the number of
// matches and the active match (1-based; 0 when none).
using TFindResultCallback = std::function<void(int matches, int activeMatch)>;
using TFinder = std::function<void(const QString &text, bool caseSensitive, bool backward,
                                   const TFindResultCallback &done)>;

class TFindDialog : public QDialog {
    Q_OBJECT
public:
    TFindDialog(TFinder finder, QWidget *parent = nullptr);
    QString findText() const;
    // Runs one search step with the dialog's text and options.
    void findNext();
    QString resultText() const;

Q_SIGNALS:
    void searchCleared();   // the dialog closed: highlights should go

protected:
    void done(int result) override;

private:
    void showResult(int matches, int active);

    TFinder m_finder;
    QLineEdit *edtFind;
    QCheckBox *chkMatchCase;
    QRadioButton *radUp;
    QRadioButton *radDown;
    QPushButton *cmdFindNext;
    QLabel *lblResult;
};
