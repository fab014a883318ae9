// SPDX-License-Identifier: GPL-3.0-or-later
// The job window: runs one job script through the interpreter and shows what it reports. It
// opens minimized without taking the focus, closes itself after success, and stays (flagged
// urgent) after a failure until the user closes it.
#pragma once
#include "jobreport.h"

#include <QProcess>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSocketNotifier;

namespace wl {

class Notifier;

class JobWindow : public QWidget {
    Q_OBJECT
  public:
    explicit JobWindow(Notifier& notifier);
    ~JobWindow() override;

    // Starts interpreter with args in a process group of its own, its standard input passed on
    // (a script handed over on standard input is the snapshot the program wrote). False, with
    // the reason shown, when it cannot start.
    bool start(const QString& interpreter, const QStringList& args);
    // Ends the job cleanly: SIGTERM to its process group; the tools leave no partial file.
    void Stop_Click();
    // Brings the window up for the user (the notification's default action).
    void showToUser();

    const JobReport& report() const { return report_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void readProgress();
    void readMessages();
    void ended(int exitCode, QProcess::ExitStatus status);
    void refresh();

    Notifier& notifier_;
    JobReport report_;
    QProcess process_;
    int progressFd_ = -1;
    QSocketNotifier* progressWatch_ = nullptr;
    QByteArray progressPending_, messagesPending_;
    bool stopped_ = false;

    QLabel* line_;
    QProgressBar* bar_;
    QPlainTextEdit* messages_;
    QLabel* outcome_;
    QPushButton* stop_;
};

} // namespace wl
