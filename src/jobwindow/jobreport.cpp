// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobreport.h"
#include "programs.h"

#include "cmdline.h"
#include "discid.h"
#include "jobmeaning.h"
#include "verdicts.h"

#include <QFileInfo>
#include <algorithm>

namespace wl {
namespace {

QString fromLocal(const std::string& s) {
    return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}

QString baseName(const QString& path) { return QFileInfo(path).fileName(); }

// "/home/u/music/song.wav: not a WAV file" reads "song.wav: not a WAV file". Only a path that
// begins the message is shortened, and nothing else of it changes; a pattern keeps its folder
// ("//*.wav: no file matches this pattern").
QString shortened(const QString& failure) {
    const qsizetype colon = failure.indexOf(": ");
    if (colon < 0)
        return failure;
    const QString head = failure.left(colon);
    const bool path = head.startsWith('/') || head.startsWith("./") || head.startsWith("../") ||
                      (head.contains('/') && !head.contains(' '));
    if (!path || head.contains('*') || head.contains('?'))
        return failure;
    return baseName(head) + failure.mid(colon);
}

// "kept /home/u/music/song.wav: ..." reads "kept song.wav: ...", as the other lines do.
QString shortenedAfter(const QString& word, const QString& text) {
    return text.startsWith(word) ? word + shortened(text.mid(word.size())) : shortened(text);
}

// "The old Track1.mp3 is in the Trash." for each of a few; one line for many.
QStringList trashedLines(const QStringList& trashed, bool shortNames) {
    if (trashed.size() > 3)
        return {QString::number(trashed.size()) +
                " older files of the same names are in the Trash."};
    QStringList lines;
    for (const QString& t : trashed)
        lines << "The old " + (shortNames ? baseName(t) : t) + " is in the Trash.";
    return lines;
}

// The track a rip's line names ("CDDA/T 7 /F Track07 /O" gives "7").
QString trackOf(const QString& line) {
    const QByteArray bytes = line.toLocal8Bit();
    const auto words = tokenizeLine(std::string_view(bytes.constData(), bytes.size()));
    const auto fields = words ? jobMeaning(*words) : Result<JobFields>::fail("");
    if (fields)
        for (const auto& [key, value] : *fields)
            if (key == "track")
                return fromLocal(value);
    return QStringLiteral("?");
}

} // namespace

void JobReport::feed(const Update& update) {
    const QString text = fromLocal(update.text);
    const std::string& k = update.keyword;
    if (k == update::kLine) {
        line_ = text;
        ++lineNumber_;
        audioBefore_ += audioSeconds_;
        audioSeconds_ = 0;
        permille_ = -1;
        trackTitle_.clear();
        const auto words = tokenizeLine(update.text);
        program_ = words && !words->empty() ? fromLocal((*words)[0]) : QString();
    } else if (k == update::kFiles) {
        files_ = text;
        started_ = 0;
    } else if (k == update::kStart) {
        current_ = baseName(text);
        ++started_;
    } else if (k == update::kProgress) {
        permille_ = std::clamp(text.toInt(), 0, 1000);
    } else if (k == update::kAudio) {
        audioSeconds_ = std::max(0.0, text.toDouble());
    } else if (k == update::kOutput) {
        outputs_ << text;
    } else if (k == update::kTrashed) {
        trashed_ << text;
    } else if (k == update::kFailed) {
        failures_ << shortened(text);
    } else if (k == update::kSummary) {
        summary_ = text;
    } else if (k == update::kCheck) {
        checks_ << text;
    } else if (k == update::kLines) {
        lines_ = text.toInt();
    } else if (k == update::kExit) {
        (text.toInt() == 0 ? linesDone_ : linesFailed_) += 1;
        if (text.toInt() != 0 && program_ == program::kCdda)
            failedTracks_ << trackOf(line_);
    } else if (k == update::kTitle) {
        trackTitle_ = text;
    } else if (k == update::kDisc) {
        discId_ = text.section(' ', 0, 0);
        toc_ = text.section(' ', 1);
    } else if (k == update::kVerdict) {
        verdicts_ << text;
    } else if (k == update::kKept) {
        notes_ << shortenedAfter("kept ", text);
    } else if (k == update::kWarning) {
        // Each track of a rip may say the same ("names not looked up: ..."): said once.
        if (const QString note = shortened(text); !notes_.contains(note))
            notes_ << note;
    }
}

void JobReport::message(const QString& line) { messages_ << line; }

void JobReport::finish(int status, bool stopped) {
    finished_ = true;
    status_ = status;
    stopped_ = stopped;
    // Several lines end with their count: "12 tracks ripped", "11 tracks ripped, 1 failed".
    if (lines_ > 1 && summary_.isEmpty() && !stopped) {
        const bool rips = program_ == program::kCdda;
        summary_ = QString::number(linesDone_) + (rips ? " track" : " job") +
                   (linesDone_ == 1 ? "" : "s") + (rips ? " ripped" : " done");
        if (linesFailed_ > 0)
            summary_ += ", " + QString::number(linesFailed_) + " failed";
        std::vector<std::string> verdicts;
        for (const QString& v : verdicts_)
            verdicts.push_back(v.toStdString());
        // A track that was not ripped is no accurate rip: "all accurate" would say it was.
        if (!verdicts.empty())
            for (const QString& track : failedTracks_)
                verdicts.push_back(track.toStdString() + " not ripped");
        if (const std::string accuracy = accuracySummary(verdicts); !accuracy.empty())
            summary_ += ", " + QString::fromStdString(accuracy);
    }
}

int JobReport::permille() const {
    if (lines_ < 2 || lineNumber_ == 0)
        return permille_;
    return std::min(1000, ((lineNumber_ - 1) * 1000 + std::max(0, permille_)) / lines_);
}

QString JobReport::discLink() const {
    if (discId_.isEmpty() || toc_.isEmpty())
        return QString();
    return QString::fromStdString(musicBrainzDiscPage({discId_.toStdString(), toc_.toStdString()}));
}

QString JobReport::title() const {
    if (!files_.isEmpty())
        return "Encoding " + files_ + (files_ == "1" ? " file" : " files");
    if (lines_ > 1)
        return program_ == program::kCdda ? "Ripping " + QString::number(lines_) + " tracks"
                                          : verb() + " " + QString::number(lines_) + " jobs";
    const QByteArray bytes = line_.toLocal8Bit();
    const auto words = tokenizeLine(std::string_view(bytes.constData(), bytes.size()));
    if (!words || words->empty())
        return QStringLiteral("Wavelathe job");
    return fromLocal(jobTitle(*words));
}

QString JobReport::currentFile() const {
    if (lines_ > 1 && lineNumber_ > 0)
        return (program_ == program::kCdda ? "track " : "job ") + QString::number(lineNumber_) +
               " of " + QString::number(lines_) +
               (trackTitle_.isEmpty() ? QString() : ": " + trackTitle_);
    if (files_.isEmpty() || started_ == 0)
        return trackTitle_;
    return "file " + QString::number(started_) + " of " + files_ + ": " + current_;
}

namespace {

// "0:05", "3:07", "1:02:09"
QString clock(qint64 seconds) {
    const QString ss = QString::number(seconds % 60).rightJustified(2, '0');
    if (seconds < 3600)
        return QString::number(seconds / 60) + ":" + ss;
    return QString::number(seconds / 3600) + ":" +
           QString::number(seconds / 60 % 60).rightJustified(2, '0') + ":" + ss;
}

} // namespace

QString timeLine(qint64 elapsedMs, int permille, double audioSeconds) {
    QStringList parts{clock(elapsedMs / 1000)};
    // The first seconds and the first percent say too little of the rest.
    if (permille >= 10 && permille < 1000 && elapsedMs >= 2000)
        parts << "about " + clock((elapsedMs * (1000 - permille) / permille + 999) / 1000) +
                     " left";
    if (audioSeconds > 0 && elapsedMs >= 1000) {
        const double speed = audioSeconds * 1000 / static_cast<double>(elapsedMs);
        parts << QString::number(speed, 'f', speed < 10 ? 1 : 0) + "\u00d7 real time";
    }
    return parts.join(" \u00b7 ");
}

QString JobReport::verb() const {
    if (program_ == program::kL3dec)
        return QStringLiteral("Decoding");
    if (program_ == program::kCdda)
        return QStringLiteral("Ripping");
    return QStringLiteral("Encoding");
}

// What went wrong, in the tools' own words; the interpreter's last message when no tool spoke.
QString JobReport::failure() const {
    if (!failures_.isEmpty())
        return failures_.join("; ");
    for (qsizetype i = messages_.size() - 1; i >= 0; --i)
        if (!messages_[i].trimmed().isEmpty())
            return messages_[i].trimmed();
    return "exit status " + QString::number(status_);
}

QString JobReport::outcome() const {
    if (!finished_)
        return QString();
    if (stopped_)
        return QStringLiteral("Stopped. No partial file was left, and no input was deleted.");
    QStringList parts;
    if (!summary_.isEmpty())
        parts << summary_;
    if (status_ == 0 && summary_.isEmpty())
        parts << "Done: " + QStringList(outputs_).join(", ");
    if (status_ != 0)
        parts << "Failed (exit status " + QString::number(status_) + "): " + failure();
    else if (linesFailed_ > 0)
        parts << "Failed: " + failure();
    return (parts << afterwords(false)).join('\n');
}

QStringList JobReport::afterwords(bool shortNames) const {
    QStringList parts = trashedLines(trashed_, shortNames) + notes_;
    // A rip of several tracks has a proof per track: they stay in the messages.
    if (lines_ < 2)
        parts << checks_;
    return parts;
}

QString JobReport::headline() const {
    if (stopped_)
        return title() + " stopped";
    if (!summary_.isEmpty())
        return summary_;
    if (failed())
        return verb() + " failed: " + failure();
    if (outputs_.isEmpty())
        return title() + " done";
    return baseName(outputs_.last()) + " is ready";
}

QString JobReport::details() const {
    QStringList parts;
    if (failed() && !summary_.isEmpty())
        parts << failures_;
    return (parts << afterwords(true)).join('\n');
}

} // namespace wl
