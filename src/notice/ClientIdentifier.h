#pragma once
// The identifier this installation greets the catalogue server with: made once, kept in the user's
// configuration folder, the same on every run.
#include <string>

#include "core/Text.h"

namespace dorvane::notice {

// $XDG_CONFIG_HOME/dorvane, else $HOME/.config/dorvane; empty when neither is set.
std::string ConfigFolder();

// The identifier stored in folder/client-id, made (16 hexadecimal digits) and stored there when missing
// or unreadable. When it cannot be stored, a fresh one serves this run.
Text ClientIdentifier(const std::string& folder);

}  // namespace dorvane::notice
