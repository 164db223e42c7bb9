// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/UserInteraction.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

// Records every message and answers questions from a queue (Ok/Yes when the
// queue is empty), for tests of logic that talks to the user.
class RecordingInteraction : public UserInteraction {
public:
    struct Message {
        QString text;
        Icon icon;
        Buttons buttons;
        QString title;
    };

    Answer message(const QString& text, Icon icon, Buttons buttons, const QString& title) override;
    void setBusy(bool busy) override;
    void beginProgress(const QString& caption) override;
    void stepProgress() override;
    void endProgress() override;

    QStringList texts() const;
    // Each message as "icon|title|text" (icon None, Information, Warning or
    // Critical), to compare whole boxes at once.
    QStringList boxes() const;
    void clear();

    std::vector<Message> messages;
    std::deque<Answer> answers;
    int busyDepth = 0;
    int busyCalls = 0;
    QStringList progressCaptions;
    int progressSteps = 0;
    int progressOpen = 0;
};
