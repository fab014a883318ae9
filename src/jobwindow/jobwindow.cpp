// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobwindow.h"

#include "icons.h"
#include "notifier.h"
#include "runcommand.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace wl {

JobWindow::JobWindow(Notifier& notifier) : notifier_(notifier) {
    setWindowIcon(programIcon());
    resize(480, 260);
    connect(&notifier_, &Notifier::activated, this, &JobWindow::showToUser);
    connect(&desktop_, &DesktopJob::stopRequested, this, &JobWindow::Stop_Click);
    refresh();
}

void JobWindow::buildContent() {
    if (stop_)
        return;
    auto* layout = new QVBoxLayout(this);
    line_ = new QLabel(this);
    line_->setObjectName("jobLine");
    line_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("progress");
    bar_->setAccessibleName("Progress");
    bar_->setRange(0, 0); // busy until the first report
    currentFile_ = new QLabel(this);
    currentFile_->setObjectName("currentFile");
    timing_ = new QLabel(this);
    timing_->setObjectName("timing");
    messages_ = new QPlainTextEdit(this);
    messages_->setObjectName("messages");
    messages_->setAccessibleName("Messages");
    messages_->setReadOnly(true);
    messages_->setFocusPolicy(Qt::NoFocus);
    messages_->setPlainText(report_.messages().join('\n'));
    outcome_ = new QLabel(this);
    outcome_->setObjectName("outcome");
    outcome_->setAccessibleName("Outcome"); // empty while the job runs
    outcome_->setWordWrap(true);
    outcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    stop_ = new QPushButton(report_.finished() ? "Close" : "Stop", this);
    stop_->setObjectName("Stop");
    lookUp_ = new QPushButton("Look up this disc", this);
    lookUp_->setObjectName("lookUp");
    connect(lookUp_, &QPushButton::clicked, this, &JobWindow::lookUpDisc);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(lookUp_);
    buttons->addWidget(stop_);
    layout->addWidget(line_);
    layout->addWidget(bar_);
    layout->addWidget(currentFile_);
    layout->addWidget(timing_);
    layout->addWidget(messages_, 1);
    layout->addWidget(outcome_);
    layout->addLayout(buttons);
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (report_.finished())
            close();
        else
            Stop_Click();
    });
    // Names from files and discs are shown as they are, never read as markup.
    for (QLabel* label : findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    for (QWidget* w : findChildren<QWidget*>())
        w->show();
    // The time goes on between the tools' reports, until the job ends.
    tick_ = new QTimer(this);
    connect(tick_, &QTimer::timeout, this, &JobWindow::refresh);
    if (!report_.finished())
        tick_->start(1000);
    refresh();
}

JobWindow::~JobWindow() = default;

void JobWindow::attach(JobProcess job) {
    job_ = std::move(job);
    clock_.start();
    if (!job_.started()) {
        report_.message(QString::fromLocal8Bit(("Cannot start the job: " + job_.error).c_str()));
        ended(126);
        return;
    }
    progressWatch_ = new QSocketNotifier(job_.progress.get(), QSocketNotifier::Read, this);
    connect(progressWatch_, &QSocketNotifier::activated, this, &JobWindow::readProgress);
    outputWatch_ = new QSocketNotifier(job_.output.get(), QSocketNotifier::Read, this);
    connect(outputWatch_, &QSocketNotifier::activated, this, &JobWindow::readMessages);
    if (job_.exited) {
        exitWatch_ = new QSocketNotifier(job_.exited.get(), QSocketNotifier::Read, this);
        connect(exitWatch_, &QSocketNotifier::activated, this, &JobWindow::checkExit);
    } else {
        exitPoll_ = new QTimer(this);
        connect(exitPoll_, &QTimer::timeout, this, &JobWindow::checkExit);
        exitPoll_->start(100);
    }
    readProgress();
    readMessages();
}

void JobWindow::Stop_Click() {
    if (!job_.started() || report_.finished())
        return;
    stopped_ = true;
    ::kill(-job_.pid, SIGTERM);
}

void JobWindow::showToUser() {
    buildContent();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void JobWindow::lookUpDisc() {
    const QString link = report_.discLink();
    if (link.isEmpty())
        return;
    if (const QString why = openWithDesktop(link); !why.isEmpty() && messages_)
        messages_->appendPlainText("Cannot open " + link + ": " + why);
}

void JobWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && !(windowState() & Qt::WindowMinimized) &&
        isVisible())
        buildContent();
    QWidget::changeEvent(event);
}

void JobWindow::closeEvent(QCloseEvent* event) {
    // Closing a running job's window stops the job: nothing would show how it ended.
    if (!report_.finished())
        Stop_Click();
    desktop_.dismiss();
    event->accept();
}

void JobWindow::readProgress() {
    for (const QByteArray& line : progressLines_.read(job_.progress.get()))
        if (const auto update =
                parseUpdate(std::string_view(line.constData(), static_cast<size_t>(line.size()))))
            report_.feed(*update);
    if (progressLines_.atEnd() && progressWatch_) // every writer has gone
        progressWatch_->setEnabled(false);
    if (!report_.finished())
        desktop_.progress(report_.title(), report_.permille(), report_.currentFile());
    refresh();
}

void JobWindow::readMessages() {
    const QList<QByteArray> lines = messageLines_.read(job_.output.get());
    if (messageLines_.atEnd() && outputWatch_)
        outputWatch_->setEnabled(false);
    for (QByteArray line : lines) {
        // A progress line redrawn with \r shows as its last state.
        line = line.mid(line.lastIndexOf('\r') + 1);
        report_.message(QString::fromLocal8Bit(line));
        if (messages_)
            messages_->appendPlainText(QString::fromLocal8Bit(line));
    }
}

void JobWindow::checkExit() {
    if (report_.finished())
        return;
    const int status = reapJob(job_.pid);
    if (status >= 0)
        ended(status);
}

void JobWindow::ended(int status) {
    if (job_.started()) {
        readMessages();
        readProgress();
    }
    report_.finish(status, stopped_);
    tookMs_ = ranMs();
    // A pidfd stays readable after the exit, and the pipes stay at their end: an ended job's
    // window watches nothing, so that it sleeps until the user closes it.
    for (QSocketNotifier* watch : {exitWatch_, progressWatch_, outputWatch_})
        if (watch)
            watch->setEnabled(false);
    for (QTimer* timer : {exitPoll_, tick_})
        if (timer)
            timer->stop();
    refresh();
    desktop_.end(report_.succeeded() ? DesktopJob::Outcome::Done
                 : stopped_          ? DesktopJob::Outcome::Stopped
                                     : DesktopJob::Outcome::Failed,
                 report_.headline());
    notifier_.notify(report_.headline(), report_.details(), !report_.succeeded());
    if (report_.closesItself()) {
        // The window goes once the notification is on the desktop, or given up.
        if (notifier_.pending())
            connect(&notifier_, &Notifier::settled, this, &QWidget::close);
        else
            close();
        return;
    }
    if (stop_)
        stop_->setText("Close");
    // A failure flags the window in the task bar without taking the focus; a rip of several
    // tracks that went well just stays, with its proofs.
    if (!report_.succeeded())
        QApplication::alert(this);
}

qint64 JobWindow::ranMs() const { return clock_.isValid() ? clock_.elapsed() : 0; }

void JobWindow::refresh() {
    // An ended job that keeps its window says how it ended: "6 tracks ripped".
    QString title = report_.succeeded() ? report_.headline() : report_.title();
    if (!report_.finished() && report_.permille() >= 0)
        title += " \u2013 " + QString::number(report_.permille() / 10) + "%";
    if (report_.finished() && !report_.succeeded())
        title += stopped_ ? " \u2013 stopped" : " \u2013 failed";
    setWindowTitle(title);
    if (!stop_)
        return;
    line_->setText(report_.jobLine());
    if (report_.permille() >= 0 || report_.finished()) {
        bar_->setRange(0, 1000);
        bar_->setValue(report_.finished() && report_.succeeded() ? 1000
                                                                 : std::max(0, report_.permille()));
    }
    currentFile_->setText(report_.currentFile());
    currentFile_->setVisible(!report_.currentFile().isEmpty());
    timing_->setText(timeLine(tookMs_ >= 0 ? tookMs_ : ranMs(),
                              report_.finished() ? 1000 : report_.permille(),
                              report_.audioSeconds()));
    outcome_->setText(report_.outcome());
    lookUp_->setVisible(report_.finished() && !report_.discLink().isEmpty());
}

} // namespace wl
