// SPDX-License-Identifier: GPL-3.0-or-later
// The window life cycle, the stored preference, batch encoding, Help and About, and one run of
// the real program's parts from end to end.
#include "about.h"
#include "appfixture.h"
#include "cdripper.h"
#include "form1.h"
#include "form3.h"
#include "listpanels.h"
#include "systemhost.h"

#include <QAccessible>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFontMetrics>
#include <QMimeData>
#include <QTimer>
#include <QtEndian>

using namespace wl;
using namespace wl::test;

namespace {

QCheckBox* settingsBox(App& app) {
    return AppFixture::child<QCheckBox>(app.form3().widget(), "Check1");
}

void pickBitrate(App& app, const QString& bitrate) {
    AppFixture::click(app.form1().widget(), "OptionEncode");
    AppFixture::click(app.form1().widget(), "Option" + bitrate);
}

void setFolder(App& app, const QString& folder) {
    QVERIFY(AppFixture::child<DirListBox>(app.form1().widget(), "Dir1")->setPath(folder));
}

void pressBatch(App& app) { AppFixture::click(app.form1().widget(), "Command5"); }

// Sample frames in a 16-bit WAV written by our tools (44-byte header).
qint64 wavFrames(const QString& path) {
    const QByteArray b = readAll(path);
    if (b.size() < 44)
        return -1;
    const int channels = static_cast<int>(le16At(b, 22));
    return channels ? le32At(b, 40) / (2 * channels) : -1;
}

} // namespace

class TestApp : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), qPrintable("left open: " + w->windowTitle()));
    }

    // Every control a user can reach has a name a screen reader can say: its caption, or the
    // caption beside it.
    void everyControlHasAName() {
        AppFixture f;
        f.app.start();
        f.app.showRipper();
        f.app.showSettings();
        for (Window* window :
             {static_cast<Window*>(&f.app.form1()), static_cast<Window*>(&f.app.ripper()),
              static_cast<Window*>(&f.app.form3())})
            for (QWidget* w : window->widget()->findChildren<QWidget*>()) {
                if (!w->isVisible() || w->focusPolicy() == Qt::NoFocus)
                    continue;
                QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
                QVERIFY2(a && !a->text(QAccessible::Name).trimmed().isEmpty(),
                         qPrintable(w->objectName() + " has no name"));
            }
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
    }

    // Files dragged from a file manager: a WAV or MP3 on the main window fills the path box, a
    // disc image on the ripper becomes its shown disc; anything else changes nothing.
    void fileDrops_data() {
        QTest::addColumn<bool>("ripper");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("taken");
        QTest::newRow("a wav") << false << QStringList{"elsewhere/song.wav"} << true;
        QTest::newRow("an MP3") << false << QStringList{"elsewhere/Live.MP3"} << true;
        QTest::newRow("a picture") << false << QStringList{"elsewhere/cover.jpg"} << false;
        QTest::newRow("two wavs") << false << QStringList{"elsewhere/song.wav", "elsewhere/b.wav"}
                                  << false;
        QTest::newRow("a folder named .wav") << false << QStringList{"elsewhere/x.wav"} << false;
        QTest::newRow("an image elsewhere") << true << QStringList{"elsewhere/disc.cue"} << true;
        QTest::newRow("a wav on the ripper") << true << QStringList{"elsewhere/song.wav"} << false;
    }
    void fileDrops() {
        QFETCH(bool, ripper);
        QFETCH(QStringList, files);
        QFETCH(bool, taken);
        AppFixture f;
        QDir().mkpath("elsewhere/x.wav");
        for (const char* name : {"song.wav", "b.wav", "Live.MP3", "cover.jpg"})
            writeAll(QString("elsewhere/") + name, "RIFF");
        const QString cue =
            writeDisc(f.folder.file("elsewhere"), "disc", {{sineSectors(75, 440), {}}});
        f.app.start();
        if (ripper)
            AppFixture::trigger(f.app.form1().widget(), "mnuecdripper");
        QWidget* window = ripper ? f.app.ripper().widget() : f.app.form1().widget();
        auto* drive = AppFixture::child<DriveListBox>(window, "Drive1");
        const QString driveBefore = drive->drive();
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& file : files)
            urls << QUrl::fromLocalFile(f.folder.file(file));
        data.setUrls(urls);
        // On the main window the file lands on the path box, which takes text drops itself.
        QWidget* target = ripper ? window : AppFixture::child(window, "Text1");
        QDragEnterEvent enter({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QCOMPARE(enter.isAccepted(), taken);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        if (ripper) {
            QCOMPARE(drive->drive(), taken ? cue : driveBefore);
            QCOMPARE(AppFixture::child<DirListBox>(window, "Dir1")->path() == cue, taken);
            QCOMPARE(AppFixture::child<FileListBox>(window, "File1")->count(), taken ? 1 : 0);
        } else {
            QCOMPARE(AppFixture::child<QLineEdit>(window, "Text1")->text(),
                     taken ? f.folder.file(files[0]) : QString());
            QCOMPARE(drive->drive(), driveBefore);
        }
        QVERIFY(f.host.commands.isEmpty());
        QVERIFY(f.host.messages.isEmpty());
    }

    void switchingKeepsVariables() {
        AppFixture f;
        f.app.start();
        pickBitrate(f.app, "128000");
        AppFixture::click(f.app.form1().widget(), "OptionDecode");
        AppFixture::trigger(f.app.form1().widget(), "mnuecdripper");
        QVERIFY(f.app.ripper().isVisible());
        QVERIFY(!f.app.form1().isLoaded());
        AppFixture::trigger(f.app.ripper().widget(), "mnufilemp3");
        QVERIFY(!f.app.ripper().isLoaded());
        QVERIFY(f.app.form1().isVisible());
        QCOMPARE(f.app.form1().Bitrate, QString("False"));
        QCOMPARE(f.app.form1().CodecName, QString("L3dec"));
        // A fresh window, but a bitrate click behaves as with the decoder chosen.
        QWidget* w = f.app.form1().widget();
        QVERIFY(AppFixture::child(w, "Command3")->isHidden());
        AppFixture::click(w, "Option64000");
        QCOMPARE(AppFixture::child<QLabel>(w, "lblDisplay")->text(), QString("L3dec with False"));
        QVERIFY(!AppFixture::child(w, "Command5")->isHidden());
        QCOMPARE(f.ends, 0);
        AppFixture::trigger(w, "mnuefileclose");
        QCOMPARE(f.ends, 1);
    }

    void oneAboutWindowAcrossMainWindows() {
        AppFixture f;
        f.app.start();
        AppFixture::trigger(f.app.form1().widget(), "mnuehelpabout");
        QWidget* about = f.app.about().widget();
        QVERIFY(about && about->isVisible());
        AppFixture::trigger(f.app.form1().widget(), "mnuecdripper");
        AppFixture::trigger(f.app.ripper().widget(), "mnuhelpabout");
        QCOMPARE(f.app.about().widget(), about);
        int abouts = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            abouts += w->isVisible() && w->windowTitle() == "About";
        QCOMPARE(abouts, 1);
        // Closing the ripper leaves About open; the program ends when About closes.
        AppFixture::trigger(f.app.ripper().widget(), "mnufileclose");
        QCOMPARE(f.ends, 0);
        about->close();
        QCOMPARE(f.ends, 1);
        QVERIFY(!f.app.about().isLoaded());
    }

    void closeEndsTheProgram_data() {
        QTest::addColumn<bool>("viaCloseBox");
        QTest::newRow("close-item") << false;
        QTest::newRow("close-box") << true;
    }
    void closeEndsTheProgram() {
        QFETCH(bool, viaCloseBox);
        AppFixture f;
        f.app.start();
        AppFixture::trigger(f.app.form1().widget(), "mnuecdripper");
        if (viaCloseBox)
            f.app.ripper().widget()->close();
        else
            AppFixture::trigger(f.app.ripper().widget(), "mnufileclose");
        QCOMPARE(f.ends, 1);
        QVERIFY(!f.app.ripper().isLoaded());
        QVERIFY(!f.app.form1().isLoaded());
    }

    void closeMainWithAboutOpen() {
        AppFixture f;
        f.app.start();
        f.app.showAbout();
        f.app.form1().widget()->close(); // the close box does what "Close" does
        QVERIFY(!f.app.form1().isLoaded());
        QCOMPARE(f.ends, 0);
        f.app.about().widget()->close();
        QCOMPARE(f.ends, 1);
    }

    // A Settings window that a batch loaded hidden goes with the last visible window.
    void hiddenSettingsEndsWithLastVisibleWindow() {
        AppFixture f;
        f.app.start();
        pickBitrate(f.app, "128000");
        pressBatch(f.app);
        QVERIFY(f.app.form3().isLoaded());
        QVERIFY(!f.app.form3().isVisible());
        AppFixture::trigger(f.app.form1().widget(), "mnuefileclose");
        QCOMPARE(f.ends, 1);
        QVERIFY(!f.app.form3().isLoaded());
    }

    void preferenceNeverSet() {
        AppFixture f;
        f.app.start();
        pickBitrate(f.app, "128000");
        setFolder(f.app, f.folder.path());
        pressBatch(f.app);
        QCOMPARE(readAll("settings.bat"),
                 "BladeEnc -128 " + f.folder.path().toUtf8() + "/*.wav   -quit\r\n");
        QVERIFY(f.host.saves.isEmpty());
        AppFixture::trigger(f.app.form1().widget(), "settings");
        QVERIFY(f.app.form3().isVisible());
        QVERIFY(!settingsBox(f.app)->isChecked());
        QVERIFY(!f.host.store.contains("mp3/deletewave"));
    }

    void preferenceCheckedThenBatch() {
        AppFixture f;
        f.app.start();
        AppFixture::trigger(f.app.form1().widget(), "settings");
        settingsBox(f.app)->click();
        QCOMPARE(f.host.store.value("mp3/deletewave"), QString("888"));
        f.app.form3().widget()->close();
        QVERIFY(!f.app.form3().isLoaded());
        pickBitrate(f.app, "128000");
        setFolder(f.app, f.folder.path());
        const int readsBefore = f.host.reads;
        pressBatch(f.app);
        QCOMPARE(f.host.reads, readsBefore + 1); // the batch loaded the window, which read "888"
        QCOMPARE(readAll("settings.bat"),
                 "BladeEnc -128 " + f.folder.path().toUtf8() + "/*.wav -Delete -quit\r\n");
        // Checked, then cleared: "999".
        AppFixture::trigger(f.app.form1().widget(), "settings");
        settingsBox(f.app)->click();
        QCOMPARE(f.host.store.value("mp3/deletewave"), QString("999"));
        QCOMPARE(f.host.saves,
                 (QStringList{"888", "888", "999"})); // the load step saves "888" again
    }

    void unexpectedStoredValuesCountAsOff_data() {
        QTest::addColumn<QString>("stored");
        QTest::newRow("trailing-blank") << "888 ";
        QTest::newRow("one") << "1";
    }
    void unexpectedStoredValuesCountAsOff() {
        QFETCH(QString, stored);
        AppFixture f;
        f.host.store.insert("mp3/deletewave", stored);
        f.app.start();
        AppFixture::trigger(f.app.form1().widget(), "settings");
        QVERIFY(!settingsBox(f.app)->isChecked());
        QVERIFY(f.host.saves.isEmpty());
        QCOMPARE(f.host.store.value("mp3/deletewave"), stored);
    }

    void settingsShownAfterHiddenLoadIsNotReread() {
        AppFixture f;
        f.host.store.insert("mp3/deletewave", "888");
        f.app.start();
        pickBitrate(f.app, "8000");
        pressBatch(f.app);
        QVERIFY(readAll("settings.bat").contains("-Delete"));
        f.host.store.insert("mp3/deletewave", "999"); // behind the window's back
        const int reads = f.host.reads;
        AppFixture::trigger(f.app.form1().widget(), "settings");
        QCOMPARE(f.host.reads, reads);
        QVERIFY(f.app.form3().isVisible());
        QVERIFY(settingsBox(f.app)->isChecked());
    }

    void batchLines_data() {
        QTest::addColumn<QString>("bitrate");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("remove");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("128000-delete")
            << "128000"
            << "/music" << true << QByteArray("BladeEnc -128 /music/*.wav -Delete -quit");
        QTest::newRow("128000-keep")
            << "128000"
            << "/music" << false << QByteArray("BladeEnc -128 /music/*.wav   -quit");
        QTest::newRow("8000") << "8000"
                              << "/music" << false
                              << QByteArray("BladeEnc -8 /music/*.wav   -quit");
        QTest::newRow("96000") << "96000"
                               << "/music" << false
                               << QByteArray("BladeEnc -96 /music/*.wav   -quit");
        QTest::newRow("root-folder") << "64000"
                                     << "/" << false << QByteArray("BladeEnc -64 //*.wav   -quit");
        QTest::newRow("folder-with-blank")
            << "112000"
            << "<temp>/my music" << true
            << QByteArray("BladeEnc -112 \"<temp>/my music/*.wav\" -Delete -quit");
    }
    void batchLines() {
        QFETCH(QString, bitrate);
        QFETCH(QString, folder);
        QFETCH(bool, remove);
        QFETCH(QByteArray, line);
        AppFixture f;
        folder.replace("<temp>", f.folder.path());
        line.replace("<temp>", f.folder.path().toUtf8());
        QDir().mkpath(folder);
        if (remove)
            f.host.store.insert("mp3/deletewave", "888");
        f.app.start();
        pickBitrate(f.app, bitrate);
        setFolder(f.app, folder);
        AppFixture::child<QLineEdit>(f.app.form1().widget(), "Text1")
            ->setText("ignored by the batch");
        pressBatch(f.app);
        QCOMPARE(readAll("settings.bat"), line + "\r\n");
        QCOMPARE(f.host.commands, (QList<std::pair<QString, int>>{{"settings.bat", 6}}));
        QVERIFY(!AppFixture::child(f.app.form1().widget(), "Command5")->isHidden());
    }

    void batchRefusesAWordInBitrate() {
        AppFixture f;
        f.app.start();
        pickBitrate(f.app, "128000");
        AppFixture::click(f.app.form1().widget(), "OptionEncode"); // "True", the batch button stays
        QVERIFY(!AppFixture::child(f.app.form1().widget(), "Command5")->isHidden());
        pressBatch(f.app);
        QVERIFY(!QFile::exists("settings.bat"));
        QVERIFY(f.host.commands.isEmpty());
        QCOMPARE(f.host.messages.size(), 1);
        QCOMPARE(f.host.messages[0].prompt, QString("Please choose a bitrate first."));
        QCOMPARE(f.host.messages[0].flags, 0);
    }

    void helpAndAbout() {
        AppFixture f;
        f.app.start();
        QWidget* w = f.app.form1().widget();
        AppFixture::trigger(w, "mnueHelphelp");
        AppFixture::trigger(w, "mnueHelphelp");
        AppFixture::trigger(w, "readme");
        AppFixture::trigger(w, "mnuehelpabout");
        QWidget* about = f.app.about().widget();
        QCOMPARE(about->windowTitle(), QString("About"));
        QCOMPARE(about->size(), QSize(253, 213));
        auto* web = AppFixture::child<QLabel>(about, "Label3");
        auto* mail = AppFixture::child<QLabel>(about, "Label4");
        QTest::mouseClick(web, Qt::LeftButton);
        QTest::mouseClick(mail, Qt::LeftButton);
        QTest::mouseClick(AppFixture::child<QLabel>(about, "Label2"),
                          Qt::LeftButton); // does nothing
        AppFixture::trigger(w, "mnuecdripper");
        AppFixture::trigger(f.app.ripper().widget(), "mnuhelphelp");
        QCOMPARE(f.host.commands,
                 (QList<std::pair<QString, int>>{{"notepad.exe Help.txt", 1},
                                                 {"notepad.exe Help.txt", 1},
                                                 {"notepad.exe Readme.txt", 1},
                                                 {"start.exe " + author::kWebPage, 0},
                                                 {"notepad.exe Help.txt", 1}}));
        const QString mailto = "mailto:" + author::kSupport + "?subject=Wavelathe";
        QCOMPARE(f.host.links, QStringList{mailto});
        QVERIFY(!f.host.links[0].contains(' '));
        QCOMPARE(web->text(), author::kWebPage);
        QCOMPARE(mail->text(), author::kSupport);
        QCOMPARE(AppFixture::child<QLabel>(about, "Label1")->text(), QString("   1.08"));
        // The chosen texts fit their labels in the fonts the system gave.
        for (const char* name : {"Label3", "Label4", "Label6"}) {
            auto* label = AppFixture::child<QLabel>(about, name);
            QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width(),
                     name);
        }
        // Closed and reopened, About comes back unchanged.
        about->close();
        f.app.showAbout();
        QCOMPARE(AppFixture::child<QLabel>(f.app.about().widget(), "Label6")->text(),
                 author::kName);
        about = f.app.about().widget();
        web = AppFixture::child<QLabel>(about, "Label3");
        mail = AppFixture::child<QLabel>(about, "Label4");
        // The links are reached with Tab and opened with Return or Space, and a screen reader
        // hears them as links.
        about->activateWindow();
        QTRY_VERIFY(about->isActiveWindow());
        QTRY_COMPARE(QApplication::focusWidget(), web);
        QTest::keyClick(web, Qt::Key_Return);
        QTest::keyClick(web, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), mail);
        QTest::keyClick(mail, Qt::Key_Space);
        QCOMPARE(QAccessible::queryAccessibleInterface(mail)->role(), QAccessible::Link);
        QCOMPARE(QAccessible::queryAccessibleInterface(mail)->text(QAccessible::Name),
                 author::kSupport);
        QCOMPARE(f.host.commands.size(), 6);
        QCOMPARE(f.host.commands.last().first, "start.exe " + author::kWebPage);
        QCOMPARE(f.host.links, (QStringList{mailto, mailto}));
    }

    // The real program's parts, no fakes: clicks write the scripts, the real interpreter runs
    // the real tools.
    void endToEnd() {
        TestFolder folder;
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        // Any message box would wait for a user: fail instead of hanging.
        QTimer guard;
        QObject::connect(&guard, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                qWarning("unexpected message box");
                modal->close();
            }
        });
        guard.start(200);
        SystemHost host;
        SystemDriveSource drives;
        App app(host, drives);
        app.setOnEnd([] {});
        app.start();
        QWidget* w = app.form1().widget();
        QDir().mkpath("in dir");
        writeWav("in dir/song.wav", 44100, 2, 2.0);

        AppFixture::click(w, "OptionEncode");
        AppFixture::click(w, "Option128000");
        setFolder(app, folder.file("in dir"));
        AppFixture::child<FileListBox>(w, "File1")->pick("song.wav");
        AppFixture::pressAt(w, {376, 36});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists("Track1.mp3"), 30000);

        AppFixture::click(w, "OptionDecode");
        setFolder(app, folder.path());
        AppFixture::child<FileListBox>(w, "File1")->pick("Track1.mp3");
        AppFixture::pressAt(w, {376, 36});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists("Track1.wav"), 30000);
        QCOMPARE(wavFrames("Track1.wav"), qint64(88200));

        QDir().mkpath("batch");
        for (const char* n : {"a.wav", "b.wav", "c.wav"})
            writeWav(QString("batch/") + n, 44100, 2, 1.0);
        app.showSettings();
        settingsBox(app)->click();
        app.form3().widget()->close();
        AppFixture::click(w, "OptionEncode");
        AppFixture::click(w, "Option128000");
        setFolder(app, folder.file("batch"));
        pressBatch(app);
        QCOMPARE(readAll("settings.bat"),
                 "BladeEnc -128 " + folder.file("batch").toUtf8() + "/*.wav -Delete -quit\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(QDir("batch").entryList({"*.wav"}, QDir::Files).isEmpty(), 30000);
        // Each source went only once its MP3 was complete: every MP3 decodes to the full length.
        const QString l3dec = binDir() + "/l3dec";
        for (const char* n : {"a", "b", "c"}) {
            const QString mp3 = folder.file(QString("batch/") + n + ".mp3");
            QCOMPARE(runProgram(l3dec, {mp3, folder.file(QString(n) + ".wav")}).status, 0);
            QCOMPARE(wavFrames(folder.file(QString(n) + ".wav")), qint64(44100));
        }
        for (QWidget* t : QApplication::topLevelWidgets())
            t->hide();
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
