#include <gtest/gtest.h>

#include <fnmatch.h>

#include <fstream>
#include <regex>
#include <string>

// udev matches KERNELS with shell globs against the HID parent's name, BUS:VENDOR:PRODUCT.N.
TEST(UdevRule, GrantsTheTrackersHidrawNodesAndNoOthers) {
    std::ifstream in(KESTREL_UDEV_RULE);
    ASSERT_TRUE(in) << KESTREL_UDEV_RULE;
    const std::string rules{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::smatch match;
    ASSERT_TRUE(std::regex_search(rules, match, std::regex(R"re(KERNELS=="([^"]+)")re")));
    const std::string pattern = match[1];
    EXPECT_NE(rules.find(R"(SUBSYSTEM=="hidraw")"), std::string::npos);
    EXPECT_NE(rules.find(R"(TAG+="uaccess")"), std::string::npos);

    const struct {
        const char* name;
        bool granted;
    } rows[] = {
        {"0003:1295:0011.0004", true},  {"0005:1295:00FF.000A", true},
        {"0003:1295:0000.0001", true},  {"0003:1295:0100.0001", false},
        {"0003:1296:0011.0001", false}, {"0003:0001:1295.0001", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(fnmatch(pattern.c_str(), row.name, 0) == 0, row.granted) << row.name;
}
