// SPDX-License-Identifier: GPL-3.0-or-later
#include "support.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QProcess>
#include <QtEndian>
#include <cmath>

namespace wl::test {

TestFolder::TestFolder() : previous_(QDir::currentPath()) {
    QDir::setCurrent(dir_.path());
    QDir(dir_.path()).mkdir("config");
    qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toLocal8Bit());
    // Replaced files go to a Trash of the test's own, answers to a cache of its own.
    qputenv("XDG_DATA_HOME", dir_.filePath("data").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", dir_.filePath("cache").toLocal8Bit());
    // And a session's runtime folder (the user's alone) of its own.
    QDir(dir_.path()).mkdir("runtime");
    QFile::setPermissions(dir_.filePath("runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", dir_.filePath("runtime").toLocal8Bit());
    // The suite never reaches the internet: no rip looks its disc up, unless a test of the
    // lookups turns it on against a server of its own.
    QDir(dir_.path()).mkpath("config/Wavelathe");
    writeAll(dir_.filePath("config/Wavelathe/Wavelathe.ini"), "[ripper]\nlookupdiscs=false\n");
}

TestFolder::~TestFolder() { QDir::setCurrent(previous_); }

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 le16At(const QByteArray& b, int at) {
    if (at < 0 || at + 2 > b.size())
        return 0;
    return static_cast<quint8>(b[at]) | static_cast<quint8>(b[at + 1]) << 8;
}

quint32 le32At(const QByteArray& b, int at) {
    if (at < 0 || at + 4 > b.size())
        return 0;
    return le16At(b, at) | le16At(b, at + 2) << 16;
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QString binDir() { return QCoreApplication::applicationDirPath(); }

Run runProgram(const QString& program, const QStringList& args, const QString& workdir,
               int timeoutMs) {
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    if (!workdir.isEmpty())
        p.setWorkingDirectory(workdir);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start();
    Run r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = "timed out";
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : 128;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

void writeWav(const QString& path, int rate, int channels, double seconds, int bits, bool isFloat,
              double frequency) {
    const qint64 frames = static_cast<qint64>(rate * seconds);
    const int bytesPer = bits / 8;
    QByteArray data;
    data.reserve(static_cast<qsizetype>(frames * channels * bytesPer));
    for (qint64 i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double v =
                0.5 * std::sin(2 * M_PI * frequency * (c + 1) * static_cast<double>(i) / rate);
            if (isFloat && bits == 32) {
                const float f = static_cast<float>(v);
                data.append(reinterpret_cast<const char*>(&f), 4);
            } else if (isFloat) {
                data.append(reinterpret_cast<const char*>(&v), 8);
            } else if (bits == 8) {
                data.append(static_cast<char>(static_cast<int>(128 + v * 127)));
            } else {
                const qint32 s = static_cast<qint32>(v * ((1 << (bits - 1)) - 1));
                const qint32 le = qToLittleEndian(s);
                data.append(reinterpret_cast<const char*>(&le), bytesPer);
            }
        }
    }
    QByteArray h;
    auto u32 = [&h](quint32 v) {
        v = qToLittleEndian(v);
        h.append(reinterpret_cast<const char*>(&v), 4);
    };
    auto u16 = [&h](quint16 v) {
        v = qToLittleEndian(v);
        h.append(reinterpret_cast<const char*>(&v), 2);
    };
    h.append("RIFF");
    u32(static_cast<quint32>(36 + data.size()));
    h.append("WAVEfmt ");
    u32(16);
    u16(isFloat ? 3 : 1);
    u16(static_cast<quint16>(channels));
    u32(static_cast<quint32>(rate));
    u32(static_cast<quint32>(rate * channels * bytesPer));
    u16(static_cast<quint16>(channels * bytesPer));
    u16(static_cast<quint16>(bits));
    h.append("data");
    u32(static_cast<quint32>(data.size()));
    writeAll(path, h + data);
}

} // namespace wl::test

namespace wl::test {

namespace {
QString msf(qint64 bytes) {
    const qint64 frames = bytes / 2352;
    return QString::asprintf("%02lld:%02lld:%02lld", frames / 75 / 60, frames / 75 % 60,
                             frames % 75);
}
} // namespace

QString writeDisc(const QString& folder, const QString& base, const QList<DiscTrack>& tracks,
                  const QString& album, const QString& performer) {
    QByteArray bin;
    QString cue;
    if (!performer.isEmpty())
        cue += "PERFORMER \"" + performer + "\"\n";
    if (!album.isEmpty())
        cue += "TITLE \"" + album + "\"\n";
    cue += "FILE \"" + base + ".bin\" BINARY\n";
    for (int i = 0; i < tracks.size(); ++i) {
        const DiscTrack& t = tracks[i];
        cue += QString::asprintf("  TRACK %02d %s\n", i + 1, t.data ? "MODE1/2352" : "AUDIO");
        if (!t.title.isEmpty())
            cue += "    TITLE \"" + t.title + "\"\n";
        if (!t.pregap.isEmpty()) {
            cue += "    INDEX 00 " + msf(bin.size()) + "\n";
            bin += t.pregap;
        }
        cue += "    INDEX 01 " + msf(bin.size()) + "\n";
        bin += t.pcm;
    }
    writeAll(folder + "/" + base + ".bin", bin);
    writeAll(folder + "/" + base + ".cue", cue.toUtf8());
    return folder + "/" + base + ".cue";
}

QByteArray sineSectors(int sectors, double frequency) {
    QByteArray out;
    const int frames = sectors * 588;
    for (int i = 0; i < frames; ++i) {
        const qint16 l = qToLittleEndian(
            static_cast<qint16>(12000 * std::sin(2 * M_PI * frequency * i / 44100)));
        const qint16 r = qToLittleEndian(
            static_cast<qint16>(9000 * std::sin(2 * M_PI * frequency * 1.5 * i / 44100)));
        out.append(reinterpret_cast<const char*>(&l), 2);
        out.append(reinterpret_cast<const char*>(&r), 2);
    }
    return out;
}

QByteArray squareSectors(int sectors) {
    QByteArray out;
    const int frames = sectors * 588;
    for (int i = 0; i < frames; ++i) {
        const qint16 v = qToLittleEndian(static_cast<qint16>((i / 441) % 2 ? 1000 : -1000));
        out.append(reinterpret_cast<const char*>(&v), 2);
        out.append(reinterpret_cast<const char*>(&v), 2);
    }
    return out;
}

FakeService::FakeService(const QByteArray& answers) : process_(new QProcess) {
    writeAll("answers.json", answers);
    process_->start("python3", {QString(WL_SOURCE_DIR) + "/tests/support/fake_service.py",
                                "answers.json", "requests.log"});
    if (process_->waitForReadyRead(10000))
        port_ = process_->readLine().trimmed().toInt();
    if (port_ <= 0)
        qWarning() << "the fake service did not start:" << process_->errorString()
                   << process_->readAllStandardError();
}

FakeService::~FakeService() {
    process_->kill();
    process_->waitForFinished(5000);
    delete process_;
}

QStringList FakeService::requests() const {
    return QString::fromUtf8(readAll("requests.log")).split('\n', Qt::SkipEmptyParts);
}

QByteArray jsonAnswer(int status, const QByteArray& body, const QByteArray& extra) {
    const QByteArray quoted = QJsonDocument(QJsonArray{QString::fromUtf8(body)})
                                  .toJson(QJsonDocument::Compact)
                                  .mid(1)
                                  .chopped(1);
    return "{\"status\": " + QByteArray::number(status) + ", \"body\": " + quoted + extra + "}";
}

const QByteArray kTwoReleases = R"json({"releases": [
 {"id": "rel-1", "title": "K\u00fcste", "date": "2004-05-06", "country": "DE",
  "artist-credit": [{"name": "Various Artists", "joinphrase": ""}],
  "media": [{"position": 1, "track-count": 3, "tracks": [
   {"position": 1, "number": "1", "title": "Erste Stra\u00dfe", "recording": {"id": "rec-1"},
    "artist-credit": [{"name": "Bj\u00f6rk", "joinphrase": " feat. "}, {"name": "Sigur R\u00f3s"}]},
   {"position": 2, "number": "2", "title": "Zweite", "recording": {"id": "rec-2"},
    "artist-credit": [{"name": "Anna"}]},
   {"position": 3, "number": "3", "title": "Dritte", "recording": {"id": "rec-3"},
    "artist-credit": [{"name": "Ben"}]}]}]},
 {"id": "rel-2", "title": "K\u00fcste, reissued", "date": "2019", "country": "GB",
  "artist-credit": [{"name": "Various Artists"}],
  "media": [{"position": 1, "track-count": 3, "tracks": [
   {"position": 1, "title": "First Street", "recording": {"id": "rec-1"},
    "artist-credit": [{"name": "Bj\u00f6rk"}]},
   {"position": 2, "title": "Second", "recording": {"id": "rec-2"}},
   {"position": 3, "title": "Third", "recording": {"id": "rec-3"}}]}]}]})json";

} // namespace wl::test
