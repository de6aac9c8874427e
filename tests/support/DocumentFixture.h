// A document and an output port owner wired to the in-memory MIDI backend.
#pragma once

#include "midi/OutputPortOwner.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "support/MemoryMidiBackend.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class DocumentTest : public ::testing::Test {
protected:
    DocumentTest() {
        backend.AddOutputDevice("Processor A");
        backend.AddOutputDevice("Processor B");
        backend.AddOutputDevice("Broken", /*opens=*/false);
    }

    // A whole section of the document to the output list's entry `entry`, as the program
    // and orbis-send send it.
    MidiResult Send(SendSection section, int entry = 1) {
        const MidiResult opened = output.OpenForSending(entry);
        return opened ? output.SendControlChanges(SectionMessages(doc, section)) : opened;
    }

    using Bytes = std::vector<std::uint8_t>;

    MemoryMidiBackend backend;
    CControllerDoc doc;
    OutputPortOwner output{backend};
};
