// SPDX-License-Identifier: GPL-3.0-or-later
// The ripper window: catalogue, track codes, the rip job, and audio discs in the lists.
#include "appfixture.h"
#include "cdripper.h"
#include "form1.h"
#include "listpanels.h"

#include <QFile>
#include <QStandardItemModel>
#include <sys/stat.h>

using namespace wl;
using namespace wl::test;

class TestCdripper : public QObject {
    Q_OBJECT

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

    // Images in the current folder and at the top of the music folder are the ripper's drives,
    // by file name after the others; the main window lists none of them.
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
