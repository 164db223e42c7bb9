// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingInteraction.h"

UserInteraction::Answer RecordingInteraction::message(const QString& text, Icon icon,
                                                      Buttons buttons, const QString& title) {
    messages.push_back({text, icon, buttons, title});
    if (!answers.empty()) {
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    switch (buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return Answer::Yes;
    default:
        return Answer::Ok;
    }
}

void RecordingInteraction::setBusy(bool busy) {
    busyDepth += busy ? 1 : -1;
    if (busy) {
        ++busyCalls;
    }
}

void RecordingInteraction::beginProgress(const QString& caption) {
    progressCaptions << caption;
    ++progressOpen;
}

void RecordingInteraction::stepProgress() {
    ++progressSteps;
}

void RecordingInteraction::endProgress() {
    --progressOpen;
}

QStringList RecordingInteraction::texts() const {
    QStringList out;
    for (const auto& m : messages) {
        out << m.text;
    }
    return out;
}

QStringList RecordingInteraction::boxes() const {
    static const char* const icons[] = {"None", "Information", "Warning", "Critical"};
    QStringList out;
    for (const auto& m : messages) {
        out << QStringLiteral("%1|%2|%3")
                   .arg(QLatin1String(icons[static_cast<int>(m.icon)]), m.title, m.text);
    }
    return out;
}

void RecordingInteraction::clear() {
    messages.clear();
    progressCaptions.clear();
    progressSteps = 0;
}
