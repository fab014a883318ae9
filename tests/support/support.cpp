// SPDX-License-Identifier: GPL-3.0-or-later
#include "support.h"

#include <QCoreApplication>
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

} // namespace wl::test
