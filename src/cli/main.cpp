#include "cli/Commands.h"

#include <QCoreApplication>
#include <QFile>
#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // A write beyond the file size limit then fails with "File too large"
    // and is reported, instead of ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantrelctl"));
    // Straight to the descriptors, so that every write (a whole monitor
    // record) leaves at once rather than waiting in the C library's buffer.
    QFile out;
    QFile err;
    if (!out.open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !err.open(fileno(stderr), QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return 2;
    }
    return runVantrelctl(QCoreApplication::arguments(), out, err);
}
