#include "jobline.h"

#include "cmdline.h"
#include "texts.h"

namespace wl {
namespace {

std::string local8(const QString& s) {
    const QByteArray b = s.toLocal8Bit();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

// A marker that the tokeniser treats as an ordinary word and no name can hold.
std::string placeholder(qsizetype i) { return "\x01" + std::to_string(i) + "\x01"; }

// A name the locale's 8-bit encoding cannot hold would reach the program altered.
bool encodable(const QString& value) {
    const std::string bytes = local8(value);
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size())) == value;
}

bool passesAlone(const QString& value) {
    const std::string bytes = local8(value);
    const auto words = tokenizeLine("x " + quoteWord(bytes));
    return words &&
           (bytes.empty() ? words->size() == 1 : (words->size() == 2 && (*words)[1] == bytes));
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

QByteArray JobLine::bytes() const {
    std::string out;
    for (const Piece& p : pieces_)
        out += p.isName ? quoteWord(local8(p.text)) : local8(p.text);
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

std::optional<QString> JobLine::unpassableName() const {
    for (const Piece& p : pieces_)
        if (p.isName && !encodable(p.text))
            return p.text;
    std::string templ;
    for (qsizetype i = 0; i < pieces_.size(); ++i)
        templ += pieces_[i].isName ? placeholder(i) : local8(pieces_[i].text);
    std::vector<std::string> expected;
    const auto templWords = tokenizeLine(templ);
    for (const std::string& word : templWords.value_or(std::vector<std::string>{})) {
        bool replaced = false;
        for (qsizetype i = 0; i < pieces_.size() && !replaced; ++i) {
            if (pieces_[i].isName && word == placeholder(i)) {
                replaced = true;
                // An empty name adds nothing to the line, so nothing is expected for it.
                if (!pieces_[i].text.isEmpty())
                    expected.push_back(local8(pieces_[i].text));
            }
        }
        if (!replaced)
            expected.push_back(word);
    }
    const QByteArray line = bytes();
    const auto actual =
        tokenizeLine(std::string_view(line.constData(), static_cast<size_t>(line.size())));
    if (actual && *actual == expected)
        return std::nullopt;
    for (const Piece& p : pieces_)
        if (p.isName && !passesAlone(p.text))
            return p.text;
    for (const Piece& p : pieces_)
        if (p.isName)
            return p.text;
    return QString();
}

void runJob(Host& host, const QString& script, const JobLine& line) {
    if (const auto bad = line.unpassableName()) {
        host.ShowMessage(texts::kUnpassableName + *bad, texts::kMsgCritical);
        return;
    }
    const QString error = host.WriteJobScript(script, line.bytes());
    if (!error.isEmpty()) {
        host.ShowMessage("Cannot write " + script + ": " + error, texts::kMsgCritical);
        return;
    }
    host.RunCommand(script, texts::kStyleMinimizedNoFocus);
}

} // namespace wl
