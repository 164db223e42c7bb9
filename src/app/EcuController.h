#pragma once

#include "comm/Discovery.h"
#include "comm/Transfers.h"

#include <QObject>
#include <functional>

struct AppState;
class EcuLine;
class Poller;
class SettingsStore;

// The ECU commands of the window program: the search, the full read and the
// full send, the store, the block read of the fuel table, stop engine and the
// developer test commands. Every one runs on the ECU line; records read from
// the ECU go through the settings store.
class EcuController : public QObject {
    Q_OBJECT
public:
    // What the commands need from the windows around them.
    struct Windows {
        std::function<void()> unloadAll;
        std::function<void()> refreshStatusBar;
        std::function<void(bool)> showEgoMenu;
        std::function<void()> redrawTables;
    };

    EcuController(AppState& state, EcuLine& line, SettingsStore& store, Poller& poller,
                  QObject* parent = nullptr);

    void setWindows(Windows windows);

    // The search at start-up (asking first) and before a send.
    void findEcu();
    // The Find ECU command: searches when offline, then reads everything.
    void findEcuCommand();
    void getAllDataFromEcu();
    SendOutcome sendAllDataToEcu();
    // Save Settings to ECU.
    void saveSettingsToEcu();
    // Stores without a message, as the exit question does.
    void storeQuietly();
    void engineHigh();
    // Stop Engine: says so while offline, otherwise stops at once.
    void engineStop();
    void enableCodeSections();
    // The developer test commands; Invalid Command returns the reply shown.
    int testInvalidCommand();
    void testInvalidIsr();

    // The record repaired by the consistency check, each fix sent.
    void checkSettings();

private:
    DiscoveryHooks discoveryHooks();
    TransferHooks transferHooks();

    AppState& m_state;
    EcuLine& m_line;
    SettingsStore& m_store;
    Poller& m_poller;
    Windows m_windows;
};
