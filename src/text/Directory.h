#pragma once
#include "core/Text.h"

namespace dorvane {

// Creates every missing folder along the path (GBK, with or without a trailing separator): 0 when the
// whole path exists afterwards, otherwise the system's error number (EACCES, ENOTDIR, ENOSPC, ...).
int MakeDirectories(const Text& path);
// The same, nonzero when the whole path exists afterwards.
inline int EnsureDirectory(const Text& path) { return MakeDirectories(path) == 0 ? 1 : 0; }

// A text from a web page made safe as one folder or file name: path separators become "_" and a name
// made only of dots becomes "_", so a write can never land outside the folder it is joined to. Every
// other character stays as it is.
Text SafeName(const Text& name);

}  // namespace dorvane
