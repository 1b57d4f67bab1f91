#pragma once
// The start-up check shown on the window's hidden update panel.
#include "view/SitePage.h"

namespace dorvane::notice {

// Places the hidden panel, fetches the notice page and, when it announces a newer version, shows the
// notice box and the panel with the notice and puts the address in the update address box. Meant for a
// thread of its own: the window keeps answering while the page is on its way.
void VersionCheck(UpdatePanelControls& update, const Text& ownTag, const Text& noticeAddress);

}  // namespace dorvane::notice
