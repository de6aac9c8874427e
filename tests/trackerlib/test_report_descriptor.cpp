#include "ReportDescriptor.h"

#include <gtest/gtest.h>

#include <vector>

using kestrel::ReportDescriptor;

TEST(ReportDescriptor, FindsReportIdItemsOnlyWhereTheyAre) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool numbered;
    } rows[] = {
        {"empty", {}, false},
        {"vendor page, one input report",
         {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF,
          0x00, 0x75, 0x08, 0x95, 0x08, 0x09, 0x01, 0x81, 0x02, 0xC0},
         false},
        {"report id 1",
         {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x81, 0x02, 0xC0},
         true},
        // 0x85 inside the data of another item is no report id.
        {"0x85 as data", {0x26, 0x85, 0x85, 0x75, 0x08, 0x81, 0x02}, false},
        {"4-byte item hiding 0x85", {0x27, 0x85, 0x85, 0x85, 0x85, 0xC0}, false},
        {"long item hiding 0x85", {0xFE, 0x02, 0x10, 0x85, 0x01, 0x85, 0x02}, true},
        {"long item at the end, cut", {0xFE}, false},
        {"item cut short", {0x06, 0x00}, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ReportDescriptor::DeclaresReportIds(row.bytes), row.numbered) << row.name;
}
