// kora7740p: the command-line tool. Qt Core only, so it runs where there is no display.
#include <QCoreApplication>

#include <cstdio>

#include "cli/CommandLine.h"
#include "filelist/LocalPath.h"

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kora7740p"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORA_VERSION));
    // From argv itself: QCoreApplication::arguments() decodes the bytes and loses a file name
    // that is not UTF-8.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << kora::ArgumentText(argv[i]);
    }
    return kora::cli::RunCommandLine(arguments, stdout, stderr);
}
