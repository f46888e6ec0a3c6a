#include "app/main_window.h"
#include "app/startup.h"

int main(int argc, char **argv)
{
    return runTabvane(argc, argv, [](const QStringList &arguments) -> QWidget * {
        return new TfrmMain(arguments.value(0));
    });
}
