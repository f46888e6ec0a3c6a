#pragma once
// The application object. Its notify() is the program's general error handler: a registry
// or platform failure raised while an event is handled abandons that operation and shows
// its message in a message box; the program goes on.

#include <QApplication>

class TTabvaneApplication : public QApplication {
    Q_OBJECT
public:
    TTabvaneApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Shows a failure's message the way the general handler does: a message box when the
    // application object exists, stderr otherwise or while a message box is already up.
    static void ShowError(const QString &message);
};
