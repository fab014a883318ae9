// SPDX-License-Identifier: GPL-3.0-or-later
// The ripper window: catalogue, track codes, the rip job, and audio discs in the lists.
#include "appfixture.h"
#include "cdripper.h"
#include "discprobe.h"
#include "form1.h"
#include "jobreport.h"
#include "listpanels.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTest>
#include <sys/stat.h>

using namespace wl;
using namespace wl::test;

namespace {

// "title|artist|album|track" as ffprobe reads a file's tags.
QString tagsOf(const QString& file) {
    const Run r = runProgram("ffprobe", {"-v", "error", "-show_entries",
                                         "format_tags=title,artist,album,track", "-of",
                                         "default=noprint_wrappers=1:nokey=0", file});
    QMap<QString, QString> tags;
    for (const QString& line : QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts))
        tags.insert(line.section('=', 0, 0).section(':', -1).toLower(), line.section('=', 1));
    return QStringList{tags["title"], tags["artist"], tags["album"], tags["track"]}.join('|');
}

} // namespace

class TestCdripper : public QObject {
    Q_OBJECT

    // A disc image of three short tracks in folder: its cue sheet's path.
    static QString threeTrackDisc(const QString& folder) {
        return writeDisc(
            folder, "disc",
            {{sineSectors(20, 440), {}}, {sineSectors(20, 550), {}}, {sineSectors(20, 660), {}}});
    }

    static QWidget* openRipper(AppFixture& f) {
        f.app.start();
        AppFixture::trigger(f.app.form1().widget(), "mnuecdripper");
        return f.app.ripper().widget();
    }

  private slots:
    void designState() {
        AppFixture f;
        QWidget* w = openRipper(f);
        QCOMPARE(w->windowTitle(), QString("Cd Ripper for most SCSI and  ATAPI Drives"));
        QCOMPARE(static_cast<QMainWindow*>(w)->centralWidget()->size(), QSize(353, 230));
        QVERIFY(AppFixture::child(w, "Command1")->isHidden());
        QVERIFY(AppFixture::child(w, "Text2")->isHidden());
        QCOMPARE(AppFixture::child(w, "Text2")->width(), 10);
        QCOMPARE(AppFixture::child<QLineEdit>(w, "Text3")->text(), QString("Track1"));
        QCOMPARE(AppFixture::child<QLabel>(w, "Label2")->text(), QString("Cd RiPpEr"));
        QVERIFY(AppFixture::child<QLabel>(w, "Label2")->font().bold());
        QCOMPARE(AppFixture::child<FileListBox>(w, "File1")->pattern(), QString("*.cda"));
        QCOMPARE(AppFixture::child<FileListBox>(w, "File1")->path(), f.folder.path());
        QStringList items;
        for (const char* n :
             {"mnufilemp3", "mnufileclose", "mnuoptionoptions", "mnuhelpabout", "mnuhelphelp"})
            items << AppFixture::child<QAction>(w, n)->text();
        QCOMPARE(items,
                 (QStringList{"To Wavelathe", "Close", "Cd Ripper Options", "About", "Help"}));
        AppFixture::trigger(w, "mnuoptionoptions");
        QCOMPARE(f.host.messages.size(), 1);
        QCOMPARE(f.host.messages[0].prompt, QString("not available yet :-("));
        QCOMPARE(f.host.messages[0].flags, 0);
        QCOMPARE(f.host.messages[0].title, QString());
    }

    // A read offset is kept for a drive that names itself (CDDA's tests read it back); for a
    // disc image, read exactly, the user is told so and nothing is kept.
    void readOffsetOfThisDrive() {
        AppFixture f;
        const QString cue = threeTrackDisc(f.folder.path());
        QWidget* w = openRipper(f);
        QCOMPARE(AppFixture::child<QAction>(w, "mnureadoffset")->text(),
                 QString("Read offset of this drive..."));
        AppFixture::child<DriveListBox>(w, "Drive1")->choose(cue);
        AppFixture::trigger(w, "mnureadoffset");
        QCOMPARE(f.host.messages.size(), 1);
        QVERIFY2(f.host.messages[0].prompt.startsWith("Choose a CD drive first"),
                 qPrintable(f.host.messages[0].prompt));
        QCOMPARE(f.host.store.keys(), QStringList{"ripper/lookupdiscs"});
    }

    void trackCodes_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("code");
        QTest::newRow("Track01") << "Track01.cda"
                                 << "T 1";
        QTest::newRow("Track05") << "Track05.cda"
                                 << "T 5";
        QTest::newRow("Track10") << "Track10.cda"
                                 << "T 10";
        QTest::newRow("Track32") << "Track32.cda"
                                 << "T 32";
        QTest::newRow("Track33") << "Track33.cda"
                                 << "T 33";
        QTest::newRow("Track99") << "Track99.cda"
                                 << "T 99";
        QTest::newRow("lower-case") << "track05.cda"
                                    << "";
        QTest::newRow("missing-zero") << "Track5.cda"
                                      << "";
        QTest::newRow("Track100") << "Track100.cda"
                                  << "";
        QTest::newRow("Track00") << "Track00.cda"
                                 << "";
    }
    void trackCodes() {
        QFETCH(QString, file);
        QFETCH(QString, code);
        QCOMPARE(trackCode(file), code);
    }

    void ripJob_data() {
        QTest::addColumn<QString>("pick");
        QTest::addColumn<QString>("wave");
        QTest::addColumn<QByteArray>("script");
        QTest::newRow("track05-default-name")
            << "Track05.cda"
            << "Track1" << QByteArray("CDDA/T 5 /F Track1 /O\r\n");
        QTest::newRow("track33") << "Track33.cda"
                                 << "Track1" << QByteArray("CDDA/T 33 /F Track1 /O\r\n");
        QTest::newRow("long-name")
            << "Track10.cda"
            << "a-much-longer-name-than-eight"
            << QByteArray("CDDA/T 10 /F a-much-longer-name-than-eight /O\r\n");
        QTest::newRow("name-with-blanks")
            << "Track02.cda"
            << "my song" << QByteArray("CDDA/T 2 /F \"my song\" /O\r\n");
    }
    void ripJob() {
        QFETCH(QString, pick);
        QFETCH(QString, wave);
        QFETCH(QByteArray, script);
        AppFixture f;
        for (const char* n : {"Track02.cda", "Track05.cda", "Track10.cda", "Track33.cda"})
            writeAll(n, "");
        QWidget* w = openRipper(f);
        AppFixture::child<FileListBox>(w, "File1")->pick(pick);
        QVERIFY(!AppFixture::child(w, "Command1")->isHidden());
        QCOMPARE(AppFixture::child<QLineEdit>(w, "Text1")->text(), f.folder.path() + "/" + pick);
        AppFixture::child<QLineEdit>(w, "Text3")->setText(wave);
        AppFixture::click(w, "Command1");
        QCOMPARE(readAll("rip.bat"), script);
        AppFixture::click(w, "Command1"); // twice: a fresh file each time
        QCOMPARE(readAll("rip.bat"), script);
        QCOMPARE(f.host.commands, (QList<std::pair<QString, int>>{{"rip.bat", 6}, {"rip.bat", 6}}));
    }

    void ripWithoutTrackIsRefused() {
        AppFixture f;
        writeAll("Track05.cda", "");
        writeAll("track06.cda", "");
        QWidget* w = openRipper(f);
        auto* files = AppFixture::child<FileListBox>(w, "File1");
        files->pick("Track05.cda");
        QCOMPARE(AppFixture::child<QLineEdit>(w, "Text2")->text(), QString("T 5"));
        files->pick("track06.cda"); // no entry: the code is cleared, not kept
        QCOMPARE(AppFixture::child<QLineEdit>(w, "Text2")->text(), QString());
        QVERIFY(!AppFixture::child(w, "Command1")->isHidden());
        AppFixture::click(w, "Command1");
        QVERIFY(!QFile::exists("rip.bat"));
        QVERIFY(f.host.commands.isEmpty());
        QCOMPARE(f.host.messages.size(), 1);
        QCOMPARE(f.host.messages[0].prompt, QString("Please pick a track first."));
        QCOMPARE(f.host.messages[0].flags, 0);
    }

    // A generated CUE/BIN image added as a drive shows its tracks and rips through the window.
    void discImageAsDrive() {
        AppFixture f;
        const QString cue = writeDisc(
            f.folder.path(), "disc",
            {{sineSectors(75, 440), {}}, {sineSectors(60, 660), {}}, {squareSectors(50), {}}});
        f.drives.addDisc(cue);
        f.drives.addDisc(f.folder.file("empty-drive.cue"));
        QWidget* w = openRipper(f);
        auto* drive = AppFixture::child<DriveListBox>(w, "Drive1");
        auto* dir = AppFixture::child<DirListBox>(w, "Dir1");
        auto* files = AppFixture::child<FileListBox>(w, "File1");
        drive->choose(cue);
        QVERIFY(f.host.messages.isEmpty());
        QCOMPARE(dir->path(), cue);
        QCOMPARE(files->count(), 3);
        QCOMPARE(files->item(0)->text(), QString("Track01.cda"));
        QCOMPARE(files->item(2)->text(), QString("Track03.cda"));
        QCOMPARE(files->currentRow(), -1);
        QVERIFY(AppFixture::child(w, "Command1")->isHidden());
        files->pick("Track02.cda");
        AppFixture::click(w, "Command1");
        // Two drives: CDDA is told which one.
        QCOMPARE(readAll("rip.bat"), "CDDA/T 2 /F Track1 /O /D " + cue.toLocal8Bit() + "\r\n");
        // A drive without a disc: the message with the application's title; lists unchanged.
        drive->choose(f.folder.file("empty-drive.cue"));
        QCOMPARE(f.host.messages.size(), 1);
        QCOMPARE(f.host.messages[0].prompt, QString("The device is not ready or damaged"));
        QCOMPARE(f.host.messages[0].flags, 16);
        QCOMPARE(f.host.messages[0].title, QString());
        QCOMPARE(dir->path(), cue);
        QCOMPARE(files->count(), 3);
        QCOMPARE(AppFixture::child<QLineEdit>(w, "Text2")->text(), QString("T 2"));
        // The main window's drive list knows the disc too.
        AppFixture::trigger(w, "mnufilemp3");
        QVERIFY(AppFixture::child<DriveListBox>(f.app.form1().widget(), "Drive1")->findText(cue) >=
                0);
    }

    // The rip line names the disc when CDDA could pick another: an image, or one of several
    // drives; with a single drive it has no /D. The disc is the one the track was
    // picked on, even when the lists have moved to another drive since.
    void ripLineNamesTheDisc_data() {
        QTest::addColumn<QStringList>("drives"); // added as optical drives, in drives/
        QTest::addColumn<QString>("image");      // an image in the music folder
        QTest::addColumn<QString>("tail");       // after "CDDA/T 1 /F Track1 /O"
        QTest::newRow("one drive") << QStringList{"a.cue"} << ""
                                   << "";
        QTest::newRow("two drives") << QStringList{"a.cue", "b.cue"} << ""
                                    << " /D {drives}/a.cue";
        QTest::newRow("image in a folder with blanks") << QStringList{} << "x.cue"
                                                       << " /D \"{music}/x.cue\"";
    }
    void ripLineNamesTheDisc() {
        QFETCH(QStringList, drives);
        QFETCH(QString, image);
        QFETCH(QString, tail);
        AppFixture f;
        const QString music = f.folder.file("my music"), folder = f.folder.file("drives");
        QDir().mkpath(music);
        QDir().mkpath(folder);
        qputenv("XDG_MUSIC_DIR", music.toLocal8Bit());
        for (const QString& d : drives)
            f.drives.addDisc(writeDisc(folder, d.chopped(4), {{sineSectors(20, 440), {}}}));
        const QString disc = image.isEmpty() ? folder + "/a.cue"
                                             : writeDisc(music, "x", {{sineSectors(20, 440), {}}});
        QWidget* w = openRipper(f);
        AppFixture::child<DriveListBox>(w, "Drive1")->choose(disc);
        AppFixture::child<FileListBox>(w, "File1")->pick("Track01.cda");
        AppFixture::child<DriveListBox>(w, "Drive1")->choose("/");
        QVERIFY(AppFixture::child<FileListBox>(w, "File1")->path() != disc);
        AppFixture::click(w, "Command1");
        tail.replace("{drives}", folder).replace("{music}", music);
        QCOMPARE(QString::fromLocal8Bit(readAll("rip.bat")),
                 "CDDA/T 1 /F Track1 /O" + tail + "\r\n");
        qunsetenv("XDG_MUSIC_DIR");
    }

    // Several tracks picked make one rip.bat, a line per track in disc order, each named after
    // the name box without its trailing digits; one track left picked rips as a single pick.
    void severalTracksOneJob_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("picks"); // clicks: "3" a click, "+3" Ctrl, ">3" Shift; "all"
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("Ctrl+A") << "Track1"
                                << "all"
                                << QStringList{"CDDA/T 1 /F Track01 /O /D {cue} /L 1,2,3",
                                               "CDDA/T 2 /F Track02 /O /D {cue} /L 1,2,3",
                                               "CDDA/T 3 /F Track03 /O /D {cue} /L 1,2,3"};
        QTest::newRow("Shift+click, a name with a blank")
            << "Live 7"
            << "2 >3"
            << QStringList{"CDDA/T 2 /F \"Live 02\" /O /D {cue} /L 2,3",
                           "CDDA/T 3 /F \"Live 03\" /O /D {cue} /L 2,3"};
        QTest::newRow("Ctrl+click, digits only")
            << "42"
            << "3 +1"
            << QStringList{"CDDA/T 1 /F 01 /O /D {cue} /L 1,3",
                           "CDDA/T 3 /F 03 /O /D {cue} /L 1,3"};
        QTest::newRow("one left of two")
            << "Track1"
            << "1 +3 +1" << QStringList{"CDDA/T 3 /F Track1 /O /D {cue}"};
        QTest::newRow("one picked, one picked and un-picked again")
            << "Track1"
            << "1 +2 +2" << QStringList{"CDDA/T 1 /F Track1 /O /D {cue}"};
    }
    void severalTracksOneJob() {
        QFETCH(QString, name);
        QFETCH(QString, picks);
        QFETCH(QStringList, lines);
        AppFixture f;
        const QString cue = threeTrackDisc(f.folder.path());
        QWidget* w = openRipper(f);
        AppFixture::child<DriveListBox>(w, "Drive1")->choose(cue);
        auto* files = AppFixture::child<FileListBox>(w, "File1");
        AppFixture::child<QLineEdit>(w, "Text3")->setText(name);
        for (const QString& pick : picks.split(' ')) {
            if (pick == "all") {
                files->setFocus();
                QTest::keyClick(files, Qt::Key_A, Qt::ControlModifier);
                continue;
            }
            const Qt::KeyboardModifiers mod = pick[0] == '+'   ? Qt::ControlModifier
                                              : pick[0] == '>' ? Qt::ShiftModifier
                                                               : Qt::NoModifier;
            const int row = pick.right(1).toInt() - 1;
            QTest::mouseClick(files->viewport(), Qt::LeftButton, mod,
                              files->visualItemRect(files->item(row)).center());
        }
        QVERIFY(!AppFixture::child(w, "Command1")->isHidden());
        // Rip changes no control: a second Rip writes the same job.
        auto controls = [&] {
            return QStringList{files->pickedNames().join(','), QString::number(files->currentRow()),
                               AppFixture::child<QLineEdit>(w, "Text1")->text(),
                               AppFixture::child<QLineEdit>(w, "Text2")->text()};
        };
        const QStringList before = controls();
        for (int rip = 0; rip < 2; ++rip) {
            AppFixture::click(w, "Command1");
            QCOMPARE(QString::fromLocal8Bit(readAll("rip.bat")),
                     lines.join("\r\n").replace("{cue}", cue) + "\r\n");
            QCOMPARE(controls(), before);
        }
        QVERIFY(f.host.messages.isEmpty());
    }

    // A whole disc with names in one job: every track ripped with its audio as on the disc and
    // its names from the sheet; a track that cannot be written does not stop the others, and
    // the job says how many were ripped. The batch then carries the names into the MP3s, and
    // l3dec back into WAVs.
    void wholeDiscNamedAndTagged() {
        AppFixture f;
        QList<DiscTrack> tracks;
        for (int i = 1; i <= 12; ++i)
            tracks.append({sineSectors(15 + i, 200.0 + 40 * i),
                           {},
                           false,
                           QString("Song %1 \u00fcn\u00ef").arg(i)});
        const QString cue =
            writeDisc(f.folder.path(), "album", tracks, "Twelve \u2014 Live", "The Testers");
        QDir().mkdir("Track07.wav"); // a folder where a track's WAV would go
        QWidget* w = openRipper(f);
        AppFixture::child<DriveListBox>(w, "Drive1")->choose(cue);
        auto* files = AppFixture::child<FileListBox>(w, "File1");
        files->setFocus();
        QTest::keyClick(files, Qt::Key_A, Qt::ControlModifier);
        AppFixture::click(w, "Command1");
        QCOMPARE(readAll("rip.bat").count("\r\n"), 12);
        // The job as its window reads it: its channel.
        QProcess job;
        job.start("sh", {"-c", "WAVELATHE_PROGRESS_FD=3 '" + binDir() +
                                   "/wavelathe-cmd' rip.bat "
                                   "3>channel.txt 2>/dev/null"});
        QVERIFY(job.waitForFinished(120000));
        JobReport report;
        for (const QByteArray& line : readAll("channel.txt").split('\n'))
            if (const auto u = parseUpdate(line.toStdString()))
                report.feed(*u);
        report.finish(job.exitCode(), false);
        QCOMPARE(report.title(), QString("Ripping 12 tracks"));
        QCOMPARE(report.headline(), QString("11 tracks ripped, 1 failed"));
        QVERIFY(!report.succeeded());
        QStringList toc{"1", "12", QString::number(150 + QFileInfo("album.bin").size() / 2352)};
        for (int i = 0, start = 150; i < 12; start += 16 + i++)
            toc << QString::number(start);
        QVERIFY2(report.discLink().startsWith("https://musicbrainz.org/cdtoc/attach?toc=" +
                                              toc.join('+') + "&tracks=12&id="),
                 qPrintable(report.discLink()));
        const bool probe = !QStandardPaths::findExecutable("ffprobe").isEmpty();
        for (int i = 1; i <= 12; ++i) {
            if (i == 7)
                continue;
            const QString wav = QString::asprintf("Track%02d.wav", i);
            const QByteArray bytes = readAll(wav);
            QCOMPARE(bytes.mid(44, tracks[i - 1].pcm.size()), tracks[i - 1].pcm);
            // cd-paranoia reads the same audio from the same image.
            if (i == 12 && !QStandardPaths::findExecutable("cd-paranoia").isEmpty()) {
                runProgram("cd-paranoia", {"-d", cue, "12", "peer.wav"});
                QCOMPARE(readAll("peer.wav").mid(44), tracks[11].pcm);
                QFile::remove("peer.wav");
            }
            if (probe)
                QCOMPARE(tagsOf(wav), QString("Song %1 \u00fcn\u00ef|The Testers|Twelve \u2014 "
                                              "Live|%1")
                                          .arg(i));
        }
        // The batch and the way back.
        QVERIFY(QDir().rmdir("Track07.wav"));
        QCOMPARE(runProgram(binDir() + "/BladeEnc", {"-128", "./*.wav", "-quit"}).status, 0);
        QCOMPARE(runProgram(binDir() + "/l3dec", {"Track05.mp3", "back.wav"}).status, 0);
        if (!probe)
            QSKIP("ffprobe is not installed: the MP3s' tags were not read back");
        QCOMPARE(tagsOf("Track05.mp3"),
                 QString("Song 5 \u00fcn\u00ef|The Testers|Twelve \u2014 Live|5"));
        QCOMPARE(tagsOf("back.wav"), tagsOf("Track05.mp3"));
    }

    // Images in the current folder and at the top of the music folder are the ripper's drives,
    // by file name after the others; the main window lists none of them.
    // An image is probed once while it stays as it is, however often the lists show it, and
    // again once it changed.
    void imageProbedOncePerChange() {
        AppFixture f;
        const QString cue = writeDisc(f.folder.path(), "disc",
                                      {{sineSectors(20, 440), {}}, {sineSectors(20, 550), {}}});
        const int before = probesStarted();
        QWidget* w = openRipper(f);
        auto* drives = AppFixture::child<DriveListBox>(w, "Drive1");
        auto* files = AppFixture::child<FileListBox>(w, "File1");
        for (int round = 0; round < 3; ++round) {
            drives->choose("/");
            drives->choose(cue);
            QCOMPARE(files->count(), 2);
            files->pick("Track02.cda");
            AppFixture::click(w, "Command1");
        }
        QCOMPARE(probesStarted() - before, 1);
        QVERIFY(QFile::resize(cue, QFileInfo(cue).size() + 1)); // a blank at its end
        drives->choose("/");
        drives->choose(cue);
        QCOMPARE(files->count(), 2);
        QCOMPARE(probesStarted() - before, 2);
    }

    // The disc shown is looked up in the background, its names shown in tooltips and said to
    // a screen reader, its releases offered in Options; the designed controls, the pick and the
    // job stay exactly as they were.
    void discNamesFromMusicBrainz() {
        AppFixture f;
        FakeService service("{\"discid/\": [" + jsonAnswer(200, kTwoReleases) + "]}");
        QVERIFY(service.running());
        qputenv("WAVELATHE_MUSICBRAINZ_URL", service.url().toLocal8Bit());
        f.host.store.insert("ripper/lookupdiscs", "true");
        const QString cue = threeTrackDisc(f.folder.path());
        QWidget* w = openRipper(f);
        AppFixture::child<DriveListBox>(w, "Drive1")->choose(cue);
        auto* files = AppFixture::child<FileListBox>(w, "File1");
        QTRY_COMPARE_WITH_TIMEOUT(
            files->item(0)->toolTip(),
            QString("Erste Stra\u00dfe \u2013 Bj\u00f6rk feat. Sigur R\u00f3s"), 10000);
        QCOMPARE(files->item(0)->data(Qt::AccessibleDescriptionRole), files->item(0)->toolTip());
        QCOMPARE(files->item(0)->text(), QString("Track01.cda"));
        QCOMPARE(AppFixture::child<DirListBox>(w, "Dir1")->currentItem()->toolTip(),
                 QString("K\u00fcste \u2013 Various Artists (2004)"));
        // The reissue, chosen in Options, is what the tooltips show from now on.
        auto* releases = w->findChild<QMenu*>("mnureleases");
        QVERIFY(releases && releases->isEnabled());
        QCOMPARE(releases->actions().size(), 2);
        releases->actions()[1]->trigger();
        QCOMPARE(files->item(0)->toolTip(), QString("First Street \u2013 Bj\u00f6rk"));
        // Ripping is as before: the same pick, the same job line.
        files->pick("Track02.cda");
        AppFixture::click(w, "Command1");
        QCOMPARE(readAll("rip.bat"), "CDDA/T 2 /F Track1 /O /D " + cue.toLocal8Bit() + "\r\n");
        QCOMPARE(service.requests().size(), 1);
        // Off: the next disc shown asks nothing.
        auto* online = w->findChild<QAction*>("mnulookupdiscs");
        QVERIFY(online && online->isChecked());
        online->trigger();
        QCOMPARE(f.host.store.value("ripper/lookupdiscs"), QString("false"));
        const QString other = writeDisc(f.folder.path(), "other", {{sineSectors(30, 440), {}}});
        AppFixture::child<DriveListBox>(w, "Drive1")->choose(other);
        QTest::qWait(300);
        QCOMPARE(service.requests().size(), 1);
        qunsetenv("WAVELATHE_MUSICBRAINZ_URL");
    }

    void imagesAreDrives() {
        if (!opticalDrives().isEmpty())
            QSKIP("this machine has optical drives of its own");
        AppFixture f;
        const QString music = f.folder.file("music");
        QDir().mkpath(music + "/deeper");
        qputenv("XDG_MUSIC_DIR", music.toLocal8Bit());
        writeDisc(f.folder.path(), "here", {{sineSectors(20, 440), {}}});
        writeDisc(music, "there", {{sineSectors(20, 440), {}}, {sineSectors(20, 660), {}}});
        writeDisc(music, "nobin", {{sineSectors(20, 440), {}}});
        QFile::remove(music + "/nobin.bin");
        writeDisc(music + "/deeper", "hidden", {{sineSectors(20, 440), {}}});
        // A copy of a sheet reads the BIN it names, not a FIFO of its own name; an NRG that
        // crashes libcdio is only not ready.
        QFile::copy(music + "/there.cue", music + "/copy.cue");
        QVERIFY(mkfifo(QFile::encodeName(music + "/copy.bin").constData(), 0600) == 0);
        writeAll(music + "/crash.nrg", QByteArray(2352 * 10, 0) + "DAOI\x7f\xff\xff\xff" +
                                           QByteArray(64, 0) + "END!" + QByteArray(4, 0) + "NERO" +
                                           QByteArray("\0\0\x5b\xe0", 4));
        QWidget* w = openRipper(f);
        auto* drive = AppFixture::child<DriveListBox>(w, "Drive1");
        QStringList labels;
        for (int i = 0; i < drive->count(); ++i)
            labels << drive->itemText(i);
        QCOMPARE(labels.mid(labels.size() - 5),
                 (QStringList{"here.cue", "copy.cue", "crash.nrg", "nobin.cue", "there.cue"}));
        for (const char* image : {"/there.cue", "/copy.cue"}) {
            drive->choose(music + image);
            QCOMPARE(AppFixture::child<FileListBox>(w, "File1")->count(), 2);
        }
        for (const char* image : {"/nobin.cue", "/crash.nrg"})
            drive->choose(music + image);
        QCOMPARE(f.host.messages.size(), 2);
        QCOMPARE(f.host.messages[1].prompt, QString("The device is not ready or damaged"));
        AppFixture::trigger(w, "mnufilemp3");
        auto* mainDrives = AppFixture::child<DriveListBox>(f.app.form1().widget(), "Drive1");
        QCOMPARE(mainDrives->findText("here.cue"), -1);
        // Nothing to rip from at all: the list says so in an entry that cannot be picked.
        QFile::remove("here.cue");
        QDir().mkpath(music + "/empty");
        qputenv("XDG_MUSIC_DIR", (music + "/empty").toLocal8Bit());
        AppFixture::trigger(f.app.form1().widget(), "mnuecdripper");
        drive = AppFixture::child<DriveListBox>(f.app.ripper().widget(), "Drive1");
        QCOMPARE(drive->itemText(drive->count() - 1), QString("(no CD drive or disc image found)"));
        const auto* model = qobject_cast<QStandardItemModel*>(drive->model());
        QVERIFY(!model->item(drive->count() - 1)->isEnabled());
        qunsetenv("XDG_MUSIC_DIR");
    }
};

QTEST_MAIN(TestCdripper)
#include "tst_cdripper.moc"
