// Text helpers shared by the tool's commands.
#pragma once

#include <string>

// The text without leading and trailing spaces and tabs.
inline std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}
