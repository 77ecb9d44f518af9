// The settings `talkforge live` keeps from one run to the next: every
// parameter's value in a file of the plug-in's saved-state text, one "symbol
// value" line each, keyed by the parameters' permanent symbols so that files
// outlive changes to the parameters' order or names.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

using SavedValues = std::vector<std::pair<int, float>>;  // parameter index, value

// The file for a client name below $XDG_CONFIG_HOME/talkforge (~/.config when
// it is not set); empty when neither it nor HOME gives a folder.
std::string liveStatePath(const std::string& clientName);

// The values of a state file: nullopt when there is none. A file that cannot
// be read, or is not Talkforge state of this version, also gives nullopt, with
// the reason in `damage`. Lines it does not know are skipped (a later version
// may have written them), values are clamped into 0..1, and parameters the
// file does not name keep their values.
std::optional<SavedValues> readLiveState(const std::string& path, std::string& damage);

// Writes every value, complete or not at all (a temporary file renamed onto
// the file). Throws ToolError when it cannot.
void writeLiveState(const std::string& path, const SavedValues& values);
