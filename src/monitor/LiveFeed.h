// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/LiveSample.h"

#include <QObject>
#include <array>

// What the views of the live values get from the program, and nothing more:
// the sample of every poll, the hold of the poll while a cell is edited, the
// developer reads, and the time history's reduced samples. No view sends to
// the ECU itself.
class LiveFeed : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The last sample of the poll, for a view that opens between two polls;
    // one without channels before the first poll.
    virtual const LiveSample& latest() const = 0;

    // The poll skips its ticks while an editor holds it (a cell is being
    // edited). The editor withdraws its hold when the edit ends; being
    // destroyed withdraws it too.
    virtual void holdPoll(const QObject* editor) = 0;
    virtual void releasePoll(const QObject* editor) = 0;

    // The diagnostics and extra windows want the developer reads in
    // developer mode; each asks while it lives.
    virtual void requestDeveloperReads(const QObject* window) = 0;

    // The time history plot: opening and closing it tell the ECU, and while
    // it runs the reduced set of its two traces (a plot channel each; trace
    // 2 may be off) is read at its own rate.
    virtual void openPlot() = 0;
    virtual void closePlot() = 0;
    virtual void startPlot(const std::array<int, 2>& channels) = 0;
    virtual void stopPlot() = 0;
    virtual bool plotRunning() const = 0;

signals:
    // One per tick of the poll (also while offline, with the values last
    // read), after the status bar and the data log have taken it.
    void sampled(const LiveSample& sample);
    // Just before sampled(), when that tick read the online ECU afresh: for
    // a view that wants readings of the running engine only.
    void sampleRead(const LiveSample& sample);
    // One per reduced sample of the running plot, after the data log.
    void plotSampled(const LiveSample& sample);
    // The plot stopped: by stopPlot, or by itself when the ECU was offline
    // at a reduced tick.
    void plotStopped();
};
