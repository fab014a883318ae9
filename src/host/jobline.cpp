// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobline.h"

#include "cmdline.h"
#include "jobmeaning.h"
#include "texts.h"

namespace wl {
namespace {

std::string local8(const QString& s) {
    const QByteArray b = s.toLocal8Bit();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

// A marker that the tokeniser and every tool treat as an ordinary name and no name can hold.
// Built by append: GCC 12 at -O3 warns falsely (-Wrestrict) on "literal" + std::string.
std::string placeholder(qsizetype i) {
    std::string p(1, '\x01');
    p.append(std::to_string(i)).push_back('\x01');
    return p;
}

// A name the locale's 8-bit encoding cannot hold would reach the program altered.
bool encodable(const QString& value) {
    const std::string bytes = local8(value);
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size())) == value;
}

} // namespace

JobLine& JobLine::text(const QString& literal) {
    pieces_.append({literal, false});
    return *this;
}

JobLine& JobLine::name(const QString& value) {
    pieces_.append({value, true});
    return *this;
}

std::string JobLine::written(const Piece& p) const {
    const std::string bytes = local8(p.text);
    if (!p.isName)
        return bytes;
    return bytes.rfind('-', 0) == 0 ? "./" + bytes : bytes;
}

QByteArray JobLine::bytes() const {
    std::string out;
    for (const Piece& p : pieces_)
        out += p.isName ? quoteWord(written(p)) : written(p);
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

// The words the line is meant to give: each name stands as one word of its own (an empty one,
// which adds nothing to the line, left out or kept as a placeholder).
std::vector<std::string> JobLine::templateWords(bool dropEmptyNames) const {
    std::string templ;
    for (qsizetype i = 0; i < pieces_.size(); ++i) {
        const Piece& p = pieces_[i];
        if (!p.isName)
            templ += written(p);
        else if (!(dropEmptyNames && p.text.isEmpty()))
            templ += placeholder(i);
    }
    return tokenizeLine(templ).value_or(std::vector<std::string>{});
}

std::optional<QString> JobLine::blamedName() const {
    for (const Piece& p : pieces_) {
        if (!p.isName)
            continue;
        const std::string w = written(p);
        const auto words = tokenizeLine("x " + quoteWord(w));
        const bool alone =
            words && (w.empty() ? words->size() == 1 : (words->size() == 2 && (*words)[1] == w));
        if (!encodable(p.text) || !alone)
            return p.text;
    }
    return std::nullopt;
}

QString JobLine::refusal() const {
    // Named after the tool the line calls: "the ripper" for CDDA.
    const std::vector<std::string> words = templateWords(true);
    const QString unpassable =
        texts::unpassableName(words.empty() ? QString() : QString::fromLocal8Bit(words[0].c_str()));
    if (const auto bad = blamedName())
        return unpassable + *bad;
    // The meant words, with each name's placeholder replaced by the name as written.
    std::vector<std::string> meant;
    for (const std::string& word : words) {
        std::string replaced = word;
        for (qsizetype i = 0; i < pieces_.size(); ++i)
            if (pieces_[i].isName && word == placeholder(i))
                replaced = written(pieces_[i]);
        meant.push_back(replaced);
    }
    const QByteArray line = bytes();
    const auto actual =
        tokenizeLine(std::string_view(line.constData(), static_cast<size_t>(line.size())));
    auto firstName = [this]() -> QString {
        for (const Piece& p : pieces_)
            if (p.isName && !p.text.isEmpty())
                return p.text;
        return QString();
    };
    if (!actual || *actual != meant)
        return unpassable + firstName();
    // The tool must read the placeholders where it reads the names: a name read as a switch, or
    // a switch swallowed as a name, shows as a difference.
    const auto shape = jobMeaning(templateWords(true));
    if (!shape)
        return "This job cannot be started: " + QString::fromLocal8Bit(shape.error().c_str());
    JobFields expected = *shape;
    for (auto& [key, value] : expected)
        for (qsizetype i = 0; i < pieces_.size(); ++i)
            if (pieces_[i].isName && value == placeholder(i))
                value = written(pieces_[i]);
    const auto read = jobMeaning(*actual);
    if (!read || *read != expected)
        return unpassable + firstName();
    return QString();
}

void runJob(Host& host, const QString& script, const JobLine& line) {
    runJob(host, script, QList<JobLine>{line});
}

void runJob(Host& host, const QString& script, const QList<JobLine>& lines) {
    QList<QByteArray> bytes;
    for (const JobLine& line : lines) {
        if (const QString why = line.refusal(); !why.isEmpty()) {
            host.ShowMessage(why, texts::kMsgCritical);
            return;
        }
        bytes << line.bytes();
    }
    const QString error = host.WriteJobScript(script, bytes.join("\r\n"));
    if (!error.isEmpty()) {
        host.ShowMessage("Cannot write " + script + ": " + error, texts::kMsgCritical);
        return;
    }
    host.RunCommand(script, texts::kStyleMinimizedNoFocus);
}

} // namespace wl
