// SPDX-License-Identifier: GPL-3.0-or-later
// A running job where the desktop shows jobs: progress and the count of running jobs on the
// program's icon (the LauncherEntry signal that the Ubuntu Dock, Dash to Dock and Plasma's task
// manager read), and, when Plasma's job server is on the session bus, a job view in its
// notification area whose Stop stops the job. Without a session bus, or without those
// services, nothing happens and that is no error.
#pragma once
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace wl {

class DesktopJob : public QObject {
    Q_OBJECT
  public:
    // Nothing reaches the bus before the first progress: a job window starts without it.
    DesktopJob() = default;
    ~DesktopJob() override;

    // The job's title ("Encoding song.wav"), thousandths done (or -1) and, in a batch, the
    // file it is on.
    void progress(const QString& title, int permille, const QString& file);
    enum class Outcome { Done, Failed, Stopped };
    void end(Outcome outcome, const QString& message);
    // The window of a failed job was closed: the icon need not ask for attention any more.
    void dismiss();

  signals:
    // Stop was chosen in the desktop's job view.
    void stopRequested();

  private slots:
    void onNameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void onCancelRequested();

  private:
    bool begin();
    void requestView(const QString& title);
    void sendLauncher(const QVariantMap& properties);
    void callView(const QString& method, const QVariantList& arguments);

    enum class State { Idle, Running, Ended, NoBus } state_ = State::Idle;
    QString ownName_, viewPath_, title_, file_;
    int percent_ = -1;
    int running_ = 0; // jobs running, counted over every job window
    bool urgent_ = false;
    uint endError_ = 0;
};

} // namespace wl
