// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/LiveSample.h"

#include <QObject>

class LiveFeed;

// Where autotune's live samples come from. The autotune window listens to
// this alone and knows nothing of how the ECU is read.
class LiveSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // A reading of the running engine, in time order.
    void sampleTaken(const LiveSample& sample);
};

// The live feed as a live source: every sample of a poll that read the
// online ECU afresh, with the feed's time. The ticks while the ECU is
// offline repeat the last values and give none.
class FeedLiveSource : public LiveSource {
    Q_OBJECT
public:
    explicit FeedLiveSource(LiveFeed& feed, QObject* parent = nullptr);
};
