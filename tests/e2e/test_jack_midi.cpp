// The port layer over RtMidi on a private JACK server: what the document sends arrives
// byte for byte at another client, and what another client sends reaches the document.
#include "midi/OutputPortOwner.h"
#include "midi/SystemMidiBackend.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "program/CControllerMidiIn.h"
#include "support/JackBackendTest.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<unsigned char>;

class JackMidiTest : public JackBackendTest {
protected:
    void SetUp() override {
        JackBackendTest::SetUp();
        doc = std::make_unique<CControllerDoc>();
        if (backend) {
            output = std::make_unique<OutputPortOwner>(*backend);
        }
    }
    void TearDown() override {
        output.reset(); // closes the output before the backend goes
        JackBackendTest::TearDown();
    }

    // A section of the document to its output device, as the program sends it.
    MidiResult Send(SendSection section) {
        const MidiResult opened = output->OpenForSending(doc->outMIDIPort);
        return opened ? output->SendControlChanges(SectionMessages(*doc, section)) : opened;
    }

    std::unique_ptr<CControllerDoc> doc;
    std::unique_ptr<OutputPortOwner> output;
};

} // namespace

TEST_F(JackMidiTest, SectionsAndSysExArriveByteForByte) {
    JackMidiCapture capture("orbis-e2e-capture");
    ASSERT_TRUE(capture.IsOpen());
    const int device = OutputDevice("orbis-e2e-capture");
    ASSERT_GE(device, 0) << "the capture client is not in the output list";
    doc->outMIDIPort = device + 1;
    doc->InputLevel[5] = 17;
    doc->ValInsertBSelect[7] = 99;

    ASSERT_TRUE(Send(SendSection::Patchbay));
    ASSERT_TRUE(Send(SendSection::Channels));
    ASSERT_TRUE(Send(SendSection::Globals));
    const unsigned char save[] = {0xF0, 0x00, 0x20, 0x5E, 0x08, 0xF7};
    ASSERT_TRUE(output->SendSysEx(save));
    ASSERT_TRUE(output->SendShort(0xC0, 0, 64, 0));

    ASSERT_TRUE(capture.WaitFor(56 + 152 + 4 + 2, 5s)) << capture.Messages().size();
    const auto got = capture.Messages();
    ASSERT_EQ(got.size(), 214u);
    EXPECT_EQ(got[0], (Bytes{0xB0, 2, 0}));
    EXPECT_EQ(got[55], (Bytes{0xB7, 27, 99}));
    EXPECT_EQ(got[56], (Bytes{0xB0, 7, 100}));
    EXPECT_EQ(got[56 + 5 * 19], (Bytes{0xB5, 7, 17}));
    EXPECT_EQ(got[56 + 151], (Bytes{0xB7, 9, 64}));
    EXPECT_EQ(got[208], (Bytes{0xB3, 0, 11}));
    EXPECT_EQ(got[211], (Bytes{0xB4, 0, 0}));
    EXPECT_EQ(got[212], Bytes(save, save + sizeof save));
    EXPECT_EQ(got[213], (Bytes{0xC0, 0x40}));
}

TEST_F(JackMidiTest, ControlChangesFromAnotherClientReachTheDocument) {
    JackMidiSender sender("orbis-e2e-sender");
    ASSERT_TRUE(sender.IsOpen());
    const int device = InputDevice("orbis-e2e-sender");
    ASSERT_GE(device, 0) << "the sender client is not in the input list";

    CControllerMidiIn receiver(*backend);
    receiver.SetDocumentSource([this] { return doc.get(); });
    ASSERT_TRUE(receiver.Open(device, OutputPortOwner::kPortOption));
    receiver.Start();

    sender.Send({0xB2, 7, 48});
    sender.Send({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}); // ignored safely
    sender.Send({0xF8});
    sender.Send({0xB2, 8});       // truncated
    sender.Send({9, 1});          // running status without its status byte
    sender.Send({0xB2, 9, 0x90}); // out-of-range data byte
    sender.Send({0xB3, 0, 30});
    sender.Send({0xB6, 22, 5});

    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (doc->ZPosition[6] != 5 && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(doc->InputLevel[2], 48);
    EXPECT_EQ(doc->RoomSide, 30);
    EXPECT_EQ(doc->ZPosition[6], 5);
    EXPECT_EQ(doc->Attenuation[2], 64);
    EXPECT_EQ(doc->BellFactor[2], 64);
    receiver.Close();
}

TEST_F(JackMidiTest, APortThatVanishesWhileOpenIsHarmless) {
    auto capture = std::make_unique<JackMidiCapture>("orbis-e2e-vanishing");
    ASSERT_TRUE(capture->IsOpen());
    const int device = OutputDevice("orbis-e2e-vanishing");
    ASSERT_GE(device, 0);
    doc->outMIDIPort = device + 1;
    ASSERT_TRUE(Send(SendSection::Globals));
    ASSERT_TRUE(capture->WaitFor(4, 5s));
    capture.reset(); // the client goes away with our port still connected to it
    std::this_thread::sleep_for(50ms);
    // The sender hears of it, and nothing breaks.
    EXPECT_EQ(Send(SendSection::Channels).Failure(), MidiFailure::SendFailed);
    EXPECT_TRUE(output->IsOpen());
    EXPECT_FALSE(output->Port().IsAlive());
    output.reset(); // closing the port afterwards is safe too
}
