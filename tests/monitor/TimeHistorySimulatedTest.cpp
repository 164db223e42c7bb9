#include "monitor/TimeHistoryWindow.h"

#include "RecordingInteraction.h"
#include "comm/EcuLine.h"
#include "record/AppState.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <QLabel>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// The time history plot against the simulated ECU, through the real protocol.
class TimeHistorySimulatedTest : public ::testing::Test {
protected:
    qint64 nowMs = 0;
    SimulatedEcu ecu{SimulatedEcu::defaultImage(), [this] { return nowMs; }};
    SimulatedLink link{&ecu};
    RecordingInteraction ui;
    AppState state;
    std::unique_ptr<EcuLine> line;
    std::unique_ptr<TimeHistoryWindow> window;

    void SetUp() override {
        state.settings = ecu.settings();
        state.EcuOnline = true;
        state.display.PlotChannelChoice = {PlotChannel::Rpm, PlotChannel::Fuel};
        auto& rpm = state.display.PlotChannelScales[PlotChannel::Rpm];
        rpm.Min = {0.0f, 0.0f};
        rpm.Max = {8000.0f, 8000.0f};
        auto& fuel = state.display.PlotChannelScales[PlotChannel::Fuel];
        fuel.Min = {0.0f, 0.0f};
        fuel.Max = {10.0f, 10.0f};
        line = std::make_unique<EcuLine>(state, link, ui);
        ecu.startEngine();
        nowMs += SimulatedEcu::kPrimeMs + SimulatedEcu::kCrankMs + 5000;
        ASSERT_EQ(ecu.enginePhase(), SimulatedEcu::EnginePhase::Running);
        link.clearWritten();
        window = std::make_unique<TimeHistoryWindow>(state, *line, ui);
        window->resize(900, 500);
        window->show();
    }

    QString label(const char* name) const {
        return window->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }

    // Rpm from a crank period in 24 microsecond units: limited to 30000,
    // rounded and cut down to a multiple of 50.
    static int expectedRpm(int period) {
        double rpm = 60.0 / (period * 0.000024);
        rpm = std::min(rpm, 30000.0);
        return static_cast<int>(std::nearbyint(rpm)) / 50 * 50;
    }
};

TEST_F(TimeHistorySimulatedTest, OpeningSendsCommand9AndEachSampleOnlyTheReducedRequests) {
    EXPECT_EQ(link.written(), QByteArray("\x09", 1));
    window->start();
    link.clearWritten();
    window->sampleNow();
    // MAP, throttle, crank period (two bytes: the PC asks for the low byte
    // with "!"), status, then the fuel channel's injector time (two bytes).
    EXPECT_EQ(link.written(), QByteArray("\x28\x29\x25\x21\x32\x26\x21", 7));
    EXPECT_TRUE(state.EcuOnline);
}

TEST_F(TimeHistorySimulatedTest, SamplingFillsTheHistoryAndShowsFormattedValues) {
    window->start();
    for (int i = 0; i < 12; ++i) {
        nowMs += 50;
        window->sampleNow();
    }
    EXPECT_EQ(window->history().count(), 12);
    const int rpm = expectedRpm(ecu.liveValues().enginePeriod);
    ASSERT_GT(rpm, 0);
    EXPECT_EQ(label("RpmLabel"), QStringLiteral("Rpm %1").arg(rpm));
    EXPECT_EQ(label("ValueLabel0"), QStringLiteral("Rpm %1").arg(rpm));
    EXPECT_FLOAT_EQ(window->history().trace1(11), static_cast<float>(rpm));
    const QString fuel = label("ValueLabel1");
    EXPECT_TRUE(fuel.startsWith("Fuel ")) << fuel.toStdString();
    EXPECT_TRUE(fuel.endsWith(" ms")) << fuel.toStdString();
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TimeHistorySimulatedTest, ASilentEcuStopsThePlot) {
    window->start();
    window->sampleNow();
    ecu.setSilent(true);
    window->sampleNow(); // the first request goes unanswered
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(ui.texts(), QStringList({"Communication Lost!"}));
    link.clearWritten();
    window->sampleNow();
    EXPECT_FALSE(window->running());
    EXPECT_FALSE(state.PlotRunning);
    EXPECT_TRUE(link.written().isEmpty());
    EXPECT_EQ(ui.texts(), QStringList({"Communication Lost!"}));
}

TEST_F(TimeHistorySimulatedTest, ClosingSendsCommand34) {
    link.clearWritten();
    window->close();
    EXPECT_EQ(link.written(), QByteArray("\x22", 1));
    EXPECT_EQ(state.identity.VersionMajor, ecu.versionMajor());
}

} // namespace
