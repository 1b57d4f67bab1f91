// The transfer and collection settings: each key takes its own kind of value, and a malformed value is
// reported while the value beneath stays.
#include "core/Settings.h"

#include <gtest/gtest.h>

namespace dorvane {
namespace {

TEST(Settings, TransferKeys) {
    struct Case {
        const char* key;
        const char* value;
        bool applied;
    };
    const Case cases[] = {
        {"network/retries", "0", true},          {"network/retries", "10", true},
        {"network/retries", "11", false},        {"network/retries", "-1", false},
        {"network/rate-limit", "0.5", true},     {"network/rate-limit", "abc", false},
        {"network/rate-limit", "1.2.3", false},  {"network/rate-limit", "5000", false},
        {"network/max-body-mb", "1", true},      {"network/max-body-mb", "0", false},
        {"network/parallel", "16", true},        {"network/parallel", "0", false},
        {"network/parallel", "17", false},
        {"collect/skip-existing", "on", true},   {"collect/skip-existing", "FALSE", true},
        {"collect/skip-existing", "maybe", false}, {"network/unknown", "1", false},
    };
    for (const Case& c : cases) {
        Settings settings;
        const Settings before = settings;
        const std::string message = ApplySetting(settings, c.key, c.value);
        EXPECT_EQ(message.empty(), c.applied) << c.key << "=" << c.value << ": " << message;
        if (!c.applied) {
            EXPECT_NE(message.find(c.key), std::string::npos);
            EXPECT_EQ(settings.retries, before.retries);
            EXPECT_EQ(settings.requestsPerSecond, before.requestsPerSecond);
            EXPECT_EQ(settings.maxBodyBytes, before.maxBodyBytes);
            EXPECT_EQ(settings.skip, before.skip);
            EXPECT_EQ(settings.parallel, before.parallel);
        }
    }
    Settings settings;
    ASSERT_TRUE(ApplySetting(settings, "network/max-body-mb", "2").empty());
    ASSERT_TRUE(ApplySetting(settings, "network/rate-limit", "0.5").empty());
    ASSERT_TRUE(ApplySetting(settings, "collect/skip-existing", "yes").empty());
    ASSERT_TRUE(ApplySetting(settings, "network/parallel", "1").empty());
    EXPECT_EQ(settings.maxBodyBytes, 2 * 1024 * 1024);
    EXPECT_DOUBLE_EQ(settings.requestsPerSecond, 0.5);
    EXPECT_EQ(settings.skip, Settings::Skip::Existing);
    EXPECT_EQ(settings.parallel, 1);
}

}  // namespace
}  // namespace dorvane
