// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

// Sends one command of the ECU protocol (code, index 1, index 2). Logic that
// writes to the ECU takes one of these so that it runs without a serial port.
using CommandSender = std::function<void(int command, int index1, int index2)>;
