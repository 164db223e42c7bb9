// SPDX-License-Identifier: GPL-3.0-or-later
// The log review over a drive of half an hour: "review", its four panes
// with the cursor in a pull through the gears, a lost link and a second run;
// "scatter", EGO volts over rpm coloured by MAP for a warm engine; and
// "hits", the drive's hits over the fuel table with the mean EGO volts, and
// the record at the review's cursor as the operating point.

#include "Harness.h"
#include "Scenes.h"
#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"
#include "record/EngineData.h"
#include "review/LogReviewWindow.h"
#include "review/ReviewPanes.h"
#include "tables/TableEditorWindow.h"
#include "tables/TableGridModel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cmath>

namespace {

constexpr QSize kWindowSize(1280, 900);
constexpr int kRecords = 3600; // half an hour of the 500 ms poll

// Engine values along a drive: warm-up at idle, pulls through the gears and
// cruising, the water warming from cold.
EngineData driveAt(int i) {
    EngineData e = EngineData::withChannelLayout();
    const double t = i * 0.5;
    const double warm = std::min(1.0, t / 600.0);
    double throttle = 2.0;
    if (t > 300) {
        const double cycle = std::fmod(t - 300, 120.0);
        throttle = cycle < 25 ? 20 + 3 * cycle : cycle < 90 ? 18 + 6 * std::sin(cycle / 7) : 4;
    }
    const double rpm = 850 + throttle * 55 + 250 * std::sin(t / 13.0) * (throttle > 5);
    e.RpmChannel.Value = static_cast<float>(std::round(rpm / 10) * 10);
    e.TpsChannel.Value = static_cast<float>(std::round(throttle));
    e.MapChannel.Value = static_cast<float>(4.0 + throttle * 0.11);
    e.AirChannel.Value = static_cast<float>(std::round(68 + 6 * warm));
    e.WaterChannel.Value = static_cast<float>(std::round(80 + 105 * warm));
    e.BatteryChannel.Value = static_cast<float>(13.2 + 0.5 * warm + 0.1 * std::sin(t));
    e.FuelChannel.Value = static_cast<float>(1.6 + throttle * 0.07 + (1 - warm) * 0.8);
    e.DutyChannel.Value = static_cast<float>(e.FuelChannel.Value * rpm / 1200.0);
    e.IgnitionChannel.Value =
        static_cast<float>(std::min(38.0, 12 + rpm / 250.0 - throttle * 0.08));
    e.UserChannel[0].Value = static_cast<float>(0.45 + 0.4 * std::sin(t / 3.0) * (throttle < 60));
    e.EngineStatus1 = 2;
    return e;
}

QString writeDrive(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return {};
    }
    const QLocale locale;
    const auto header = [&](const QDateTime& clock) {
        file.write((logRuleLine() + QStringLiteral("\r\n") + logDateTimeLine(clock, locale) +
                    QStringLiteral("\r\n") + fullRecordTitleLine() + QStringLiteral("\r\n"))
                       .toLatin1());
    };
    const QDateTime start(QDate(2026, 5, 2), QTime(14, 30, 0));
    header(start);
    double runStart = 0;
    for (int i = 0; i < kRecords; ++i) {
        if (i == 1500) {
            file.write("# Link lost\r\n");
        }
        if (i == 1540) { // found again: a new run 20 s later
            runStart = i * 0.5;
            header(start.addSecs(static_cast<qint64>(runStart)));
        }
        if (i == 1000 || i == 2600) {
            file.write(i == 1000 ? "# pull in third gear\r\n" : "# cruise 55 mph\r\n");
        }
        const LiveSample sample = LiveSample::fromEngineData(driveAt(i), 0);
        file.write(
            (fullRecordLine(sample, i * 0.5 - runStart) + QStringLiteral("\r\n")).toLatin1());
    }
    return path;
}

LogReviewWindow* openDrive(Harness& h, const QTemporaryDir& dir) {
    h.start(SimulatedEcu::defaultImage(), kWindowSize);
    MainWindow& window = h.window();
    const QString path = writeDrive(dir.filePath(QStringLiteral("drive.log")));
    if (path.isEmpty()) {
        return nullptr;
    }
    window.openLog(path);
    auto* review = window.findChild<LogReviewWindow*>();
    if (review == nullptr) {
        return nullptr;
    }
    QEventLoop loop;
    QObject::connect(review, &LogReviewWindow::logShown, &loop, &QEventLoop::quit);
    loop.exec();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(review->parentWidget())) {
        sub->setGeometry(window.mdiArea()->viewport()->rect());
    }
    return review;
}

// The cursor on the pull in third gear, chosen in the list of markers,
// some records into it.
bool cursorInPull(LogReviewWindow* review, int records) {
    auto* markers = review->findChild<QListWidget*>(QStringLiteral("MarkerList"));
    const QList<QListWidgetItem*> pull =
        markers->findItems(QStringLiteral("pull in third gear"), Qt::MatchContains);
    if (pull.isEmpty()) {
        return false;
    }
    markers->setCurrentItem(pull.front());
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(markers, &enter);
    for (int i = 0; i < records; ++i) {
        QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QCoreApplication::sendEvent(review->panes().front(), &right);
    }
    return true;
}

} // namespace

int reviewScene(Harness& h) {
    QTemporaryDir dir;
    LogReviewWindow* review = openDrive(h, dir);
    if (review == nullptr) {
        return Harness::fail("the log review did not open");
    }
    if (!cursorInPull(review, 24)) {
        return Harness::fail("the marker is not listed");
    }
    return h.saveAfter(300);
}

int hitsScene(Harness& h) {
    QTemporaryDir dir;
    LogReviewWindow* review = openDrive(h, dir);
    if (review == nullptr) {
        return Harness::fail("the log review did not open");
    }
    MainWindow& window = h.window();
    // No live data: the editor's operating point stays the review's.
    window.stopPollTimer();
    window.menus().setupDisplayFuelCrossHair->setChecked(true);
    window.menus().tuningFuel->trigger();
    auto* fuel = window.findChild<FuelWindow*>();
    if (fuel == nullptr || !fuel->hitsAction()->isEnabled()) {
        return Harness::fail("the fuel table has no hits to show");
    }
    fuel->hitsAction()->trigger();
    for (QAction* mean : fuel->meanMenu()->actions()) {
        if (mean->text() == QStringLiteral("User 1")) {
            mean->trigger();
        }
    }
    if (auto* sub = qobject_cast<QMdiSubWindow*>(fuel->parentWidget())) {
        sub->showMaximized();
    }
    if (!cursorInPull(review, 10)) {
        return Harness::fail("the marker is not listed");
    }
    // The cell with the most records is the current one, told under the grid.
    const QAbstractItemModel* cells = fuel->grid()->model();
    int most = 0;
    GridSelection busiest;
    for (int r = 0; r < cells->rowCount(); ++r) {
        for (int c = 0; c < cells->columnCount(); ++c) {
            const int count =
                cells->index(r, c).data(TableGridModel::HitCountRole).toString().toInt();
            if (count > most) {
                most = count;
                busiest = {r + 1, c + 1, r + 1, c + 1};
            }
        }
    }
    fuel->select(busiest);
    return h.saveAfter(300);
}

int scatterScene(Harness& h) {
    QTemporaryDir dir;
    LogReviewWindow* review = openDrive(h, dir);
    if (review == nullptr) {
        return Harness::fail("the log review did not open");
    }
    review->findChild<QTabWidget*>(QStringLiteral("ReviewTabs"))->setCurrentIndex(1);
    review->findChild<QComboBox*>(QStringLiteral("ScatterX"))
        ->setCurrentText(QStringLiteral("Rpm"));
    review->findChild<QComboBox*>(QStringLiteral("ScatterY"))
        ->setCurrentText(QStringLiteral("User 1"));
    review->findChild<QComboBox*>(QStringLiteral("ScatterColour"))
        ->setCurrentText(QStringLiteral("Map"));
    review->findChild<QPushButton*>(QStringLiteral("AddRange"))->click();
    auto* filter = review->findChild<QTableWidget*>(QStringLiteral("FilterTable"));
    qobject_cast<QComboBox*>(filter->cellWidget(0, 0))->setCurrentText(QStringLiteral("Water"));
    filter->item(0, 1)->setText(QStringLiteral("160"));
    return h.saveAfter(300);
}
