// SPDX-License-Identifier: GPL-3.0-or-later
// Shared test pieces: a recording host, a private current folder and settings folder per test,
// and helpers to run programs and read files.
#pragma once
#include "host.h"

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QMap>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace wl::test {

// Records every call; scripts are really written (into the test's own current folder).
class FakeHost : public Host {
  public:
    struct Message {
        QString prompt;
        int flags;
        QString title;
    };
    QList<std::pair<QString, int>> commands;
    QList<Message> messages;
    QStringList links;
    // "section/key" -> value; the suite never reaches the internet: no disc is looked up
    // unless a test says so.
    QMap<QString, QString> store{{"ripper/lookupdiscs", "false"}};
    QStringList saves;            // values in the order they were saved
    int reads = 0;

    void RunCommand(const QString& commandLine, int style) override {
        commands.append({commandLine, style});
    }
    void ShowMessage(const QString& prompt, int flags, const QString& title) override {
        messages.append({prompt, flags, title});
    }
    QString ReadSetting(const QString&, const QString& section, const QString& key,
                        const QString& def) override {
        ++reads;
        return store.value(section + "/" + key, def);
    }
    void SaveSetting(const QString&, const QString& section, const QString& key,
                     const QString& value) override {
        store.insert(section + "/" + key, value);
        saves.append(value);
    }
    void OpenLink(const QString& target) override { links.append(target); }
};

// A fresh temporary folder made the current folder, with XDG_CONFIG_HOME (its settings say not to
// look discs up online), XDG_DATA_HOME (the Trash) and XDG_CACHE_HOME inside it; the old
// current folder comes back on destruction.
class TestFolder {
  public:
    TestFolder();
    ~TestFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    // A file of that name in the test's Trash.
    QString trashed(const QString& name) const { return dir_.filePath("data/Trash/files/" + name); }

  private:
    QTemporaryDir dir_;
    QString previous_;
};

QByteArray readAll(const QString& path);
// A little-endian field of a file's bytes (0 past the end).
quint32 le16At(const QByteArray& bytes, int offset);
quint32 le32At(const QByteArray& bytes, int offset);
void writeAll(const QString& path, const QByteArray& bytes);
// The folder holding the built programs (build/bin).
QString binDir();

struct Run {
    int status = -1;
    QByteArray out, err;
};
// Runs a program with arguments in a folder, without a terminal, within a time bound.
Run runProgram(const QString& program, const QStringList& args, const QString& workdir = QString(),
               int timeoutMs = 60000);

// Writes a 16-bit PCM WAV of a sine (or silence) for tests.
void writeWav(const QString& path, int rate, int channels, double seconds, int bits = 16,
              bool isFloat = false, double frequency = 440.0);

} // namespace wl::test

namespace wl::test {

// One track of a generated disc image: raw 16-bit stereo little-endian PCM (whole sectors of
// 2352 bytes), an optional INDEX 00 pregap before it, or a data track.
struct DiscTrack {
    QByteArray pcm;
    QByteArray pregap;
    bool data = false;
    QString title = {}; // a TITLE line in the sheet
};

// Writes base.bin and base.cue in folder; returns the .cue path. An album title and performer
// go into the sheet's head.
QString writeDisc(const QString& folder, const QString& base, const QList<DiscTrack>& tracks,
                  const QString& album = {}, const QString& performer = {});

// Sectors of distinct audio: a sine, or a low square wave (the content that fools byte-order
// guessing).
QByteArray sineSectors(int sectors, double frequency);
QByteArray squareSectors(int sectors);

// A web service of the test's own (tests/support/fake_service.py) on 127.0.0.1.
class FakeService {
  public:
    // answers: {"ROUTE": [ANSWER, ...]}, as fake_service.py takes them.
    explicit FakeService(const QByteArray& answers);
    ~FakeService();
    QString url() const { return "http://127.0.0.1:" + QString::number(port_); }
    bool running() const { return port_ > 0; }
    // "TIME PATH USER-AGENT" for each request so far.
    QStringList requests() const;

  private:
    QProcess* process_;
    int port_ = 0;
};

// One answer of a fake service: {"status": STATUS, "body": BODY, ...extra}.
QByteArray jsonAnswer(int status, const QByteArray& body, const QByteArray& extra = {});

// The web service's answer for a three-track disc with two releases: a compilation with
// names beyond ASCII ("Erste Straße" by "Björk feat. Sigur Rós", 2004) and a reissue ("First
// Street", 2019).
extern const QByteArray kTwoReleases;

} // namespace wl::test
