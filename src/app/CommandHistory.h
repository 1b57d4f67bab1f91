#pragma once
// "dorvane history": what the collection history holds, for people (albums, newest first) and for
// scripts (every image as a JSON line), and forgetting an album so that it is collected again.
#include "app/CommandArguments.h"
#include "history/HistoryStore.h"

namespace dorvane {

// Prints what the arguments ask for from the store; gives the exit status (0, 1 when --forget found
// nothing, 2 for a date that is not one).
int PrintHistory(const CommandArguments& arguments, const Text& siteKey, HistoryStore& store);

}  // namespace dorvane
