// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/UserInteraction.h"

#include <QIODevice>

// Messages of the command-line tool: each is one paragraph on the error
// stream, prefixed by its kind. Questions are not asked but answered with a
// fixed answer, which is printed after the question.
class StderrInteraction : public UserInteraction {
public:
    explicit StderrInteraction(QIODevice& err) : m_err(err) {}

    // With assumeYes questions get Yes (or OK), otherwise No (or Cancel).
    void setAssumeYes(bool assumeYes) { m_assumeYes = assumeYes; }
    // Progress captions and a dot per step are printed only when shown.
    void setShowProgress(bool show) { m_showProgress = show; }

    Answer message(const QString& text, Icon icon = Icon::None, Buttons buttons = Buttons::Ok,
                   const QString& title = kTitle) override;
    void setBusy(bool) override {}
    void beginProgress(const QString& caption) override;
    void stepProgress() override;
    void endProgress() override;

private:
    void print(const QString& text);

    QIODevice& m_err;
    bool m_assumeYes = false;
    bool m_showProgress = false;
};
