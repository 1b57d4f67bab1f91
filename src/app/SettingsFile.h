#pragma once
// The settings file and the --set overrides without Qt, so that the command line reads them exactly as the
// window does without loading any of Qt's machinery. The file is INI text: "[section]" lines, "key=value"
// lines (the key read as "section/key"; keys of "[General]" or before any section stand alone), comment
// lines starting with ';' or '#', values optionally in double quotes (with backslash escapes).
#include <string>
#include <vector>

#include "core/Settings.h"

namespace dorvane {

// $XDG_CONFIG_HOME/dorvane/dorvane.ini, or ~/.config/dorvane/dorvane.ini without it.
std::string DefaultSettingsPath();

// The "key", "value" pairs of INI text in file order; a line that is neither a section, a comment, a blank
// nor a pair is skipped.
std::vector<std::pair<std::string, std::string>> ParseSettingsText(const std::string& text);

// The file's values over the settings; one message per value that could not be taken. A missing file is a
// problem only when `mustExist` (it was named on the command line).
std::vector<std::string> ApplySettingsFile(const std::string& path, bool mustExist, Settings& settings);

// "key=value" overrides over the settings, in order; one message per one that could not be taken.
std::vector<std::string> ApplySettingOverrides(const std::vector<std::string>& overrides, Settings& settings);

}  // namespace dorvane
