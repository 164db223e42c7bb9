// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/SetupWindow.h"

#include "RecordingInteraction.h"
#include "SimulatedMainWindow.h"
#include "StoreRecord.h"
#include "app/WindowRegistry.h"
#include "comm/EcuLine.h"
#include "config/NumericBox.h"
#include "monitor/Acquisition.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "session/Session.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

using Codes = std::vector<int>;

void press(QWidget* widget, Qt::Key key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void type(NumericBox* box, const QString& text) {
    box->setText(text);
    QFocusEvent leave(QEvent::FocusOut);
    QApplication::sendEvent(box, &leave);
}

// The setup window on the simulated ECU, in a multiple-document area beside
// stand-ins of the windows a change closes. Every command the store sends is
// noted and goes on to the ECU.
class SetupWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        record = SimulatedEcu::defaultImage();
        state.EcuOnline = true;
        store.setSender([this](int command, int index1, int index2) {
            sent.push_back(command);
            session.line().command(command, index1, index2);
        });
        for (WindowCode code :
             {WindowCode::Fuel, WindowCode::Ignition, WindowCode::Comp2, WindowCode::Ego,
              WindowCode::Data, WindowCode::Input, WindowCode::TimeHistory}) {
            windows.show(new QWidget, code);
        }
    }

    void open() {
        ecu.setSettings(record);
        window = new SetupWindow({state, store, session, ui,
                                  [this](WindowCode code) { windows.close(code); },
                                  &session.liveFeed()});
        windows.show(window, WindowCode::Setup);
    }

    std::vector<WindowCode> openWindows() const {
        std::vector<WindowCode> codes;
        for (WindowCode code : {WindowCode::Fuel, WindowCode::Ignition, WindowCode::Comp2,
                                WindowCode::Ego, WindowCode::Data, WindowCode::Input}) {
            if (windows.find(code) != nullptr) {
                codes.push_back(code);
            }
        }
        return codes;
    }

    template <typename T> T* child(const QString& name) const {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }

    AppState state;
    SimulatedEcu ecu;
    SimulatedLink link{&ecu};
    RecordingInteraction ui;
    Session session{state, ui, link};
    SettingsStore& store = session.store();
    EcuSettings& record = recordOf(store);
    QMdiArea area;
    WindowRegistry windows{&area};
    SetupWindow* window = nullptr;
    Codes sent;
};

struct OpeningCase {
    const char* name;
    std::function<void(EcuSettings&)> stored;
    std::function<int64_t(const EcuSettings&)> field;
    int64_t expected;
    Codes sends;
};

// Selecting the stored entries of the Engine and Sensors lists runs their
// handlers, so values the lists do not hold are normalised and sent.
TEST_F(SetupWindowTest, OpeningNormalisesValuesOutsideTheLists) {
    using S = EcuSettings;
    const std::vector<OpeningCase> cases{
        {"8000 rpm",
         [](S& s) { s.MaxRpm = 8000; },
         [](const S& s) { return s.MaxRpm; },
         9000,
         {191}},
        {"16500 rpm",
         [](S& s) { s.MaxRpm = 16500; },
         [](const S& s) { return s.MaxRpm; },
         15000,
         {191}},
        {"18000 rpm",
         [](S& s) { s.MaxRpm = 18000; },
         [](const S& s) { return s.MaxRpm; },
         3000,
         {191}},
        {"0 rpm", [](S& s) { s.MaxRpm = 0; }, [](const S& s) { return s.MaxRpm; }, 0, {}},
        {"load 3",
         [](S& s) { s.LoadControl = 3; },
         [](const S& s) { return s.LoadControl; },
         1,
         {192}},
        {"ignition 3",
         [](S& s) { s.IgnitionType = 3; },
         [](const S& s) { return s.IgnitionType; },
         1,
         {195}},
        {"wheel 2",
         [](S& s) { s.WheelType = 2; },
         [](const S& s) { return s.WheelType; },
         1,
         {149}},
        {"air 2",
         [](S& s) { s.AirTempSensorType = 2; },
         [](const S& s) { return s.AirTempSensorType; },
         0,
         {183}},
        {"map 5",
         [](S& s) { s.MapSensorType = 5; },
         [](const S& s) { return s.MapSensorType; },
         0,
         {182}},
        {"5 cylinders",
         [](S& s) { s.NumberOfCylinders = 5; },
         [](const S& s) { return s.NumberOfCylinders; },
         5,
         {}},
        {"8 cylinders",
         [](S& s) { s.NumberOfCylinders = 8; },
         [](const S& s) { return s.IgnitionType; },
         2,
         {195}},
    };
    for (const OpeningCase& c : cases) {
        SCOPED_TRACE(c.name);
        record = SimulatedEcu::defaultImage();
        c.stored(record);
        sent.clear();
        open();
        EXPECT_EQ(c.field(record), c.expected);
        EXPECT_EQ(c.field(ecu.settings()), c.expected);
        EXPECT_EQ(sent, c.sends);
        window->parentWidget()->close();
    }
}

// Every box of every page left as shown, by Enter, Escape and leaving it,
// stores and sends nothing, though each text converts back to another count.
TEST_F(SetupWindowTest, LeavingEveryBoxUntouchedSendsNothing) {
    EcuSettings& s = record;
    s.MapMaxBits = 200; // 12.2 psi, which converts back to 199
    s.TpsMaxBits = 200; // 3.92 V, back to 199.92
    s.UserOutputType = {4, 2, 0, 0};
    s.UserOutputOn = {159, 84, 0, 0}; // 10.0 psi (158), 156 F (83)
    s.UserOutputOff = {10, 100, 0, 0};
    open();
    ASSERT_TRUE(sent.empty());
    const EcuSettings before = s;
    const QList<NumericBox*> boxes = window->findChildren<NumericBox*>();
    ASSERT_GE(boxes.size(), 16);
    for (int page = 0; page < window->tabs()->count(); ++page) {
        window->tabs()->setCurrentIndex(page);
        for (NumericBox* box : boxes) {
            press(box, Qt::Key_Enter);
            press(box, Qt::Key_Escape);
            type(box, box->text());
        }
    }
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(s.MapMaxBits, before.MapMaxBits);
    EXPECT_EQ(s.TpsMaxBits, before.TpsMaxBits);
    EXPECT_EQ(s.UserOutputOn, before.UserOutputOn);
    EXPECT_EQ(openWindows().size(), 6u);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SetupWindowTest, TypedLimitsSendTheirCommandAndCloseTheTables) {
    record.TpsMinBits = 100;
    record.LoadControl = 1;
    open();
    EXPECT_EQ(windows.find(WindowCode::TimeHistory), nullptr);
    type(child<NumericBox>("TpsMaxText"), "1.97"); // stores as 100, the minimum
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(child<NumericBox>("TpsMaxText")->text(), "5.00");

    type(child<NumericBox>("TpsMaxText"), "4,5");
    EXPECT_EQ(sent, Codes{187});
    EXPECT_EQ(ecu.settings().TpsMaxBits, 230);
    EXPECT_EQ(openWindows(), (std::vector<WindowCode>{WindowCode::Comp2, WindowCode::Ego,
                                                      WindowCode::Data, WindowCode::Input}));

    // A MAP limit under MAP load control asks about rescaling; No keeps the
    // tables and sends only the limit.
    sent.clear();
    ui.answers.push_back(UserInteraction::Answer::No);
    type(child<NumericBox>("MapMaxText"), "12.2");
    EXPECT_EQ(sent, Codes{188});
    EXPECT_EQ(record.MapMaxBits, 199);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(child<QComboBox>("OncePerCycleCombo1")->itemText(0), " 12.2 psi");

    // Under throttle load control the limit is sent without the question.
    sent.clear();
    record.LoadControl = 2;
    type(child<NumericBox>("MapMinText"), "3");
    EXPECT_EQ(sent, Codes{189});
    EXPECT_EQ(ui.messages.size(), 1u);

    // A box being typed into takes its entry when the window closes.
    sent.clear();
    auto* revLimit = child<NumericBox>("RevLimitText");
    revLimit->setFocus();
    revLimit->setText("7000");
    window->parentWidget()->close();
    EXPECT_EQ(sent, Codes{194});
    EXPECT_EQ(ecu.settings().RevLimit, 7000);
}

// A record loaded while the window is open is shown, not normalised.
TEST_F(SetupWindowTest, LoadedRecordIsShownWithoutSends) {
    open();
    EcuSettings loaded = record;
    loaded.MaxRpm = 8000;
    loaded.MapSensorType = 0;
    store.replace(loaded, ChangeOrigin::File);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(child<QComboBox>("MaxRpmCombo")->currentText(), "   9000");
    EXPECT_TRUE(child<NumericBox>("MapMaxText")->isHidden());
}

TEST_F(SetupWindowTest, EngineListsSendAndCloseDependentWindows) {
    state.CodeSectionFlags[1] = true;
    record.LoadControl = 1;
    open();
    auto* cylinders = child<QComboBox>("CylindersCombo");
    emit cylinders->activated(3); // 8 cylinders force the distributor
    EXPECT_EQ(sent, (Codes{190, 195}));
    EXPECT_FALSE(child<QComboBox>("IgnitionTypeCombo")->isEnabled());
    emit cylinders->activated(1);
    EXPECT_TRUE(child<QComboBox>("IgnitionTypeCombo")->isEnabled());
    EXPECT_EQ(record.IgnitionType, 2);
    EXPECT_EQ(openWindows().front(), WindowCode::Fuel); // only Comp2 went

    sent.clear();
    record.InjectionLoadIndex = 3;
    emit child<QComboBox>("MaxRpmCombo")->activated(1);
    EXPECT_EQ(sent, Codes{191});
    EXPECT_EQ(openWindows(), (std::vector<WindowCode>{WindowCode::Data, WindowCode::Input}));
    EXPECT_EQ(child<QComboBox>("OncePerCycleCombo0")->itemText(2), " 400");
    EXPECT_EQ(child<QComboBox>("OncePerCycleCombo1")->currentIndex(), 3);
    EXPECT_EQ(state.ignitionGenerator.advanceLimit, 0.0f);

    sent.clear();
    qint64 engineMs = 0;
    ecu.setClock([&engineMs] { return engineMs; });
    ecu.startEngine();
    engineMs = 60000;
    session.acquisition().tick(); // the poll finds the engine turning
    emit child<QComboBox>("LoadControlCombo")->activated(1);
    EXPECT_EQ(sent, Codes{192});
    EXPECT_EQ(ecu.stopCount(), 1);
    EXPECT_EQ(child<QComboBox>("OncePerCycleCombo1")->itemText(0), "105.0 %");
}

TEST_F(SetupWindowTest, CustomOutputsAndInputs) {
    state.CodeSectionFlags[0] = true;
    record.EgoControl = 1;
    open();
    emit child<QComboBox>("CustomOutputCombo1")->activated(3);
    EXPECT_EQ(sent, (Codes{201, 203, 202}));
    EXPECT_EQ(child<NumericBox>("CustomOutputText2")->text(), "9000");
    type(child<NumericBox>("CustomOutputText3"), "9049"); // shows as set point 1 does
    EXPECT_EQ(sent.size(), 3u);
    type(child<NumericBox>("CustomOutputText3"), "7000");
    EXPECT_EQ(sent.back(), 203);
    EXPECT_EQ(ecu.settings().UserOutputOff[1], 70);

    sent.clear();
    emit child<QComboBox>("CustomInputCombo0")->activated(3);
    Codes ego{214};
    ego.insert(ego.end(), 17, 217);
    EXPECT_EQ(sent, ego);
    EXPECT_EQ(ecu.settings().UserInputAnalogTable[0][8], 115);
    EXPECT_EQ(openWindows(),
              (std::vector<WindowCode>{WindowCode::Fuel, WindowCode::Ignition, WindowCode::Comp2}));

    sent.clear();
    auto* lc = child<QGroupBox>("LCFrame");
    EXPECT_FALSE(lc->isEnabled());
    emit child<QComboBox>("CustomInputCombo3")->activated(4);
    EXPECT_EQ(sent, Codes{210});
    EXPECT_TRUE(lc->isEnabled());
    type(child<NumericBox>("LCText"), "20000");
    EXPECT_EQ(record.LaunchControlRpm, 9000);

    EngineData live;
    live.MapChannel.Value = 12.25f;
    live.TpsChannel.RawLow = 255;
    window->upDateSetup(LiveSample::fromEngineData(live, 0));
    EXPECT_EQ(child<QLabel>("TpsLabel")->text(), "TPS volts                 5.00");
}

// The setup window opened with Ctrl+E on a main window on the simulated ECU,
// worked with the mouse and the keys; every byte written is checked.
class SetupOnMainWindowTest : public SimulatedMainWindow {
protected:
    void SetUp() override {
        SimulatedMainWindow::SetUp();
        start();
    }
    // A box left with the focus takes its entry while the store still exists.
    void TearDown() override { window->unloadAllWindows(); }
    // The session's record, written as setup, unsent.
    EcuSettings& record() const { return recordOf(window->store()); }
    SetupWindow* open() {
        QApplication::setActiveWindow(window.get());
        QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier);
        auto* setup = window->findChild<SetupWindow*>();
        EXPECT_NE(setup, nullptr);
        link.clearWritten();
        return setup;
    }
    static void showPage(SetupWindow* setup, int page) {
        QTabBar* bar = setup->tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
        ASSERT_EQ(setup->tabs()->currentIndex(), page);
    }
    // Clicks into a box and replaces its text by keys, then Enter.
    static void retype(QLineEdit* box, const QString& text) {
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_Home, Qt::ShiftModifier);
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    static QByteArray bytes(std::initializer_list<int> values) {
        QByteArray out;
        for (int v : values) {
            out.append(char(v));
        }
        return out;
    }
};

// The secondary rev limit shows " ####0" on the filled page and the plain
// number once an entry has been made.
TEST_F(SetupOnMainWindowTest, SecondaryRevLimitShowsItsPatternUntilEdited) {
    record().UserInputDigitalMode[0] = 4;
    record().LaunchControlRpm = 5000;
    SetupWindow* setup = open();
    ASSERT_NE(setup, nullptr);
    showPage(setup, 3);
    auto* lc = setup->findChild<NumericBox*>("LCText");
    EXPECT_EQ(lc->text().toStdString(), " 5000");
    retype(lc, "6000");
    EXPECT_EQ(link.written(), bytes({237, 0x17, 0x70}));
    EXPECT_EQ(lc->text().toStdString(), "6000");
}

// Switching an analog input off keeps its curve and sends all 17 points.
TEST_F(SetupOnMainWindowTest, AnalogInputSwitchedOffSendsItsSeventeenPoints) {
    EcuSettings& s = record();
    s.UserInputAnalogMode[1] = 1;
    for (int k = 0; k < 17; ++k) {
        s.UserInputAnalogTable[1][static_cast<std::size_t>(k)] = static_cast<int16_t>(90 + k);
    }
    SetupWindow* setup = open();
    ASSERT_NE(setup, nullptr);
    showPage(setup, 3);
    auto* combo = setup->findChild<QComboBox*>("CustomInputCombo1");
    ASSERT_EQ(combo->currentText(), "Fuel Percent");
    QTest::mouseClick(combo, Qt::LeftButton);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(combo->view(), Qt::Key_Up);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    EXPECT_EQ(combo->currentText(), "Off");
    QByteArray expected = bytes({215, 0});
    for (int k = 0; k < 17; ++k) {
        expected += bytes({218, k, 90 + k});
    }
    EXPECT_EQ(link.written(), expected);
    EXPECT_EQ(ecu.settings().UserInputAnalogTable[1][16], 106);
}

} // namespace
