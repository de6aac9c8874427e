#include "model/ParameterTable.h"
#include "model/RoomPicture.h"
#include "support/DocumentFixture.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <set>

namespace {

void ExpectResetValues(const CControllerDoc& doc) {
    EXPECT_EQ(doc.NMatrixOutput, 5);
    EXPECT_EQ(doc.MasterOutgain, 100);
    EXPECT_EQ(doc.RoomSide, 11);
    EXPECT_EQ(doc.MatrixSpeed, 0);
    EXPECT_EQ(doc.outMIDIPort, 0);
    EXPECT_EQ(doc.DefaultPreset, 0);
    EXPECT_EQ(doc.DefaultPresetAvvio, 0);
    EXPECT_EQ(doc.Frequence, 0);
    for (int k = 0; k < 8; ++k) {
        SCOPED_TRACE("channel " + std::to_string(k));
        EXPECT_EQ(doc.Attenuation[k], 64);
        EXPECT_EQ(doc.InputLevel[k], 100);
        EXPECT_EQ(doc.LPFCutOff[k], 127);
        EXPECT_EQ(doc.HPFCutOff[k], 0);
        EXPECT_EQ(doc.SubMixAInput[k], 0);
        EXPECT_EQ(doc.XPosition[k], 64);
        EXPECT_EQ(doc.SpatOutZPos[k], 64);
        EXPECT_EQ(doc.ValInsertBSelect[k], 0);
        EXPECT_EQ(doc.SubBValSelect[k], 0);
    }
}

} // namespace

TEST(ParameterTable, CoversEveryArrayOnceWithDistinctKeysAndControllers) {
    std::set<std::string_view> keys;
    std::set<int> controllers;
    for (const ChannelParameter& entry : kChannelParameters) {
        EXPECT_TRUE(keys.insert(entry.fileKey).second) << entry.fileKey;
        EXPECT_EQ(entry.fileKey.back(), '0') << entry.fileKey;
        if (entry.controller != kNotSent) {
            EXPECT_TRUE(controllers.insert(entry.controller).second) << entry.fileKey;
            EXPECT_EQ(FindChannelParameterByController(entry.controller), &entry);
        }
    }
    // Every array member of the document is distinct: writing one never writes another.
    CControllerDoc doc;
    for (const ChannelParameter& entry : kChannelParameters) {
        std::fill(std::begin(doc.*entry.array), std::end(doc.*entry.array), -7);
    }
    for (const ChannelParameter& entry : kChannelParameters) {
        EXPECT_EQ((doc.*entry.array)[7], -7) << entry.fileKey;
    }
    for (int unused : {0, 10, 17, 18, 19, 23, 32, 127, 128, -1}) {
        EXPECT_EQ(FindChannelParameterByController(unused), nullptr) << unused;
    }
}

// What undo steps, screen readers and a cue's recall scope read from the table: a distinct
// name for every value, each value in one named group, captions that agree with the units,
// and the positions on the controllers the position windows send.
TEST(ParameterTable, NamesGroupsAndUnitsAgree) {
    using Doc = CControllerDoc;
    using enum ParameterGroup;
    using Keys = std::set<std::string_view>;
    Keys names;
    std::map<ParameterGroup, Keys> members;
    const auto check = [&](const auto& parameter) {
        EXPECT_FALSE(parameter.shownName.empty()) << parameter.fileKey;
        EXPECT_TRUE(names.insert(parameter.shownName).second) << parameter.shownName;
        EXPECT_TRUE(std::ranges::find(kParameterGroups, parameter.group) != kParameterGroups.end())
            << parameter.fileKey;
        members[parameter.group].insert(parameter.fileKey);
        std::string unit(UnitText(parameter.label.unit));
        std::ranges::transform(unit, unit.begin(), [](char c) { return std::tolower(c); });
        if (parameter.label.nameText.ends_with(')')) {
            EXPECT_TRUE(parameter.label.nameText.ends_with("(" + unit + ")")) << parameter.fileKey;
        }
    };
    std::ranges::for_each(kChannelParameters, check);
    std::ranges::for_each(kGlobalParameters, check);
    Keys groupNames;
    for (const ParameterGroup group : kParameterGroups) {
        EXPECT_FALSE(GroupName(group).empty());
        EXPECT_TRUE(groupNames.insert(GroupName(group)).second) << GroupName(group);
        EXPECT_FALSE(members[group].empty()) << GroupName(group);
    }
    EXPECT_EQ(members.size(), kParameterGroups.size());
    EXPECT_EQ(members[SourcePosition], (Keys{"XPosition0", "YPosition0", "ZPosition0"}));
    EXPECT_EQ(members[SpeakerPosition], (Keys{"SpatOutXPos0", "SpatOutYPos0", "SpatOutZPos0"}));
    EXPECT_EQ(members[Globals].size(), kGlobalParameters.size());
    Keys routing;
    for (const ChannelParameter& entry : kChannelParameters) {
        if (entry.section != SendSection::Channels) {
            routing.insert(entry.fileKey);
        }
    }
    EXPECT_EQ(members[Patchbay], routing);
    const std::pair<int, ChannelArray Doc::*> positions[] = {
        {13, &Doc::SpatOutXPos}, {14, &Doc::SpatOutYPos}, {15, &Doc::SpatOutZPos},
        {20, &Doc::XPosition},   {21, &Doc::YPosition},   {22, &Doc::ZPosition},
    };
    for (const auto& [controller, array] : positions) {
        EXPECT_EQ(ChannelParameterOf(array).controller, controller);
    }
    std::set<int> controlChannels;
    for (const GlobalParameter& entry : kGlobalParameters) {
        EXPECT_TRUE(entry.controlChannel == kNotSent ||
                    controlChannels.insert(entry.controlChannel).second)
            << entry.fileKey;
    }
}

TEST_F(DocumentTest, FreshDocumentHoldsTheResetValues) {
    EXPECT_EQ(doc.Name(), "New Document");
    EXPECT_FALSE(doc.ShowRawValues);
    ExpectResetValues(doc);
}

TEST_F(DocumentTest, NewRestoresValuesButKeepsRawDisplay) {
    doc.SetName("/tmp/show.ocont2");
    doc.ShowRawValues = true;
    doc.InputLevel[3] = 12;
    doc.SpatOutYPos[2] = 99;
    doc.NMatrixOutput = 8;
    doc.outMIDIPort = 2;

    EXPECT_TRUE(doc.NewDocument());
    EXPECT_EQ(doc.Name(), "New Document");
    EXPECT_TRUE(doc.ShowRawValues);
    ExpectResetValues(doc);
}

TEST_F(DocumentTest, ResetKeepsNameAndValuesOutsideTheMidiRange) {
    doc.SetName("/tmp/a.ocont2");
    doc.InputLevel[0] = 300; // the document never clamps what it is given
    EXPECT_EQ(doc.InputLevel[0], 300);
    doc.ResetToDefaults();
    EXPECT_EQ(doc.Name(), "/tmp/a.ocont2");
    EXPECT_EQ(doc.InputLevel[0], 100);
}

TEST_F(DocumentTest, DeviceNamesFallBackToTheErrorText) {
    backend.AddOutputDevice(std::nullopt);
    backend.AddOutputDevice("A device with a name far longer than thirty-one bytes");
    EXPECT_EQ(OutputDeviceName(backend, 0), "Processor A");
    EXPECT_EQ(OutputDeviceName(backend, 3), "Error inDevID = 3");
    EXPECT_EQ(OutputDeviceName(backend, 4), "A device with a name far longer");
    EXPECT_EQ(OutputDeviceName(backend, 4).size(), 31u);
    EXPECT_EQ(InputDeviceName(backend, 0), "Error inDevID = 0");
}

TEST(DeviceNames, CutNeverSplitsAUtf8Character) {
    // 30 ASCII bytes then a two-byte character: byte 31 would be half of it.
    const std::string name = std::string(30, 'a') + "\xC3\xA9" + "tail";
    EXPECT_EQ(CutDeviceName(name), std::string(30, 'a'));
    EXPECT_EQ(CutDeviceName("short"), "short");
}

TEST(NoMidiSystem, PortRunsWithNoDevices) {
    const CControllerDoc doc;
    OutputPortOwner output(NoMidiBackend());
    EXPECT_EQ(output.Backend().OutputCount(), 0);
    EXPECT_TRUE(output.Choose(0));
    EXPECT_FALSE(output.OpenForSending(0));
    EXPECT_FALSE(output.Choose(1));
    EXPECT_FALSE(output.SendControlChanges(SectionMessages(doc, SendSection::Globals)));
    EXPECT_EQ(output.SendShort(0xB0, 0, 7, 1).Failure(), MidiFailure::NoDevice); // none open
}

// Each write path tells its subscribers once, with its origin, only the values that really
// changed and whether the name did; the mark, the journal, undo and the title rely on it.
TEST_F(DocumentTest, EveryWritePathNotifiesOnceWithItsOriginAndOnlyRealChanges) {
    const ParameterKey level = KeyOf(&CControllerDoc::InputLevel, 3);
    const ParameterKey room = KeyOf(&CControllerDoc::RoomSide);
    struct Case {
        const char* name;
        std::function<void(CControllerDoc&)> write;
        std::vector<DocumentChanges> expected;
    };
    const std::vector<Case> cases = {
        {"Set to the value held",
         [&](CControllerDoc& d) { d.Set(level, 100, ChangeOrigin::Gesture); },
         {}},
        {"Set",
         [&](CControllerDoc& d) { d.Set(level, 7, ChangeOrigin::Gesture); },
         {{ChangeOrigin::Gesture, {{level, 100, 7}}}}},
        {"Apply leaves out the unchanged",
         [&](CControllerDoc& d) {
             const std::pair<ParameterKey, int> values[] = {{level, 100}, {room, 40}};
             d.Apply(values, ChangeOrigin::Undo);
         },
         {{ChangeOrigin::Undo, {{room, 11, 40}}}}},
        {"A scope tells the net difference once, with the outer origin",
         [&](CControllerDoc& d) {
             const CControllerDoc::ChangeScope outer(d, ChangeOrigin::Load);
             const CControllerDoc::ChangeScope inner(d, ChangeOrigin::Live);
             d.RoomSide = 40;
             d.Set(level, 9, ChangeOrigin::Gesture);
             d.RoomSide = 11; // back: nothing to tell for it
         },
         {{ChangeOrigin::Load, {{level, 100, 9}}}}},
        {"A received Control Change is live",
         [](CControllerDoc& d) {
             const auto received = ReceivedControlChange(0xB3, 7, 55);
             d.Set(received->key, received->value, ChangeOrigin::Live);
         },
         {{ChangeOrigin::Live, {{level, 100, 55}}}}},
        {"New is a load",
         [&](CControllerDoc& d) {
             d.InputLevel[3] = 1;
             d.NewDocument();
         },
         {{ChangeOrigin::Load, {{level, 1, 100}}}}},
        {"A rename is told once, with no value",
         [&](CControllerDoc& d) {
             d.SetName("/tmp/a.ocont2");
             d.SetName("/tmp/a.ocont2");
         },
         {{ChangeOrigin::Load, {}, true}}},
        {"A rename in a scope is told with its values",
         [&](CControllerDoc& d) {
             const CControllerDoc::ChangeScope load(d, ChangeOrigin::Load);
             d.SetName("/tmp/a.ocont2");
             d.InputLevel[3] = 9;
         },
         {{ChangeOrigin::Load, {{level, 100, 9}}, true}}},
        {"A rename undone in its scope tells nothing",
         [&](CControllerDoc& d) {
             const CControllerDoc::ChangeScope load(d, ChangeOrigin::Load);
             d.SetName("/tmp/a.ocont2");
             d.SetName(CControllerDoc::kNewDocument);
         },
         {}},
        {"New renames a named document with its values",
         [&](CControllerDoc& d) {
             {
                 const CControllerDoc::ChangeScope load(d, ChangeOrigin::Load);
                 d.SetName("/tmp/a.ocont2");
             }
             d.InputLevel[3] = 1;
             d.NewDocument();
         },
         {{ChangeOrigin::Load, {}, true}, {ChangeOrigin::Load, {{level, 1, 100}}, true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CControllerDoc fresh;
        std::vector<DocumentChanges> told;
        const int id =
            fresh.Subscribe([&](const DocumentChanges& changes) { told.push_back(changes); });
        c.write(fresh);
        ASSERT_EQ(told.size(), c.expected.size());
        for (std::size_t i = 0; i < told.size(); ++i) {
            EXPECT_EQ(told[i].origin, c.expected[i].origin);
            EXPECT_EQ(told[i].renamed, c.expected[i].renamed);
            ASSERT_EQ(told[i].values.size(), c.expected[i].values.size());
            for (std::size_t v = 0; v < told[i].values.size(); ++v) {
                EXPECT_EQ(told[i].values[v].key, c.expected[i].values[v].key);
                EXPECT_EQ(told[i].values[v].oldValue, c.expected[i].values[v].oldValue);
                EXPECT_EQ(told[i].values[v].newValue, c.expected[i].values[v].newValue);
            }
        }
        fresh.Unsubscribe(id);
        told.clear();
        fresh.Set(level, 42, ChangeOrigin::Gesture);
        EXPECT_TRUE(told.empty()) << "an unsubscribed listener hears nothing";
    }
}

// What each change redraws of the room, and how the picture reads: the room views repaint
// only what moved, and must never miss a source, a loudspeaker or the room's size.
TEST_F(DocumentTest, RoomPictureFollowsTheValuesThatDrawIt) {
    struct Row {
        const char* what;
        ParameterKey key;
        int source; // -1: none
        bool speakers;
        bool whole;
    };
    const Row rows[] = {
        {"source Y", KeyOf(&CControllerDoc::YPosition, 2), 2, false, false},
        {"source Z", KeyOf(&CControllerDoc::ZPosition, 7), 7, false, false},
        {"input level", KeyOf(&CControllerDoc::InputLevel, 0), 0, false, false},
        {"speaker X", KeyOf(&CControllerDoc::SpatOutXPos, 4), -1, true, false},
        {"speaker count", KeyOf(&CControllerDoc::NMatrixOutput), -1, true, false},
        {"room side", KeyOf(&CControllerDoc::RoomSide), -1, false, true},
        {"a filter", KeyOf(&CControllerDoc::LPFCutOff, 1), -1, false, false},
        {"master level", KeyOf(&CControllerDoc::MasterOutgain), -1, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const PictureChange change = PictureChangeOf({ChangeOrigin::Live, {{row.key, 1, 2}}});
        for (int c = 0; c < 8; ++c) {
            EXPECT_EQ(change.sources[static_cast<std::size_t>(c)], c == row.source);
        }
        EXPECT_EQ(change.speakers, row.speakers);
        EXPECT_EQ(change.whole, row.whole);
        EXPECT_EQ(change.Any(), row.source >= 0 || row.speakers || row.whole);
    }

    doc.XPosition[2] = 0;
    doc.InputLevel[5] = 0;
    doc.NMatrixOutput = 12; // a file may hold more than the knob allows
    RoomPicture picture = PictureOf(doc);
    EXPECT_EQ(picture.sources[2].positionText, "X -3.226 m, Y 0.025 m, Z 0.025 m");
    EXPECT_EQ(picture.sources[2].colour, kChannelColours[2]);
    EXPECT_TRUE(picture.sources[5].silent);
    EXPECT_FALSE(picture.sources[4].silent);
    EXPECT_EQ(picture.speakers.size(), 8u);
    EXPECT_EQ(picture.roomSideText, "6.453 m");
    doc.ShowRawValues = true;
    doc.NMatrixOutput = 0;
    picture = PictureOf(doc);
    EXPECT_EQ(picture.sources[2].positionText, "X 0, Y 64, Z 64");
    EXPECT_EQ(picture.speakers.size(), 1u);
}
