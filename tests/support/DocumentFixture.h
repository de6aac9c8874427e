// A document wired to the in-memory MIDI backend and a fake main window.
#pragma once

#include "model/CControllerDoc.h"
#include "support/MemoryMidiBackend.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class FakeView : public ControllerView {
public:
    int outputSelection = 0;
    int shownChannel = 0;
    std::vector<std::string> moves; // what the receiver did to the controls, in order

    int OutputListSelection() const override { return outputSelection; }
    int ShownChannel() const override { return shownChannel; }
    void MoveChannelControl(ChannelArray CControllerDoc::*parameter, int value) override;
    void MoveGlobalControl(int CControllerDoc::*parameter, int value) override;
    void MoveSourcePad(int x, int y) override {
        moves.push_back("pad " + std::to_string(x) + " " + std::to_string(y));
    }
    void MoveSourceZ(int value) override { moves.push_back("z " + std::to_string(value)); }
};

class DocumentTest : public ::testing::Test {
protected:
    DocumentTest() {
        backend.AddOutputDevice("Processor A");
        backend.AddOutputDevice("Processor B");
        backend.AddOutputDevice("Broken", /*opens=*/false);
        doc.SetView(&view);
    }
    ~DocumentTest() override { doc.MidiOut.Close(); }

    using Bytes = std::vector<std::uint8_t>;

    MemoryMidiBackend backend;
    FakeView view;
    CControllerDoc doc{backend};
};
