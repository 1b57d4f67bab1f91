#pragma once
// A self-signed certificate for 127.0.0.1 made at start (EC P-256), written as PEM files.
#include <string>

namespace dorvane::demo {

struct CertificateFiles {
    std::string certificatePath;
    std::string keyPath;
};

// Writes certificate.pem and key.pem into the folder; empty paths when OpenSSL failed.
CertificateFiles MakeSelfSignedCertificate(const std::string& folder);

// A fresh folder under the system's temporary directory; removed by RemoveFolder.
std::string MakeTempFolder(const std::string& prefix);
void RemoveFolder(const std::string& folder);

}  // namespace dorvane::demo
