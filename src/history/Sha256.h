#pragma once
// SHA-256 digests as recorded in the history: lower-case hex, as sha256sum prints them.
#include "core/Text.h"

namespace dorvane {

// Empty only when the digest cannot be computed.
Text Sha256Hex(const Bytes& data);
// The digest of a file's bytes (GBK path), read in pieces; empty when the file cannot be read. The
// count of bytes read goes to `size` when one is given.
Text FileSha256Hex(const Text& path, long long* size = nullptr);

}  // namespace dorvane
