#include "app/application.h"

#include "platform/registry.h"

#include <QMessageBox>

#include <cstdio>
#include <exception>

TTabvaneApplication::TTabvaneApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool TTabvaneApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const RegistryError &e) {
        ShowError(e.message());
    } catch (const std::exception &e) {
        ShowError(QString::fromUtf8(e.what()));
    }
    return false;
}

void TTabvaneApplication::ShowError(const QString &message)
{
    static bool showing = false;
    // A failure while the box is open (its own event loop runs) goes to stderr instead of
    // stacking boxes.
    if (showing || !qobject_cast<QApplication *>(QCoreApplication::instance())) {
        std::fprintf(stderr, "tabvane: %s\n", message.toLocal8Bit().constData());
        std::fflush(stderr);
        return;
    }
    showing = true;
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                          message);
    showing = false;
}
