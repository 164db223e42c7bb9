// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtInteraction.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QProgressBar>
#include <QSpacerItem>
#include <QStyle>
#include <QVBoxLayout>

namespace {
// The bar only ever moves forward; a full send has 42 steps and a search
// advances 9 per attempt, so the range leaves room for both.
constexpr int kProgressMaximum = 100;

QMessageBox::Icon toBoxIcon(UserInteraction::Icon icon) {
    switch (icon) {
    case UserInteraction::Icon::Information:
        return QMessageBox::Information;
    case UserInteraction::Icon::Warning:
        return QMessageBox::Warning;
    case UserInteraction::Icon::Critical:
        return QMessageBox::Critical;
    case UserInteraction::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toBoxButtons(UserInteraction::Buttons buttons) {
    switch (buttons) {
    case UserInteraction::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case UserInteraction::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case UserInteraction::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case UserInteraction::Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// A box is only as wide as its text and buttons, so a short message ("Data
// Saved!") left the title bar too narrow for its own title. An empty row in
// the box's grid keeps room for the title beside the window icon and the
// title bar's buttons, each taken as a square of the title bar's height.
void keepTitleVisible(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) {
        return;
    }
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int square = box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box);
    const QMargins margins = grid->contentsMargins();
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + 4 * square -
                      margins.left() - margins.right();
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

UserInteraction::Answer toAnswer(int button) {
    switch (button) {
    case QMessageBox::Yes:
        return UserInteraction::Answer::Yes;
    case QMessageBox::No:
        return UserInteraction::Answer::No;
    case QMessageBox::Cancel:
        return UserInteraction::Answer::Cancel;
    default:
        return UserInteraction::Answer::Ok;
    }
}
} // namespace

ProgressWindow::ProgressWindow(QWidget* owner, const QString& caption)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_bar(new QProgressBar(this)) {
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(caption);
    setWindowModality(Qt::ApplicationModal);
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setRange(0, kProgressMaximum);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    resize(320, 60);
    if (owner != nullptr) {
        const QPoint centre = owner->mapToGlobal(owner->rect().center());
        move(centre - QPoint(width() / 2, height() / 2));
    }
}

void ProgressWindow::step() {
    if (m_bar->value() < m_bar->maximum()) {
        m_bar->setValue(m_bar->value() + 1);
    }
    m_bar->repaint();
}

int ProgressWindow::value() const {
    return m_bar->value();
}

int ProgressWindow::maximum() const {
    return m_bar->maximum();
}

QtInteraction::QtInteraction(QWidget* owner) : m_owner(owner) {}

QtInteraction::~QtInteraction() {
    while (m_busyDepth > 0) {
        setBusy(false);
    }
    endProgress();
}

void QtInteraction::setOwner(QWidget* owner) {
    m_owner = owner;
}

UserInteraction::Answer QtInteraction::message(const QString& text, Icon icon, Buttons buttons,
                                               const QString& title) {
    const QString caption = title.isEmpty() ? QApplication::applicationName() : title;
    QMessageBox box(toBoxIcon(icon), caption, text, toBoxButtons(buttons), m_owner.data());
    keepTitleVisible(box);
    // A question asked under the busy pointer still needs the arrow to answer.
    const bool busy = m_busyDepth > 0;
    if (busy) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    const int button = box.exec();
    if (busy) {
        QApplication::restoreOverrideCursor();
    }
    return toAnswer(button);
}

void QtInteraction::setBusy(bool busy) {
    if (busy) {
        ++m_busyDepth;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_busyDepth > 0) {
        --m_busyDepth;
        QApplication::restoreOverrideCursor();
    }
}

void QtInteraction::beginProgress(const QString& caption) {
    if (m_progress != nullptr) {
        m_progress->setWindowTitle(caption);
        m_progress->repaint();
        return;
    }
    m_progress = new ProgressWindow(m_owner.data(), caption);
    m_progress->setAttribute(Qt::WA_DeleteOnClose);
    m_progress->show();
    m_progress->repaint();
}

void QtInteraction::stepProgress() {
    if (m_progress != nullptr) {
        m_progress->step();
    }
}

void QtInteraction::endProgress() {
    if (m_progress != nullptr) {
        m_progress->close();
        m_progress = nullptr;
    }
}
