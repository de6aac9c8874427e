// orbis-send's command line against the in-memory MIDI backend: what it sends, and that
// every failure is one line on stderr with a non-zero exit and nothing sent.
#include "OrbisSend.h"

#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "support/FileTestSupport.h"
#include "support/MemoryMidiBackend.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using Bytes = MemoryMidiBackend::Message;

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

class OrbisSendTest : public ::testing::Test {
protected:
    OrbisSendTest() {
        backend.AddOutputDevice("Orbis Processor");
        backend.AddOutputDevice("Desk Synth");
        backend.AddOutputDevice("Broken Interface", /*opens=*/false);
        backend.AddOutputDevice("Desk Synth 2");
        backend.AddInputDevice("Orbis Processor In");
        char pattern[] = "/tmp/orbis-send-test-XXXXXX";
        folder = ::mkdtemp(pattern);
    }
    ~OrbisSendTest() override { std::filesystem::remove_all(folder); }

    // Writes a controller file of a document whose output device is outMIDIPort.
    std::string ControllerFile(int outMIDIPort) {
        CControllerDoc doc;
        doc.outMIDIPort = outMIDIPort;
        doc.InputLevel[3] = 33;
        doc.ValSubBSelect[6] = 12;
        doc.RoomSide = 50;
        const std::string path = (folder / "setup.ocont2").string();
        EXPECT_TRUE(WriteControllerFile(doc, path));
        return path;
    }

    int Run(const std::vector<std::string>& arguments, bool withMidi = true) {
        out.str({});
        err.str({});
        return RunOrbisSend(arguments, withMidi ? &backend : nullptr, out, err);
    }

    std::size_t SentCount() {
        std::size_t count = 0;
        for (int device = 0; device < backend.OutputCount(); ++device) {
            count += backend.SentTo(device).size();
        }
        return count;
    }

    MemoryMidiBackend backend;
    std::filesystem::path folder;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(OrbisSendTest, SendsTheThreeSectionsToTheFilesDevice) {
    ASSERT_EQ(Run({ControllerFile(2)}), 0) << err.str();
    EXPECT_EQ(err.str(), "");
    const auto sent = backend.SentTo(1);
    ASSERT_EQ(sent.size(), 56u + 152u + 4u);
    EXPECT_EQ(sent[0], (Bytes{0xB0, 2, 0})); // patchbay first
    EXPECT_EQ(sent[6 * 7 + 4], (Bytes{0xB6, 25, 12}));
    EXPECT_EQ(sent[56], (Bytes{0xB0, 7, 100})); // then the channels
    EXPECT_EQ(sent[56 + 3 * 19], (Bytes{0xB3, 7, 33}));
    EXPECT_EQ(sent[208], (Bytes{0xB3, 0, 50})); // globals last
    EXPECT_EQ(sent[211], (Bytes{0xB4, 0, 0}));
    EXPECT_EQ(SentCount(), sent.size());
    EXPECT_EQ(backend.Calls().back(), "close-out 1");
}

TEST_F(OrbisSendTest, PortAndOnlyOptionsChooseDeviceAndSections) {
    const std::string file = ControllerFile(2);
    struct Case {
        std::vector<std::string> arguments;
        int device;
        std::size_t messages;
    };
    const Case cases[] = {
        {{file, "--port", "1"}, 0, 212},
        {{file, "--port", "Orbis Processor"}, 0, 212},
        {{file, "--port", "orbis"}, 0, 212},      // unique part of a name, any case
        {{file, "--port", "Desk Synth"}, 1, 212}, // an exact name beats a longer one
        {{file, "--only", "globals"}, 1, 4},
        {{"--only", "patchbay", file, "--only", "globals"}, 1, 60},
        {{file, "--only", "channels", "--port", "4"}, 3, 152},
    };
    for (const Case& c : cases) {
        backend.ClearRecords();
        std::string line;
        for (const std::string& a : c.arguments) {
            line += a + " ";
        }
        ASSERT_EQ(Run(c.arguments), 0) << line << err.str();
        EXPECT_EQ(backend.SentTo(c.device).size(), c.messages) << line;
        EXPECT_EQ(SentCount(), c.messages) << line;
    }
    backend.ClearRecords();
    ASSERT_EQ(Run({file, "--only", "globals", "--port", "1"}), 0);
    EXPECT_EQ(backend.SentTo(0).front(), (Bytes{0xB3, 0, 50}));
}

TEST_F(OrbisSendTest, FailuresAreOneLineAndSendNothing) {
    const std::string good = ControllerFile(1);
    const std::string noPort = (folder / "no-port.ocont2").string();
    std::filesystem::copy_file(ControllerFile(0), noPort);
    const std::string farPort = (folder / "far-port.ocont2").string();
    std::filesystem::copy_file(ControllerFile(9), farPort);
    const std::string junk = (folder / "junk.txt").string();
    std::ofstream(junk) << "just some text\n<dict></dict>\n";
    const std::string missing = (folder / "missing.ocont2").string();
    const std::string cut = (folder / "cut.ocont2").string();
    std::ofstream(cut, std::ios::binary) << ReadFile(good).substr(0, 3000);

    struct Case {
        std::vector<std::string> arguments;
        bool withMidi;
        int exitCode;
        std::string mentions;
    };
    std::vector<Case> cases = {
        {{}, true, 2, "no controller file"},
        {{good, good}, true, 2, "more than one file"},
        {{good, "--bogus"}, true, 2, "unknown option --bogus"},
        {{good, "--port"}, true, 2, "--port needs a value"},
        {{good, "--only", "everything"}, true, 2, "unknown section"},
        {{missing}, true, 1, "No such file or directory"},
        {{missing}, false, 1, "No such file or directory"}, // the file first, then MIDI
        {{junk}, false, 1, "is not a controller file"},
        {{cut}, true, 1, "ends early: the values of Ch. 2 to Ch. 8 and the global values"},
        {{cut, "--port", "1"}, false, 1, "give --force to send it anyway"},
        {{folder.string()}, true, 1, "cannot read " + folder.string() + ": it is a directory"},
        {{junk}, true, 1, "is not a controller file"},
        {{good}, false, 1, "no MIDI system: no ALSA sequencer (load its module"},
        {{"--list-ports"}, false, 1, "on PipeWire run the program under pw-jack"},
        {{noPort}, true, 1, "names no output port"},
        {{farPort}, true, 1, "no output port 9"},
        {{good, "--port", "7"}, true, 1, "no output port 7"},
        {{good, "--port", "0"}, true, 1, "no output port 0"},
        {{good, "--port", "Nowhere"}, true, 1, "no output port named \"Nowhere\""},
        {{good, "--port", "desk"}, true, 1, "ambiguous"},
        {{good, "--port", "3"}, true, 1, "cannot open output port 3 (Broken Interface)"},
    };
    TemporaryFolder specialFolder;
    const std::vector<NonRegularFile> special = MakeNonRegularFiles(specialFolder);
    for (const NonRegularFile& file : special) {
        cases.push_back({{file.path.string()},
                         true,
                         1,
                         "cannot read " + file.path.string() + ": " + file.reason});
    }
    for (const Case& c : cases) {
        backend.ClearRecords();
        std::string line;
        for (const std::string& a : c.arguments) {
            line += a + " ";
        }
        RunWithoutWaitingOn(special.front().path,
                            [&] { EXPECT_EQ(Run(c.arguments, c.withMidi), c.exitCode) << line; });
        const std::string message = err.str();
        EXPECT_EQ(message.rfind("orbis-send: ", 0), 0u) << line << message;
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << line << message;
        EXPECT_NE(message.find(c.mentions), std::string::npos) << line << message;
        EXPECT_EQ(out.str(), "") << line;
        EXPECT_EQ(SentCount(), 0u) << line;
    }
}

TEST_F(OrbisSendTest, ForceSendsAFileThatEndsEarly) {
    const std::string cut = (folder / "cut.ocont2").string();
    std::ofstream(cut, std::ios::binary) << ReadFile(ControllerFile(2)).substr(0, 3000);
    ASSERT_EQ(Run({cut, "--force", "--port", "1"}), 0) << err.str();
    EXPECT_EQ(backend.SentTo(0).size(), 212u);
}

TEST_F(OrbisSendTest, TheMidiSystemIsOpenedOnlyOnceFileAndChoiceAreGood) {
    const std::string good = ControllerFile(1);
    int opened = 0;
    const MidiSystemOpener opener = [this, &opened] {
        ++opened;
        return &backend;
    };
    struct Case {
        std::vector<std::string> arguments;
        const char* api; // ORBIS_MIDI_API, nullptr for unset
        int exitCode;
        int opens;
        const char* mentions;
    };
    const Case cases[] = {
        {{(folder / "missing.ocont2").string()}, nullptr, 1, 0, "cannot read"},
        {{good, "--bogus"}, nullptr, 2, 0, "unknown option"},
        {{"--help"}, nullptr, 0, 0, ""},
        {{"-v"}, nullptr, 0, 0, ""},
        {{good},
         "pipewire",
         1,
         0,
         "ORBIS_MIDI_API=pipewire is not a MIDI system; use alsa or jack"},
        {{"--list-ports"}, "coreaudio", 1, 0, "use alsa or jack"},
        {{good}, "JACK", 0, 1, ""},
        {{good}, nullptr, 0, 1, ""},
    };
    for (const Case& c : cases) {
        if (c.api) {
            ::setenv("ORBIS_MIDI_API", c.api, 1);
        } else {
            ::unsetenv("ORBIS_MIDI_API");
        }
        opened = 0;
        err.str({});
        out.str({});
        const std::string line = c.arguments.front() + " ORBIS_MIDI_API=" + (c.api ? c.api : "");
        EXPECT_EQ(RunOrbisSend(c.arguments, opener, out, err), c.exitCode) << line << err.str();
        EXPECT_EQ(opened, c.opens) << line;
        EXPECT_NE(err.str().find(c.mentions), std::string::npos) << line << err.str();
    }
    ::unsetenv("ORBIS_MIDI_API");
}

TEST_F(OrbisSendTest, ListsDevicesNumberedAsTheOutputList) {
    ASSERT_EQ(Run({"--list-ports"}), 0);
    EXPECT_EQ(out.str(), "Output devices:\n"
                         "  1  Orbis Processor\n"
                         "  2  Desk Synth\n"
                         "  3  Broken Interface\n"
                         "  4  Desk Synth 2\n"
                         "Input devices:\n"
                         "  1  Orbis Processor In\n");
    EXPECT_TRUE(backend.Calls().empty()); // listing opens nothing
}

TEST_F(OrbisSendTest, HelpAndVersionNeedNoMidi) {
    EXPECT_EQ(Run({"--help"}, false), 0);
    EXPECT_NE(out.str().find("Usage: orbis-send FILE"), std::string::npos);
    for (const char* version : {"--version", "-v"}) {
        EXPECT_EQ(Run({version}, false), 0);
        EXPECT_EQ(out.str().rfind("orbis-send ", 0), 0u) << version;
    }
    EXPECT_EQ(Run({"-h"}, false), 0);
    EXPECT_NE(out.str().find("--force"), std::string::npos);
    EXPECT_EQ(err.str(), "");
}

} // namespace
