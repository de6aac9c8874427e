// The command line and the signal that ends the program.
#include "app/CTerminationHandler.h"
#include "app/CommandLine.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

struct LineCase {
    std::vector<std::string> arguments;
    bool help, version;
    const char* file; // nullptr for none
    bool error;
};

const LineCase kLines[] = {
    {{}, false, false, nullptr, false},
    {{"--help"}, true, false, nullptr, false},
    {{"-v"}, false, true, nullptr, false},
    {{"show.ocont2"}, false, false, "show.ocont2", false},
    {{"--", "-odd name.ocont2"}, false, false, "-odd name.ocont2", false},
    {{"a.ocont2", "b.ocont2"}, false, false, "a.ocont2", true},
    {{"--frobnicate"}, false, false, nullptr, true},
    {{"--screenshot"}, false, false, nullptr, true},
};

} // namespace

TEST(CommandLine, ParsesOptionsAndOneFile) {
    for (const LineCase& test : kLines) {
        std::string joined;
        for (const std::string& argument : test.arguments) {
            joined += argument + ' ';
        }
        SCOPED_TRACE(joined);
        const CommandLine line = ParseCommandLine(test.arguments);
        EXPECT_EQ(line.help, test.help);
        EXPECT_EQ(line.version, test.version);
        EXPECT_EQ(line.file.has_value(), test.file != nullptr);
        if (test.file && line.file) {
            EXPECT_EQ(*line.file, test.file);
        }
        EXPECT_EQ(line.error.has_value(), test.error);
    }
}

TEST(CommandLine, UsageNamesTheProgramNotItsPath) {
    const std::pair<const char*, const char*> names[] = {
        {"/usr/local/bin/Orbis", "Orbis"},
        {"./build-release/bin/Orbis", "Orbis"},
        {"Orbis", "Orbis"},
        {"", "Orbis"},
    };
    for (const auto& [argument, name] : names) {
        EXPECT_EQ(ProgramName(argument), name) << argument;
    }
    EXPECT_EQ(UsageText(ProgramName("/opt/x/Orbis")).rfind("Usage: Orbis [OPTION]... [FILE]\n", 0),
              0u);
}

TEST(TerminationHandler, TurnsSigtermIntoASignalOnTheEventLoop) {
    CTerminationHandler handler;
    QSignalSpy spy(&handler, &CTerminationHandler::terminationRequested);
    ASSERT_EQ(std::raise(SIGTERM), 0); // the process survives: the handler only writes a byte
    ASSERT_TRUE(spy.wait(2000));
    EXPECT_EQ(spy.takeFirst().at(0).toInt(), SIGTERM);
}
