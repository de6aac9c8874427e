#include "support/DocumentFixture.h"

#include <algorithm>
#include <functional>

namespace {

using enum SendSection;

using Bytes = std::vector<std::uint8_t>;

Bytes CC(int channel, int controller, int value) {
    return {static_cast<std::uint8_t>(0xB0 + channel), static_cast<std::uint8_t>(controller),
            static_cast<std::uint8_t>(value)};
}

} // namespace

TEST_F(DocumentTest, ChannelsSectionOfAFreshDocument) {
    ASSERT_TRUE(Send(Channels));
    const auto sent = backend.SentTo(0);
    ASSERT_EQ(sent.size(), 152u);
    const std::vector<Bytes> channel0 = {CC(0, 7, 100), CC(0, 5, 0),   CC(0, 4, 127), CC(0, 28, 0),
                                         CC(0, 29, 0),  CC(0, 30, 0),  CC(0, 31, 0),  CC(0, 13, 64),
                                         CC(0, 14, 64), CC(0, 15, 64), CC(0, 20, 64), CC(0, 21, 64),
                                         CC(0, 22, 64), CC(0, 16, 64), CC(0, 12, 64), CC(0, 6, 64),
                                         CC(0, 11, 64), CC(0, 8, 64),  CC(0, 9, 64)};
    for (std::size_t i = 0; i < channel0.size(); ++i) {
        EXPECT_EQ(sent[i], channel0[i]) << "message " << i;
    }
    EXPECT_EQ(sent[19], CC(1, 7, 100));
    EXPECT_EQ(sent[151], CC(7, 9, 64));
}

TEST_F(DocumentTest, ChannelsSectionCarriesEachChannelsOwnValues) {
    // Distinct values everywhere, so a wrong array or index shows.
    const int controllers[19] = {7,  5,  4,  28, 29, 30, 31, 13, 14, 15,
                                 20, 21, 22, 16, 12, 6,  11, 8,  9};
    ChannelArray CControllerDoc::*arrays[19] = {
        &CControllerDoc::InputLevel,   &CControllerDoc::HPFCutOff,    &CControllerDoc::LPFCutOff,
        &CControllerDoc::SubMixAInput, &CControllerDoc::SubMixBInput, &CControllerDoc::InsertAGain,
        &CControllerDoc::InsertBGain,  &CControllerDoc::SpatOutXPos,  &CControllerDoc::SpatOutYPos,
        &CControllerDoc::SpatOutZPos,  &CControllerDoc::XPosition,    &CControllerDoc::YPosition,
        &CControllerDoc::ZPosition,    &CControllerDoc::FrontRear,    &CControllerDoc::GainEnhance,
        &CControllerDoc::DopplerDepth, &CControllerDoc::ITDDepth,     &CControllerDoc::Attenuation,
        &CControllerDoc::BellFactor};
    for (int i = 0; i < 19; ++i) {
        for (int k = 0; k < 8; ++k) {
            (doc.*arrays[i])[k] = (i * 8 + k) % 128;
        }
    }
    ASSERT_TRUE(Send(Channels));
    const auto sent = backend.SentTo(0);
    ASSERT_EQ(sent.size(), 152u);
    for (int k = 0; k < 8; ++k) {
        for (int i = 0; i < 19; ++i) {
            EXPECT_EQ(sent[static_cast<std::size_t>(k * 19 + i)],
                      CC(k, controllers[i], (i * 8 + k) % 128))
                << "channel " << k << " controller " << controllers[i];
        }
    }
}

TEST_F(DocumentTest, PatchbayAndGlobalsSections) {
    for (int k = 0; k < 8; ++k) {
        doc.ValHostInPBSelect[k] = 10 + k;
        doc.ValSpatInPBSelect[k] = 20 + k;
        doc.ValRosInPBSelect[k] = 30 + k;
        doc.ValSubASelect[k] = 40 + k;
        doc.ValSubBSelect[k] = 50 + k;
        doc.ValInsertASelect[k] = 60 + k;
        doc.ValInsertBSelect[k] = 70 + k;
        doc.HostInPBSelect[k] = 99; // kinds and channels never go out
    }
    ASSERT_TRUE(Send(Patchbay));
    auto sent = backend.SentTo(0);
    ASSERT_EQ(sent.size(), 56u);
    for (int k = 0; k < 8; ++k) {
        const std::vector<Bytes> expected = {
            CC(k, 2, 10 + k),  CC(k, 1, 20 + k),  CC(k, 3, 30 + k), CC(k, 24, 40 + k),
            CC(k, 25, 50 + k), CC(k, 26, 60 + k), CC(k, 27, 70 + k)};
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(sent[static_cast<std::size_t>(k) * 7 + i], expected[i]) << "channel " << k;
        }
    }

    backend.ClearRecords();
    ASSERT_TRUE(Send(Globals));
    sent = backend.SentTo(0);
    EXPECT_EQ(sent,
              (std::vector<Bytes>{{0xB3, 0, 11}, {0xB1, 0, 5}, {0xB2, 0, 100}, {0xB4, 0, 0}}));
}

TEST_F(DocumentTest, ProgramChangeGoesOutAsTwoBytes) {
    ASSERT_TRUE(output.OpenForSending(1));
    ASSERT_TRUE(output.SendShort(0xC0, 0, 64, 0));
    ASSERT_TRUE(output.SendShort(0xC0, 0, 0, 0));
    EXPECT_EQ(backend.SentTo(0), (std::vector<Bytes>{{0xC0, 0x40}, {0xC0, 0x00}}));
    // The event handed over is still the three-byte record with a zero second data byte.
    const auto events = backend.PutEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].status, 0xC0);
    EXPECT_EQ(events[0].data1, 0x40);
    EXPECT_EQ(events[0].data2, 0);
    EXPECT_EQ(events[0].time, 0u);
    EXPECT_EQ(events[0].spare, 0);
}

TEST_F(DocumentTest, SysExCommandsArriveWholeFromOneEventPerByte) {
    const unsigned char rec[] = {0xF0, 0x00, 0x20, 0x5E, 0x04, 0xF7};
    const unsigned char set[] = {0xF0, 0x00, 0x20, 0x5E, 0x0C, 0x40, 0xF7};
    ASSERT_TRUE(output.OpenForSending(2));
    ASSERT_TRUE(output.SendSysEx(rec));
    ASSERT_TRUE(output.SendSysEx(set));
    EXPECT_EQ(backend.SentTo(1), (std::vector<Bytes>{Bytes(rec, rec + 6), Bytes(set, set + 7)}));
    const auto events = backend.PutEvents();
    ASSERT_EQ(events.size(), 13u);
    EXPECT_EQ(events[0].status, 0xF0);
    EXPECT_EQ(events[0].data1, 0xF0);
    EXPECT_EQ(events[5].data1, 0xF7);
}

TEST_F(DocumentTest, InterruptedSysExIsNeverSentHalf) {
    ASSERT_TRUE(output.Choose(1));
    // The port takes every event; the run is dropped on the way to the wire.
    for (const auto& [status, byte] : std::initializer_list<std::pair<int, int>>{
             {0xF0, 0xF0}, {0xF0, 0x00}, {0xB0, 7}, {0xF0, 0x20}, {0xF0, 0xF7}}) {
        EXPECT_TRUE(status == 0xF0 ? output.SendSysExByte(byte)
                                   : output.SendShort(status, 0, byte, 1));
    }
    EXPECT_EQ(backend.SentTo(0), (std::vector<Bytes>{{0xB0, 7, 1}}));
}

TEST_F(DocumentTest, ValuesOutsideTheMidiRangeGoOutClamped) {
    doc.InputLevel[0] = 300;
    doc.HPFCutOff[0] = -5;
    doc.LPFCutOff[0] = 200; // 0xC8 would be read as a status byte
    ASSERT_TRUE(Send(Channels));
    const auto sent = backend.SentTo(0);
    EXPECT_EQ(sent[0], CC(0, 7, 127));
    EXPECT_EQ(sent[1], CC(0, 5, 0));
    EXPECT_EQ(sent[2], CC(0, 4, 127));
}

TEST_F(DocumentTest, PromptEntryAtStartSendsNothing) {
    EXPECT_TRUE(output.Choose(0));
    EXPECT_FALSE(Send(Channels, 0));
    EXPECT_FALSE(Send(Patchbay, 0));
    EXPECT_FALSE(Send(Globals, 0));
    EXPECT_TRUE(backend.Calls().empty()); // nothing was even opened
    EXPECT_TRUE(backend.PutEvents().empty());
}

TEST_F(DocumentTest, SwitchingDevicesClosesTheOldPortFirst) {
    ASSERT_TRUE(Send(Globals, 2));
    EXPECT_EQ(output.Device(), 1);
    ASSERT_TRUE(Send(Globals, 1));
    EXPECT_FALSE(Send(Globals, 0));
    EXPECT_EQ(backend.Calls(),
              (std::vector<std::string>{"open-out 1", "reset-out 1", "close-out 1", "open-out 0",
                                        "reset-out 0", "close-out 0", "open-out -1"}));
    EXPECT_EQ(backend.SentTo(1).size(), 4u);
    EXPECT_EQ(backend.SentTo(0).size(), 4u);
}

TEST_F(DocumentTest, SameEntryReturnsAtOnceAndAFailedDeviceIsNotRetried) {
    EXPECT_EQ(output.Choose(3).Failure(), MidiFailure::OpenFailed); // "Broken"
    EXPECT_TRUE(output.Choose(3)); // same entry: nothing is touched
    EXPECT_EQ(Send(Channels, 3).Failure(), MidiFailure::OpenFailed);
    EXPECT_EQ(backend.Calls(), (std::vector<std::string>{"open-out 2"}));

    // Another entry makes the next send to it try again.
    ASSERT_TRUE(Send(Channels, 1));
    EXPECT_EQ(Send(Channels, 3).Failure(), MidiFailure::OpenFailed);
    EXPECT_EQ(backend.Calls(), (std::vector<std::string>{"open-out 2", "open-out 0", "reset-out 0",
                                                         "close-out 0", "open-out 2"}));
}

TEST_F(DocumentTest, NewLeavesThePortAlone) {
    ASSERT_TRUE(Send(Globals, 2));
    doc.NewDocument();
    EXPECT_TRUE(Send(Globals, 2));
    EXPECT_EQ(backend.SentTo(1).size(), 8u);
    EXPECT_EQ(backend.Calls(), (std::vector<std::string>{"open-out 1"}));
}

TEST_F(DocumentTest, DestructionResetsAndClosesTheOutput) {
    {
        OutputPortOwner other(backend);
        ASSERT_TRUE(other.OpenForSending(1));
        ASSERT_TRUE(other.SendControlChanges(SectionMessages(doc, Globals)));
    }
    EXPECT_EQ(backend.Calls(),
              (std::vector<std::string>{"open-out 0", "reset-out 0", "close-out 0"}));
}

TEST_F(DocumentTest, APortClosesOnTheBackendItWasOpenedOn) {
    MemoryMidiBackend other;
    other.AddOutputDevice("Elsewhere");
    {
        OutputPortOwner second(other);
        ASSERT_TRUE(second.OpenForSending(1));
        ASSERT_TRUE(Send(Globals));
        EXPECT_EQ(output.Choose(9).Failure(), MidiFailure::NoDevice);
    }
    EXPECT_EQ(other.Calls(),
              (std::vector<std::string>{"open-out 0", "reset-out 0", "close-out 0"}));
    EXPECT_EQ(backend.Calls(),
              (std::vector<std::string>{"open-out 0", "reset-out 0", "close-out 0", "open-out 8"}));
}

TEST_F(DocumentTest, AVanishedDeviceNeverStopsTheSender) {
    ASSERT_TRUE(Send(Globals));
    backend.UnplugOutput(0);
    EXPECT_FALSE(output.SendShort(0xB0, 0, 7, 1)); // the port reports the failure,
    // and so does the section, which still runs to the end
    EXPECT_EQ(Send(Channels).Failure(), MidiFailure::SendFailed);
    EXPECT_EQ(backend.SentTo(0).size(), 4u);
}

// Without an open port every kind of send says why nothing went out, puts nothing, and the
// entry chosen last is not opened again by sending to it.
TEST_F(DocumentTest, WhatASendReportsByTheStateOfTheChosenEntry) {
    struct Row {
        const char* name;
        std::function<void(OutputPortOwner&)> choose;
        int entry; // what the sends go to
        MidiFailure expected;
    };
    const std::vector<Row> rows = {
        {"nothing chosen yet", [](OutputPortOwner&) {}, 0, MidiFailure::NoDevice},
        {"an unlisted device", [](OutputPortOwner& o) { static_cast<void>(o.Choose(9)); }, 9,
         MidiFailure::NoDevice},
        {"a device that would not open", [](OutputPortOwner& o) { static_cast<void>(o.Choose(3)); },
         3, MidiFailure::OpenFailed},
        {"a device that went away",
         [](OutputPortOwner& o) {
             static_cast<void>(o.Choose(1));
             o.LetGo(1);
         },
         1, MidiFailure::DeviceGone},
        {"a device that came back",
         [](OutputPortOwner& o) {
             static_cast<void>(o.Choose(1));
             o.LetGo(1);
             static_cast<void>(o.Reopen(1));
         },
         1, MidiFailure::None},
        {"a renumbered device",
         [](OutputPortOwner& o) {
             static_cast<void>(o.Choose(1));
             o.Renumber(2);
         },
         2, MidiFailure::None},
    };
    const unsigned char command[] = {0xF0, 0x00, 0x20, 0x5E, 0x04, 0xF7};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OutputPortOwner owner(backend);
        row.choose(owner);
        backend.ClearRecords();
        EXPECT_EQ(owner.OpenForSending(row.entry).Failure(), row.expected);
        EXPECT_EQ(owner.SendShort(0xB0, 0, 7, 1).Failure(), row.expected);
        EXPECT_EQ(owner.SendSysEx(command).Failure(), row.expected);
        EXPECT_EQ(owner.SendControlChanges(SectionMessages(doc, Globals)).Failure(), row.expected);
        EXPECT_EQ(backend.PutEvents().size(), row.expected == MidiFailure::None ? 11u : 0u);
        const auto calls = backend.Calls();
        EXPECT_EQ(
            std::count_if(calls.begin(), calls.end(),
                          [](const std::string& call) { return call.starts_with("open-out"); }),
            0);
    }
}
