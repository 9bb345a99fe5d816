// kora7740p: the command-line tool. Qt Core only, so it runs where there is no display.
#include <QCoreApplication>

#include <cstdio>

#include "cli/CommandLine.h"

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kora7740p"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORA_VERSION));
    return kora::cli::RunCommandLine(QCoreApplication::arguments(), stdout, stderr);
}
