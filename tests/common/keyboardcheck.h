#pragma once
// What keeps a dialog or tool window from being used by keyboard and screen reader alone.

#include <QString>
#include <QStringList>

class QWidget;

// The access key of a caption ("&Find" -> "f"), empty without one.
QString AccessKeyOf(const QString &text);

// The problems of the window's shown and enabled children: a field with no name, a label
// for a field without an access key, a button without one (other than OK, Cancel, Close,
// the default button, which Enter and Escape reach, the buttons a label's access key
// reaches, and the picture-only buttons of a toolbar and the "..." buttons beside a field,
// which carry a name instead), an access key used twice, or a field or such a button Tab
// never reaches. Empty when the window is sound.
QStringList KeyboardProblems(QWidget *window);
