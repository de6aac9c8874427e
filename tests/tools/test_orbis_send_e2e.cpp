// The orbis-send program on the private JACK server: the bytes of the three sections
// arrive at another client, and each failure exits non-zero with nothing sent.
#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "support/JackMidiPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>

extern char** environ;

using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<unsigned char>;
using Doc = CControllerDoc;

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

class OrbisSendProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!UseTestJackServer()) {
            GTEST_SKIP() << "ORBIS_TEST_JACK_SERVER is not set: no private JACK server to test on";
        }
        char pattern[] = "/tmp/orbis-send-e2e-XXXXXX";
        folder = ::mkdtemp(pattern);
        capture = std::make_unique<JackMidiCapture>("orbis-send-e2e");
        ASSERT_TRUE(capture->IsOpen()) << "cannot open a capture client on the test server";
    }
    void TearDown() override {
        capture.reset();
        if (!folder.empty()) {
            std::filesystem::remove_all(folder);
        }
    }

    // Runs the program; extraEnvironment entries ("NAME=value") override inherited ones.
    Result Run(const std::vector<std::string>& arguments,
               const std::vector<std::string>& extraEnvironment = {}) {
        std::vector<std::string> argv{ORBIS_SEND_PROGRAM};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> argp;
        for (std::string& a : argv) {
            argp.push_back(a.data());
        }
        argp.push_back(nullptr);
        std::vector<std::string> environment = extraEnvironment;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('='));
            if (std::none_of(
                    extraEnvironment.begin(), extraEnvironment.end(),
                    [&name](const std::string& x) { return x.rfind(name + "=", 0) == 0; })) {
                environment.push_back(entry);
            }
        }
        std::vector<char*> envp;
        for (std::string& e : environment) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);

        const std::string outPath = (folder / "stdout").string();
        const std::string errPath = (folder / "stderr").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        pid_t pid = 0;
        Result result;
        if (posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data()) == 0) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        result.out = ReadAll(outPath);
        result.err = ReadAll(errPath);
        return result;
    }

    // The capture client's number in the program's own output list.
    int CaptureNumber() {
        const Result listing = Run({"--list-ports"});
        EXPECT_EQ(listing.exitCode, 0) << listing.err;
        std::istringstream lines(listing.out);
        bool outputs = false;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("Output devices", 0) == 0 || line.rfind("Input devices", 0) == 0) {
                outputs = line[0] == 'O';
            } else if (outputs && line.find("orbis-send-e2e") != std::string::npos) {
                return std::stoi(line);
            }
        }
        ADD_FAILURE() << "the capture client is not listed:\n" << listing.out;
        return 0;
    }

    std::string WriteFile(Doc& doc, const std::string& name) {
        const std::string path = (folder / name).string();
        EXPECT_TRUE(WriteControllerFile(doc, path));
        return path;
    }

    // Nothing arrives within a generous margin of a JACK period.
    void ExpectNothingArrived(const std::string& what) {
        std::this_thread::sleep_for(150ms);
        EXPECT_TRUE(capture->Messages().empty()) << what;
    }

    std::filesystem::path folder;
    std::unique_ptr<JackMidiCapture> capture;
};

// The wire order of the sections, written out independently of the document's own table.
std::vector<Bytes> ExpectedSections(const Doc& doc) {
    using Row = std::pair<int, const int(Doc::*)[8]>;
    const Row patchbay[] = {{2, &Doc::ValHostInPBSelect}, {1, &Doc::ValSpatInPBSelect},
                            {3, &Doc::ValRosInPBSelect},  {24, &Doc::ValSubASelect},
                            {25, &Doc::ValSubBSelect},    {26, &Doc::ValInsertASelect},
                            {27, &Doc::ValInsertBSelect}};
    const Row channels[] = {
        {7, &Doc::InputLevel},    {5, &Doc::HPFCutOff},     {4, &Doc::LPFCutOff},
        {28, &Doc::SubMixAInput}, {29, &Doc::SubMixBInput}, {30, &Doc::InsertAGain},
        {31, &Doc::InsertBGain},  {13, &Doc::SpatOutXPos},  {14, &Doc::SpatOutYPos},
        {15, &Doc::SpatOutZPos},  {20, &Doc::XPosition},    {21, &Doc::YPosition},
        {22, &Doc::ZPosition},    {16, &Doc::FrontRear},    {12, &Doc::GainEnhance},
        {6, &Doc::DopplerDepth},  {11, &Doc::ITDDepth},     {8, &Doc::Attenuation},
        {9, &Doc::BellFactor}};
    std::vector<Bytes> messages;
    const auto section = [&](const auto& rows) {
        for (int k = 0; k < 8; ++k) {
            for (const Row& row : rows) {
                messages.push_back(Bytes{static_cast<unsigned char>(0xB0 + k),
                                         static_cast<unsigned char>(row.first),
                                         static_cast<unsigned char>((doc.*row.second)[k])});
            }
        }
    };
    section(patchbay);
    section(channels);
    for (const auto& [status, value] : {std::pair{0xB3, doc.RoomSide},
                                        {0xB1, doc.NMatrixOutput},
                                        {0xB2, doc.MasterOutgain},
                                        {0xB4, doc.MatrixSpeed}}) {
        messages.push_back(
            Bytes{static_cast<unsigned char>(status), 0, static_cast<unsigned char>(value)});
    }
    return messages;
}

TEST_F(OrbisSendProgramTest, SendsTheFileToTheDeviceItNames) {
    Doc doc;
    doc.outMIDIPort = CaptureNumber();
    ASSERT_GT(doc.outMIDIPort, 0);
    doc.ValSpatInPBSelect[0] = 5;
    doc.ValInsertBSelect[7] = 99;
    doc.InputLevel[2] = 17;
    doc.SpatOutZPos[4] = 3;
    doc.BellFactor[7] = 1;
    doc.MatrixSpeed = 42;
    const std::string path = WriteFile(doc, "setup.ocont2");

    const Result result = Run({path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::vector<Bytes> expected = ExpectedSections(doc);
    ASSERT_TRUE(capture->WaitFor(expected.size(), 5s)) << capture->Messages().size();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(capture->Messages(), expected);
}

TEST_F(OrbisSendProgramTest, PortByNameAndOneSection) {
    Doc doc; // its file names no device
    doc.RoomSide = 99;
    const std::string path = WriteFile(doc, "globals.ocont2");
    const Result result = Run({path, "--port", "orbis-send-e2e", "--only", "globals"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    ASSERT_TRUE(capture->WaitFor(4, 5s));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(capture->Messages(),
              (std::vector<Bytes>{{0xB3, 0, 99}, {0xB1, 0, 5}, {0xB2, 0, 100}, {0xB4, 0, 0}}));
}

TEST_F(OrbisSendProgramTest, FailuresExitNonZeroAndSendNothing) {
    Doc doc;
    doc.outMIDIPort = CaptureNumber();
    const std::string good = WriteFile(doc, "good.ocont2");
    const std::string junk = (folder / "junk.txt").string();
    std::ofstream(junk) << "not a controller file\n";

    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        std::vector<std::string> environment;
        int exitCode;
    };
    const Case cases[] = {
        {"unknown port number", {good, "--port", "999"}, {}, 1},
        {"unknown port name", {good, "--port", "no-such-client"}, {}, 1},
        {"missing file", {(folder / "missing.ocont2").string()}, {}, 1},
        {"non-controller file", {junk}, {}, 1},
        {"no MIDI system",
         {good},
         {"JACK_DEFAULT_SERVER=orbis-no-such-server", "ORBIS_MIDI_API=jack"},
         1},
        {"unknown MIDI system", {good}, {"ORBIS_MIDI_API=pipewire"}, 1},
        {"bad command line", {good, "--only", "all"}, {}, 2},
    };
    for (const Case& c : cases) {
        const Result result = Run(c.arguments, c.environment);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.what << ": " << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1)
            << c.what << ": " << result.err;
        EXPECT_EQ(result.out, "") << c.what;
    }
    ExpectNothingArrived("after the failures");
}

TEST_F(OrbisSendProgramTest, HelpAndVersion) {
    const Result help = Run({"--help"}, {"JACK_DEFAULT_SERVER=orbis-no-such-server"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--list-ports"), std::string::npos);
    const Result version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("orbis-send ", 0), 0u);
}

} // namespace
