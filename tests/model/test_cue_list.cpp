// The cue list: recording a scope's values, numbering between neighbours, and editing.
#include "model/CControllerDoc.h"
#include "model/CueList.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr std::bitset<8> kAllChannels = 0xFF;
constexpr std::bitset<Cue::kGroups> kAllGroups = 0x7F;

std::bitset<Cue::kGroups> Groups(std::initializer_list<ParameterGroup> groups) {
    std::bitset<Cue::kGroups> bits;
    for (const ParameterGroup group : groups) {
        bits.set(static_cast<std::size_t>(group));
    }
    return bits;
}

TEST(CueList, Operations) {
    struct Row {
        const char* name;
        std::function<bool(CueList&, const CControllerDoc&)> act;
        bool done;
        std::vector<double> numbers;
        std::string names;
    };
    const auto record = [](std::ptrdiff_t after, const char* name) {
        return [after, name](CueList& list, const CControllerDoc& doc) {
            return list.Record(doc, after, kAllChannels, kAllGroups, name).has_value();
        };
    };
    const std::vector<Row> rows = {
        {"record after the last", record(2, "D"), true, {1, 2, 3, 4}, "ABCD"},
        {"record between whole numbers", record(0, "D"), true, {1, 1.5, 2, 3}, "ADBC"},
        {"record at the front", record(CueList::kAtFront, "D"), true, {0.5, 1, 2, 3}, "DABC"},
        {"record after no index", record(3, "D"), false, {1, 2, 3}, "ABC"},
        {"record before no index", record(-2, "D"), false, {1, 2, 3}, "ABC"},
        {"record between halves",
         [&](CueList& list, const CControllerDoc& doc) {
             return record(0, "D")(list, doc) && record(0, "E")(list, doc);
         },
         true,
         {1, 1.25, 1.5, 2, 3},
         "AEDBC"},
        {"record into an emptied list",
         [&](CueList& list, const CControllerDoc& doc) {
             return list.Delete(2) && list.Delete(1) && list.Delete(0) &&
                    record(CueList::kAtFront, "D")(list, doc);
         },
         true,
         {1},
         "D"},
        {"delete the middle",
         [](CueList& list, auto&) { return list.Delete(1); },
         true,
         {1, 3},
         "AC"},
        {"delete no index",
         [](CueList& list, auto&) { return list.Delete(3); },
         false,
         {1, 2, 3},
         "ABC"},
        {"move the first down",
         [](CueList& list, auto&) { return list.MoveDown(0); },
         true,
         {1, 2, 3},
         "BAC"},
        {"move the last up",
         [](CueList& list, auto&) { return list.MoveUp(2); },
         true,
         {1, 2, 3},
         "ACB"},
        {"move the first up",
         [](CueList& list, auto&) { return list.MoveUp(0); },
         false,
         {1, 2, 3},
         "ABC"},
        {"move the last down",
         [](CueList& list, auto&) { return list.MoveDown(2); },
         false,
         {1, 2, 3},
         "ABC"},
    };
    for (const Row& row : rows) {
        CControllerDoc doc;
        CueList list;
        for (const char* name : {"A", "B", "C"}) {
            list.Record(doc, static_cast<std::ptrdiff_t>(list.Size()) - 1, kAllChannels, kAllGroups,
                        name);
        }
        EXPECT_EQ(row.act(list, doc), row.done) << row.name;
        std::vector<double> numbers;
        std::string names;
        for (const Cue& cue : list.Cues()) {
            numbers.push_back(cue.number);
            names += cue.name;
        }
        EXPECT_EQ(numbers, row.numbers) << row.name;
        EXPECT_EQ(names, row.names) << row.name;
        for (std::size_t i = 0; i < list.Size(); ++i) {
            EXPECT_EQ(list.Find(list.Cues()[i].number), i) << row.name;
        }
        EXPECT_FALSE(list.Find(2.75).has_value()) << row.name;
    }
}

TEST(CueList, RecordsAndUpdatesTheScopeClamped) {
    CControllerDoc doc;
    doc.InputLevel[0] = 300;
    doc.InputLevel[2] = -5;
    doc.InputLevel[1] = 7; // channel 2 is outside the scope
    doc.MasterOutgain = 90;
    CueList list;
    const std::bitset<8> channels = 0b101;
    const auto index =
        list.Record(doc, CueList::kAtFront, channels,
                    Groups({ParameterGroup::Levels, ParameterGroup::Globals}), "scene", 99999);
    ASSERT_EQ(index, 0u);
    const Cue& cue = list.Cues()[0];
    EXPECT_EQ(cue.fadeTenths, Cue::kMaxFadeTenths);
    // Five level rows on two channels, and the globals but the output device.
    ASSERT_EQ(cue.values.size(), 2u * 5u + 7u);
    for (std::size_t i = 0; i < cue.values.size(); ++i) {
        const auto [key, value] = cue.values[i];
        EXPECT_TRUE(key.IsGlobal() ? GroupOf(key) == ParameterGroup::Globals
                                   : GroupOf(key) == ParameterGroup::Levels &&
                                         channels.test(static_cast<std::size_t>(key.channel)));
        EXPECT_NE(key, KeyOf(&CControllerDoc::outMIDIPort));
        EXPECT_GE(value, 0);
        EXPECT_LE(value, 127);
        if (i > 0) {
            EXPECT_LT(ValueIndex(cue.values[i - 1].first), ValueIndex(key)) << "document order";
        }
    }
    EXPECT_EQ(cue.values.front(), std::make_pair(KeyOf(&CControllerDoc::InputLevel, 0), 127));

    doc.InputLevel[0] = 20;
    doc.XPosition[0] = 1; // outside the cue's groups
    ASSERT_TRUE(list.Update(0, doc));
    EXPECT_EQ(list.Cues()[0].values.size(), 17u);
    EXPECT_EQ(list.Cues()[0].values.front().second, 20);
    EXPECT_FALSE(list.Update(1, doc));

    EXPECT_EQ(list.Record(doc, 0, channels, 0, "", -3).value(), 1u);
    EXPECT_EQ(list.Cues()[1].fadeTenths, 0);
}

TEST(CueList, RecordStopsAtTheLimit) {
    CControllerDoc doc;
    CueList list;
    for (std::size_t i = 0; i < CueList::kMaxCues; ++i) {
        ASSERT_TRUE(list.Record(doc, static_cast<std::ptrdiff_t>(i) - 1, 1, 0));
    }
    EXPECT_FALSE(list.Record(doc, 0, 1, 0));
    EXPECT_EQ(list.Size(), CueList::kMaxCues);
    EXPECT_EQ(list.Cues().back().number, 1000.0);
}

} // namespace
