// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/PtyServer.h"

#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kBitsPerByte = 10; // start bit, eight data bits, stop bit
constexpr int kRetryMs = 100;
// The reply timer counts whole milliseconds, far coarser than a byte time at
// serial rates (0.52 ms at 19200 baud). Replies due this close are waited
// for precisely; the timer wakes the server this much early for later ones.
constexpr qint64 kPreciseWaitNs = 2000000;
// A sleep may overshoot by this much, so the end of a precise wait spins.
constexpr qint64 kSpinNs = 60000;
// Replies sent in one turn of the event loop while waiting precisely.
constexpr int kRepliesPerTurn = 8;

// How long a byte takes through the pseudo-terminal itself, measured on our
// own end of it: the median of a few single-byte trips from the port side to
// the server side.
qint64 measureTerminalDelayNs(int slave, int master) {
    constexpr int kTrips = 15;
    std::vector<qint64> trips;
    QElapsedTimer clock;
    char byte = 0;
    for (int i = 0; i < kTrips; ++i) {
        clock.start();
        if (::write(slave, &byte, 1) != 1)
            break;
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 100) != 1)
            break;
        trips.push_back(clock.nsecsElapsed());
        char sink[16];
        while (::read(master, sink, sizeof sink) > 0) {
        }
    }
    if (trips.empty())
        return 0;
    std::nth_element(trips.begin(), trips.begin() + trips.size() / 2, trips.end());
    return trips[trips.size() / 2];
}

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PtyServer::PtyServer(SimulatedEcu* ecu, QObject* parent)
    : QObject(parent), m_ecu(ecu), m_replyTimer(new QTimer(this)), m_retryTimer(new QTimer(this)) {
    m_replyTimer->setSingleShot(true);
    m_replyTimer->setTimerType(Qt::PreciseTimer);
    connect(m_replyTimer, &QTimer::timeout, this, &PtyServer::sendDueReplies);
    m_retryTimer->setSingleShot(true);
    m_retryTimer->setInterval(kRetryMs);
    connect(m_retryTimer, &QTimer::timeout, this, [this] {
        if (m_notifier)
            m_notifier->setEnabled(true);
    });
}

PtyServer::~PtyServer() {
    close();
}

bool PtyServer::open(QString* errorText) {
    close();
    auto fail = [&](const char* what) {
        if (errorText)
            *errorText = systemError(what);
        close();
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return fail("posix_openpt");
    if (grantpt(m_master) != 0)
        return fail("grantpt");
    if (unlockpt(m_master) != 0)
        return fail("unlockpt");
    char name[128] = {};
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return fail("ptsname");
    m_devicePath = QString::fromLocal8Bit(name);

    // Our own handle on the terminal: it sets raw mode and keeps the terminal
    // alive between the client's opens.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail("open");
    termios tio{};
    if (tcgetattr(m_slave, &tio) != 0)
        return fail("tcgetattr");
    cfmakeraw(&tio);
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    if (tcsetattr(m_slave, TCSANOW, &tio) != 0)
        return fail("tcsetattr");

    const int flags = fcntl(m_master, F_GETFL);
    fcntl(m_master, F_SETFL, flags | O_NONBLOCK);

    m_terminalDelayNs = measureTerminalDelayNs(m_slave, m_master);
    m_clock.start();
    m_lineFreeNs = 0;
    m_inLineFreeNs = 0;
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyServer::readFromPort);
    return true;
}

void PtyServer::close() {
    m_replyTimer->stop();
    m_retryTimer->stop();
    m_replies.clear();
    delete m_notifier;
    m_notifier = nullptr;
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
    m_devicePath.clear();
}

void PtyServer::readFromPort() {
    char buffer[512];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        // Nothing to read although the terminal said so (a hang-up): rest
        // a moment instead of spinning on the notifier.
        m_notifier->setEnabled(false);
        m_retryTimer->start();
        return;
    }
    const qint64 arrivedNs = m_clock.nsecsElapsed();
    for (ssize_t i = 0; i < n; ++i) {
        QByteArray reply = m_ecu->receive(static_cast<uint8_t>(buffer[i]));
        if (reply.isEmpty())
            continue;
        qint64 dueNs = arrivedNs;
        if (m_baud > 0) {
            // The byte from the port took a byte time on its way to the ECU
            // too; the ECU answers once it is complete and its own line is
            // free. The terminal's own delay stands in for part of each line
            // time: the byte left the port that much before it was read here,
            // and the reply reaches the port that much after it is written.
            const qint64 byteNs = kBitsPerByte * 1000000000LL / m_baud;
            const qint64 leftPortNs = arrivedNs - std::min(m_terminalDelayNs, byteNs);
            m_inLineFreeNs = std::max(leftPortNs, m_inLineFreeNs) + byteNs;
            const qint64 doneNs = std::max(m_inLineFreeNs, m_lineFreeNs) + reply.size() * byteNs;
            m_lineFreeNs = doneNs;
            dueNs = std::max(arrivedNs, doneNs - std::min(m_terminalDelayNs, byteNs));
        }
        m_replies.push_back({dueNs, std::move(reply)});
    }
    sendDueReplies();
}

void PtyServer::sendDueReplies() {
    for (int sent = 0; !m_replies.empty(); ++sent) {
        const qint64 waitNs = m_replies.front().dueNs - m_clock.nsecsElapsed();
        if (waitNs > 0) {
            if (waitNs > kPreciseWaitNs || sent >= kRepliesPerTurn)
                break;
            waitUntil(m_replies.front().dueNs);
        }
        const QByteArray& bytes = m_replies.front().bytes;
        // A terminal nobody reads fills up; what does not fit is lost, as on
        // a line with nobody listening.
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + done,
                                      static_cast<size_t>(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += n;
        }
        m_replies.pop_front();
    }
    scheduleNext();
}

void PtyServer::scheduleNext() {
    if (m_replies.empty())
        return;
    const qint64 timerNs = m_replies.front().dueNs - m_clock.nsecsElapsed() - kPreciseWaitNs;
    m_replyTimer->start(timerNs <= 0 ? 0 : static_cast<int>(timerNs / 1000000));
}

void PtyServer::waitUntil(qint64 dueNs) const {
    for (qint64 leftNs = dueNs - m_clock.nsecsElapsed(); leftNs > 0;
         leftNs = dueNs - m_clock.nsecsElapsed()) {
        if (leftNs > kSpinNs)
            QThread::usleep(static_cast<unsigned long>((leftNs - kSpinNs) / 1000));
    }
}

PtySimulator::PtySimulator() = default;

PtySimulator::~PtySimulator() {
    stop();
}

bool PtySimulator::start(QString* errorText) {
    stop();
    m_ecu = std::make_unique<SimulatedEcu>();
    if (m_configure)
        m_configure(*m_ecu);
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("SimulatedEcu"));
    auto* server = new PtyServer(m_ecu.get());
    server->setBaud(m_baud);
    server->moveToThread(m_thread.get());
    m_thread->start();

    bool opened = false;
    QString error;
    QMetaObject::invokeMethod(
        server, [&] { opened = server->open(&error); }, Qt::BlockingQueuedConnection);
    if (!opened) {
        if (errorText)
            *errorText = error;
        shutDown(server);
        return false;
    }
    m_server = server;
    m_devicePath = server->devicePath();
    return true;
}

void PtySimulator::withEcu(const std::function<void(SimulatedEcu&)>& function) {
    if (!m_server)
        return;
    QMetaObject::invokeMethod(
        m_server, [&] { function(*m_ecu); }, Qt::BlockingQueuedConnection);
}

void PtySimulator::stop() {
    if (!m_server)
        return;
    PtyServer* server = m_server;
    m_server = nullptr;
    shutDown(server);
}

void PtySimulator::shutDown(PtyServer* server) {
    // The server and its notifier belong to the serving thread: end them there.
    QMetaObject::invokeMethod(
        server, [server] { delete server; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    m_thread.reset();
    m_ecu.reset();
    m_devicePath.clear();
}
