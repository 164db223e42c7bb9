// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/ReportPrinter.h"

#include <QList>
#include <QString>
#include <functional>

struct AppState;
class SettingsStore;
class Plot3DViews;
class QPrinter;
class QWidget;
class UserInteraction;
class WindowRegistry;

// File > Print Data and Print Plot: the report or the plots on the printer
// chosen in the print dialog, or in a PDF file that is written whole or not at
// all.
class PrintCommands {
public:
    // The print dialog (title): sets up the printer and returns false when
    // cancelled.
    using PrinterChooser = std::function<bool(QPrinter& printer, const QString& title)>;

    struct Parts {
        const AppState& state;
        const SettingsStore& store;
        UserInteraction& ui;
        const WindowRegistry& windows;
        const Plot3DViews& plots;
        // The print dialog's parent.
        QWidget& parent;
        // The platform's print dialog when empty.
        PrinterChooser choosePrinter;
    };

    explicit PrintCommands(Parts parts);

    void printData();
    void printPlot();

private:
    // What Print Plot prints: the time history plot when its window is open,
    // otherwise each open 3D plot on a page of its own.
    QList<PrintablePlot> plotsToPrint() const;
    bool choosePrinter(QPrinter& printer, const QString& title);
    // Runs draw (which returns false when the printer could not start) and
    // reports a failure. A PDF file is written through a PrintFile.
    void printSafely(QPrinter& printer, const std::function<bool()>& draw);

    Parts m_parts;
};
