// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Every message, question, busy pointer and progress display goes through
// this interface: the window program shows dialogs, the command-line tool
// prints to stderr, and tests record and answer.
class UserInteraction {
public:
    enum class Icon { None, Information, Warning, Critical };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    // The program's own title; an empty title means the platform's default,
    // which is the application name as well.
    static inline const QString kTitle = QStringLiteral("Vantrel");

    virtual ~UserInteraction() = default;

    virtual Answer message(const QString& text, Icon icon = Icon::None,
                           Buttons buttons = Buttons::Ok, const QString& title = kTitle) = 0;
    virtual void setBusy(bool busy) = 0;
    virtual void beginProgress(const QString& caption) = 0;
    virtual void stepProgress() = 0;
    virtual void endProgress() = 0;
};

// Shows the busy pointer for the lifetime of the guard.
class BusyGuard {
public:
    explicit BusyGuard(UserInteraction& ui) : m_ui(ui) { m_ui.setBusy(true); }
    ~BusyGuard() { m_ui.setBusy(false); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    UserInteraction& m_ui;
};
