// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobwindow.h"

#include "formbuilder.h"
#include "notifier.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSocketNotifier>
#include <QVBoxLayout>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace wl {

JobWindow::JobWindow(Notifier& notifier) : notifier_(notifier) {
    setWindowIcon(programIcon());
    auto* layout = new QVBoxLayout(this);
    line_ = new QLabel(this);
    line_->setObjectName("jobLine");
    line_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("progress");
    bar_->setRange(0, 0); // busy until the first report
    messages_ = new QPlainTextEdit(this);
    messages_->setObjectName("messages");
    messages_->setReadOnly(true);
    messages_->setFocusPolicy(Qt::NoFocus);
    outcome_ = new QLabel(this);
    outcome_->setObjectName("outcome");
    outcome_->setWordWrap(true);
    outcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    stop_ = new QPushButton("Stop", this);
    stop_->setObjectName("Stop");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(stop_);
    layout->addWidget(line_);
    layout->addWidget(bar_);
    layout->addWidget(messages_, 1);
    layout->addWidget(outcome_);
    layout->addLayout(buttons);
    resize(480, 260);
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (report_.finished())
            close();
        else
            Stop_Click();
    });
    connect(&process_, &QProcess::readyReadStandardOutput, this, &JobWindow::readMessages);
    connect(&process_, &QProcess::finished, this, &JobWindow::ended);
    connect(&notifier_, &Notifier::activated, this, &JobWindow::showToUser);
    refresh();
}

JobWindow::~JobWindow() {
    if (progressFd_ >= 0)
        ::close(progressFd_);
}

bool JobWindow::start(const QString& interpreter, const QStringList& args) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        ended(126, QProcess::NormalExit);
        return false;
    }
    progressFd_ = fds[0];
    const int writeEnd = fds[1];
    fcntl(progressFd_, F_SETFL, O_NONBLOCK);
    progressWatch_ = new QSocketNotifier(progressFd_, QSocketNotifier::Read, this);
    connect(progressWatch_, &QSocketNotifier::activated, this, &JobWindow::readProgress);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kProgressFdVariable, QString::number(writeEnd));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setInputChannelMode(QProcess::ForwardedInputChannel);
    // In the child: a process group of its own (for Stop), and the channel's writing end kept
    // open across exec.
    process_.setChildProcessModifier([writeEnd] {
        setpgid(0, 0);
        fcntl(writeEnd, F_SETFD, 0);
    });
    process_.start(interpreter, args);
    const bool started = process_.waitForStarted(10000);
    ::close(writeEnd); // the job holds it now; the channel ends when the job does
    if (!started) {
        report_.message("Cannot start " + interpreter + ": " + process_.errorString());
        ended(126, QProcess::NormalExit);
    }
    return started;
}

void JobWindow::Stop_Click() {
    if (process_.state() == QProcess::NotRunning)
        return;
    stopped_ = true;
    ::kill(-static_cast<pid_t>(process_.processId()), SIGTERM);
}

void JobWindow::showToUser() {
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void JobWindow::closeEvent(QCloseEvent* event) {
    // Closing a running job's window stops the job: nothing would show how it ended.
    if (!report_.finished())
        Stop_Click();
    event->accept();
}

void JobWindow::readProgress() {
    char buf[4096];
    ssize_t n;
    while ((n = ::read(progressFd_, buf, sizeof buf)) > 0)
        progressPending_.append(buf, n);
    qsizetype eol;
    while ((eol = progressPending_.indexOf('\n')) >= 0) {
        const QByteArray line = progressPending_.left(eol);
        progressPending_.remove(0, eol + 1);
        if (const auto update =
                parseUpdate(std::string_view(line.constData(), static_cast<size_t>(line.size()))))
            report_.feed(*update);
    }
    if (n == 0) // every writer has gone
        progressWatch_->setEnabled(false);
    refresh();
}

void JobWindow::readMessages() {
    messagesPending_ += process_.readAllStandardOutput();
    qsizetype eol;
    while ((eol = messagesPending_.indexOf('\n')) >= 0) {
        // A progress line redrawn with \r shows as its last state.
        QByteArray line = messagesPending_.left(eol);
        messagesPending_.remove(0, eol + 1);
        line = line.mid(line.lastIndexOf('\r') + 1);
        report_.message(QString::fromLocal8Bit(line));
        messages_->appendPlainText(QString::fromLocal8Bit(line));
    }
}

void JobWindow::ended(int exitCode, QProcess::ExitStatus status) {
    readMessages();
    if (progressFd_ >= 0)
        readProgress();
    const int code = status == QProcess::CrashExit ? 128 + SIGTERM : exitCode;
    report_.finish(code, stopped_);
    refresh();
    notifier_.notify(report_.headline(), report_.details(), !report_.succeeded());
    if (report_.closesItself()) {
        close();
        return;
    }
    stop_->setText("Close");
    // Flags the window in the task bar without taking the focus.
    QApplication::alert(this);
}

void JobWindow::refresh() {
    QString title = report_.title();
    if (!report_.finished() && report_.permille() >= 0)
        title += " \u2013 " + QString::number(report_.permille() / 10) + "%";
    if (report_.finished() && !report_.succeeded())
        title += stopped_ ? " \u2013 stopped" : " \u2013 failed";
    setWindowTitle(title);
    line_->setText(report_.jobLine());
    if (report_.permille() >= 0 || report_.finished()) {
        bar_->setRange(0, 1000);
        bar_->setValue(report_.finished() && report_.succeeded() ? 1000
                                                                 : std::max(0, report_.permille()));
    }
    outcome_->setText(report_.outcome());
}

} // namespace wl
