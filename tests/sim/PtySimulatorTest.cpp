#include "files/EcuFile.h"
#include "sim/PtyServer.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QString>
#include <QTemporaryDir>
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

TEST(PtySimulatorTest, AnswersDiscoveryOnThePseudoTerminal) {
    PtySimulator simulator;
    QString error;
    ASSERT_TRUE(simulator.start(&error)) << error.toStdString();
    ASSERT_FALSE(simulator.devicePath().isEmpty());

    PortClient client(simulator.devicePath());
    ASSERT_TRUE(client.isOpen());
    EXPECT_EQ(client.exchange({85}, 1), QByteArray(1, char(170)));
    simulator.stop();
    EXPECT_FALSE(simulator.isRunning());
}

TEST(PtySimulatorTest, KeepsServingAcrossClientCloseAndReopen) {
    PtySimulator simulator;
    simulator.setBaud(0);
    ASSERT_TRUE(simulator.start());
    for (int round = 0; round < 3; ++round) {
        PortClient client(simulator.devicePath());
        ASSERT_TRUE(client.isOpen());
        EXPECT_EQ(client.exchange({85}, 1), QByteArray(1, char(170))) << round;
        EXPECT_EQ(client.exchange({16}, 208).size(), 208) << round;
    }
}

TEST(PtySimulatorTest, WriteExchangeAndConfigurationReachTheEcu) {
    PtySimulator simulator;
    simulator.setConfigure([](SimulatedEcu& ecu) { ecu.setBuildNumber(9); });
    ASSERT_TRUE(simulator.start());
    PortClient client(simulator.devicePath());
    EXPECT_EQ(client.exchange({29}, 1), QByteArray(1, char(9)));
    const QByteArray replies = client.exchange({194, 33}, 2);
    EXPECT_EQ(replies.size(), 2);
    EXPECT_EQ(client.exchange({252}, 1), QByteArray(1, char(33)));
    int revLimit = 0;
    simulator.withEcu([&](SimulatedEcu& ecu) { revLimit = ecu.settings().RevLimit; });
    EXPECT_EQ(revLimit, 8700);

    simulator.withEcu([](SimulatedEcu& ecu) { ecu.setEcho(true); });
    EXPECT_EQ(client.exchange({85}, 1), QByteArray(1, char(85)));
}

TEST(PtySimulatorTest, SerialPortOpensThePseudoTerminalRepeatedly) {
    PtySimulator simulator;
    ASSERT_TRUE(simulator.start());
    for (int round = 0; round < 2; ++round) {
        QSerialPort port(simulator.devicePath());
        port.setBaudRate(QSerialPort::Baud19200);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        port.setFlowControl(QSerialPort::NoFlowControl);
        ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
        port.clear();
        port.write(QByteArray(1, char(85)));
        ASSERT_TRUE(port.waitForBytesWritten(kPatienceMs));
        QByteArray got;
        while (got.isEmpty() && port.waitForReadyRead(kPatienceMs))
            got += port.readAll();
        EXPECT_EQ(got, QByteArray(1, char(170))) << round;
        port.close();
    }
}

TEST(PtySimulatorTest, PacedBulkBlockArrivesWhole) {
    PtySimulator simulator;
    simulator.setBaud(19200);
    ASSERT_TRUE(simulator.start());
    PortClient client(simulator.devicePath());
    const QByteArray block = client.exchange({14}, 260);
    ASSERT_EQ(block.size(), 260);
    int sum = 0;
    for (int p = 1; p <= 256; ++p)
        sum += static_cast<uint8_t>(block[p]);
    EXPECT_EQ(static_cast<uint8_t>(block[257]) * 256 + static_cast<uint8_t>(block[258]), sum);
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

TEST_F(EcuSimProgramTest, PrintsTheDevicePathAndServesWithItsOptions) {
    QProcess process;
    process.start(program(),
                  {QStringLiteral("--version"), QStringLiteral("2.050"), QStringLiteral("--serial"),
                   QStringLiteral("1,2,3"), QStringLiteral("--short-block"), QStringLiteral("15")});
    ASSERT_TRUE(process.waitForStarted(kPatienceMs)) << process.errorString().toStdString();
    const QString path = devicePath(process);
    ASSERT_TRUE(path.startsWith(QStringLiteral("/dev/"))) << path.toStdString();

    {
        PortClient client(path);
        ASSERT_TRUE(client.isOpen());
        EXPECT_EQ(client.exchange({85}, 1), QByteArray(1, char(170)));
        EXPECT_EQ(client.exchange({35}, 1), QByteArray(1, char(50)));
        EXPECT_EQ(client.exchange({126}, 1), QByteArray(1, char(3)));
        EXPECT_EQ(client.exchange({14}, 260).size(), 260);
    }
    {
        PortClient client(path); // a second open of the port still works
        EXPECT_EQ(client.exchange({15}, 259).size(), 259);
        // Nothing more of the block follows.
        EXPECT_EQ(client.exchange({85}, 1), QByteArray(1, char(170)));
    }

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(kPatienceMs)) << process.errorString().toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
}

TEST_F(EcuSimProgramTest, StartsFromTheSettingsOfADataFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EcuSettings image = SimulatedEcu::defaultImage();
    image.RevLimit = 6400; // 25 x 256
    image.FuelTable[0][0] = 201;
    const QString path = dir.filePath(QStringLiteral("start.ecu"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(writeEcuFile(image));
    file.close();

    QProcess process;
    process.start(program(),
                  {QStringLiteral("--file"), path, QStringLiteral("--baud"), QStringLiteral("0")});
    ASSERT_TRUE(process.waitForStarted(kPatienceMs)) << process.errorString().toStdString();
    {
        PortClient client(devicePath(process));
        ASSERT_TRUE(client.isOpen());
        EXPECT_EQ(client.exchange({66, 33}, 2), QByteArray("\x19\x00", 2));
        const QByteArray block = client.exchange({14}, 260);
        ASSERT_EQ(block.size(), 260);
        EXPECT_EQ(static_cast<uint8_t>(block[1]), 201);
    }
    process.terminate();
    EXPECT_TRUE(process.waitForFinished(kPatienceMs));
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

TEST_F(EcuSimProgramTest, HelpListsTheOptions) {
    QProcess process;
    process.start(program(), {QStringLiteral("--help")});
    ASSERT_TRUE(process.waitForFinished(kPatienceMs)) << process.errorString().toStdString();
    const QString help = QString::fromLocal8Bit(process.readAllStandardOutput());
    for (const char* option : {"--version", "--build", "--serial", "--file", "--baud", "--silent",
                               "--echo", "--bad-checksum", "--short-block", "--stop-after",
                               "--refuse-writes", "--status1", "--status3"})
        EXPECT_TRUE(help.contains(QLatin1String(option))) << option;
}

} // namespace
