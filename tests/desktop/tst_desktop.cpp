// SPDX-License-Identifier: GPL-3.0-or-later
// Jobs on a real desktop (Xvfb, openbox, a private session bus): the job window opens iconic
// without taking the focus, closes itself after success, stays after a failure, and each job
// ends with a notification that a recording Notifications service of the test receives.
#include "app.h"
#include "drives.h"
#include "form1.h"
#include "support.h"
#include "systemhost.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

using namespace wl;
using namespace wl::test;

namespace {

// A notification service as servers are met: one that answers, one that takes markup in the
// body, one that never answers and one that answers nonsense.
class RecordingNotifications : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    enum class Mode { Plain, Markup, Silent, Garbage } mode = Mode::Plain;
    QStringList summaries, bodies;

  public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        summaries << summary;
        bodies << body;
        misbehave();
        return static_cast<uint>(summaries.size());
    }
    QStringList GetCapabilities() {
        misbehave();
        if (mode == Mode::Markup)
            return {"body", "body-markup", "actions"};
        return {"body", "actions"};
    }
    void CloseNotification(uint) {}

  private:
    void misbehave() {
        if (mode != Mode::Silent && mode != Mode::Garbage)
            return;
        setDelayedReply(true);
        if (mode == Mode::Garbage)
            connection().send(message().createReply(QVariant::fromValue(QStringLiteral("?"))));
    }
};

// Records the LauncherEntry updates that docks and task managers read.
class LauncherRecorder : public QObject {
    Q_OBJECT
  public:
    QList<QVariantMap> updates;
    bool ever(const char* key, const QVariant& value) const {
        return std::any_of(updates.begin(), updates.end(),
                           [&](const QVariantMap& u) { return u.value(key) == value; });
    }
  public slots:
    void update(const QString& uri, const QVariantMap& properties) {
        if (uri == "application://wavelathe.desktop")
            updates << properties;
    }
};

// Plasma's job view of one job: records what it is told and can ask to stop the job.
class FakeJobView : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.JobViewV3")
  public:
    QVariantMap shown;   // every key last sent
    int terminated = -1; // the error code it ended with
  signals:
    void cancelRequested();
  public slots:
    void update(const QVariantMap& data) { shown.insert(data); }
    void terminate(uint error, const QString&, const QVariantMap&) {
        terminated = static_cast<int>(error);
    }
};

class FakeJobViewServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.JobViewServerV2")
  public:
    std::vector<std::unique_ptr<FakeJobView>> views;
  public slots:
    QDBusObjectPath requestView(const QString& desktopEntry, int capabilities,
                                const QVariantMap& hints) {
        auto view = std::make_unique<FakeJobView>();
        view->shown = hints;
        view->shown.insert("desktopEntry", desktopEntry);
        view->shown.insert("capabilities", capabilities);
        const QString path = "/JobView_" + QString::number(views.size() + 1);
        QDBusConnection::sessionBus().registerObject(
            path, view.get(), QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
        views.push_back(std::move(view));
        return QDBusObjectPath(path);
    }
};

class QuietHost : public SystemHost {
  public:
    QStringList messages;
    void ShowMessage(const QString& prompt, int, const QString&) override { messages << prompt; }
};

QString x11(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(5000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// The X window whose title starts with title, or 0.
WId windowTitled(const QString& title) {
    const QString ids =
        x11("xdotool", {"search", "--name", "^" + QRegularExpression::escape(title)});
    return ids.isEmpty() ? 0 : ids.split('\n').first().toULongLong();
}

QString windowProperty(WId window, const QString& name) {
    return x11("xprop", {"-id", QString::number(window), name});
}

WId activeWindow() {
    const QString out = x11("xprop", {"-root", "_NET_ACTIVE_WINDOW"});
    return out.section("# ", 1).section(',', 0, 0).toULongLong(nullptr, 16);
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT
    RecordingNotifications service_;
    LauncherRecorder launcher_;
    FakeJobViewServer jobServer_;

    // The main window on screen and active, with a job set up on input.
    QWidget* mainWindowWithJob(App& app, const QString& input) {
        app.start();
        QWidget* w = app.form1().widget();
        w->activateWindow();
        [&] { QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == w, 5000); }();
        w->findChild<QAbstractButton*>("OptionEncode")->click();
        w->findChild<QAbstractButton*>("Check2")->click(); // HQ: a job that lasts a moment
        w->findChild<QLineEdit*>("Text1")->setText(input);
        return w;
    }

  private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X display (run by the desktop session of setup.sh test)");
        if (QStandardPaths::findExecutable("xdotool").isEmpty() ||
            QStandardPaths::findExecutable("xprop").isEmpty())
            QSKIP("needs xdotool and xprop");
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.isConnected());
        QVERIFY(bus.registerObject("/org/freedesktop/Notifications", &service_,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService("org.freedesktop.Notifications"));
        QVERIFY(bus.connect(QString(), QString(), "com.canonical.Unity.LauncherEntry", "Update",
                            &launcher_, SLOT(update(QString, QVariantMap))));
        QVERIFY(bus.registerObject("/JobViewServer", &jobServer_, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService("org.kde.JobViewServer"));
    }

    void successClosesItselfAndNotifies() {
        TestFolder folder;
        writeWav("song.wav", 44100, 2, 60.0);
        QuietHost host;
        SystemDriveSource drives;
        App app(host, drives);
        app.setOnEnd([] {});
        QWidget* w = mainWindowWithJob(app, folder.file("song.wav"));
        w->findChild<QAbstractButton*>("Command4")->click();
        WId job = 0;
        QTRY_VERIFY_WITH_TIMEOUT((job = windowTitled("Encoding song.wav")) != 0, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(windowProperty(job, "WM_STATE").contains("Iconic"), 5000);
        QCOMPARE(activeWindow(), w->winId());
        QCOMPARE(QApplication::activeWindow(), w);
        QTRY_VERIFY_WITH_TIMEOUT(windowTitled("Encoding song.wav") == 0, 60000);
        QTRY_COMPARE_WITH_TIMEOUT(service_.summaries.value(0), QString("Track1.mp3 is ready"),
                                  5000);
        QVERIFY(QFile::exists("Track1.mp3"));
        QVERIFY(host.messages.isEmpty());
        // The dock showed the progress and the count, and nothing is left on the icon.
        QVERIFY(launcher_.ever("progress-visible", true));
        QVERIFY(launcher_.ever("count", qint64(1)));
        QTRY_COMPARE_WITH_TIMEOUT(launcher_.updates.last().value("count-visible"), QVariant(false),
                                  5000);
        QCOMPARE(launcher_.updates.last().value("progress-visible"), QVariant(false));
        // Plasma's job list showed it and saw it end well.
        QCOMPARE(jobServer_.views.size(), size_t(1));
        const FakeJobView& view = *jobServer_.views[0];
        QCOMPARE(view.shown.value("desktopEntry"), QVariant("wavelathe"));
        QCOMPARE(view.shown.value("capabilities"), QVariant(1));
        QCOMPARE(view.shown.value("title"), QVariant("Encoding song.wav"));
        QCOMPARE(view.shown.value("percent"), QVariant(100u));
        QTRY_COMPARE_WITH_TIMEOUT(view.terminated, 0, 5000);
    }

    // Two job windows count each other on the icon; Stop in Plasma's job list stops its job as
    // the window's Stop does.
    void desktopsCountJobsAndPlasmaStopsThem() {
        TestFolder folder;
        launcher_.updates.clear();
        jobServer_.views.clear();
        QList<QProcess*> jobs;
        for (const QString name : {"a", "b"}) {
            QDir().mkdir(name);
            writeWav(name + "/song.wav", 44100, 2, 240.0);
            writeAll(name + "/settings.bat", "BladeEnc  song.wav  Track1.mp3 -hq \r\n");
            auto* job = new QProcess(this);
            job->setWorkingDirectory(folder.file(name));
            job->start(binDir() + "/wavelathe-job", {"settings.bat"});
            jobs << job;
        }
        QTRY_VERIFY_WITH_TIMEOUT(launcher_.ever("count", qint64(2)), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(jobServer_.views.size(), size_t(2), 10000);
        for (auto& view : jobServer_.views) {
            QTRY_VERIFY_WITH_TIMEOUT(view->shown.value("percent").toUInt() > 0, 20000);
            emit view->cancelRequested();
            QTRY_COMPARE_WITH_TIMEOUT(view->terminated, 1, 10000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(launcher_.updates.last().value("count-visible"), QVariant(false),
                                  5000);
        for (const QString name : {"a", "b"})
            QCOMPARE(QDir(name).entryList(QDir::Files | QDir::Hidden),
                     (QStringList{"settings.bat", "song.wav"}));
        for (QProcess* job : jobs) {
            job->kill(); // a stopped job's window stays until it is closed
            job->waitForFinished(5000);
        }
    }

    // A notification service that never answers, or answers nonsense, holds no job window: a
    // good job's window is gone within moments of the job's end, its output in place.
    void noServiceHoldsAJobWindow_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("silent") << int(RecordingNotifications::Mode::Silent);
        QTest::newRow("garbage") << int(RecordingNotifications::Mode::Garbage);
    }
    void noServiceHoldsAJobWindow() {
        QFETCH(int, mode);
        TestFolder folder;
        writeWav("song.wav", 44100, 2, 1.0);
        writeAll("settings.bat", "BladeEnc  song.wav  Track1.mp3 -br 128000\r\n");
        service_.mode = RecordingNotifications::Mode(mode);
        service_.summaries.clear();
        QProcess job;
        job.start(binDir() + "/wavelathe-job", {"settings.bat"});
        QVERIFY(job.waitForStarted(5000));
        // Without the window a one-second encode is done well within three seconds.
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(job.state() == QProcess::NotRunning, 10000);
        QVERIFY2(clock.elapsed() < 6000, "the job window waited for the service");
        service_.mode = RecordingNotifications::Mode::Plain;
        QCOMPARE(job.exitCode(), 0);
        QVERIFY(QFile::exists("Track1.mp3"));
        QCOMPARE(service_.summaries.value(0), QString("Track1.mp3 is ready"));
    }

    // A server that reads the body as markup gets a file's name escaped, shown as it is named.
    void notificationBodyEscapedForMarkup() {
        TestFolder folder;
        writeWav("good.wav", 22050, 1, 0.2);
        writeAll("<b>bad & worse.wav", "not audio");
        writeAll("settings.bat", "BladeEnc -128 ./*.wav   -quit\r\n");
        service_.mode = RecordingNotifications::Mode::Markup;
        service_.summaries.clear();
        service_.bodies.clear();
        QProcess job;
        job.start(binDir() + "/wavelathe-job", {"settings.bat"});
        QTRY_COMPARE_WITH_TIMEOUT(service_.summaries.value(0), QString("1 file encoded, 1 failed"),
                                  20000);
        service_.mode = RecordingNotifications::Mode::Plain;
        QCOMPARE(service_.bodies.value(0),
                 QString("&lt;b&gt;bad &amp; worse.wav: not a WAV file (too short)"));
        job.kill(); // a failed job's window stays until it is closed
        job.waitForFinished(5000);
    }

    void failureStaysFlaggedAndTheNotificationShowsIt() {
        TestFolder folder;
        writeAll("fake.wav", "not audio at all");
        service_.summaries.clear();
        QuietHost host;
        SystemDriveSource drives;
        App app(host, drives);
        app.setOnEnd([] {});
        QWidget* w = mainWindowWithJob(app, folder.file("fake.wav"));
        w->findChild<QAbstractButton*>("Command4")->click();
        QTRY_COMPARE_WITH_TIMEOUT(service_.summaries.value(0),
                                  QString("Encoding failed: fake.wav: not a WAV file (no "
                                          "RIFF/WAVE header)"),
                                  10000);
        WId job = 0;
        QTRY_VERIFY_WITH_TIMEOUT((job = windowTitled("Encoding fake.wav")) != 0, 5000);
        QVERIFY(windowProperty(job, "WM_STATE").contains("Iconic"));
        QTRY_VERIFY_WITH_TIMEOUT(
            windowProperty(job, "_NET_WM_STATE").contains("DEMANDS_ATTENTION") ||
                windowProperty(job, "WM_HINTS").contains("urgency"),
            5000);
        QCOMPARE(QApplication::activeWindow(), w);
        QTRY_VERIFY_WITH_TIMEOUT(launcher_.ever("urgent", true), 5000);
        // The notification's default action brings the window up.
        QDBusMessage action = QDBusMessage::createSignal(
            "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
        action << uint(1) << QString("default");
        QDBusConnection::sessionBus().send(action);
        QTRY_VERIFY_WITH_TIMEOUT(windowProperty(job, "WM_STATE").contains("Normal"), 5000);
        // Closed by the user, through the window manager: the icon no longer asks for attention.
        x11("xdotool", {"windowactivate", "--sync", QString::number(job), "key", "alt+F4"});
        QTRY_VERIFY_WITH_TIMEOUT(windowTitled("Encoding fake.wav") == 0, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(launcher_.updates.last().value("urgent"), QVariant(false), 5000);
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
