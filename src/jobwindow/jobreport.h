// SPDX-License-Identifier: GPL-3.0-or-later
// What a job told its window. The programs of a job only report (the progress channel and their
// messages for people); this keeps what they said and words it for the window's title, its
// outcome line and the notification. Nothing here shows anything.
#pragma once
#include "jobprotocol.h"

#include <QString>
#include <QStringList>

namespace wl {

class JobReport {
  public:
    // One line of the progress channel, or one line the programs wrote for people.
    void feed(const Update& update);
    void message(const QString& line);
    // The interpreter ended with this status; stopped: the user pressed Stop.
    void finish(int status, bool stopped);

    QString jobLine() const { return line_; }
    // "Encoding song.wav", "Encoding 8 files", "Decoding Track1.mp3", "Ripping track 5".
    QString title() const;
    // Thousandths done, or -1 before the first progress report; a script of several lines
    // counts each line as an equal share.
    int permille() const;
    // Seconds of audio done so far, 0 before the tools said.
    double audioSeconds() const { return audioBefore_ + audioSeconds_; }
    // What the job is on: in a batch "file 3 of 8: song.wav", in a rip of several tracks
    // "track 3 of 12: Harbour Lights", in a rip of one the track's title; else empty.
    QString currentFile() const;
    // The MusicBrainz page for the disc a rip read, or empty.
    QString discLink() const;
    QStringList messages() const { return messages_; }

    bool finished() const { return finished_; }
    bool succeeded() const { return finished_ && !failed() && !stopped_; }
    // A finished job's window closes itself after success and stays otherwise; a rip of
    // several tracks stays too, with its proofs and the disc's page to look up.
    bool closesItself() const { return succeeded() && (lines_ < 2 || discId_.isEmpty()); }

    // The window's last line: "Done: Track1.mp3", "Failed (exit status 1): song.wav: ...".
    QString outcome() const;
    // The notification's summary and body.
    QString headline() const;
    QString details() const;

  private:
    QString verb() const;
    QString failure() const;
    // The interpreter failed, or a line of several did.
    bool failed() const { return status_ != 0 || linesFailed_ > 0; }
    // After the outcome or the notification's first lines: replaced files, notes and proofs.
    QStringList afterwords(bool shortNames) const;
    QString line_, program_, files_, summary_;
    QStringList outputs_, trashed_, failures_, checks_, messages_, notes_, verdicts_;
    QStringList failedTracks_; // of a rip, by number
    QString current_, trackTitle_, discId_, toc_;
    int started_ = 0; // inputs begun since the batch began
    int permille_ = -1;
    double audioSeconds_ = 0, audioBefore_ = 0; // in the current line, in the lines before
    int lines_ = 0, lineNumber_ = 0, linesFailed_ = 0, linesDone_ = 0;
    int status_ = 0;
    bool finished_ = false;
    bool stopped_ = false;
};

// How long a job has run and, once it can be told, how long is left and how fast it goes:
// "0:42 · about 0:05 left · 38× real time".
QString timeLine(qint64 elapsedMs, int permille, double audioSeconds);

} // namespace wl
