#include "text/Hash.h"

#include <openssl/evp.h>

#include <memory>

namespace dorvane {

namespace {

const EVP_MD* Digest(int algorithm) {
    switch (algorithm) {
        case kCalgMd5:
            return EVP_md5();
        case kCalgSha1:
            return EVP_sha1();
        case kCalgSha256:
            return EVP_sha256();
        default:
            return nullptr;
    }
}

// A caller asking for more than any digest holds gets the digest followed by zero bytes (the zero-filled
// buffer of the original interface); beyond this size the request is taken as a mistake.
constexpr int kMaxHashLength = 1024;

struct ContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

}  // namespace

Text HashHex(const Bytes& data, int algorithm, int hashLength) {
    const EVP_MD* md = Digest(algorithm);
    if (!md || hashLength <= 0 || hashLength > kMaxHashLength) return {};
    std::unique_ptr<EVP_MD_CTX, ContextDeleter> context(EVP_MD_CTX_new());
    if (!context) return {};
    unsigned char digest[EVP_MAX_MD_SIZE] = {};
    unsigned int digestLength = 0;
    if (EVP_DigestInit_ex(context.get(), md, nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), data.data(), data.size()) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest, &digestLength) != 1)
        return {};
    static const char kHex[] = "0123456789ABCDEF";
    Text hex;
    hex.reserve(static_cast<size_t>(hashLength) * 2);
    for (int i = 0; i < hashLength; ++i) {
        unsigned char b = static_cast<unsigned int>(i) < digestLength ? digest[i] : 0;
        hex += kHex[b >> 4];
        hex += kHex[b & 0x0F];
    }
    return hex;
}

Text Md5Hex(const Bytes& data, bool upperCase, bool middle16) {
    Text hex = HashHex(data, kCalgMd5, 16);
    if (hex.empty()) return hex;
    if (!upperCase) {
        for (char& c : hex)
            if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    }
    return middle16 ? hex.substr(8, 16) : hex;
}

}  // namespace dorvane
