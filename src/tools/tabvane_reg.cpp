// tabvane-reg: query, change, export and import the registry hive from the command line.

#include "platform/regfile.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    const int code = RunRegTool(app.arguments().mid(1), out, err, in);
    out.flush();
    err.flush();
    return code;
}
