// SPDX-License-Identifier: GPL-3.0-or-later
// The job window: how it words what a job reported, the tools' progress lines, and Stop.
#include "jobreport.h"
#include "jobwindow.h"
#include "notifier.h"
#include "support.h"

#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <ctime>

using namespace wl;
using namespace wl::test;

namespace {

// "keyword text" lines of the progress channel, and "> text" lines for people.
JobReport reportOf(const QStringList& lines, int status, bool stopped = false) {
    JobReport r;
    for (const QString& l : lines) {
        if (l.startsWith("> "))
            r.message(l.mid(2));
        else if (const auto u = parseUpdate(l.toStdString()))
            r.feed(*u);
    }
    r.finish(status, stopped);
    return r;
}

// What a tool sent on its channel (descriptor 3, a file here).
QStringList channelOf(const QString& command) {
    QProcess p;
    p.start("sh", {"-c", "WAVELATHE_PROGRESS_FD=3 " + command + " 3>channel.txt"});
    p.waitForFinished(60000);
    return QString::fromLocal8Bit(readAll("channel.txt")).split('\n', Qt::SkipEmptyParts);
}

QStringList leftovers() { return QDir().entryList(QDir::Files | QDir::Hidden, QDir::Name); }

// Seconds of CPU this process spends while its event loop runs for ms.
double cpuSecondsOver(int ms) {
    auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
    };
    const double before = now();
    QTest::qWait(ms);
    return now() - before;
}

} // namespace

class TestJobWindow : public QObject {
    Q_OBJECT
  private slots:
    void wording_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("encoded, old file trashed")
            << QStringList{"line BladeEnc  /m/song.wav  Track1.mp3 -br 128000", "progress 500",
                           "trashed Track1.mp3", "output Track1.mp3", "exit 0"}
            << 0 << "Encoding song.wav"
            << "Track1.mp3 is ready"
            << "Done: Track1.mp3\nThe old Track1.mp3 is in the Trash.";
        QTest::newRow("not a wav")
            << QStringList{"line BladeEnc  /m/song.wav  Track1.mp3 -br 128000",
                           "failed /m/song.wav: not a WAV file", "exit 1"}
            << 1 << "Encoding song.wav"
            << "Encoding failed: song.wav: not a WAV file"
            << "Failed (exit status 1): song.wav: not a WAV file";
        QTest::newRow("batch with a failure")
            << QStringList{"line BladeEnc -128 /m/*.wav   -quit", "files 8",
                           "failed /m/x.wav: not a WAV file", "summary 7 files encoded, 1 failed"}
            << 1 << "Encoding 8 files"
            << "7 files encoded, 1 failed"
            << "7 files encoded, 1 failed\nFailed (exit status 1): x.wav: not a WAV file";
        QTest::newRow("rip") << QStringList{"line CDDA/T 5 /F Track1 /O", "output Track1.wav",
                                            "check Copy CRC 01020304"}
                             << 0 << "Ripping track 5"
                             << "Track1.wav is ready"
                             << "Done: Track1.wav\nCopy CRC 01020304";
        QTest::newRow("three tracks, one failed")
            << QStringList{"lines 3",
                           "line CDDA/T 1 /F Track01 /O",
                           "title Song 1",
                           "exit 0",
                           "line CDDA/T 2 /F Track02 /O",
                           "failed cannot write Track02.wav",
                           "exit 1",
                           "line CDDA/T 3 /F Track03 /O",
                           "exit 0"}
            << 0 << "Ripping 3 tracks"
            << "2 tracks ripped, 1 failed"
            << "2 tracks ripped, 1 failed\nFailed: cannot write Track02.wav";
        auto rip = [](const QStringList& verdicts) {
            QStringList lines{"lines 3"};
            for (int t = 1; t <= 3; ++t)
                lines << QString("line CDDA/T %1 /F Track0%1 /O").arg(t)
                      << "verdict " + QString::number(t) + " " + verdicts[t - 1] << "exit 0";
            return lines;
        };
        QTest::newRow("three tracks, all accurate")
            << rip({"accurately ripped (confidence 8, v2)", "accurately ripped (confidence 12, v2)",
                    "accurately ripped (confidence 10, v1)"})
            << 0 << "Ripping 3 tracks"
            << "3 tracks ripped, all accurate (confidence 8-12)"
            << "3 tracks ripped, all accurate (confidence 8-12)";
        QTest::newRow("three tracks, one not accurate")
            << rip({"accurately ripped (confidence 8, v2)",
                    "not accurate (the database has 2 other pressings)",
                    "accurately ripped (confidence 8, v2)"})
            << 0 << "Ripping 3 tracks"
            << "3 tracks ripped, 2 accurate, track 2 not"
            << "3 tracks ripped, 2 accurate, track 2 not";
        QStringList oneFailed = rip(
            {"accurately ripped (confidence 8, v2)", "", "accurately ripped (confidence 8, v2)"});
        oneFailed.replace(oneFailed.indexOf("verdict 2 "), "failed 3 sectors could not be read");
        oneFailed.replace(oneFailed.lastIndexOf("exit 0", 6), "exit 1");
        QTest::newRow("three tracks, the second failed")
            << oneFailed << 0 << "Ripping 3 tracks"
            << "2 tracks ripped, 1 failed, 2 accurate, track 2 not"
            << "2 tracks ripped, 1 failed, 2 accurate, track 2 not\n"
               "Failed: 3 sectors could not be read";
        QTest::newRow("three tracks, disc unknown")
            << rip(QStringList(3, "disc not in the AccurateRip database")) << 0
            << "Ripping 3 tracks"
            << "3 tracks ripped, not in the AccurateRip database"
            << "3 tracks ripped, not in the AccurateRip database";
        QTest::newRow("batch replacing five")
            << QStringList{"line BladeEnc -128 /m/*.wav   -quit",
                           "files 5",
                           "trashed /m/a.mp3",
                           "trashed /m/b.mp3",
                           "trashed /m/c.mp3",
                           "trashed /m/d.mp3",
                           "trashed /m/e.mp3",
                           "summary 5 files encoded, 0 failed"}
            << 0 << "Encoding 5 files"
            << "5 files encoded, 0 failed"
            << "5 files encoded, 0 failed\n5 older files of the same names are in the Trash.";
        QTest::newRow("a path inside the message stays whole")
            << QStringList{"line CDDA/T 1 /F -x /O",
                           "failed cannot move the old /music/-x.wav to the Trash: No such file",
                           "exit 1"}
            << 1 << "Ripping track 1"
            << "Ripping failed: cannot move the old /music/-x.wav to the Trash: No such file"
            << "Failed (exit status 1): cannot move the old /music/-x.wav to the Trash: No such "
               "file";
        QTest::newRow("root batch without a match keeps its folder")
            << QStringList{"line BladeEnc -128 //*.wav   -quit",
                           "failed //*.wav: no file matches this pattern", "exit 1"}
            << 1 << "Encoding the WAV files of /"
            << "Encoding failed: //*.wav: no file matches this pattern"
            << "Failed (exit status 1): //*.wav: no file matches this pattern";
        QTest::newRow("kept input, short name")
            << QStringList{"line BladeEnc -128 /m/*.wav -Delete -quit", "files 1",
                           "kept kept /m/my song.wav: 1.7 MB after its audio were not read",
                           "summary 1 file encoded, 0 failed, 1 kept"}
            << 0 << "Encoding 1 file"
            << "1 file encoded, 0 failed, 1 kept"
            << "1 file encoded, 0 failed, 1 kept\nkept my song.wav: 1.7 MB after its audio were "
               "not read";
        QTest::newRow("tool missing")
            << QStringList{"line l3dec /m/a.mp3  Track1.wav -wav",
                           "> wavelathe-cmd: l3dec: program not found"}
            << 127 << "Decoding a.mp3"
            << "Decoding failed: wavelathe-cmd: l3dec: program not found"
            << "Failed (exit status 127): wavelathe-cmd: l3dec: program not found";
    }
    void wording() {
        QFETCH(QStringList, lines);
        QFETCH(int, status);
        const JobReport r = reportOf(lines, status);
        QTEST(r.title(), "title");
        QTEST(r.headline(), "headline");
        QTEST(r.outcome(), "outcome");
        QCOMPARE(r.closesItself(), status == 0 && !r.outcome().contains("Failed"));
        const JobReport stopped = reportOf(lines, 143, true);
        QVERIFY(!stopped.closesItself());
        QCOMPARE(stopped.headline(), r.title() + " stopped");
    }

    // How long it ran, how long is left, how fast; and which file of a batch is running.
    void timing_data() {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<int>("permille");
        QTest::addColumn<double>("audio");
        QTest::addColumn<QString>("line");
        QTest::newRow("just begun") << 400ll << 0 << 0.0 << "0:00";
        QTest::newRow("too early to tell") << 1500ll << 300 << 0.0 << "0:01";
        QTest::newRow("running") << 42000ll << 894 << 1596.0
                                 << "0:42 \u00b7 about 0:05 left \u00b7 38\u00d7 real time";
        QTest::newRow("slow") << 3723000ll << 500 << 1200.0
                              << "1:02:03 \u00b7 about 1:02:03 left \u00b7 0.3\u00d7 real time";
        QTest::newRow("ended") << 61000ll << 1000 << 240.0 << "1:01 \u00b7 3.9\u00d7 real time";
    }
    void timing() {
        QFETCH(qint64, ms);
        QFETCH(int, permille);
        QFETCH(double, audio);
        QTEST(timeLine(ms, permille, audio), "line");
    }
    void batchSaysWhichFile() {
        const JobReport r =
            reportOf({"line BladeEnc -128 /m/*.wav   -quit", "files 8", "start /m/a.wav",
                      "progress 125", "audio 212.5", "start /m/song.wav", "start /m/c.wav"},
                     0);
        QCOMPARE(r.currentFile(), QString("file 3 of 8: c.wav"));
        QCOMPARE(r.audioSeconds(), 212.5);
        QCOMPARE(reportOf({"line BladeEnc  /m/a.wav  x.mp3", "start /m/a.wav"}, 0).currentFile(),
                 QString());
        // A rip says which track and its name; several lines share the progress.
        JobReport rip;
        for (const char* line :
             {"lines 4", "line CDDA/T 1 /F Track01 /O", "exit 0", "line CDDA/T 2 /F Track02 /O",
              "title Harbour Lights", "progress 500"})
            rip.feed(*parseUpdate(line));
        QCOMPARE(rip.currentFile(), QString("track 2 of 4: Harbour Lights"));
        QCOMPARE(rip.permille(), 375);
        QCOMPARE(reportOf({"line CDDA/T 2 /F Track1 /O", "title Harbour Lights"}, 0).currentFile(),
                 QString("Harbour Lights"));
    }

    // The tools and the interpreter report on the channel; people's messages stay on stderr.
    void toolsReportOnTheChannel() {
        TestFolder folder;
        QDir().mkdir("m");
        writeWav("m/a.wav", 22050, 1, 0.5);
        writeAll("m/b.wav", "no");
        writeAll("job.bat", "BladeEnc  m/a.wav  a.mp3 -br 64000\r\n");
        QStringList got = channelOf(binDir() + "/wavelathe-cmd job.bat");
        QCOMPARE(got.first(), QString("line BladeEnc  m/a.wav  a.mp3 -br 64000"));
        QVERIFY(got.contains("start m/a.wav"));
        QVERIFY(got.contains("progress 1000"));
        QVERIFY(got.contains("audio 0.5"));
        QCOMPARE(got.mid(got.size() - 2), (QStringList{"output a.mp3", "exit 0"}));
        got = channelOf(binDir() + "/BladeEnc -64 'm/*.wav' -quit");
        QCOMPARE(got.first(), QString("files 2"));
        QCOMPARE(got.filter(QRegularExpression("^(start|audio) ")),
                 (QStringList{"start m/a.wav", "audio 0.5", "start m/b.wav", "audio 0.5"}));
        QVERIFY(got.contains("failed m/b.wav: not a WAV file (too short)"));
        QCOMPARE(got.last(), QString("summary 1 file encoded, 1 failed"));
        got = channelOf(binDir() + "/l3dec a.mp3 a.wav");
        QCOMPARE(got.last(), QString("output a.wav"));
    }

    // A finished rip of several tracks stays, with the disc's MusicBrainz page a click away.
    void ripOffersTheDiscsPage() {
        TestFolder folder;
        const QString cue = writeDisc(folder.path(), "disc",
                                      {{sineSectors(20, 440), {}}, {sineSectors(30, 550), {}}});
        writeAll("rip.bat", "CDDA/T 1 /F Track01 /O /D disc.cue\r\nCDDA/T 2 /F Track02 /O /D "
                            "disc.cue\r\n");
        QDir().mkdir("bin");
        writeAll("bin/xdg-open", "#!/bin/sh\necho \"$1\" > opened.txt\n");
        QFile::setPermissions("bin/xdg-open",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", folder.file("bin").toLocal8Bit() + ":" + path);
        Notifier notifier;
        JobWindow window(notifier);
        window.attach(startJob((binDir() + "/wavelathe-cmd").toStdString(), {"rip.bat"}));
        QTRY_VERIFY_WITH_TIMEOUT(window.report().finished(), 30000);
        QVERIFY(window.report().succeeded());
        QVERIFY(!window.report().closesItself());
        QCOMPARE(window.report().headline(), QString("2 tracks ripped"));
        QCOMPARE(window.windowTitle(), QString("2 tracks ripped"));
        window.showToUser();
        // Left open, it sleeps: nothing watched, nothing ticking.
        QVERIFY2(cpuSecondsOver(2000) < 0.2, "an ended job's window keeps working");
        auto* lookUp = window.findChild<QPushButton*>("lookUp");
        QVERIFY(lookUp && lookUp->isVisible());
        lookUp->click();
        // The opener's shell makes the file before it writes the link into it.
        QTRY_COMPARE(readAll("opened.txt").trimmed(),
                     "https://musicbrainz.org/cdtoc/attach?toc=1+2+200+150+170&tracks=2&id=" +
                         window.report().discLink().section("&id=", 1).toLatin1());
        qputenv("PATH", path);
    }

    // A failed job's window stays open and sleeps, shown or not; its labels show names as text.
    void endedWindowSleeps() {
        TestFolder folder;
        writeAll("<b>bad & worse.mp3", "not an mp3");
        writeAll("settings.bat", "l3dec \"<b>bad & worse.mp3\"  Track1.wav -wav\r\n");
        Notifier notifier;
        JobWindow window(notifier);
        window.attach(startJob((binDir() + "/wavelathe-cmd").toStdString(), {"settings.bat"}));
        QTRY_VERIFY_WITH_TIMEOUT(window.report().finished(), 20000);
        QVERIFY(!window.report().succeeded());
        QVERIFY2(cpuSecondsOver(2000) < 0.2, "an ended job's window keeps working");
        window.showToUser();
        QVERIFY2(cpuSecondsOver(2000) < 0.2, "an ended job's window keeps working");
        for (QLabel* label : window.findChildren<QLabel*>())
            QCOMPARE(label->textFormat(), Qt::PlainText);
        const QString outcome = window.findChild<QLabel*>("outcome")->text();
        QVERIFY2(outcome.contains("<b>bad & worse.mp3"), qPrintable(outcome));
    }

    // Stop ends the job's process group: no partial output, no WAV lost, and the window stays.
    void stop_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("single encode") << "BladeEnc  long.wav  Track1.mp3 -hq ";
        QTest::newRow("batch with -Delete") << "BladeEnc -128 ./*.wav -Delete -quit";
    }
    void stop() {
        QFETCH(QString, line);
        TestFolder folder;
        writeWav("long.wav", 44100, 2, 120.0);
        writeWav("second.wav", 44100, 2, 120.0);
        writeAll("settings.bat", line.toLocal8Bit() + "\r\n");
        Notifier notifier;
        JobWindow window(notifier);
        window.attach(startJob((binDir() + "/wavelathe-cmd").toStdString(), {"settings.bat"}));
        QVERIFY(!window.report().finished()); // it started
        QTRY_VERIFY_WITH_TIMEOUT(leftovers().filter(".wl-").size() > 0, 20000);
        window.Stop_Click();
        QTRY_VERIFY_WITH_TIMEOUT(window.report().finished(), 20000);
        QVERIFY(!window.report().succeeded());
        QVERIFY(window.report().outcome().startsWith("Stopped."));
        QCOMPARE(leftovers().join(", "), QString("long.wav, second.wav, settings.bat"));
    }
};

QTEST_MAIN(TestJobWindow)
#include "tst_jobwindow.moc"
