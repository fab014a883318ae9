// SPDX-License-Identifier: GPL-3.0-or-later
// The job window: runs one job script through the interpreter and shows what it reports. It
// opens minimized without taking the focus, closes itself after success, and stays (flagged
// urgent) after a failure until the user closes it.
#pragma once
#include "desktopjob.h"
#include "jobprocess.h"
#include "jobreport.h"
#include "linereader.h"

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSocketNotifier;
class QTimer;

namespace wl {

class Notifier;

class JobWindow : public QWidget {
    Q_OBJECT
  public:
    explicit JobWindow(Notifier& notifier);
    ~JobWindow() override;

    // Shows a job started by startJob(); one that could not start is shown as failed.
    void attach(JobProcess job);
    // Ends the job cleanly: SIGTERM to its process group; the tools leave no partial file.
    void Stop_Click();
    // Brings the window up for the user (the notification's default action).
    void showToUser();
    // Opens the MusicBrainz page of the disc a rip read, through the desktop's opener.
    void lookUpDisc();

    const JobReport& report() const { return report_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void readProgress();
    void readMessages();
    void checkExit();
    void ended(int status);
    void refresh();
    void buildContent();
    qint64 ranMs() const; // since the job started

    Notifier& notifier_;
    DesktopJob desktop_;
    JobReport report_;
    JobProcess job_;
    QSocketNotifier* progressWatch_ = nullptr;
    QSocketNotifier* outputWatch_ = nullptr;
    QSocketNotifier* exitWatch_ = nullptr; // the job's pidfd
    QTimer* exitPoll_ = nullptr;           // without a pidfd
    QTimer* tick_ = nullptr;               // the running time, once a second while the job runs
    LineReader progressLines_, messageLines_;
    bool stopped_ = false;
    QElapsedTimer clock_;
    qint64 tookMs_ = -1; // how long the job ran, once it ended

    // The controls, made when the window is first opened: a window that stays minimized (the
    // usual case) never pays for laying out text.
    QLabel* line_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* currentFile_ = nullptr; // in a batch: "file 3 of 8: song.wav"
    QLabel* timing_ = nullptr;      // "0:42 · about 0:05 left · 38× real time"
    QPlainTextEdit* messages_ = nullptr;
    QLabel* outcome_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* lookUp_ = nullptr; // a finished rip: the disc's MusicBrainz page
};

} // namespace wl
