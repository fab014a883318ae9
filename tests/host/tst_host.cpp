// SPDX-License-Identifier: GPL-3.0-or-later
// Host services: job lines and scripts, the settings store, starting commands.
#include "jobline.h"
#include "runcommand.h"
#include "support.h"
#include "systemhost.h"

#include <QFile>
#include <QSettings>
#include <QTest>

using namespace wl;
using namespace wl::test;

namespace {

// The real host, with message boxes recorded instead of shown.
class QuietSystemHost : public SystemHost {
  public:
    QStringList messages;
    void ShowMessage(const QString& prompt, int, const QString&) override { messages << prompt; }
};

} // namespace

class TestHost : public QObject {
    Q_OBJECT
  private slots:
    void scriptBytesAndTruncation() {
        TestFolder folder;
        QVERIFY(writeJobScript("settings.bat", "BladeEnc a  b -dm ").isEmpty());
        QCOMPARE(readAll("settings.bat"), QByteArray("BladeEnc a  b -dm \r\n"));
        QVERIFY(writeJobScript("settings.bat", "l3dec x").isEmpty());
        QCOMPARE(readAll("settings.bat"), QByteArray("l3dec x\r\n"));
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList{"settings.bat"});
    }

    void scriptWriteFailureIsReported() {
        TestFolder folder;
        QDir().mkdir("settings.bat"); // a folder where the script should go
        QVERIFY(!writeJobScript("settings.bat", "x").isEmpty());
    }

    void jobLineQuoting_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("plain-unchanged")
            << "/home/u/music/song.wav" << QByteArray("/home/u/music/song.wav");
        QTest::newRow("blank") << "/home/u/my music/song.wav"
                               << QByteArray("\"/home/u/my music/song.wav\"");
        QTest::newRow("double-quote") << "a\"b.wav" << QByteArray("\"a\"\"b.wav\"");
        QTest::newRow("tab") << "a\tb" << QByteArray("\"a\tb\"");
        QTest::newRow("apostrophe") << "it's.wav" << QByteArray("it's.wav");
        QTest::newRow("hash-question-amp") << "#1?&.wav" << QByteArray("#1?&.wav");
        QTest::newRow("dollar-backtick-semicolon")
            << "$(reboot)`id`;x.wav" << QByteArray("$(reboot)`id`;x.wav");
        QTest::newRow("utf8") << QString::fromUtf8("\xc3\xa9t\xc3\xa9.wav")
                              << QByteArray("\xc3\xa9t\xc3\xa9.wav");
        QTest::newRow("trailing-dot") << "song." << QByteArray("song.");
        QTest::newRow("leading-dash") << "-song.mp3" << QByteArray("./-song.mp3");
    }
    void jobLineQuoting() {
        QFETCH(QString, name);
        QFETCH(QByteArray, written);
        const JobLine line = JobLine()
                                 .text("l3dec")
                                 .text(" ")
                                 .name(name)
                                 .text("  ")
                                 .name("Track1.wav")
                                 .text(" -wav");
        QCOMPARE(line.bytes(), "l3dec " + written + "  Track1.wav -wav");
        QCOMPARE(line.refusal(), QString());
    }

    void jobLineRefusals_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("line-feed") << "a\nb.wav";
        QTest::newRow("nul") << QString("a") + QChar(0) + "b";
        QTest::newRow("lone-surrogate") << QString(QChar(0xD800));
    }
    void jobLineRefusals() {
        QFETCH(QString, name);
        TestFolder folder;
        FakeHost host;
        const JobLine line =
            JobLine().text("BladeEnc").text(" ").name(name).text("  ").name("x.mp3").text(" -dm ");
        runJob(host, "settings.bat", line);
        QVERIFY(!QFile::exists("settings.bat"));
        QVERIFY(host.commands.isEmpty());
        QCOMPARE(host.messages.size(), 1);
        QCOMPARE(host.messages[0].prompt, "This name cannot be passed to the encoder: " + name);
        QCOMPARE(host.messages[0].flags, 16);
    }

    void emptyNamesStillGiveTheLine() {
        const JobLine line =
            JobLine().text("l3dec").text(" ").name("").text("  ").name("Track1.wav").text(" -wav");
        QCOMPARE(line.bytes(), QByteArray("l3dec   Track1.wav -wav"));
        QCOMPARE(line.refusal(), QString());
    }

    // A name spelled like a switch reaches its tool as that name, or the job is refused; the
    // tool's own parser is the judge.
    void switchLikeNamesStayNames_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("line"); // empty: refused
        QTest::newRow("delete-as-output")
            << "BladeEnc"
            << "-delete" << QByteArray("BladeEnc  /m/a.wav  ./-delete -br 128000");
        QTest::newRow("hq-as-output")
            << "BladeEnc"
            << "-hq" << QByteArray("BladeEnc  /m/a.wav  ./-hq -br 128000");
        QTest::newRow("dash-dash-as-output")
            << "BladeEnc"
            << "--" << QByteArray("BladeEnc  /m/a.wav  ./-- -br 128000");
        QTest::newRow("quoted-dash-name")
            << "l3dec"
            << "-a b.wav" << QByteArray("l3dec /m/a.mp3  \"./-a b.wav\" -wav");
        QTest::newRow("cdda-wave-name-O") << "CDDA"
                                          << "/O" << QByteArray();
        QTest::newRow("cdda-wave-name-dash") << "CDDA"
                                             << "-x" << QByteArray("CDDA/T 5 /F ./-x /O");
        QTest::newRow("cdda-absolute-name") << "CDDA"
                                            << "/tmp/x" << QByteArray("CDDA/T 5 /F /tmp/x /O");
    }
    void switchLikeNamesStayNames() {
        QFETCH(QString, program);
        QFETCH(QString, name);
        QFETCH(QByteArray, line);
        JobLine job;
        if (program == "BladeEnc")
            job.text("BladeEnc ")
                .text(" ")
                .name("/m/a.wav")
                .text("  ")
                .name(name)
                .text(" -br 128000");
        else if (program == "l3dec")
            job.text("l3dec").text(" ").name("/m/a.mp3").text("  ").name(name).text(" -wav");
        else
            job.text("CDDA/").text("T 5").text(" /F").text(" ").name(name).text(" /O");
        if (line.isEmpty()) {
            // CDDA would take "/O" for the name: the window refuses what the tool would.
            QCOMPARE(job.refusal(), name.isEmpty()
                                        ? "This job cannot be started: switch /F needs a value"
                                        : "This name cannot be passed to the ripper: " + name);
        } else {
            QCOMPARE(job.bytes(), line);
            QCOMPARE(job.refusal(), QString());
        }
    }

    void settingsRoundTrip() {
        TestFolder folder;
        QuietSystemHost host;
        QCOMPARE(host.ReadSetting("Wavelathe", "mp3", "deletewave", "none"), QString("none"));
        host.SaveSetting("Wavelathe", "mp3", "deletewave", "888");
        QCOMPARE(host.ReadSetting("Wavelathe", "mp3", "deletewave", "none"), QString("888"));
        host.SaveSetting("Wavelathe", "mp3", "deletewave", "888 ");
        QCOMPARE(host.ReadSetting("Wavelathe", "mp3", "deletewave", "none"), QString("888 "));
        QVERIFY(QFile::exists(folder.file("config/Wavelathe/Wavelathe.ini")));
        QVERIFY(readAll(folder.file("config/Wavelathe/Wavelathe.ini")).contains("[mp3]"));
    }

    void corruptOrUnreadableStoreReadsAsAbsent() {
        TestFolder folder;
        QDir().mkpath(folder.file("config/Wavelathe"));
        const QString ini = folder.file("config/Wavelathe/Wavelathe.ini");
        QuietSystemHost host;
        writeAll(ini, QByteArray("\x00\xff[mp3\n=\x01\xfe deletewave\n\"", 20));
        QCOMPARE(host.ReadSetting("Wavelathe", "mp3", "deletewave", "none"), QString("none"));
        QFile::remove(ini);
        QDir().mkdir(ini); // a folder in the file's place cannot be read
        QCOMPARE(host.ReadSetting("Wavelathe", "mp3", "deletewave", "none"), QString("none"));
    }

    // A job script really starts detached, the call returns before it is done, and a script
    // rewritten at once by the next job does not change what this job runs.
    void runCommandStartsDetached() {
        TestFolder folder;
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        QuietSystemHost host;
        QVERIFY(host.WriteJobScript("settings.bat", "sh -c \"sleep 0.5; echo one > marker\"")
                    .isEmpty());
        QElapsedTimer t;
        t.start();
        host.RunCommand("settings.bat", 6);
        QVERIFY(t.elapsed() < 400);
        QVERIFY(host.WriteJobScript("settings.bat", "sh -c \"echo two > other\"").isEmpty());
        QVERIFY(!QFile::exists("marker"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists("marker"), 10000);
        QVERIFY(!QFile::exists("other"));
        QVERIFY(host.messages.isEmpty());
    }

    void runCommandFailuresAreNeverSilent() {
        TestFolder folder;
        QuietSystemHost host;
        host.RunCommand("no-such-program-xyz arg", 1);
        QCOMPARE(host.messages.size(), 1);
        QVERIFY(host.messages[0].contains("no-such-program-xyz arg"));
        QVERIFY(host.messages[0].contains("program not found"));
        host.RunCommand("missing.bat", 6);
        QCOMPARE(host.messages.size(), 2);
        QVERIFY(host.messages[1].contains("missing.bat cannot be read"));
        // With no editor called notepad.exe and no such file anywhere, the message names it.
        host.RunCommand("notepad.exe NoSuchHelp.txt", 1);
        QCOMPARE(host.messages.size(), 3);
        QVERIFY(host.messages[2].contains("NoSuchHelp.txt"));
    }

    // Style 6 with a display runs in the job window; anything else windowless. Either way the
    // script comes on standard input.
    void howJobsAreLaunched() {
        const QString window = "/x/wavelathe-job", cmd = "/x/wavelathe-cmd";
        QCOMPARE(jobLaunch("settings.bat", 6, true, window, cmd),
                 QStringList({window, "settings.bat"}));
        QCOMPARE(jobLaunch("settings.bat", 6, false, window, cmd), QStringList({cmd, "-"}));
        QCOMPARE(jobLaunch("rip.bat", 1, true, window, cmd), QStringList({cmd, "-"}));
        QCOMPARE(jobLaunch("rip.bat", 6, true, QString(), cmd), QStringList({cmd, "-"}));
    }

    // A setting that cannot be saved, and a mail link with no opener, each say why.
    void failuresAreReported() {
        TestFolder folder;
        QuietSystemHost host;
        // A folder in the file's place (QSettings keeps the first XDG_CONFIG_HOME it saw).
        const QString ini =
            QSettings(QSettings::IniFormat, QSettings::UserScope, "Wavelathe", "Wavelathe")
                .fileName();
        QFile::remove(ini);
        QVERIFY(QDir().mkpath(ini));
        host.SaveSetting("Wavelathe", "mp3", "deletewave", "888");
        QDir().rmdir(ini);
        QCOMPARE(host.messages.size(), 1);
        QVERIFY2(host.messages[0].contains("could not be saved") &&
                     host.messages[0].contains("Wavelathe.ini"),
                 qPrintable(host.messages[0]));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        host.OpenLink("mailto:a@example.org?subject=Wavelathe");
        qputenv("PATH", path);
        QCOMPARE(host.messages.size(), 2);
        QVERIFY2(host.messages[1].contains("xdg-open"), qPrintable(host.messages[1]));
    }

    void spawnReportsExecFailure() {
        QVERIFY(spawnDetached({"/nonexistent/program"}).contains("No such file"));
        QVERIFY(spawnDetached({"/bin/true"}).isEmpty());
    }
};

QTEST_MAIN(TestHost)
#include "tst_host.moc"
