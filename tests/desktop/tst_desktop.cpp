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
#include <QDBusMessage>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

using namespace wl;
using namespace wl::test;

namespace {

class RecordingNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    QStringList summaries, bodies;

  public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        summaries << summary;
        bodies << body;
        return static_cast<uint>(summaries.size());
    }
    QStringList GetCapabilities() { return {"body", "actions"}; }
    void CloseNotification(uint) {}
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
        // The notification's default action brings the window up.
        QDBusMessage action = QDBusMessage::createSignal(
            "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
        action << uint(1) << QString("default");
        QDBusConnection::sessionBus().send(action);
        QTRY_VERIFY_WITH_TIMEOUT(windowProperty(job, "WM_STATE").contains("Normal"), 5000);
        const QString pid = x11("xdotool", {"getwindowpid", QString::number(job)});
        QVERIFY(!pid.isEmpty());
        QProcess::execute("kill", {pid});
        QTRY_VERIFY_WITH_TIMEOUT(windowTitled("Encoding fake.wav") == 0, 5000);
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
