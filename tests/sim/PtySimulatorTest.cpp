// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/PtyServer.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A generous limit on waiting for replies; the tests never measure time.
constexpr int kPatienceMs = 5000;

// A client end of the pseudo-terminal opened like a serial port.
class PortClient {
public:
    explicit PortClient(const QString& path) {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_fd >= 0) {
            termios tio{};
            tcgetattr(m_fd, &tio);
            cfmakeraw(&tio);
            tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~PortClient() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }

    // Sends bytes and collects replies until `expected` bytes have come.
    QByteArray exchange(const QByteArray& bytes, int expected) {
        if (::write(m_fd, bytes.constData(), static_cast<size_t>(bytes.size())) != bytes.size())
            return {};
        QByteArray got;
        while (got.size() < expected) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, kPatienceMs) <= 0)
                break;
            char buffer[512];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.append(buffer, n);
        }
        return got;
    }
    QByteArray exchange(std::initializer_list<int> bytes, int expected) {
        QByteArray data;
        for (int b : bytes)
            data.append(static_cast<char>(b));
        return exchange(data, expected);
    }

private:
    int m_fd = -1;
};

// Replies are paced as on the serial line, and a paced block arrives whole.
TEST(PtySimulatorTest, KeepsServingAcrossClientCloseAndReopen) {
    PtySimulator simulator;
    simulator.setBaud(19200);
    ASSERT_TRUE(simulator.start());
    for (int round = 0; round < 3; ++round) {
        PortClient client(simulator.devicePath());
        ASSERT_TRUE(client.isOpen());
        EXPECT_EQ(client.exchange({85}, 1), QByteArray(1, char(170))) << round;
        EXPECT_EQ(client.exchange({16}, 208).size(), 208) << round;
    }
    simulator.stop();
    EXPECT_FALSE(simulator.isRunning());
}

// The stand-alone program: prints the device path first, serves, ends on
// SIGTERM.
class EcuSimProgramTest : public ::testing::Test {
protected:
    // Built into the same folder as the tests.
    QString program() const {
        QString dir = qEnvironmentVariable("VANTREL_BIN_DIR");
        if (dir.isEmpty())
            dir = QCoreApplication::applicationDirPath();
        return dir + QStringLiteral("/vantrel-ecusim");
    }
    // The first line the program prints.
    static QString devicePath(QProcess& process) {
        QByteArray line;
        while (!line.contains('\n') && process.waitForReadyRead(kPatienceMs))
            line += process.readAllStandardOutput();
        return QString::fromLocal8Bit(line).trimmed();
    }
};

// Its options are the simulated ECU's fault modes, which the vantrelctl tests
// use one by one.
TEST_F(EcuSimProgramTest, PrintsTheDevicePathServesAndEndsOnSigterm) {
    QProcess process;
    process.start(program(), {QStringLiteral("--version"), QStringLiteral("2.050")});
    ASSERT_TRUE(process.waitForStarted(kPatienceMs)) << process.errorString().toStdString();
    const QString path = devicePath(process);
    ASSERT_TRUE(path.startsWith(QStringLiteral("/dev/"))) << path.toStdString();
    {
        PortClient client(path);
        ASSERT_TRUE(client.isOpen());
        EXPECT_EQ(client.exchange({85}, 1), QByteArray(1, char(170)));
        EXPECT_EQ(client.exchange({35}, 1), QByteArray(1, char(50)));
    }
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(kPatienceMs)) << process.errorString().toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
}

TEST_F(EcuSimProgramTest, RejectsAMissingDataFileOrABadOptionValue) {
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("--file"), QStringLiteral("/nonexistent/x.ecu")},
          QStringList{QStringLiteral("--bad-checksum"), QStringLiteral("17")}}) {
        QProcess process;
        process.start(program(), arguments);
        ASSERT_TRUE(process.waitForFinished(kPatienceMs)) << process.errorString().toStdString();
        EXPECT_NE(process.exitCode(), 0) << arguments.join(' ').toStdString();
        EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
    }
}

} // namespace
