#include "session/UpdateNotice.h"

#include "notice/VersionCheck.h"

namespace dorvane::notice {

void VersionCheck(UpdatePanelControls& update, const Text& ownTag, const Text& noticeAddress) {
    update.panel->SetGeometry(4, 0, 788, 568);
    const std::optional<Update> newer = NewerVersion(noticeAddress, ownTag);
    if (!newer) return;
    update.noticeBox->SetVisible(true);
    update.panel->SetVisible(true);
    update.noticeBox->SetText(newer->notice);
    update.addressBox->AppendText(newer->address);
}

}  // namespace dorvane::notice
