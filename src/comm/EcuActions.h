// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The ECU commands a window may ask for. The program runs each on the line;
// no window sends to the ECU itself.
class EcuActions {
public:
    virtual ~EcuActions() = default;

    // The diagnostics' output test: fires output 1 .. 8 once, or says that
    // the ECU is offline.
    virtual void fireOutput(int output) = 0;
    // Stops the engine at once, without a question (a load control change
    // while the engine turns).
    virtual void stopEngineNow() = 0;
    // Reads the spare values and the serial bytes (the extra window opens).
    virtual void readExtra() = 0;
    // Takes a serial field's typed text; true when the serial number changed
    // and its bytes were sent.
    virtual bool enterSerialField(int index, const QString& shown, const QString& typed) = 0;
};
