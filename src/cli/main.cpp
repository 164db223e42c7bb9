#include "cli/Commands.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantrelctl"));
#ifdef Q_OS_WIN
    // Data files and records go out byte for byte, without a carriage return
    // put before each line feed.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QFile out;
    QFile err;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return 2;
    }
    return runVantrelctl(QCoreApplication::arguments(), out, err);
}
