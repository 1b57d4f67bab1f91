#pragma once
// A self-signed certificate for 127.0.0.1 and temporary folders (shared with the demo sites).
#include "demo/Certificate.h"

namespace dorvane::test {

using demo::CertificateFiles;
using demo::MakeSelfSignedCertificate;
using demo::MakeTempFolder;
using demo::RemoveFolder;

}  // namespace dorvane::test
