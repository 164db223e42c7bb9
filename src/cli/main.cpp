#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantrelctl"));
    std::fputs("usage: vantrelctl COMMAND [OPTIONS]\n", stderr);
    return 2;
}
