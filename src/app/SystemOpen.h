#pragma once
// "Open with the system": hands a web address to the desktop, which opens it in the default browser.
// Only absolute http and https addresses are handed over. Addresses reach this from web pages and a
// remote server, and the desktop would also run local files or other schemes (file:, javascript:,
// custom handlers), so everything else is refused.
#include <QUrl>
#include <functional>

#include "core/Text.h"

namespace dorvane {

// True for an absolute http or https address with a host.
bool IsSystemOpenable(const Text& address);
// False, with nothing opened, for any other address; the caller does not wait for the browser.
bool OpenWithSystem(const Text& address);

// What actually opens an accepted address (QDesktopServices by default); tests put a recorder here.
using SystemOpener = std::function<bool(const QUrl&)>;
void SetSystemOpener(SystemOpener opener);

}  // namespace dorvane
