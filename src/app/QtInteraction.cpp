#include "app/QtInteraction.h"

#include <QApplication>
#include <QMessageBox>
#include <QProgressBar>
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
