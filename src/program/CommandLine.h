// The program's command line. It is read once before any window system is touched, so that
// --help and --version work without a display, and once more after QApplication has taken
// out Qt's standard options.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct CommandLine {
    bool help = false;
    bool version = false;
    bool oscNames = false;            // print the OSC addresses taken as a Markdown table
    std::optional<std::string> file;  // controller file to open in place of the last one
    std::optional<std::string> cues;  // show file whose cue list is opened at start
    std::optional<std::string> error; // what was wrong with the arguments
    // Documentation aids, not shown in --help: save a picture of the main window once it
    // is shown, optionally in raw display, then close.
    std::optional<std::string> screenshot;
    bool rawValues = false;
    // OSC control for this run: listening turns on with a port.
    std::optional<int> oscPort;
    std::optional<std::string> oscAddress;
    std::optional<int> oscFirstObject;
    std::optional<int> oscReplyPort;
    // OSCQuery for this run, on this TCP port.
    std::optional<int> oscQueryPort;
    std::vector<std::string> oscFeedback; // "HOST:PORT" each, an IP address as HOST
    // The remote page for this run: serving turns on with a port.
    std::optional<int> remotePort;
    std::optional<std::string> remoteAddress;
    std::optional<std::string> remoteCode;
};

// `passQtOptions` for the reading before QApplication has taken Qt's options out: they are
// passed over, so that any error found then is one whatever the display.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, bool passQtOptions = false);
std::string UsageText(const std::string& program);
// The name a usage line shows: the program file's name without its folder.
std::string ProgramName(const std::string& argument0);
