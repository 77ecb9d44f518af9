#include "tools/param_lookup.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "tools/error.h"
#include "tools/plugin_host.h"
#include "tools/text.h"

namespace {

// Case, spaces, dots, dashes and underscores do not tell parameters apart.
std::string folded(const std::string& s) {
    std::string out;
    for (char c : lowered(s))
        if (c != ' ' && c != '.' && c != '_' && c != '-') out += c;
    return out;
}

}  // namespace

ParamLookup::ParamLookup(PluginHost& plugin) {
    for (int i = 0; i < plugin.numParams(); ++i) {
        names.push_back(plugin.paramName(i));
        keys.push_back(folded(names.back()));
    }
}

int ParamLookup::find(const std::string& name) const {
    const std::string wanted = lowered(name);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (lowered(names[i]) == wanted) return static_cast<int>(i);
    const std::string key = folded(name);
    if (std::count(keys.begin(), keys.end(), key) == 1)
        return static_cast<int>(std::find(keys.begin(), keys.end(), key) - keys.begin());

    std::size_t best = 0;
    std::size_t bestDistance = SIZE_MAX;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::size_t d = editDistance(wanted, lowered(names[i]));
        if (d < bestDistance) best = i, bestDistance = d;
    }
    std::string message = "unknown parameter '" + name + "'";
    if (!names.empty()) message += "; did you mean '" + names[best] + "'?";
    throw ToolError(message + " (talkforge params lists them)");
}

std::pair<int, float> parseSetting(const ParamLookup& params, const std::string& text) {
    const auto eq = text.rfind('=');
    if (eq == std::string::npos || eq == 0)
        throw ToolError("--set '" + text + "': expected NAME=VALUE, such as --set Formant=0.6");
    const std::string name = text.substr(0, eq);
    const std::string valueText = text.substr(eq + 1);
    const int index = params.find(name);
    char* end = nullptr;
    errno = 0;
    const double value = valueText.empty() ? NAN : std::strtod(valueText.c_str(), &end);
    if (valueText.empty() || *end != '\0' || errno == ERANGE || !(value >= 0.0 && value <= 1.0))
        throw ToolError("--set " + params.name(index) + ": value '" + valueText + "' is not a number from 0 to 1");
    return {index, static_cast<float>(value)};
}
