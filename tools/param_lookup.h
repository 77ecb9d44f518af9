// Parameters by the names the plug-in reports, and values given on the command line.
#pragma once

#include <string>
#include <utility>
#include <vector>

class PluginHost;

class ParamLookup {
public:
    explicit ParamLookup(PluginHost& plugin);

    // Index of the parameter with this name, ignoring case (and spaces and dots,
    // so "synthvol" finds "Synth vol"); throws ToolError suggesting the closest
    // name when there is none.
    int find(const std::string& name) const;

    const std::string& name(int index) const { return names[static_cast<std::size_t>(index)]; }

private:
    std::vector<std::string> names;
    std::vector<std::string> keys;  // names folded for comparison
};

// Splits one --set argument "NAME=VALUE" and checks the value lies in 0..1.
std::pair<int, float> parseSetting(const ParamLookup& params, const std::string& text);
