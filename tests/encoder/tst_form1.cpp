// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: option state, file panel and single jobs, driven through its controls.
#include "appfixture.h"
#include "cdripper.h"
#include "form1.h"
#include "listpanels.h"

#include <QFile>
#include <QRadioButton>

using namespace wl;
using namespace wl::test;

using State = QMap<QString, QString>;

namespace {

const QStringList kBitrates = {"8000",  "16000", "24000",  "32000", "56000",
                               "64000", "96000", "112000", "128000"};

QString box(QCheckBox* b) {
    return QString(b->isChecked() ? "checked" : "unchecked") +
           (b->isEnabled() ? " enabled" : " disabled");
}

// Everything an option handler may change, as text.
State snapshot(App& app) {
    QWidget* w = app.form1().widget();
    State s;
    for (const char* b : {"Command1", "Command2", "Command3", "Command4", "Command5"})
        s[b] = AppFixture::child(w, b)->isHidden() ? "hidden" : "shown";
    s["Check1"] = box(AppFixture::child<QCheckBox>(w, "Check1"));
    s["Check2"] = box(AppFixture::child<QCheckBox>(w, "Check2"));
    const bool encode = AppFixture::child(w, "OptionEncode")->isEnabled();
    const bool decode = AppFixture::child(w, "OptionDecode")->isEnabled();
    s["modes"] = encode != decode ? "mixed" : encode ? "enabled" : "disabled";
    QStringList enabled, selected;
    for (const QString& b : kBitrates) {
        auto* o = AppFixture::child<QRadioButton>(w, "Option" + b);
        enabled << (o->isEnabled() ? "enabled" : "disabled");
        if (o->isChecked())
            selected << b;
    }
    enabled.removeDuplicates();
    s["bitrates"] = enabled.join("/") + ", " + (selected.isEmpty() ? "none" : selected.join("+"));
    s["Text2"] = AppFixture::child<QLineEdit>(w, "Text2")->text();
    s["pattern"] = AppFixture::child<FileListBox>(w, "File1")->pattern();
    s["Bitrate"] = app.form1().Bitrate;
    s["CodecName"] = app.form1().CodecName;
    s["lblDisplay"] = AppFixture::child<QLabel>(w, "lblDisplay")->text();
    return s;
}

// One user action: "encode", "decode", "check1", "check2", a bitrate, or "trip" (to the
// ripper and back).
void act(App& app, const QString& action) {
    QWidget* w = app.form1().widget();
    if (action == "encode")
        AppFixture::click(w, "OptionEncode");
    else if (action == "decode")
        AppFixture::click(w, "OptionDecode");
    else if (action == "check1")
        AppFixture::click(w, "Check1");
    else if (action == "check2")
        AppFixture::click(w, "Check2");
    else if (action == "trip") {
        AppFixture::trigger(w, "mnuecdripper");
        AppFixture::trigger(app.ripper().widget(), "mnufilemp3");
    } else
        AppFixture::click(w, "Option" + action);
}

constexpr QPoint kJobButton{336 + 40, 16 + 20};

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT
  private slots:
    void designState() {
        AppFixture f;
        f.app.start();
        QWidget* w = f.app.form1().widget();
        QCOMPARE(w->windowTitle(), QString("Wavelathe"));
        QCOMPARE(w->geometry().topLeft(), QPoint(11, 30));
        QCOMPARE(static_cast<QMainWindow*>(w)->centralWidget()->size(), QSize(426, 347));
        const State s = snapshot(f.app);
        QCOMPARE(s["Command5"], "hidden");
        QCOMPARE(s["Command2"], "hidden");
        QCOMPARE(s["Check1"], "unchecked enabled");
        QCOMPARE(s["bitrates"], "enabled, none");
        QCOMPARE(s["Text2"], "Track1.mp3");
        QCOMPARE(s["pattern"], "*");
        QCOMPARE(s["lblDisplay"], "");
        QCOMPARE(AppFixture::child(w, "Option16000")->geometry(), QRect(8, 40, 57, 25));
        // The four job buttons share one rectangle; HQ Encode lies in front, Encode at the back.
        QWidget* client = static_cast<QMainWindow*>(w)->centralWidget();
        const QList<QWidget*> order = client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        auto z = [&](const char* n) { return order.indexOf(AppFixture::child(w, n)); };
        QVERIFY(z("Command4") > z("Command1"));
        QVERIFY(z("Command1") > z("Command3"));
        QVERIFY(z("Command3") > z("Command2"));
        // Tab order starts at the drive list and walks the controls' tab indices.
        auto nextTab = [](QWidget* from) {
            QWidget* n = from->nextInFocusChain();
            while (!(n->focusPolicy() & Qt::TabFocus))
                n = n->nextInFocusChain();
            return n;
        };
        QCOMPARE(nextTab(AppFixture::child(w, "Drive1")), AppFixture::child(w, "Dir1"));
        QCOMPARE(nextTab(AppFixture::child(w, "Text1")), AppFixture::child(w, "OptionEncode"));
        QCOMPARE(nextTab(AppFixture::child(w, "Option8000")), AppFixture::child(w, "Option16000"));
        QCOMPARE(nextTab(AppFixture::child(w, "Option16000")), AppFixture::child(w, "Command2"));
        const QStringList menus = {"To Cd Ripper", "Close", "Settings", "About", "Help", "Read Me"};
        QStringList captions;
        for (const char* n : {"mnuecdripper", "mnuefileclose", "settings", "mnuehelpabout",
                              "mnueHelphelp", "readme"})
            captions << AppFixture::child<QAction>(w, n)->text();
        QCOMPARE(captions, menus);
    }

    // Each option action, from a state where it is possible, and what it leaves.
    void transitions_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("action");
        QTest::addColumn<State>("expected");
        QTest::newRow("bitrate-picked")
            << QStringList{"encode"} << "64000" << State{{"Command5", "shown"},
                                                         {"bitrates", "enabled, 64000"},
                                                         {"Bitrate", "64000"},
                                                         {"CodecName", "L3enc"},
                                                         {"lblDisplay", "L3enc with 64000"},
                                                         {"Command2", "shown"}};
        QTest::newRow("bitrate-picked-in-decode-mode")
            << QStringList{"decode", "trip"} << "128000"
            << State{{"Command5", "shown"},          {"Command3", "hidden"},
                     {"bitrates", "disabled, none"}, {"Bitrate", "False"},
                     {"CodecName", "L3dec"},         {"lblDisplay", "L3dec with False"}};
        QTest::newRow("encode-mode") << QStringList{"128000"} << "encode"
                                     << State{{"Command5", "shown"},
                                              {"Command2", "shown"},
                                              {"Command3", "hidden"},
                                              {"Command1", "hidden"},
                                              {"Command4", "hidden"},
                                              {"Check1", "unchecked enabled"},
                                              {"Check2", "unchecked enabled"},
                                              {"bitrates", "enabled, 128000"},
                                              {"Text2", "Track1.mp3"},
                                              {"pattern", "*.wav"},
                                              {"Bitrate", "True"},
                                              {"CodecName", "L3enc"},
                                              {"lblDisplay", "L3enc with True"}};
        QTest::newRow("decode-mode") << QStringList{"encode", "128000"} << "decode"
                                     << State{{"Command5", "hidden"},
                                              {"Command2", "hidden"},
                                              {"Command3", "shown"},
                                              {"Command1", "hidden"},
                                              {"Command4", "hidden"},
                                              {"Check1", "unchecked disabled"},
                                              {"Check2", "unchecked disabled"},
                                              {"modes", "enabled"},
                                              {"bitrates", "disabled, none"},
                                              {"Text2", "Track1.wav"},
                                              {"pattern", "*.mp3"},
                                              {"Bitrate", "False"},
                                              {"CodecName", "L3dec"},
                                              {"lblDisplay", "L3dec with False"}};
        QTest::newRow("decode-mode-while-HQ-is-checked")
            << QStringList{"encode", "check2"} << "decode"
            << State{{"Command5", "hidden"},
                     {"Command2", "shown"},
                     {"Command3", "shown"},
                     {"Command1", "hidden"},
                     {"Command4", "hidden"},
                     {"Check1", "unchecked enabled"},
                     {"Check2", "unchecked disabled"},
                     {"bitrates", "disabled, none"},
                     {"Text2", "Track1.mp3"},
                     {"pattern", "*.mp3"},
                     {"Bitrate", "False"},
                     {"CodecName", "L3dec"},
                     {"lblDisplay", "L3dec with False"}};
        QTest::newRow("downmix-checked") << QStringList{"encode", "128000"} << "check1"
                                         << State{{"Command5", "hidden"},
                                                  {"Command2", "shown"},
                                                  {"Command1", "shown"},
                                                  {"Check1", "checked enabled"},
                                                  {"Check2", "unchecked disabled"},
                                                  {"modes", "disabled"},
                                                  {"bitrates", "disabled, none"},
                                                  {"Text2", "Track1.mp3"},
                                                  {"pattern", "*.wav"},
                                                  {"Bitrate", "False"},
                                                  {"CodecName", "L3enc"},
                                                  {"lblDisplay", "Downmix stereo to mono"}};
        QTest::newRow("downmix-unchecked") << QStringList{"encode", "check1"} << "check1"
                                           << State{{"Command5", "hidden"},
                                                    {"Command1", "hidden"},
                                                    {"Command2", "shown"},
                                                    {"Check1", "unchecked enabled"},
                                                    {"Check2", "unchecked enabled"},
                                                    {"modes", "enabled"},
                                                    {"bitrates", "enabled, none"},
                                                    {"Text2", "Track1.mp3"},
                                                    {"pattern", "*.wav"},
                                                    {"Bitrate", "True"},
                                                    {"lblDisplay", " "}};
        QTest::newRow("hq-checked") << QStringList{"encode", "128000"} << "check2"
                                    << State{{"Command5", "hidden"},
                                             {"Command2", "hidden"},
                                             {"Command4", "shown"},
                                             {"Check1", "unchecked disabled"},
                                             {"Check2", "checked enabled"},
                                             {"modes", "enabled"},
                                             {"bitrates", "disabled, none"},
                                             {"Text2", "Track1.mp3"},
                                             {"pattern", "*.wav"},
                                             {"Bitrate", "False"},
                                             {"lblDisplay", " High Quality Encoding"}};
        QTest::newRow("hq-unchecked") << QStringList{"decode", "encode", "check2"} << "check2"
                                      << State{{"Command5", "hidden"},
                                               {"Command2", "shown"},
                                               {"Command4", "hidden"},
                                               {"Command3", "hidden"},
                                               {"Check1", "unchecked enabled"},
                                               {"Check2", "unchecked enabled"},
                                               {"bitrates", "enabled, none"},
                                               {"Text2", "Track1.mp3"},
                                               {"pattern", "*.wav"},
                                               {"Bitrate", "True"},
                                               {"lblDisplay", " "}};
        // Edge cases that follow from the step lists.
        QTest::newRow("fresh-bitrate-without-mode")
            << QStringList{} << "64000" << State{{"Command5", "shown"},
                                                 {"Bitrate", "64000"},
                                                 {"CodecName", ""},
                                                 {"lblDisplay", " with 64000"},
                                                 {"bitrates", "enabled, 64000"},
                                                 {"Command2", "hidden"}};
        QTest::newRow("hq-then-encode")
            << QStringList{"check2"} << "encode"
            << State{{"Command4", "shown"},           {"Command2", "shown"},
                     {"Check1", "unchecked enabled"}, {"Check2", "checked enabled"},
                     {"bitrates", "enabled, none"},   {"lblDisplay", "L3enc with True"}};
        QTest::newRow("return-keeps-variables")
            << QStringList{"encode", "96000"} << "trip"
            << State{{"Bitrate", "96000"},   {"CodecName", "L3enc"},        {"Command5", "hidden"},
                     {"Command2", "hidden"}, {"bitrates", "enabled, none"}, {"lblDisplay", ""},
                     {"Text2", "Track1.mp3"}};
        QTest::newRow("bitrate-after-decode-with-HQ-and-a-downmix-cycle")
            << QStringList{"encode", "check2", "decode", "check1", "check1"} << "56000"
            << State{{"Command5", "shown"},
                     {"bitrates", "disabled, none"},
                     {"lblDisplay", "L3dec with False"}};
    }
    void transitions() {
        QFETCH(QStringList, before);
        QFETCH(QString, action);
        QFETCH(State, expected);
        AppFixture f;
        f.app.start();
        for (const QString& a : before)
            act(f.app, a);
        act(f.app, action);
        const State s = snapshot(f.app);
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QVERIFY2(s.value(it.key()) == it.value(),
                     qPrintable(it.key() + ": got \"" + s.value(it.key()) + "\", expected \"" +
                                it.value() + "\""));
    }

    // The job the user runs is the one whose button lies in front.
    void jobLines_data() {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QByteArray>("script");
        QTest::newRow("encode") << QStringList{"encode", "128000"} << "/music/song.wav"
                                << QByteArray(
                                       "BladeEnc  /music/song.wav  Track1.mp3 -br 128000\r\n");
        QTest::newRow("encode-8000") << QStringList{"encode", "8000"} << "/m/a.wav"
                                     << QByteArray("BladeEnc  /m/a.wav  Track1.mp3 -br 8000\r\n");
        QTest::newRow("downmix-covers-encode")
            << QStringList{"encode", "128000", "check1"} << "/music/song.wav"
            << QByteArray("BladeEnc /music/song.wav  Track1.mp3 -dm \r\n");
        QTest::newRow("hq-ignores-bitrate")
            << QStringList{"encode", "64000", "check2"} << "/music/song.wav"
            << QByteArray("BladeEnc /music/song.wav  Track1.mp3 -hq \r\n");
        QTest::newRow("decode") << QStringList{"decode"} << "/music/song.mp3"
                                << QByteArray("l3dec /music/song.mp3  Track1.wav -wav\r\n");
        QTest::newRow("decode-empty-input")
            << QStringList{"decode"} << "" << QByteArray("l3dec   Track1.wav -wav\r\n");
        QTest::newRow("decode-covers-encode-D2")
            << QStringList{"encode", "check2", "decode"} << "/m/x.mp3"
            << QByteArray("l3dec /m/x.mp3  Track1.mp3 -wav\r\n");
        QTest::newRow("blank-in-folder")
            << QStringList{"encode", "128000"} << "/home/u/my music/song.wav"
            << QByteArray("BladeEnc  \"/home/u/my music/song.wav\"  Track1.mp3 -br 128000\r\n");
    }
    void jobLines() {
        QFETCH(QStringList, actions);
        QFETCH(QString, input);
        QFETCH(QByteArray, script);
        AppFixture f;
        f.app.start();
        for (const QString& a : actions)
            act(f.app, a);
        QWidget* w = f.app.form1().widget();
        AppFixture::child<QLineEdit>(w, "Text1")->setText(input);
        const State before = snapshot(f.app);
        AppFixture::pressAt(w, kJobButton);
        QCOMPARE(readAll("settings.bat"), script);
        QCOMPARE(f.host.commands, (QList<std::pair<QString, int>>{{"settings.bat", 6}}));
        QCOMPARE(snapshot(f.app), before); // pressing a job button changes no control
        QVERIFY(f.host.messages.isEmpty());
    }

    void secondJobTruncatesFirst() {
        AppFixture f;
        f.app.start();
        act(f.app, "encode");
        act(f.app, "128000");
        QWidget* w = f.app.form1().widget();
        AppFixture::child<QLineEdit>(w, "Text1")
            ->setText("/a/long/path/to/a/song/with/a/long/name.wav");
        AppFixture::pressAt(w, kJobButton);
        act(f.app, "decode");
        AppFixture::child<QLineEdit>(w, "Text1")->setText("/b.mp3");
        AppFixture::pressAt(w, kJobButton);
        QCOMPARE(readAll("settings.bat"), QByteArray("l3dec /b.mp3  Track1.wav -wav\r\n"));
        QCOMPARE(f.host.commands.size(), 2);
    }

    void encodeWithoutBitrateIsRefused_data() {
        QTest::addColumn<QStringList>("actions");
        QTest::newRow("true-after-encode-mode") << QStringList{"128000", "encode"};
        QTest::newRow("true-after-downmix-cleared") << QStringList{"encode", "check1", "check1"};
    }
    void encodeWithoutBitrateIsRefused() {
        QFETCH(QStringList, actions);
        AppFixture f;
        f.app.start();
        for (const QString& a : actions)
            act(f.app, a);
        QCOMPARE(f.app.form1().Bitrate, QString("True"));
        AppFixture::pressAt(f.app.form1().widget(), kJobButton);
        QVERIFY(!QFile::exists("settings.bat"));
        QVERIFY(f.host.commands.isEmpty());
        QCOMPARE(f.host.messages.size(), 1);
        QCOMPARE(f.host.messages[0].prompt, QString("Please choose a bitrate first."));
        QCOMPARE(f.host.messages[0].flags, 0);
        QCOMPARE(f.host.messages[0].title, QString());
        // The covered Encode button, reached with the keyboard while Bitrate is "False".
        act(f.app, "check1");
        QCOMPARE(f.app.form1().Bitrate, QString("False"));
        f.app.form1().Command2_Click();
        QCOMPARE(f.host.messages.size(), 2);
        QVERIFY(!QFile::exists("settings.bat"));
    }

    // The line, run by the real interpreter, hands the encoder exactly the intended arguments.
    void awkwardNamesReachTheEncoderWhole_data() {
        QTest::addColumn<QString>("name");
        for (const char* n :
             {"my song.wav", "it's.wav", "say \"hi\".wav", "#1.wav", "why?.wav", "a&b.wav",
              "$HOME.wav", "`id`.wav", "a;rm -rf ~.wav", "$(reboot).wav",
              "\xc3\xa9t\xc3\xa9 \xe2\x99\xab.wav", "song.", "-lead.wav", "-delete", "-hq"})
            QTest::newRow(n) << QString::fromUtf8(n);
    }
    void awkwardNamesReachTheEncoderWhole() {
        QFETCH(QString, name);
        AppFixture f;
        QFile::copy(binDir() + "/wavelathe-cmd", f.folder.file("wavelathe-cmd"));
        QFile::copy(binDir() + "/argv_recorder", f.folder.file("BladeEnc"));
        f.app.start();
        act(f.app, "encode");
        act(f.app, "128000");
        QWidget* w = f.app.form1().widget();
        const QString input = f.folder.path() + "/dir with blank/" + name;
        AppFixture::child<QLineEdit>(w, "Text1")->setText(input);
        AppFixture::child<QLineEdit>(w, "Text2")->setText(name);
        AppFixture::pressAt(w, kJobButton);
        QCOMPARE(f.host.commands.size(), 1);
        QCOMPARE(
            runProgram(f.folder.file("wavelathe-cmd"), {"settings.bat"}, f.folder.path()).status,
            0);
        QCOMPARE(QString::fromUtf8(readAll("argv.txt")), "BladeEnc\n" + input + "\n" +
                                                             (name.startsWith('-') ? "./" : "") +
                                                             name + "\n-br\n128000\n--\n");
    }

    void filePanel() {
        AppFixture f;
        QDir().mkpath("my music/sub");
        writeAll("my music/song.wav", "x");
        writeAll("my music/SHOUT.WAV", "x");
        writeAll("my music/notes.txt", "x");
        f.app.start();
        QWidget* w = f.app.form1().widget();
        auto* dir = AppFixture::child<DirListBox>(w, "Dir1");
        auto* files = AppFixture::child<FileListBox>(w, "File1");
        auto* text1 = AppFixture::child<QLineEdit>(w, "Text1");
        auto* text2 = AppFixture::child<QLineEdit>(w, "Text2");
        QCOMPARE(dir->path(), f.folder.path());
        act(f.app, "decode");
        act(f.app, "encode");
        const QString music = f.folder.path() + "/my music";
        QVERIFY(dir->setPath(music));
        QCOMPARE(files->path(), music); // Dir1_Change followed the folder
        QCOMPARE(files->count(), 2);    // names match without regard to case
        text2->setText("mine.mp3");
        text1->setText("typed by hand");
        QVERIFY(dir->setPath(music + "/sub"));
        QCOMPARE(text1->text(), QString("typed by hand"));
        QVERIFY(dir->setPath(music));
        files->pick("song.wav");
        QCOMPARE(text1->text(), music + "/song.wav");
        QCOMPARE(text2->text(), QString("mine.mp3"));
        QCOMPARE(files->pattern(), QString("*.wav"));
        // The root folder gives two separators: nothing is normalised.
        QVERIFY(dir->setPath("/"));
        files->setPattern("*");
        if (files->count() == 0)
            QSKIP("the root folder holds no file to pick");
        files->pick(files->item(0)->text());
        QCOMPARE(text1->text(), "//" + files->item(0)->text());
    }

    void driveNotReady() {
        AppFixture f;
        f.drives.addDisc(f.folder.file("no-disc.cue"));
        f.app.start();
        QWidget* w = f.app.form1().widget();
        auto* drive = AppFixture::child<DriveListBox>(w, "Drive1");
        auto* dir = AppFixture::child<DirListBox>(w, "Dir1");
        auto* files = AppFixture::child<FileListBox>(w, "File1");
        AppFixture::child<QLineEdit>(w, "Text1")->setText("kept");
        const QString folderBefore = dir->path();
        drive->choose(f.folder.file("no-disc.cue"));
        QCOMPARE(f.host.messages.size(), 1);
        QCOMPARE(f.host.messages[0].prompt, QString("The device is not ready or damaged"));
        QCOMPARE(f.host.messages[0].flags, 16);
        QCOMPARE(f.host.messages[0].title, QString("Error Message"));
        QCOMPARE(dir->path(), folderBefore);
        QCOMPARE(files->path(), folderBefore);
        QCOMPARE(AppFixture::child<QLineEdit>(w, "Text1")->text(), QString("kept"));
        QCOMPARE(drive->drive(), f.folder.file("no-disc.cue")); // not set back
        // A ready drive brings the lists back in step, at that drive's current folder.
        QVERIFY(dir->setPath("/"));
        drive->choose(f.drives.driveOf(f.folder.path()));
        QCOMPARE(dir->path(), f.folder.path());
        QCOMPARE(files->path(), f.folder.path());
    }

    void truthOfTexts() {
        QCOMPARE(readsAsBool("True"), std::optional<bool>(true));
        QCOMPARE(readsAsBool("False"), std::optional<bool>(false));
        QCOMPARE(readsAsBool("128000"), std::optional<bool>(true));
        QCOMPARE(readsAsBool("0"), std::optional<bool>(false));
        QCOMPARE(readsAsBool(""), std::optional<bool>());
        QCOMPARE(batchSwitchNumber("96000"), 96);
        QCOMPARE(batchSwitchNumber("True"), 0);
        QCOMPARE(batchSwitchNumber("12345"), 0);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
