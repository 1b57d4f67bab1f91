#include "core/Settings.h"

namespace dorvane {

namespace {

Settings BuiltIn() {
    Settings s;
    s.siteHosts = {DORVANE_SITE_A_HOST, DORVANE_SITE_B_HOST, DORVANE_SITE_C_HOST, DORVANE_SITE_D_HOST,
                   DORVANE_SITE_E_HOST};
    s.noticeHost = DORVANE_NOTICE_HOST;
    s.noticeDocument = DORVANE_NOTICE_DOCUMENT;
    s.catalogueHost = DORVANE_CATALOGUE_HOST;
    s.cataloguePort = DORVANE_CATALOGUE_PORT;
    s.archivePassword = DORVANE_ARCHIVE_PASSWORD;
    s.contactLineUtf8 = DORVANE_CONTACT_LINE;
    return s;
}

}  // namespace

Settings& MutableSettings() {
    static Settings* settings = new Settings(BuiltIn());
    return *settings;
}

const Settings& CurrentSettings() { return MutableSettings(); }

}  // namespace dorvane
