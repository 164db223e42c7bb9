// SPDX-License-Identifier: GPL-3.0-or-later
#include "autotune/LiveSource.h"

#include "monitor/LiveFeed.h"

FeedLiveSource::FeedLiveSource(LiveFeed& feed, QObject* parent) : LiveSource(parent) {
    connect(&feed, &LiveFeed::sampleRead, this, &LiveSource::sampleTaken);
}
