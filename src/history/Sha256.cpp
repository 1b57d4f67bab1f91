#include "history/Sha256.h"

#include <openssl/evp.h>

#include <fstream>
#include <memory>

#include "core/Files.h"

namespace dorvane {

namespace {

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextDeleter>;

DigestContext StartSha256() {
    DigestContext context(EVP_MD_CTX_new());
    if (context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) context.reset();
    return context;
}

Text FinishHex(EVP_MD_CTX* context) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, digest, &length) != 1) return {};
    static const char kHexDigits[] = "0123456789abcdef";
    Text hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHexDigits[digest[i] >> 4];
        hex += kHexDigits[digest[i] & 0x0F];
    }
    return hex;
}

}  // namespace

Text Sha256Hex(const Bytes& data) {
    DigestContext context = StartSha256();
    if (!context || EVP_DigestUpdate(context.get(), data.data(), data.size()) != 1) return {};
    return FinishHex(context.get());
}

Text FileSha256Hex(const Text& path, long long* size) {
    std::ifstream file(NativePath(path), std::ios::binary);
    DigestContext context = StartSha256();
    if (!file || !context) return {};
    // Images can be large; pieces keep the memory flat.
    std::string piece(1 << 16, '\0');
    long long total = 0;
    while (file) {
        file.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        const std::streamsize got = file.gcount();
        total += got;
        if (got > 0 && EVP_DigestUpdate(context.get(), piece.data(), static_cast<size_t>(got)) != 1)
            return {};
    }
    if (file.bad()) return {};
    if (size) *size = total;
    return FinishHex(context.get());
}

}  // namespace dorvane
