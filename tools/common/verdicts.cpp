// SPDX-License-Identifier: GPL-3.0-or-later
#include "verdicts.h"

#include <algorithm>
#include <cstdlib>

namespace wl {

std::string accuracySummary(const std::vector<std::string>& verdicts) {
    if (verdicts.empty())
        return {};
    const std::string accurate = "accurately ripped (confidence ";
    std::vector<int> confidences;
    std::vector<std::string> notAccurate, notChecked;
    for (const std::string& v : verdicts) {
        const size_t blank = v.find(' ');
        const std::string track = v.substr(0, blank);
        const std::string said = blank == std::string::npos ? std::string() : v.substr(blank + 1);
        if (said.starts_with("disc not in"))
            return "not in the AccurateRip database";
        if (said.starts_with(accurate))
            confidences.push_back(std::atoi(said.c_str() + accurate.size()));
        else if (said.starts_with("not checked"))
            notChecked.push_back(said);
        else
            notAccurate.push_back(track);
    }
    // Appended piece by piece: GCC 12 at -O3 warns wrongly of "text" + std::to_string(...).
    std::string line;
    if (confidences.empty() && notAccurate.empty())
        return line.append("AccurateRip ").append(notChecked.front());
    if (notAccurate.empty() && notChecked.empty()) {
        const auto [low, high] = std::minmax_element(confidences.begin(), confidences.end());
        line.append("all accurate (confidence ").append(std::to_string(*low));
        if (*low != *high)
            line.append("-").append(std::to_string(*high));
        return line.append(")");
    }
    line.append(std::to_string(confidences.size())).append(" accurate");
    if (!notAccurate.empty()) {
        line.append(notAccurate.size() == 1 ? ", track " : ", tracks ");
        for (size_t i = 0; i < notAccurate.size(); ++i)
            line.append(i ? ", " : "").append(notAccurate[i]);
        line.append(" not");
    }
    if (!notChecked.empty())
        line.append(", ").append(std::to_string(notChecked.size())).append(" not checked");
    return line;
}

} // namespace wl
