// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Commands.h"

#include <QCoreApplication>
#include <QFile>
#include <csignal>
#include <cstdio>
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // A write beyond the file size limit then fails with "File too large"
    // and is reported, instead of ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantrelctl"));
#ifdef Q_OS_WIN
    // Data files and records go out byte for byte, without a carriage return
    // put before each line feed.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
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
