#include "program/CommandLine.h"

#include "program/COscFeedback.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <set>

namespace {

// A whole number from `low` to `high`, or nothing.
std::optional<int> Number(const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// Qt's own options, which QApplication takes out of the arguments: those followed by a value,
// and the rest. The first reading, before QApplication exists, passes over them.
bool IsQtOption(const std::string& argument, bool* takesValue) {
    static const std::set<std::string> withValue = {
        "platform",    "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
        "qwindowicon", "qwindowtitle",       "session",       "style",  "stylesheet",
        "display",     "geometry",           "name",          "title",  "visual",
        "dialogs",     "fontengine"};
    static const std::set<std::string> alone = {"reverse", "widgetcount", "sync",       "cmap",
                                                "nograb",  "dograb",      "testability"};
    std::string name = argument.substr(argument.starts_with("--") ? 2 : 1);
    name = name.substr(0, name.find('='));
    *takesValue = withValue.count(name) != 0 && argument.find('=') == std::string::npos;
    return withValue.count(name) != 0 || alone.count(name) != 0 ||
           name.starts_with("qmljsdebugger");
}

// A pairing code of the remote page: 4 to 32 ASCII letters or digits.
bool IsRemoteCode(const std::string& code) {
    return code.size() >= 4 && code.size() <= 32 &&
           std::all_of(code.begin(), code.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, bool passQtOptions) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            if (argument == "--") {
                optionsEnded = true;
            } else if (argument == "--help" || argument == "-h") {
                line.help = true;
            } else if (argument == "--version" || argument == "-v") {
                line.version = true;
            } else if (argument == "--osc-names") {
                line.oscNames = true;
            } else if (argument == "--raw-values") {
                line.rawValues = true;
            } else if (argument == "--screenshot" && i + 1 < arguments.size()) {
                line.screenshot = arguments[++i];
            } else if (argument == "--cues" && i + 1 < arguments.size()) {
                line.cues = arguments[++i];
            } else if (argument == "--osc-address" && i + 1 < arguments.size()) {
                line.oscAddress = arguments[++i];
            } else if (argument == "--osc-feedback" && i + 1 < arguments.size()) {
                line.oscFeedback.push_back(arguments[++i]);
                if (!COscFeedback::ParseTarget(QString::fromStdString(arguments[i]))) {
                    line.error = "invalid target for --osc-feedback (HOST:PORT, HOST an IP "
                                 "address): " +
                                 arguments[i];
                }
            } else if (argument == "--remote-address" && i + 1 < arguments.size()) {
                line.remoteAddress = arguments[++i];
            } else if (argument == "--remote-code" && i + 1 < arguments.size()) {
                line.remoteCode = arguments[++i];
                if (!IsRemoteCode(*line.remoteCode)) {
                    line.error = "invalid code for --remote-code (4 to 32 letters or digits): " +
                                 *line.remoteCode;
                }
            } else if ((argument == "--osc-port" || argument == "--remote-port" ||
                        argument == "--osc-reply-port" || argument == "--osc-first-object" ||
                        argument == "--oscquery-port") &&
                       i + 1 < arguments.size()) {
                const bool object = argument == "--osc-first-object";
                const std::optional<int> value = Number(arguments[++i], 1, object ? 99999 : 65535);
                if (!value) {
                    line.error = "invalid number for " + argument + ": " + arguments[i];
                } else if (argument == "--osc-port") {
                    line.oscPort = value;
                } else if (argument == "--remote-port") {
                    line.remotePort = value;
                } else if (argument == "--oscquery-port") {
                    line.oscQueryPort = value;
                } else if (object) {
                    line.oscFirstObject = value;
                } else {
                    line.oscReplyPort = value;
                }
            } else if (bool takesValue = false;
                       passQtOptions && IsQtOption(argument, &takesValue)) {
                i += takesValue ? 1 : 0;
            } else {
                line.error = "unknown option " + argument;
            }
            continue;
        }
        if (line.file) {
            line.error = "only one controller file can be opened";
            continue;
        }
        line.file = argument;
    }
    return line;
}

std::string UsageText(const std::string& program) {
    return "Usage: " + program +
           " [OPTION]... [FILE]\n"
           "Controller of the Orbis eight-channel surround spatializer.\n"
           "\n"
           "Opens FILE, an ORBIS controller file (.ocont2), in place of the document that\n"
           "was open when the program last ended.\n"
           "\n"
           "  -h, --help       show this help and exit\n"
           "  -v, --version    show the version and exit\n"
           "      --cues SHOW            open the cue list of SHOW, a show file (.oshow)\n"
           "      --osc-port N           receive OSC control (ADM-OSC positions and the\n"
           "                             program's own addresses) on UDP port N\n"
           "      --osc-address ADDRESS  listen there instead of 127.0.0.1 (any computer\n"
           "                             that reaches ADDRESS can then move the sources)\n"
           "      --osc-first-object N   objects N to N+7 are channels 1 to 8 (default 1)\n"
           "      --osc-reply-port N     answer queries on port N (default 4002)\n"
           "      --osc-feedback HOST:PORT\n"
           "                             send every change of a value or position to\n"
           "                             UDP port PORT of HOST, an IP address, besides\n"
           "                             the remembered targets (may be repeated)\n"
           "      --osc-names            print every OSC address taken, for first object 1,\n"
           "                             as a Markdown table, and exit\n"
           "      --oscquery-port N      describe the OSC addresses and their values over\n"
           "                             OSCQuery on TCP port N (with OSC control on)\n"
           "      --remote-port N        serve the remote page for phones and tablets on\n"
           "                             TCP port N\n"
           "      --remote-address A     serve it at address A instead of 127.0.0.1\n"
           "                             (0.0.0.0: on every interface)\n"
           "      --remote-code CODE     the code a page pairs with (4 to 32 letters or\n"
           "                             digits; default: the remembered one)\n"
           "\n"
           "Qt's standard options are accepted too, for example -style NAME or\n"
           "-platform NAME.\n"
           "\n"
           "ORBIS_MIDI_API=alsa or jack chooses the MIDI system; by default the ALSA\n"
           "sequencer is used, and JACK when the sequencer is unavailable.\n";
}

std::string ProgramName(const std::string& argument0) {
    const std::size_t slash = argument0.find_last_of('/');
    const std::string name = slash == std::string::npos ? argument0 : argument0.substr(slash + 1);
    return name.empty() ? "Orbis" : name;
}
