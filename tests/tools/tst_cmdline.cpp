// SPDX-License-Identifier: GPL-3.0-or-later
// The job-line grammar and the job interpreter run on real scripts.
#include "cmdline.h"
#include "launch.h"
#include "support.h"

#include <QFile>
#include <QTest>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace wl;
using namespace wl::test;

class TestCmdline : public QObject {
    Q_OBJECT

    static QStringList words(const QByteArray& line) {
        QStringList out;
        const auto w =
            tokenizeLine(std::string_view(line.constData(), static_cast<size_t>(line.size())));
        if (!w)
            return {"<refused>"};
        for (const std::string& s : *w)
            out << QString::fromStdString(s);
        return out;
    }

    // Copies the interpreter and the recorder (under the given name) into the test folder.
    static QString stage(const TestFolder& folder, const QString& asName) {
        QFile::copy(binDir() + "/wavelathe-cmd", folder.file("wavelathe-cmd"));
        if (!asName.isEmpty())
            QFile::copy(binDir() + "/argv_recorder", folder.file(asName));
        return folder.file("wavelathe-cmd");
    }

  private slots:
    void tokenize_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("blanks-collapse")
            << QByteArray("BladeEnc  a.wav  b.mp3 -br 128000")
            << QStringList{"BladeEnc", "a.wav", "b.mp3", "-br", "128000"};
        QTest::newRow("trailing-blank")
            << QByteArray("BladeEnc a  b -dm ") << QStringList{"BladeEnc", "a", "b", "-dm"};
        QTest::newRow("program-ends-at-slash")
            << QByteArray("CDDA/T 5 /F Track1 /O")
            << QStringList{"CDDA", "/T", "5", "/F", "Track1", "/O"};
        QTest::newRow("quoted-blank")
            << QByteArray("x \"my music/a b.wav\" y") << QStringList{"x", "my music/a b.wav", "y"};
        QTest::newRow("doubled-quote")
            << QByteArray("x \"say \"\"hi\"\"\"") << QStringList{"x", "say \"hi\""};
        QTest::newRow("quotes-glue") << QByteArray("x a\"b c\"d") << QStringList{"x", "ab cd"};
        QTest::newRow("empty-quoted") << QByteArray("x \"\" y") << QStringList{"x", "", "y"};
        QTest::newRow("nothing-else-special")
            << QByteArray("x $(touch y);|&>z *.wav %PATH%")
            << QStringList{"x", "$(touch", "y);|&>z", "*.wav", "%PATH%"};
        QTest::newRow("slash-inside-argument")
            << QByteArray("BladeEnc -128 /m/*.wav") << QStringList{"BladeEnc", "-128", "/m/*.wav"};
        QTest::newRow("blank-line") << QByteArray("   ") << QStringList{};
        QTest::newRow("nul-refused") << QByteArray("x a\0b", 5) << QStringList{"<refused>"};
        QTest::newRow("line-break-refused") << QByteArray("x a\nb") << QStringList{"<refused>"};
    }
    void tokenize() {
        QFETCH(QByteArray, line);
        QFETCH(QStringList, expected);
        QCOMPARE(words(line), expected);
    }

    void quoteRoundTrips_data() {
        QTest::addColumn<QString>("word");
        for (const char* w :
             {"plain", "with blank", "tab\there", "q\"uote", "\"", "\"\"", "a;rm -rf ~.wav",
              "$(reboot).wav", "trailing.", "-lead", "\xc3\xa9t\xc3\xa9 \xe2\x99\xab.wav"})
            QTest::newRow(w) << QString::fromUtf8(w);
    }
    void quoteRoundTrips() {
        QFETCH(QString, word);
        const std::string w = word.toStdString();
        const std::string quoted = quoteWord(w);
        if (word.contains(' ') || word.contains('\t') || word.contains('"'))
            QVERIFY(quoted.front() == '"');
        else
            QCOMPARE(quoted, w);
        const auto back = tokenizeLine("p " + quoted);
        QVERIFY(back && back->size() == 2);
        QCOMPARE(QString::fromStdString((*back)[1]), word);
    }

    void scriptLinesDropCr() {
        const auto lines = scriptLines("a b\r\nc\n\r\nd");
        QCOMPARE(lines.size(), size_t(4));
        QCOMPARE(std::string(lines[0]), std::string("a b"));
        QCOMPARE(std::string(lines[2]), std::string(""));
        QCOMPARE(std::string(lines[3]), std::string("d"));
    }

    // The interpreter hands the program exactly the argument vector, never through a shell.
    void interpreterRunsLiteralArguments() {
        TestFolder folder;
        const QString cmd = stage(folder, "rec");
        writeAll("job.bat", "rec  \"my file.wav\"  $(touch pwned);|&>x `id` \"a\"\"b\" -dm "
                            "\r\nrec/T 5 /F Track1 /O\r\n");
        const Run r = runProgram(cmd, {"job.bat"}, folder.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(QString::fromUtf8(readAll("argv.txt")),
                 QString("rec\nmy "
                         "file.wav\n$(touch\npwned);|&>x\n`id`\na\"b\n-dm\n--\nrec\n/T\n5\n/"
                         "F\nTrack1\n/O\n--\n"));
        QVERIFY(!QFile::exists("pwned"));
    }

    // Beside the interpreter first, then the current folder (only the programs job scripts call),
    // then PATH; only executable files.
    void lookupOrder() {
        TestFolder folder;
        QDir(folder.path()).mkdir("tools");
        QDir(folder.path()).mkdir("work");
        QFile::copy(binDir() + "/wavelathe-cmd", folder.file("tools/wavelathe-cmd"));
        // In the current folder: a recorder; beside the interpreter: a copy that is not executable.
        QFile::copy(binDir() + "/argv_recorder", folder.file("work/BladeEnc"));
        writeAll(folder.file("tools/BladeEnc"), "#!/bin/sh\nexit 3\n");
        writeAll(folder.file("work/job.bat"), "BladeEnc beside-or-here\r\n");
        auto run = [&] {
            return runProgram(folder.file("tools/wavelathe-cmd"), {"job.bat"}, folder.file("work"))
                .status;
        };
        QCOMPARE(run(), 0); // the non-executable file beside it does not count
        // Made executable, the one beside the interpreter wins.
        QFile::setPermissions(folder.file("tools/BladeEnc"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(run(), 3);
        // Any other program planted in the current folder is not started.
        QFile::remove(folder.file("work/argv.txt"));
        QFile::copy(binDir() + "/argv_recorder", folder.file("work/wl-planted"));
        writeAll(folder.file("work/job.bat"), "wl-planted x\r\n");
        QCOMPARE(run(), 127);
        QVERIFY(!QFile::exists(folder.file("work/argv.txt")));
        // PATH is searched last: "true" is found there.
        writeAll(folder.file("work/job.bat"), "true\r\n");
        QCOMPARE(run(), 0);
    }

    // Scripts that are not job scripts end with a message and status 1, in bounded memory.
    void scriptsThatAreNot() {
        TestFolder folder;
        QDir().mkdir("folder.bat");
        Run r = runProgram(binDir() + "/wavelathe-cmd", {"folder.bat"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("not a regular file"), r.err.constData());
        r = runProgram(binDir() + "/wavelathe-cmd", {"/dev/zero"});
        QCOMPARE(r.status, 1);
        writeAll("big.bat", QByteArray((1 << 20) + 1, ' '));
        r = runProgram(binDir() + "/wavelathe-cmd", {"big.bat"});
        QVERIFY2(r.status == 1 && r.err.contains("over 1 MiB"), r.err.constData());
        // A byte-order mark is not part of the program name.
        writeAll("bom.bat", "\xEF\xBB\xBFtrue\r\n");
        QCOMPARE(runProgram(binDir() + "/wavelathe-cmd", {"bom.bat"}).status, 0);
    }

    // Every tool answers --help and --version beside its own switches, and names a wrong
    // argument with a pointer to --help.
    void helpAndVersion_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("wrong");
        QTest::newRow("BladeEnc") << "BladeEnc"
                                  << "-V2";
        QTest::newRow("l3dec") << "l3dec"
                               << "-x";
        QTest::newRow("CDDA") << "CDDA"
                              << "/X";
        QTest::newRow("wavelathe-cmd") << "wavelathe-cmd"
                                       << "";
    }
    void helpAndVersion() {
        QFETCH(QString, tool);
        QFETCH(QString, wrong);
        TestFolder folder;
        Run r = runProgram(binDir() + "/" + tool, {"--help"});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.startsWith("usage: " + tool.toLatin1()) && r.out.contains("Exit status"),
                 r.out.constData());
        r = runProgram(binDir() + "/" + tool, {"--version"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, tool.toLatin1() + " (Wavelathe) 1.08\n");
        r = runProgram(binDir() + "/" + tool, wrong.isEmpty() ? QStringList{} : QStringList{wrong});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains("Try '" + tool.toLatin1() + " --help'"), r.err.constData());
        if (!wrong.isEmpty())
            QVERIFY2(r.err.contains("unknown switch") && r.err.contains(wrong.toLatin1()),
                     r.err.constData());
    }

    // The one spawn of the program, the job window and the interpreter: a program that cannot
    // start says why (waited for or detached), and with no descriptor left for a pipe a
    // detached start fails cleanly, leaking none.
    void spawnFailures() {
        for (bool detached : {false, true}) {
            Launch launch;
            launch.argv = {"/nonexistent/program"};
            launch.detached = detached;
            const auto r = spawn(launch);
            QVERIFY(!r);
            QCOMPARE(QString::fromStdString(r.error()), QString("No such file or directory"));
        }
        const int lowestFree = ::dup(0);
        ::close(lowestFree);
        rlimit old{};
        QVERIFY(::getrlimit(RLIMIT_NOFILE, &old) == 0);
        const rlimit none{static_cast<rlim_t>(lowestFree), old.rlim_max};
        QVERIFY(::setrlimit(RLIMIT_NOFILE, &none) == 0);
        Launch launch;
        launch.argv = {"/bin/true"};
        launch.detached = true; // needs a pipe for the grandchild's report
        const auto r = spawn(launch);
        launch.detached = false; // needs none
        const auto attached = spawn(launch);
        ::setrlimit(RLIMIT_NOFILE, &old);
        QVERIFY(!r);
        QCOMPARE(QString::fromStdString(r.error()), QString("Too many open files"));
        QVERIFY(attached);
        QCOMPARE(waitExit(*attached), 0);
        const int next = ::dup(0);
        ::close(next);
        QCOMPARE(next, lowestFree);
    }

    void notFoundAndLastStatus() {
        TestFolder folder;
        const QString cmd = stage(folder, "");
        writeAll("job.bat", "no-such-program-here a b\r\n");
        Run r = runProgram(cmd, {"job.bat"}, folder.path());
        QCOMPARE(r.status, 127);
        QVERIFY(r.err.contains("no-such-program-here: program not found"));
        writeAll("job.bat", "false\r\ntrue\r\n");
        QCOMPARE(runProgram(cmd, {"job.bat"}, folder.path()).status, 0);
        writeAll("job.bat", "true\nfalse\n");
        QCOMPARE(runProgram(cmd, {"job.bat"}, folder.path()).status, 1);
        QVERIFY(runProgram(cmd, {"missing.bat"}, folder.path()).err.contains("cannot read"));
    }

    // The whole script is read before its first line runs.
    void scriptRewrittenWhileRunning() {
        TestFolder folder;
        const QString cmd = stage(folder, "rec");
        writeAll("job.bat", "sh -c \"echo 'rec rewritten' > job.bat\"\r\nrec original\r\n");
        QCOMPARE(runProgram(cmd, {"job.bat"}, folder.path()).status, 0);
        QCOMPARE(readAll("argv.txt"), QByteArray("rec\noriginal\n--\n"));
    }
};

QTEST_GUILESS_MAIN(TestCmdline)
#include "tst_cmdline.moc"
