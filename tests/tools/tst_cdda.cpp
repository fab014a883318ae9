// SPDX-License-Identifier: GPL-3.0-or-later
// CDDA on disc images the tests write: byte-exact rips, the program's line, refusals.
#include "accuraterip.h"
#include "cdda_args.h"
#include "checksums.h"
#include "discid.h"
#include "discprobe.h"
#include "driveoffsets.h"
#include "musicbrainz.h"
#include "rip.h"
#include "riplog.h"
#include "support.h"
#include "wavio.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QtEndian>
#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <csignal>
#include <sys/stat.h>
#include <thread>
#include <zlib.h>

using namespace wl;
using namespace wl::test;

namespace {

QString cddaTool() { return binDir() + "/CDDA"; }

// The data chunk of a WAV the rip wrote (its header is 44 bytes; names may follow the data).
QByteArray pcmOf(const QString& wav) {
    const QByteArray b = readAll(wav);
    if (b.size() < 44)
        return {};
    return b.mid(44, qFromLittleEndian<quint32>(b.constData() + 40));
}

const QList<DiscTrack> kThreeTracks = {
    {sineSectors(150, 440), {}}, {sineSectors(120, 1000), {}}, {squareSectors(100), {}}};

Tags tagsOfWav(const QString& path) {
    const QByteArray wav = readAll(path);
    return readWavTags(
        [&](uint64_t at, void* buf, size_t n) {
            const QByteArray part = wav.mid(qsizetype(at), qsizetype(n));
            memcpy(buf, part.constData(), size_t(part.size()));
            return size_t(part.size());
        },
        uint64_t(wav.size()));
}

} // namespace

class TestCdda : public QObject {
    Q_OBJECT
  private slots:
    void eachTrackIsItsSourceByteForByte_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("track");
        QTest::newRow("T-space-1") << QStringList{"/T", "1"} << 1;
        QTest::newRow("T2-glued") << QStringList{"/T2"} << 2;
        QTest::newRow("lower-case-square-wave") << QStringList{"/t", "3"} << 3;
    }
    void eachTrackIsItsSourceByteForByte() {
        QFETCH(QStringList, args);
        QFETCH(int, track);
        TestFolder folder;
        const QString cue = writeDisc(folder.path(), "disc", kThreeTracks);
        const Run r = runProgram(cddaTool(), args + QStringList{"/F", "out", "/D", cue});
        QVERIFY2(r.status == 0, r.err.constData());
        QCOMPARE(pcmOf("out.wav"), kThreeTracks[track - 1].pcm);
        const QByteArray header = readAll("out.wav").left(44);
        QCOMPARE(header.mid(22, 2), QByteArray("\x02\x00", 2));
        QCOMPARE(header.mid(24, 4), QByteArray("\x44\xac\x00\x00", 4));
    }

    // An INDEX 00 pregap belongs to the track before it.
    void pregapBelongsToPreviousTrack() {
        TestFolder folder;
        const QByteArray gap = sineSectors(30, 200);
        const QString cue = writeDisc(folder.path(), "gap",
                                      {{sineSectors(80, 440), {}}, {sineSectors(70, 880), gap}});
        QCOMPARE(runProgram(cddaTool(), {"/T", "1", "/F", "one", "/D", cue}).status, 0);
        QCOMPARE(runProgram(cddaTool(), {"/T", "2", "/F", "two", "/D", cue}).status, 0);
        QCOMPARE(pcmOf("one.wav"), sineSectors(80, 440) + gap);
        QCOMPARE(pcmOf("two.wav"), sineSectors(70, 880));
    }

    // Audio hidden in the first track's pregap is ripped beside it as NAME00.wav by a rip of
    // several tracks; a pregap of digital silence gives none, and one picked track rips as
    // ever: its WAV and nothing else.
    void hiddenTrackOne_data() {
        QTest::addColumn<bool>("silent");
        QTest::newRow("audio in the pregap") << false;
        QTest::newRow("digital silence") << true;
    }
    void hiddenTrackOne() {
        QFETCH(bool, silent);
        TestFolder folder;
        const QByteArray gap = silent ? QByteArray(30 * 2352, '\0') : sineSectors(30, 300);
        writeDisc(folder.path(), "hidden",
                  {{sineSectors(40, 440), gap}, {sineSectors(20, 880), {}}});
        writeAll("rip.bat", "CDDA/T 1 /F Track1 /O /D hidden.cue\r\n");
        Run r = runProgram(binDir() + "/wavelathe-cmd", {"rip.bat"}, folder.path());
        QVERIFY2(r.status == 0, r.err.constData());
        QStringList files = QDir().entryList(QDir::Files | QDir::Hidden);
        files.sort();
        QCOMPARE(files, QStringList({"Track1.wav", "hidden.bin", "hidden.cue", "rip.bat"}));
        QCOMPARE(pcmOf("Track1.wav"), sineSectors(40, 440));

        writeAll("rip.bat", "CDDA/T 1 /F Track01 /O /D hidden.cue /L 1,2\r\n"
                            "CDDA/T 2 /F Track02 /O /D hidden.cue /L 1,2\r\n");
        r = runProgram(binDir() + "/wavelathe-cmd", {"rip.bat"}, folder.path());
        QVERIFY2(r.status == 0, r.err.constData());
        QCOMPARE(pcmOf("Track01.wav"), sineSectors(40, 440));
        QCOMPARE(QFile::exists("Track00.wav"), !silent);
        const QByteArray cue = readAll("Track.cue");
        if (!silent) {
            QCOMPARE(pcmOf("Track00.wav"), gap);
            QVERIFY2(cue.contains("FILE \"Track00.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 00 "
                                  "00:00:00\nFILE \"Track01.wav\" WAVE\n    INDEX 01 00:00:00\n"),
                     cue.constData());
            QVERIFY(
                readAll("Track.log").contains("Audio hidden before track 1\n  File: Track00.wav"));
        } else {
            QVERIFY2(cue.contains("TRACK 01 AUDIO\n    PREGAP 00:00:30\n    INDEX 01 00:00:00\n"),
                     cue.constData());
        }
    }

    // A rip of several tracks leaves a log and a cue sheet for its WAVs, which libcdio (and
    // cueprint, where installed) read back; a second rip moves the first's to the Trash.
    void ripLogAndCueSheet() {
        TestFolder folder;
        QList<DiscTrack> disc;
        for (int t = 1; t <= 12; ++t)
            disc.append({sineSectors(8 + t, 200.0 * t), t == 5 ? sineSectors(3, 90) : QByteArray(),
                         false, QString("Song %1 \"live\"").arg(t)});
        writeDisc(folder.path(), "twelve", disc, "Twelve", "The Band");
        QStringList numbers, lines;
        for (int t = 1; t <= 12; ++t)
            numbers << QString::number(t);
        for (int t = 1; t <= 12; ++t)
            lines << QString("CDDA/T %1 /F Track%2 /O /D twelve.cue /L %3")
                         .arg(t)
                         .arg(t, 2, 10, QChar('0'))
                         .arg(numbers.join(','));
        writeAll("rip.bat", (lines.join("\r\n") + "\r\n").toUtf8());
        for (int round = 0; round < 2; ++round) {
            const Run r = runProgram(binDir() + "/wavelathe-cmd", {"rip.bat"}, folder.path());
            QVERIFY2(r.status == 0, r.err.constData());
        }
        QVERIFY(QFile::exists(folder.trashed("Track.log")));
        QVERIFY(QFile::exists(folder.trashed("Track.cue")));
        // The tracks' records, kept for the log in the session's runtime folder, are gone.
        QVERIFY(QDir(folder.file("runtime/wavelathe")).isEmpty(QDir::Files | QDir::Hidden));
        QVERIFY(QDir(folder.file("cache/wavelathe")).entryList({"rip-*"}).isEmpty());

        const QString log = QString::fromUtf8(readAll("Track.log"));
        QVERIFY2(log.contains("Read offset: read offset 0 samples (disc image)"), qPrintable(log));
        QVERIFY(log.contains("Album: Twelve"));
        QVERIFY(log.endsWith("Summary: 12 tracks ripped\n"));
        for (int t = 1; t <= 12; ++t) {
            const QByteArray pcm = pcmOf(QString("Track%1.wav").arg(t, 2, 10, QChar('0')));
            QVERIFY2(pcm == disc[t - 1].pcm + (t == 4 ? disc[4].pregap : QByteArray()),
                     qPrintable(QString("track %1: %2 bytes").arg(t).arg(pcm.size())));
            const quint32 crc = quint32(
                ::crc32(0, reinterpret_cast<const Bytef*>(pcm.constData()), uInt(pcm.size())));
            const QString entry =
                log.section(QString("\nTrack %1\n").arg(t), 1).section("\n\n", 0, 0);
            QVERIFY2(entry.contains(QString::asprintf("Copy CRC: %08X", crc)), qPrintable(entry));
            QVERIFY(entry.contains(QString("Title: Song %1 \"live\"").arg(t)));
        }

        // libcdio reads the sheet: twelve tracks with their titles, the fifth track's pregap
        // at the end of the fourth WAV (12 sectors in).
        const QByteArray cue = readAll("Track.cue");
        QVERIFY2(cue.contains("  TRACK 05 AUDIO\n    TITLE \"Song 5 'live'\"\n    PERFORMER \"The "
                              "Band\"\n    INDEX 00 00:00:12\n"
                              "FILE \"Track05.wav\" WAVE\n    INDEX 01 00:00:00\n"),
                 cue.constData());
        // libcdio reads a sheet only as a disc image of one BIN of the sheet's name; its
        // parser is what other programs built on it read a sheet with.
        QVERIFY(QDir().mkdir("sheet") && QFile::copy("Track.cue", "sheet/Track.cue"));
        writeAll("sheet/Track.bin", QByteArray(2352, '\0'));
        CdIo_t* cdio =
            cdio_open(folder.file("sheet/Track.cue").toLocal8Bit().constData(), DRIVER_UNKNOWN);
        QVERIFY(cdio);
        QCOMPARE(int(cdio_get_num_tracks(cdio)), 12);
        const cdtext_t* text = cdio_get_cdtext(cdio);
        QVERIFY(text);
        QCOMPARE(QString(cdtext_get_const(text, CDTEXT_FIELD_TITLE, 0)), QString("Twelve"));
        QCOMPARE(QString(cdtext_get_const(text, CDTEXT_FIELD_TITLE, 12)),
                 QString("Song 12 'live'"));
        cdio_destroy(cdio);
        if (!QStandardPaths::findExecutable("cueprint").isEmpty()) {
            const Run printed = runProgram("cueprint", {"-i", "cue", "Track.cue"});
            QCOMPARE(printed.status, 0);
            for (int t = 1; t <= 12; ++t)
                QVERIFY2(printed.out.contains(QString("Song %1 'live'").arg(t).toUtf8()),
                         printed.out.constData());
        }
    }

    // The program's own line, through the interpreter, with the image named by the test.
    void programLineThroughInterpreter() {
        TestFolder folder;
        const QString cue = writeDisc(folder.path(), "disc", kThreeTracks);
        writeAll("rip.bat", "CDDA/T 2 /F Track1 /O /D disc.cue\r\n");
        Run r = runProgram(binDir() + "/wavelathe-cmd", {"rip.bat"}, folder.path());
        QVERIFY2(r.status == 0, r.err.constData());
        QCOMPARE(pcmOf("Track1.wav"), kThreeTracks[1].pcm);
        writeAll("rip.bat", "CDDA/T 1 /F \"my song\" /O /D disc.cue\r\n");
        r = runProgram(binDir() + "/wavelathe-cmd", {"rip.bat"}, folder.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(pcmOf("my song.wav"), kThreeTracks[0].pcm);
    }

    void refusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("status");
        QTest::newRow("out-of-range")
            << QStringList{"/T", "4", "/F", "x", "/D", "disc.cue"} << "the disc has 3 tracks" << 1;
        QTest::newRow("not-a-number") << QStringList{"/T", "two", "/F", "x", "/D", "disc.cue"}
                                      << "the disc has 3 tracks" << 1;
        QTest::newRow("no-track") << QStringList{"/F", "x", "/D", "disc.cue"}
                                  << "the disc has 3 tracks" << 1;
        QTest::newRow("data-track")
            << QStringList{"/T", "2", "/F", "x", "/D", "data.cue"} << "data track" << 1;
        QTest::newRow("missing-image")
            << QStringList{"/T", "1", "/F", "x", "/D", "nothing.cue"} << "no such drive" << 1;
        // The image's own files, a FIFO, a folder and a sheet without audio never reach libcdio.
        QTest::newRow("output-is-own-bin")
            << QStringList{"/T", "1", "/F", "disc.bin", "/O", "/D", "disc.cue"} << "the rip reads"
            << 1;
        QTest::newRow("output-is-own-cue")
            << QStringList{"/T", "1", "/F", "disc.cue", "/O", "/D", "disc.cue"} << "the rip reads"
            << 1;
        QTest::newRow("fifo-bin") << QStringList{"/T", "1", "/F", "x", "/D", "fifo.cue"}
                                  << "fifo.bin (named by fifo.cue) is not a regular file" << 1;
        QTest::newRow("folder-as-device")
            << QStringList{"/T", "1", "/F", "x", "/D", "."} << "is a folder" << 1;
        QTest::newRow("empty-sheet")
            << QStringList{"/T", "1", "/F", "x", "/D", "empty.cue"} << "no audio tracks" << 1;
        QTest::newRow("existing-without-O")
            << QStringList{"/T", "1", "/F", "keep", "/D", "disc.cue"} << "exists already" << 1;
        QTest::newRow("empty-name")
            << QStringList{"/T", "1", "/F", "/O", "/D", "disc.cue"} << "needs a value" << 2;
        QTest::newRow("unknown-switch") << QStringList{"/T", "1", "/X"} << "unknown switch" << 2;
        // libcdio pairs a BIN with the sheet of its name: that sheet is a file of the disc too.
        QTest::newRow("output-is-the-sheet-beside-the-bin")
            << QStringList{"/T", "1", "/F", "disc.cue", "/O", "/D", "disc.bin"} << "the rip reads"
            << 1;
        QTest::newRow("several-data-files") << QStringList{"/T", "1", "/F", "x", "/D", "two.cue"}
                                            << "names several data files" << 1;
        QTest::newRow("wave-data-file")
            << QStringList{"/T", "1", "/F", "x", "/D", "wave.cue"} << "only BINARY" << 1;
        // An NRG whose DAOI chunk claims 2 GiB crashes libcdio: only a child process sees it.
        QTest::newRow("crashing-nrg") << QStringList{"/T", "1", "/F", "x", "/D", "bad.nrg"}
                                      << "the disc image is damaged" << 1;
    }
    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QFETCH(int, status);
        TestFolder folder;
        writeDisc(folder.path(), "disc", kThreeTracks);
        writeDisc(folder.path(), "data",
                  {{sineSectors(80, 440), {}}, {QByteArray(2352 * 40, '\x33'), {}, true}});
        writeAll("keep.wav", "precious");
        writeAll("fifo.cue", "FILE \"fifo.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
        QVERIFY(mkfifo("fifo.bin", 0600) == 0);
        writeAll("empty.cue", "");
        writeAll("two.cue", "FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                            "FILE data.bin BINARY\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n");
        writeAll("wave.cue", "FILE \"disc.bin\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
        writeAll("bad.nrg", QByteArray(2352 * 10, 0) + "DAOI\x7f\xff\xff\xff" + QByteArray(64, 0) +
                                "END!" + QByteArray(4, 0) + "NERO" + QByteArray("\0\0\x5b\xe0", 4));
        const QByteArray image = readAll("disc.bin") + readAll("disc.cue");
        const Run r = runProgram(cddaTool(), args, QString(), 20000);
        QCOMPARE(r.status, status);
        QVERIFY2(r.err.contains(message.toUtf8()), r.err.constData());
        QCOMPARE(readAll("keep.wav"), QByteArray("precious"));
        QVERIFY(!QFile::exists("x.wav"));
        QCOMPARE(readAll("disc.bin") + readAll("disc.cue"), image);
        QCOMPARE(QDir().entryList({"*.wl-*"}, QDir::Files | QDir::Hidden), QStringList{});
    }

    // The audio of a sheet is the file its FILE line names, whatever the sheet is called and
    // whatever lies beside it; a TOC file's names are found from its own folder.
    void imagesReadTheFilesTheyName_data() {
        QTest::addColumn<QString>("setUp"); // shell lines run in the test folder first
        QTest::addColumn<QString>("device");
        QTest::newRow("copy-of-the-sheet") << "cp disc.cue other.cue"
                                           << "other.cue";
        QTest::newRow("decoy-of-the-sheet's-name")
            << "cp disc.cue other.cue && head -c 705600 /dev/zero >other.bin"
            << "other.cue";
        QTest::newRow("fifo-of-the-sheet's-name") << "cp disc.cue other.cue && mkfifo other.bin"
                                                  << "other.cue";
        QTest::newRow("bin-given") << "true"
                                   << "disc.bin";
        QTest::newRow("toc-in-another-folder")
            << "mkdir img && mv disc.bin img/ && head -c 705600 /dev/zero >disc.bin && printf "
               "'CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 0 00:02:00\nTRACK AUDIO\nFILE "
               "\"disc.bin\" 00:02:00 00:01:45\n' >img/disc.toc"
            << "img/disc.toc";
    }
    void imagesReadTheFilesTheyName() {
        QFETCH(QString, setUp);
        QFETCH(QString, device);
        TestFolder folder;
        writeDisc(folder.path(), "disc", kThreeTracks);
        QCOMPARE(runProgram("sh", {"-c", setUp}).status, 0);
        const Run r = runProgram(cddaTool(), {"/T", "2", "/F", "out", "/D", device}, {}, 20000);
        QVERIFY2(r.status == 0, r.err.constData());
        QCOMPARE(pcmOf("out.wav"), kThreeTracks[1].pcm);
    }

    void replaceWithO() {
        TestFolder folder;
        const QString cue = writeDisc(folder.path(), "disc", kThreeTracks);
        writeAll("keep.wav", "precious");
        QCOMPARE(runProgram(cddaTool(), {"/T", "3", "/F", "keep", "/O", "/D", cue}).status, 0);
        QCOMPARE(pcmOf("keep.wav"), kThreeTracks[2].pcm);
    }

    // An interrupted rip leaves no partial WAV, and no private folder of a sheet's links.
    void interruptedRipLeavesNothing() {
        TestFolder folder;
        qputenv("TMPDIR", folder.path().toLocal8Bit());
        const QString cue = writeDisc(folder.path(), "long", {{sineSectors(75 * 240, 440), {}}});
        QProcess p;
        p.setProgram(cddaTool());
        p.setArguments({"/T", "1", "/F", "long", "/D", cue});
        p.start();
        QVERIFY(p.waitForStarted());
        QElapsedTimer t;
        t.start();
        while (QDir().entryList({"*.wl-*"}, QDir::Files | QDir::Hidden).isEmpty() &&
               t.elapsed() < 10000 && p.state() == QProcess::Running)
            QThread::usleep(500);
        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(10000));
        qunsetenv("TMPDIR");
        if (p.exitCode() == 0)
            QSKIP("the rip finished before it could be interrupted");
        QVERIFY(!QFile::exists("long.wav"));
        QCOMPARE(QDir().entryList({"*.wl-*"}, QDir::Files | QDir::Hidden), QStringList{});
        QCOMPARE(QDir().entryList({"wavelathe-disc-*"}, QDir::Dirs), QStringList{});
    }

    // Each rip ends with its copy CRC and AccurateRip checksums: first, middle and last tracks
    // skip differently. The values were computed apart from this code, by zlib's crc32 and by
    // accuraterip-checksum (whipper), over the same generated tracks.
    void checksums_data() {
        QTest::addColumn<int>("tracks");
        QTest::addColumn<int>("track");
        QTest::addColumn<QString>("sums"); // copy CRC, AccurateRip v1, v2
        QTest::newRow("1 of 1") << 1 << 1 << "AF38A49C CC75A778 CC9567AF";
        QTest::newRow("1 of 3") << 3 << 1 << "AF38A49C E35B5498 E3F8324C";
        QTest::newRow("2 of 3") << 3 << 2 << "EC0162BA 58D9CF53 59988DC0";
        QTest::newRow("3 of 3") << 3 << 3 << "723B756B 93D04667 9410D9C1";
        QTest::newRow("1 of 99") << 99 << 1 << "AF38A49C E35B5498 E3F8324C";
        QTest::newRow("50 of 99") << 99 << 50 << "2CBD5AF5 3FE15271 409F5E65";
        QTest::newRow("99 of 99") << 99 << 99 << "C0AA9F25 DD29D5ED DD6A664B";
    }
    void checksums() {
        QFETCH(int, tracks);
        QFETCH(int, track);
        QFETCH(QString, sums);
        TestFolder folder;
        QList<DiscTrack> disc;
        for (int i = 0; i < tracks; ++i)
            disc.append({sineSectors(12, 200 + 17 * i), {}});
        const QString cue = writeDisc(folder.path(), "disc", disc);
        const Run r =
            runProgram(cddaTool(), {"/T", QString::number(track), "/F", "out", "/D", cue});
        QVERIFY2(r.status == 0, r.err.constData());
        QCOMPARE(pcmOf("out.wav"), disc[track - 1].pcm);
        const QStringList v = sums.split(' ');
        const QString expected = "Copy CRC " + v[0] + ", AccurateRip v1 " + v[1] + ", v2 " + v[2];
        QVERIFY2(r.err.contains(expected.toLatin1()), r.err.constData());
        QVERIFY(r.err.contains("0 sectors needed re-reads or correction"));
    }

    // Sheets as people and programs write them are read as peers read them: a byte-order
    // mark, CR LF or CR line ends, quotes and tabs inside a quoted title, Windows-1252.
    void sheetVariants_data() {
        QTest::addColumn<QByteArray>("sheet"); // {bin} for the data file's name
        QTest::addColumn<QString>("title");
        const QByteArray body = "FILE \"{bin}\" BINARY\n  TRACK 01 AUDIO\n    TITLE \"Harbour "
                                "Lights\"\n    INDEX 01 00:00:00\n";
        QTest::newRow("byte-order mark") << "\xEF\xBB\xBF" + body << "Harbour Lights";
        QTest::newRow("CR LF") << QByteArray(body).replace("\n", "\r\n") << "Harbour Lights";
        QTest::newRow("CR only") << QByteArray(body).replace("\n", "\r") << "Harbour Lights";
        QTest::newRow("quotes inside")
            << QByteArray(body).replace("\"Harbour Lights\"", "\"a \"quoted\" b\"")
            << "a \"quoted\" b";
        QTest::newRow("tab inside")
            << QByteArray(body).replace("Harbour Lights", "Harbour\tLights") << "Harbour Lights";
        QTest::newRow("windows-1252")
            << QByteArray(body).replace("Harbour Lights", "Caf\xe9") << QString("Caf\u00e9");
        QTest::newRow("markup stays text")
            << QByteArray(body).replace("Harbour Lights", "<h1>Big</h1>") << "<h1>Big</h1>";
    }
    void sheetVariants() {
        QFETCH(QByteArray, sheet);
        QFETCH(QString, title);
        TestFolder folder;
        const QByteArray pcm = sineSectors(30, 440);
        writeAll("disc.bin", pcm);
        writeAll("disc.cue", sheet.replace("{bin}", "disc.bin"));
        const Run r = runProgram(cddaTool(), {"/T", "1", "/F", "out", "/D", "disc.cue"});
        QVERIFY2(r.status == 0, r.err.constData());
        QCOMPARE(readAll("out.wav").right(pcm.size()).size(), pcm.size());
        const Tags tags = tagsOfWav("out.wav");
        QCOMPARE(QString::fromStdString(tags.title), title);
    }

    // Probing an image from a process whose other threads are busy (allocating, writing,
    // starting threads) never hangs: the probe is a program of its own, started without
    // running anything of ours between fork and exec.
    void probesFromABusyProcess() {
        TestFolder folder;
        const QString cue = writeDisc(folder.path(), "disc", kThreeTracks);
        std::atomic<bool> stop{false};
        std::vector<std::thread> busy;
        for (int i = 0; i < 3; ++i)
            busy.emplace_back([&stop] {
                while (!stop) {
                    std::vector<std::string> junk(200, std::string(100, 'x'));
                    std::thread([] { (void)std::getenv("HOME"); }).join();
                }
            });
        qint64 slowest = 0;
        bool allRead = true;
        for (int i = 0; i < 60; ++i) {
            QElapsedTimer clock;
            clock.start();
            const auto toc = probeDisc(cue.toStdString(), 5000);
            slowest = std::max(slowest, clock.elapsed());
            allRead = allRead && toc && toc->tracks.size() == 3;
        }
        stop = true;
        for (std::thread& t : busy)
            t.join();
        QVERIFY(allRead);
        QVERIFY2(slowest < 1000, qPrintable(QString("the slowest probe took %1 ms").arg(slowest)));
    }

    // A track larger than a WAV file can hold (a 20 GB sparse BIN) is refused at once, with
    // nothing written.
    void trackTooLongForAWav() {
        TestFolder folder;
        QFile bin("huge.bin");
        QVERIFY(bin.open(QIODevice::WriteOnly) && bin.resize(qint64(2352) * 8500000));
        bin.close();
        writeAll("huge.cue", "FILE \"huge.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
        const Run r = runProgram(cddaTool(), {"/T", "1", "/F", "out", "/D", "huge.cue"}, {}, 20000);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("track 1 is too long for a WAV file (1888 minutes of audio"),
                 r.err.constData());
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    // The disc's names from MusicBrainz, against a server of the test's own: every answer the
    // service may give, and none. The rip always goes on; the sheet's own names stand in when
    // nothing better came.
    void musicBrainzNames_data() {
        QTest::addColumn<QByteArray>("answers");
        QTest::addColumn<QString>("title"); // track 1's, in its WAV
        QTest::addColumn<int>("requests");  // what the server saw
        QTest::addColumn<QString>("said");  // on standard error
        QTest::newRow("one release, names beyond ASCII")
            << "{\"discid/\": [" + jsonAnswer(200, kTwoReleases) + "]}"
            << QString("Erste Stra\u00dfe") << 1 << "";
        QTest::newRow("unknown ID, found by the TOC")
            << "{\"discid/\": [" + jsonAnswer(404, "{}") + "], \"toc=1+3+\": [" +
                   jsonAnswer(200, kTwoReleases) + "]}"
            << QString("Erste Stra\u00dfe") << 2 << "";
        QTest::newRow("unknown altogether")
            << "{\"discid/\": [" + jsonAnswer(404, "{}") + "], \"toc=\": [" +
                   jsonAnswer(200, R"({"release-count": 0, "releases": []})") + "]}"
            << "Sheet One" << 2 << "MusicBrainz does not know this disc yet";
        QTest::newRow("503, then an answer")
            << "{\"discid/\": [" + jsonAnswer(503, "busy", R"(, "headers": {"Retry-After": "1"})") +
                   ", " + jsonAnswer(200, kTwoReleases) + "]}"
            << QString("Erste Stra\u00dfe") << 2 << "";
        QTest::newRow("an HTML error page")
            << "{\"discid/\": [" + jsonAnswer(200, "<html><body>Oops</body></html>") + "]}"
            << "Sheet One" << 1
            << "names not looked up: the service's answer is not what was asked";
        QTest::newRow("truncated JSON")
            << "{\"discid/\": [" + jsonAnswer(200, kTwoReleases.left(300)) + "]}"
            << "Sheet One" << 1
            << "names not looked up: the service's answer is not what was asked";
        QTest::newRow("server error")
            << "{\"discid/\": [" + jsonAnswer(500, "no") + "]}"
            << "Sheet One" << 1 << "names not looked up: the service answered with status 500";
        QTest::newRow("no answer for a minute")
            << "{\"discid/\": [" + jsonAnswer(200, kTwoReleases, R"(, "delay": 60)") + "]}"
            << "Sheet One" << 1 << "names not looked up: the server did not answer in time";
    }
    void musicBrainzNames() {
        QFETCH(QByteArray, answers);
        QFETCH(QString, title);
        QFETCH(int, requests);
        QFETCH(QString, said);
        TestFolder folder;
        FakeService service(answers);
        QVERIFY(service.running());
        qputenv("WAVELATHE_MUSICBRAINZ_URL", service.url().toLocal8Bit());
        writeAll("config/Wavelathe/Wavelathe.ini", "[ripper]\nlookupdiscs=true\n");
        const QString cue = writeDisc(folder.path(), "disc",
                                      {{sineSectors(20, 440), {}, false, "Sheet One"},
                                       {sineSectors(20, 550), {}, false, "Sheet Two"},
                                       {sineSectors(20, 660), {}, false, "Sheet Three"}});
        QElapsedTimer clock;
        clock.start();
        const Run r = runProgram(cddaTool(), {"/T", "1", "/F", "one", "/D", cue}, {}, 30000);
        const qint64 took = clock.elapsed();
        QVERIFY2(r.status == 0, r.err.constData());
        QVERIFY2(took < 17000, qPrintable(QString("the rip waited %1 ms").arg(took)));
        QVERIFY2(said.isEmpty() || r.err.contains(said.toUtf8()), r.err.constData());
        QCOMPARE(QString::fromStdString(tagsOfWav("one.wav").title), title);
        QCOMPARE(service.requests().size(), requests);
        for (const QString& request : service.requests())
            QVERIFY2(request.contains(" Wavelathe/"), qPrintable(request));
        // At most one request a second.
        const QStringList seen = service.requests();
        for (qsizetype i = 1; i < seen.size(); ++i)
            QVERIFY(seen[i].section(' ', 0, 0).toDouble() -
                        seen[i - 1].section(' ', 0, 0).toDouble() >
                    0.95);
        // The next track of the disc asks nothing: the answer, or the failure, is in the cache.
        QCOMPARE(runProgram(cddaTool(), {"/T", "2", "/F", "two", "/D", cue}, {}, 30000).status, 0);
        QCOMPARE(service.requests().size(), requests);
        qunsetenv("WAVELATHE_MUSICBRAINZ_URL");
    }

    // The names of a release reach the WAV whole, the chosen release over the first, and the
    // setting off asks nothing at all.
    void musicBrainzReleaseChosenAndSettingOff() {
        TestFolder folder;
        FakeService service("{\"discid/\": [" + jsonAnswer(200, kTwoReleases) + "]}");
        QVERIFY(service.running());
        qputenv("WAVELATHE_MUSICBRAINZ_URL", service.url().toLocal8Bit());
        const QString cue = writeDisc(folder.path(), "disc",
                                      {{sineSectors(20, 440), {}, false, "Sheet One"},
                                       {sineSectors(20, 550), {}},
                                       {sineSectors(20, 660), {}}});
        // Off (as every test folder starts): nothing is asked.
        QCOMPARE(runProgram(cddaTool(), {"/T", "1", "/F", "off", "/D", cue}).status, 0);
        QCOMPARE(service.requests().size(), 0);
        QCOMPARE(QString::fromStdString(tagsOfWav("off.wav").title), QString("Sheet One"));
        writeAll("config/Wavelathe/Wavelathe.ini", "[ripper]\nlookupdiscs=true\n");
        QCOMPARE(runProgram(cddaTool(), {"/T", "1", "/F", "first", "/D", cue}).status, 0);
        const Tags first = tagsOfWav("first.wav");
        QCOMPARE(QString::fromStdString(first.artist), QString("Bj\u00f6rk feat. Sigur R\u00f3s"));
        QCOMPARE(QString::fromStdString(first.album), QString("K\u00fcste"));
        QCOMPARE(first.albumArtist, std::string("Various Artists"));
        QCOMPARE(first.track, std::string("1/3"));
        QCOMPARE(first.year, std::string("2004"));
        QCOMPARE(first.releaseId, std::string("rel-1"));
        QCOMPARE(first.recordingId, std::string("rec-1"));
        QVERIFY(!first.discId.empty());
        // The MP3 carries them as Picard writes them, and Decode brings them back.
        const QString ffprobe = QStandardPaths::findExecutable("ffprobe");
        if (!ffprobe.isEmpty()) {
            QCOMPARE(runProgram(binDir() + "/BladeEnc", {"first.wav", "first.mp3", "-quit"}).status,
                     0);
            const Run tags = runProgram(ffprobe, {"-v", "error", "-show_entries", "format_tags",
                                                  "-of", "default=nw=1", "first.mp3"});
            for (const char* tag :
                 {"TAG:album_artist=Various Artists", "TAG:track=1/3", "TAG:date=2004",
                  "TAG:MusicBrainz Album Id=rel-1", "TAG:MusicBrainz Recording Id=rec-1"})
                QVERIFY2(tags.out.contains(tag), tags.out.constData());
            QCOMPARE(runProgram(binDir() + "/l3dec", {"first.mp3", "back.wav"}).status, 0);
            QVERIFY(tagsOfWav("back.wav") == first);
        }
        QVERIFY(chooseRelease(first.discId, "rel-2"));
        QCOMPARE(runProgram(cddaTool(), {"/T", "1", "/F", "second", "/D", cue}).status, 0);
        QCOMPARE(QString::fromStdString(tagsOfWav("second.wav").title), QString("First Street"));
        QCOMPARE(tagsOfWav("second.wav").year, std::string("2019"));
        QCOMPARE(service.requests().size(), 1);
        qunsetenv("WAVELATHE_MUSICBRAINZ_URL");
    }

    // With the service down, the rip says so at once and goes on with the sheet's names.
    void musicBrainzDown() {
        TestFolder folder;
        qputenv("WAVELATHE_MUSICBRAINZ_URL", "http://127.0.0.1:1");
        writeAll("config/Wavelathe/Wavelathe.ini", "[ripper]\nlookupdiscs=true\n");
        const QString cue =
            writeDisc(folder.path(), "disc", {{sineSectors(20, 440), {}, false, "Sheet One"}});
        const Run r = runProgram(cddaTool(), {"/T", "1", "/F", "one", "/D", cue}, {}, 20000);
        qunsetenv("WAVELATHE_MUSICBRAINZ_URL");
        QVERIFY2(r.status == 0 && r.err.contains("names not looked up: cannot connect"),
                 r.err.constData());
        QCOMPARE(QString::fromStdString(tagsOfWav("one.wav").title), QString("Sheet One"));
    }

    // A drive's read offset is corrected to the sample: a forced offset on an image gives each
    // track's samples shifted by exactly that, with silence beyond the disc's edges.
    void readOffsetCorrected_data() {
        QTest::addColumn<int>("offset");
        QTest::newRow("+6") << 6;
        QTest::newRow("-30") << -30;
        QTest::newRow("+667") << 667;
    }
    void readOffsetCorrected() {
        QFETCH(int, offset);
        TestFolder folder;
        const QString cue = writeDisc(folder.path(), "disc", kThreeTracks);
        QByteArray whole;
        for (const DiscTrack& t : kThreeTracks)
            whole += t.pcm;
        qputenv("WAVELATHE_READ_OFFSET", QByteArray::number(offset));
        qint64 start = 0;
        for (int t = 1; t <= 3; ++t) {
            const qint64 size = kThreeTracks[t - 1].pcm.size();
            const Run r =
                runProgram(cddaTool(), {"/T", QString::number(t), "/F", "x", "/O", "/D", cue});
            QVERIFY2(r.status == 0, r.err.constData());
            const QString said =
                QString("read offset %1%2 samples (forced)").arg(offset > 0 ? "+" : "").arg(offset);
            QVERIFY2(r.err.contains(said.toUtf8()), r.err.constData());
            // The track's bytes, offset samples later, silence outside the disc.
            QByteArray expected(size, '\0');
            for (qint64 i = 0; i < size; ++i) {
                const qint64 at = start + i + 4 * offset;
                if (at >= 0 && at < whole.size())
                    expected[i] = whole[at];
            }
            QVERIFY2(pcmOf("x.wav") == expected, qPrintable(QString("track %1").arg(t)));
            start += size;
        }
        qunsetenv("WAVELATHE_READ_OFFSET");
        const Run exact = runProgram(cddaTool(), {"/T", "2", "/F", "y", "/D", cue});
        QVERIFY2(exact.err.contains("read offset 0 samples (disc image)"), exact.err.constData());
        QCOMPARE(pcmOf("y.wav"), kThreeTracks[1].pcm);
    }

    // The disc's AccurateRip names, against the database's published example.
    void accurateRipDiscId() {
        // "4+96+2D2B+6256+B327+D84A": four audio tracks, starts and lead-out with the lead-in.
        DiscToc toc;
        int number = 1;
        for (int start : {0x96, 0x2D2B, 0x6256, 0xB327})
            toc.tracks.push_back({number++, true, start - 150});
        toc.leadout = 0xD84A - 150;
        QCOMPARE(QString::fromStdString(accurateRipDisc(toc).entryPath()),
                 QString("a/9/8/dBAR-004-0002189a-00087f33-1f02e004.bin"));
    }

    // After each track, the database's word on it, against a server of the test's own that
    // serves entries the test builds itself; a rip is never held back or failed by it.
    void accurateRipVerdicts_data() {
        QTest::addColumn<QString>("entry");    // "v2:7", "v1:3", "altered", "404", ...
        QTest::addColumn<QStringList>("said"); // per track
        QTest::newRow("every track of pressing 2, v2")
            << "v2:7"
            << QStringList{"accurately ripped (confidence 7, v2)",
                           "accurately ripped (confidence 7, v2)",
                           "accurately ripped (confidence 7, v2)"};
        QTest::newRow("only v1") << "v1:3"
                                 << QStringList{"accurately ripped (confidence 3, v1)",
                                                "accurately ripped (confidence 3, v1)",
                                                "accurately ripped (confidence 3, v1)"};
        QTest::newRow("one track altered")
            << "altered"
            << QStringList{"accurately ripped (confidence 7, v2)",
                           "not accurate (the database has 2 other pressings)",
                           "accurately ripped (confidence 7, v2)"};
        QTest::newRow("disc unknown")
            << "404" << QStringList(3, "disc not in the AccurateRip database");
        QTest::newRow("truncated")
            << "truncated" << QStringList(3, "not checked: the database's entry is cut off");
        QTest::newRow("garbage") << "garbage"
                                 << QStringList(
                                        3, "not checked: the database's entry is not of this disc");
        QTest::newRow("server down")
            << "down" << QStringList(3, "not checked: cannot connect to the server");
        QTest::newRow("no answer")
            << "silent" << QStringList(3, "not checked: the server did not answer in time");
    }
    void accurateRipVerdicts() {
        QFETCH(QString, entry);
        QFETCH(QStringList, said);
        TestFolder folder;
        const QList<DiscTrack> disc = {
            {sineSectors(20, 440), {}}, {sineSectors(20, 550), {}}, {sineSectors(20, 660), {}}};
        const QString cue = writeDisc(folder.path(), "disc", disc);
        // Our own sums, learnt from a rip that asks nothing (they are pinned by checksums()).
        QList<quint32> v1, v2;
        for (int t = 1; t <= 3; ++t) {
            const Run r =
                runProgram(cddaTool(), {"/T", QString::number(t), "/F", "x", "/O", "/D", cue});
            const QString sums = QString::fromUtf8(r.err).section("AccurateRip v1 ", 1);
            v1 << sums.left(8).toUInt(nullptr, 16);
            v2 << sums.section("v2 ", 1).left(8).toUInt(nullptr, 16);
        }
        // The database's names of this disc, worked out here: track starts 0, 20 and 40,
        // lead-out 60; the freedb ID from the starts' seconds with the lead-in.
        const quint32 id1 = 0 + 20 + 40 + 60, id2 = 1 * 1 + 20 * 2 + 40 * 3 + 60 * 4;
        const quint32 freedb = quint32(2 + 2 + 2) << 24 | 0 << 8 | 3;
        auto le = [](quint32 v) {
            QByteArray b(4, 0);
            qToLittleEndian(v, b.data());
            return b;
        };
        auto pressing = [&](int confidence, const QList<quint32>& sums) {
            QByteArray p = QByteArray(1, char(3)) + le(id1) + le(id2) + le(freedb);
            for (quint32 s : sums)
                p += QByteArray(1, char(confidence)) + le(s) + le(0);
            return p;
        };
        const QList<quint32> other{0x11111111, 0x22222222, 0x33333333};
        QByteArray body, answer;
        if (entry == "v2:7")
            body = pressing(2, other) + pressing(7, v2);
        else if (entry == "v1:3")
            body = pressing(3, v1);
        else if (entry == "altered")
            body = pressing(2, other) + pressing(7, {v2[0], v2[1] ^ 1, v2[2]});
        else if (entry == "truncated")
            body = pressing(7, v2).left(20);
        else if (entry == "garbage")
            body = QByteArray("<html>not here</html>");
        if (entry == "404")
            answer = jsonAnswer(404, "no");
        else if (entry == "silent")
            answer = jsonAnswer(200, "", R"(, "delay": 60)");
        else
            answer = "{\"status\": 200, \"body64\": \"" + body.toBase64() + "\"}";
        FakeService service("{\"dBAR-003-\": [" + answer + "]}");
        QVERIFY(service.running());
        qputenv("WAVELATHE_ACCURATERIP_URL",
                entry == "down" ? QByteArray("http://127.0.0.1:1") : service.url().toLocal8Bit());
        qputenv("WAVELATHE_MUSICBRAINZ_URL", "http://127.0.0.1:1");
        writeAll("config/Wavelathe/Wavelathe.ini", "[ripper]\nlookupdiscs=true\n");
        for (int t = 1; t <= 3; ++t) {
            const Run r =
                runProgram(cddaTool(), {"/T", QString::number(t), "/F", "x", "/O", "/D", cue});
            QVERIFY2(r.status == 0, r.err.constData());
            QVERIFY2(r.err.contains("AccurateRip: " + said[t - 1].toUtf8()), r.err.constData());
        }
        qunsetenv("WAVELATHE_ACCURATERIP_URL");
        qunsetenv("WAVELATHE_MUSICBRAINZ_URL");
        // The entry was fetched once for the three tracks.
        if (entry != "down")
            QCOMPARE(service.requests().filter("dBAR-003-00000078-00000191-06000003.bin").size(),
                     1);
    }

    // A drive's read offset: the user's setting for it, else AccurateRip's list of drives
    // (fetched once, kept), else not known; a list that is cut off or holds nonsense is none.
    void driveReadOffsets() {
        TestFolder folder;
        auto record = [](int offset, const QByteArray& name) {
            QByteArray r(69, '\0');
            qToLittleEndian(qint16(offset), r.data());
            r.replace(2, name.size(), name);
            return r.left(69);
        };
        const QByteArray list = record(667, "PIONEER  - BD-RW  BDR-S12U") +
                                record(6, "HL-DT-ST - DVDRAM GH24NSD1") + record(-30, "- NOVENDOR");
        const auto parsed = parseDriveOffsets(list.toStdString());
        QVERIFY(parsed);
        QCOMPARE(listedOffset(*parsed, "pioneer", "BD-RW BDR-S12U"), std::optional<int>(667));
        QCOMPARE(listedOffset(*parsed, "HL-DT-ST", "DVDRAM GH24NSD1 "), std::optional<int>(6));
        QCOMPARE(listedOffset(*parsed, "", "NOVENDOR"), std::optional<int>(-30));
        QVERIFY(!listedOffset(*parsed, "PIONEER", "BDR-S12"));
        QCOMPARE(QString::fromStdString(parseDriveOffsets(list.left(100).toStdString()).error()),
                 QString("the drive list is cut off"));
        QVERIFY(!parseDriveOffsets(record(30000, "X - Y").toStdString()));
        QVERIFY(!parseDriveOffsets(std::string()));

        FakeService service("{\"DriveOffsets.bin\": [{\"status\": 200, \"body64\": \"" +
                            list.toBase64() + "\"}]}");
        QVERIFY(service.running());
        qputenv("WAVELATHE_ACCURATERIP_URL", service.url().toLocal8Bit());
        auto offsetOf = [](const char* vendor, const char* model) {
            return QString::fromStdString(driveReadOffset(vendor, model).describe());
        };
        writeAll("config/Wavelathe/Wavelathe.ini", "[ripper]\nlookupdiscs=false\n");
        QCOMPARE(offsetOf("PIONEER", "BD-RW  BDR-S12U"), QString("read offset unknown: 0 used"));
        writeAll("config/Wavelathe/Wavelathe.ini",
                 "[ripper]\nlookupdiscs=true\n[readoffsets]\nhl_dt_st_dvdram_gh24nsd1=+48\n"
                 "pioneer_bd_rw_bdr_s12u=lots\n");
        QCOMPARE(offsetOf("HL-DT-ST", "DVDRAM GH24NSD1"),
                 QString("read offset +48 samples (your setting)"));
        QCOMPARE(offsetOf("PIONEER", "BD-RW  BDR-S12U"),
                 QString("read offset +667 samples (AccurateRip drive list)"));
        QCOMPARE(offsetOf("TEAC", "CD-W552E"), QString("read offset unknown: 0 used"));
        QCOMPARE(service.requests().filter("DriveOffsets.bin").size(), 1);
        qputenv("WAVELATHE_ACCURATERIP_URL", "http://127.0.0.1:1");
        QCOMPARE(offsetOf("PIONEER", "BD-RW  BDR-S12U"),
                 QString("read offset +667 samples (AccurateRip drive list)"));
        qunsetenv("WAVELATHE_ACCURATERIP_URL");
        QCOMPARE(QString::fromStdString(driveKey("PIONEER", "BD-RW  BDR-S12U")),
                 QString("pioneer_bd_rw_bdr_s12u"));
    }

    // An Enhanced CD's data track is not the database's: its audio ends 11400 sectors before
    // the data starts, for AccurateRip as for MusicBrainz.
    void enhancedCdDiscId() {
        DiscToc toc;
        toc.tracks = {{1, true, 0}, {2, true, 20000}, {3, false, 60000}};
        toc.leadout = 90000;
        DiscToc audio = toc;
        audio.tracks.pop_back();
        audio.leadout = 60000 - 11400;
        const AccurateRipDisc enhanced = accurateRipDisc(toc), plain = accurateRipDisc(audio);
        QCOMPARE(enhanced.audioTracks, 2);
        QCOMPARE(enhanced.id1, plain.id1);
        QCOMPARE(enhanced.id2, plain.id2);
        QVERIFY(enhanced.freedb != plain.freedb); // freedb counts the data track
        QCOMPARE(enhanced.freedb & 0xFF, 3u);
    }

    // A log tells a track that failed, and one it has no record of, from one ripped, and says
    // so in its summary (a track without a record is not called failed: it may not have);
    // the sheet names only the WAVs there are.
    void ripLogOfFailures() {
        cdda::RipDisc disc;
        disc.freedbId = "0a000a03";
        disc.tracks = {{1, 0, ""}, {2, 0, ""}, {3, 0, "GBAYE0601477"}};
        cdda::TrackRecord one, two;
        one.track = 1;
        one.file = "Track01.wav";
        one.frames = 588 * 75 * 61;
        one.peak = 32768;
        one.verdict = "accurately ripped (confidence 4, v2)";
        two.track = 3;
        two.file = "Track03.wav";
        two.failure = "3 sectors could not be read even after correction; no file written";
        const QString log = QString::fromStdString(cdda::ripLog(disc, {1, 2, 3}, {one, two}));
        QVERIFY2(log.contains("Track 1\n  File: Track01.wav\n  Length: 1:01.00 (2690100 samples)\n"
                              "  Peak level: 100.0 %"),
                 qPrintable(log));
        QVERIFY(log.contains("Track 2\n  No record of its rip"));
        QVERIFY(
            log.contains("Track 3\n  File: Track03.wav\n  Failed: 3 sectors could not be read"));
        QVERIFY(log.endsWith(
            "Summary: 1 track ripped, 1 failed, 1 without a record, 1 accurate, track 3 not\n"));
        const std::string cue = cdda::cueSheet(disc, {one, two});
        QVERIFY(cue.find("Track01.wav") != std::string::npos);
        QVERIFY(cue.find("Track03.wav") == std::string::npos);
    }

    // A release's parts that are not what they should be never break a rip's names.
    void musicBrainzAnswersAreUntrusted_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("releases");
        QTest::newRow("not JSON") << QByteArray("<html>") << -1;
        QTest::newRow("no releases") << QByteArray(R"({"id": "x"})") << -1;
        QTest::newRow("releases not a list") << QByteArray(R"({"releases": 3})") << -1;
        QTest::newRow("wrong types everywhere")
            << QByteArray(R"({"releases": [1, {"id": 2, "media": [{"track-count": "3",
               "tracks": [{"position": "1"}]}, {"track-count": 3, "tracks": [{"position": 1,
               "title": 7, "artist-credit": "x", "recording": []}]}]}]})")
            << 1;
        QTest::newRow("no medium of the disc")
            << QByteArray(R"({"releases": [{"id": "r", "media": [{"track-count": 9}]}]})") << 0;
    }
    void musicBrainzAnswersAreUntrusted() {
        QFETCH(QByteArray, body);
        QFETCH(int, releases);
        const auto parsed = parseReleases(body.toStdString(), "disc", 3);
        QCOMPARE(parsed ? int(parsed->size()) : -1, releases);
    }

    // The copy CRC is the CRC-32 of zip: its check value over "123456789" is CBF43926.
    void crcCheckValue() {
        cdda::TrackChecksums sums(2, false, false);
        sums.add(reinterpret_cast<const unsigned char*>("123456789"), 9);
        QCOMPARE(sums.crc32(), 0xCBF43926u);
    }

    // The MusicBrainz disc ID: a published example, and others against the definition (SHA-1
    // of the hexadecimal table of contents, in base64 with "._-" for "+/=").
    void discIds_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<QList<int>>("offsets"); // lead-out first
        QTest::addColumn<QString>("id");
        QTest::newRow("published example")
            << 1 << QList<int>{95462, 150, 15363, 32314, 46592, 63414, 80489}
            << "49HHV7Eb8UKF3aQiNmu1GR8vKTY-";
        QTest::newRow("one track") << 1 << QList<int>{30150, 150} << "";
        QTest::newRow("starts at track 3") << 3 << QList<int>{200000, 150, 40000, 90000} << "";
    }
    void discIds() {
        QFETCH(int, first);
        QFETCH(QList<int>, offsets);
        QFETCH(QString, id);
        const int last = first + static_cast<int>(offsets.size()) - 2;
        int table[100] = {};
        table[0] = offsets[0];
        for (int t = first; t <= last; ++t)
            table[t] = offsets[t - first + 1];
        if (id.isEmpty()) {
            QByteArray hex = QByteArray::number(first, 16).rightJustified(2, '0') +
                             QByteArray::number(last, 16).rightJustified(2, '0');
            for (int i = 0; i < 100; ++i)
                hex += QByteArray::number(table[i], 16).rightJustified(8, '0');
            id = QString::fromLatin1(
                QCryptographicHash::hash(hex.toUpper(), QCryptographicHash::Sha1)
                    .toBase64()
                    .replace('+', '.')
                    .replace('/', '_')
                    .replace('=', '-'));
        }
        const DiscIdentity disc = musicBrainzDiscId(first, last, table);
        QCOMPARE(QString::fromStdString(disc.id), id);
        QStringList toc{QString::number(first), QString::number(last)};
        for (int o : offsets)
            toc << QString::number(o);
        QCOMPARE(QString::fromStdString(disc.toc), toc.join(' '));
        QVERIFY(musicBrainzDiscId(3, 2, table).id.empty());
    }

    void outputNames() {
        cdda::Options o;
        o.track = 7;
        QCOMPARE(cdda::outputName(o), std::string("Track07.wav"));
        o.name = "Track1";
        QCOMPARE(cdda::outputName(o), std::string("Track1.wav"));
        o.name = "song.WAV";
        QCOMPARE(cdda::outputName(o), std::string("song.WAV"));
        o.name = "dir.x/name";
        QCOMPARE(cdda::outputName(o), std::string("dir.x/name.wav"));
    }
};

QTEST_GUILESS_MAIN(TestCdda)
#include "tst_cdda.moc"
