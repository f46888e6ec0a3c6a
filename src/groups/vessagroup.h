#pragma once
// VessaGroups: saved sets of pages, one ".vgp" file each. A group file is an
// initialisation file with the single section "VessaGroup" holding one line per tab in tab
// order: key = the tab's sticky name (or "blank" + number for a tab without one), value =
// "*" for a locked tab followed by the tab's address.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The group folder: the data folder + "/VessaGroups". Ensure creates it when missing.
QString GroupFolder();
QString EnsureGroupFolder();
// A group file has the extension ".vgp" in any letter case.
bool IsGroupFile(const QString &path);
// The stricter test of the single-instance hand-over: an existing file ending exactly ".vgp".
bool IsHandOverGroupFile(const QString &path);

enum class TOverwriteAnswer { Yes, No, Cancel };

// The dialogs of group commands. The defaults are the real dialogs; tests replace them.
struct TGroupDialogs {
    // File-save dialog (title, initial folder); the chosen path, empty when cancelled.
    std::function<QString(QWidget *owner, const QString &title, const QString &folder)> SavePath;
    // File-open dialog for an existing group file; empty when cancelled.
    std::function<QString(QWidget *owner, const QString &title, const QString &folder)> OpenPath;
    std::function<TOverwriteAnswer(QWidget *owner, const QString &question)> ConfirmOverwrite;
    std::function<void(QWidget *owner, const QString &message)> ShowError;
};
TGroupDialogs &GroupDialogs();
void ResetGroupDialogs();

// The open dialog of "Add to VessaGroup" and "Organize VessaGroup" (title given), starting in
// the group folder. Returns the chosen path when it is a group file, else "".
QString ChooseGroupFile(QWidget *owner, const QString &title);

enum class TSaveResult { Saved, Cancelled, Failed };

class TVessaGroup {
public:
    static const QString SectionName;   // "VessaGroup"

    // Reads the file's entries in file order (empty values dropped); a file that does not
    // exist leaves the group empty and without a file name.
    TVessaGroup(QWidget *owner, const QString &fileName);

    QStringList Items;   // "key=value", in tab order

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString &fileName) { m_fileName = fileName; }
    QWidget *Owner() const { return m_owner; }
    int Count() const { return Items.size(); }
    QString Key(int index) const;     // before the first "="
    QString Value(int index) const;   // after the first "="

    // Appends an entry: key = name without "=", or "blank" + (Count() + 1) for no name;
    // value = "*" when locked, then the address.
    void AddSite(const QString &name, const QString &address, bool locked);

    // Asks for a file name when there is none (save dialog, overwrite question), then
    // replaces the file's section with the entries in one atomic rewrite. Keys are made
    // unique first (UniqueKeys), and Items take the keys as written.
    TSaveResult Save();

    // The keys a file can hold one line each for: blanks and line breaks trimmed, a
    // leading "[" dropped, compared without case. A repeated sticky name gets " (2)",
    // " (3)", ...; a repeated "blankN" (or an empty key) takes the next number that no
    // other key uses. Keys that are already unique stay as they are.
    static QStringList UniqueKeys(const QStringList &keys);

private:
    QWidget *m_owner;
    QString m_fileName;
};

// One tab to open from a group entry.
struct TGroupTabPlan {
    QString StickyName;        // empty when the key begins with lower-case "blank"
    QString Address;           // without the lock marker; "about:blank" when it is empty
    bool LockAfterLoad = false;
};

// The tabs a group opens, in order: the pure part of opening a group.
QList<TGroupTabPlan> GroupTabPlans(const TVessaGroup &group);
QList<TGroupTabPlan> ReadGroupTabPlans(const QString &path);
