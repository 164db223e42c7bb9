// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/UserInteraction.h"

#include <QPointer>
#include <QWidget>

class QProgressBar;

// A small window with one progress bar, centred on its owner. Long transfers
// run on the user-interface thread without returning to the event loop, so
// the window repaints itself directly after every step instead of letting
// queued user input run in the middle of a transfer.
class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* owner, const QString& caption);

    void step();
    int value() const;
    int maximum() const;

private:
    QProgressBar* m_bar = nullptr;
};

// Messages as message boxes, the busy pointer as the application's override
// cursor, and progress as a ProgressWindow over the main window.
class QtInteraction : public UserInteraction {
public:
    explicit QtInteraction(QWidget* owner = nullptr);
    ~QtInteraction() override;

    void setOwner(QWidget* owner);

    Answer message(const QString& text, Icon icon, Buttons buttons, const QString& title) override;
    void setBusy(bool busy) override;
    void beginProgress(const QString& caption) override;
    void stepProgress() override;
    void endProgress() override;

private:
    QPointer<QWidget> m_owner;
    QPointer<ProgressWindow> m_progress;
    int m_busyDepth = 0;
};
