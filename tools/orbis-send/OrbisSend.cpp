#include "OrbisSend.h"

#include "midi/MidiApiChoice.h"
#include "midi/MidiBackend.h"
#include "midi/OutputPortOwner.h"
#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "model/ParameterTable.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string_view>

#ifndef ORBIS_VERSION
#define ORBIS_VERSION "unknown"
#endif

namespace {

constexpr std::string_view kProgram = "orbis-send";

constexpr std::string_view kUsage =
    "Usage: orbis-send FILE [--port N|NAME] [--only patchbay|channels|globals] [--force]\n"
    "       orbis-send --list-ports | --help | --version\n"
    "\n"
    "Reads the controller file FILE and sends its Patchbay, Channels and Globals\n"
    "sections, in that order, to the processor.\n"
    "\n"
    "  --port N|NAME   output device by its number in --list-ports or by its name\n"
    "                  (default: the output device stored in FILE)\n"
    "  --only SECTION  send only that section; may be given more than once\n"
    "  --force         send a file that ends early; what is missing goes as 0\n"
    "  --list-ports    list the MIDI output and input devices\n"
    "  -h, --help      show this help\n"
    "  -v, --version   show the version\n"
    "\n"
    "ORBIS_MIDI_API=alsa or jack chooses the MIDI system; by default the ALSA\n"
    "sequencer is used, and JACK when the sequencer is unavailable.\n"
    "\n"
    "Exit status: 0 sent, 1 file or MIDI failure (nothing sent), 2 bad command line.\n";

enum class Section { Patchbay, Channels, Globals };

struct SectionName {
    std::string_view name;
    Section section;
    SendSection messages;
};

constexpr std::array<SectionName, 3> kSections = {{
    {"patchbay", Section::Patchbay, SendSection::Patchbay},
    {"channels", Section::Channels, SendSection::Channels},
    {"globals", Section::Globals, SendSection::Globals},
}};

enum class Action { Send, ListPorts, Help, Version };

struct Options {
    Action action = Action::Send;
    std::string file;
    std::optional<std::string> port;
    std::array<bool, kSections.size()> only{};
    bool force = false;
};

struct Failure {
    int exitCode;
    std::string message;
};

std::optional<Failure> Parse(const std::vector<std::string>& arguments, Options& options) {
    const auto usage = [](std::string message) {
        return Failure{kExitUsage, std::move(message) + " (see --help)"};
    };
    bool haveFile = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.action = Action::Help;
            return std::nullopt;
        }
        if (argument == "--version" || argument == "-v") {
            options.action = Action::Version;
            return std::nullopt;
        }
        if (argument == "--list-ports") {
            options.action = Action::ListPorts;
        } else if (argument == "--force") {
            options.force = true;
        } else if (argument == "--port" || argument == "--only") {
            if (i + 1 >= arguments.size()) {
                return usage(argument + " needs a value");
            }
            const std::string& value = arguments[++i];
            if (argument == "--port") {
                options.port = value;
                continue;
            }
            const auto known =
                std::find_if(kSections.begin(), kSections.end(),
                             [&value](const SectionName& s) { return s.name == value; });
            if (known == kSections.end()) {
                return usage("unknown section \"" + value + "\" for --only");
            }
            options.only[static_cast<std::size_t>(known - kSections.begin())] = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            return usage("unknown option " + argument);
        } else if (haveFile) {
            return usage("more than one file given");
        } else {
            options.file = argument;
            haveFile = true;
        }
    }
    if (options.action == Action::Send && !haveFile) {
        return usage("no controller file given");
    }
    return std::nullopt;
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() < 10 &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The output list selection for --port: 1 is the first device. An exact name wins; else a
// name that contains the text, ignoring case, when only one does.
std::optional<int> FindOutput(MidiBackend& backend, const std::string& port, std::string& problem) {
    const int count = backend.OutputCount();
    if (IsNumber(port)) {
        const int number = std::stoi(port);
        if (number >= 1 && number <= count) {
            return number;
        }
        problem = "no output port " + port + " (there " +
                  (count == 1 ? "is 1" : "are " + std::to_string(count)) + ")";
        return std::nullopt;
    }
    std::vector<int> containing;
    for (int n = 0; n < count; ++n) {
        const std::string name = OutputDeviceName(backend, n);
        if (name == port) {
            return n + 1;
        }
        if (Lowered(name).find(Lowered(port)) != std::string::npos) {
            containing.push_back(n + 1);
        }
    }
    if (containing.size() == 1) {
        return containing.front();
    }
    problem = containing.empty() ? "no output port named \"" + port + "\""
                                 : "output port name \"" + port + "\" is ambiguous";
    return std::nullopt;
}

void ListPorts(MidiBackend& backend, std::ostream& out) {
    out << "Output devices:\n";
    for (int n = 0; n < backend.OutputCount(); ++n) {
        out << "  " << n + 1 << "  " << OutputDeviceName(backend, n) << '\n';
    }
    out << "Input devices:\n";
    for (int n = 0; n < backend.InputCount(); ++n) {
        out << "  " << n + 1 << "  " << InputDeviceName(backend, n) << '\n';
    }
}

// The MIDI system, or the failure that says why there is none and what to do.
std::optional<Failure> OpenMidi(const MidiSystemOpener& openMidi, MidiBackend*& backend) {
    const std::optional<MidiApiChoice> choice = MidiApiChoiceFromEnvironment();
    if (!choice) {
        return Failure{kExitFailure, UnknownMidiApiText(std::getenv("ORBIS_MIDI_API"))};
    }
    backend = openMidi ? openMidi() : nullptr;
    if (!backend) {
        return Failure{kExitFailure, NoMidiSystemAdvice(*choice)};
    }
    return std::nullopt;
}

std::optional<Failure> Send(const Options& options, const MidiSystemOpener& openMidi) {
    const FileRead read = ReadControllerFileText(options.file);
    if (!read) {
        return Failure{kExitFailure, read.Describe("read")};
    }
    const std::string& text = read.text;
    if (!LooksLikeControllerFile(text)) {
        return Failure{kExitFailure, options.file + " is not a controller file"};
    }
    // A file cut short would send zeros for everything it lost.
    if (const ControllerFileGaps gaps = FindControllerFileGaps(text);
        gaps.Any() && !options.force) {
        return Failure{kExitFailure, options.file +
                                         " ends early: " + DescribeControllerFileGaps(gaps) +
                                         "; give --force to send it anyway"};
    }
    MidiBackend* midi = nullptr;
    if (std::optional<Failure> failure = OpenMidi(openMidi, midi)) {
        return failure;
    }
    MidiBackend& backend = *midi;
    CControllerDoc doc;
    doc.SetName(options.file);
    ApplyControllerFileText(doc, text, false);

    std::string problem;
    if (options.port) {
        const std::optional<int> selection = FindOutput(backend, *options.port, problem);
        if (!selection) {
            return Failure{kExitFailure, problem};
        }
        doc.outMIDIPort = *selection;
    } else if (doc.outMIDIPort < 1 || doc.outMIDIPort > backend.OutputCount()) {
        return Failure{kExitFailure,
                       doc.outMIDIPort == 0
                           ? options.file + " names no output port; choose one with --port"
                           : "no output port " + std::to_string(doc.outMIDIPort) + " (named by " +
                                 options.file + ")"};
    }
    const std::string portName = std::to_string(doc.outMIDIPort) + " (" +
                                 OutputDeviceName(backend, doc.outMIDIPort - 1) + ")";
    OutputPortOwner output(backend);
    if (const MidiResult opened = output.OpenForSending(doc.outMIDIPort); !opened) {
        return Failure{kExitFailure,
                       "cannot open output port " + portName + ": " + opened.Describe()};
    }
    const bool all =
        std::none_of(options.only.begin(), options.only.end(), [](bool b) { return b; });
    for (std::size_t i = 0; i < kSections.size(); ++i) {
        if (!all && !options.only[i]) {
            continue;
        }
        if (const MidiResult sent =
                output.SendControlChanges(SectionMessages(doc, kSections[i].messages));
            !sent) {
            return Failure{kExitFailure, "sending the " + std::string(kSections[i].name) +
                                             " section failed: " + sent.Describe()};
        }
    }
    // The sends only queue the messages; the port must still be there when they leave.
    if (!output.Port().WaitUntilSent()) {
        return Failure{kExitFailure, "the output port " + portName + " went away while sending"};
    }
    return std::nullopt;
}

} // namespace

int RunOrbisSend(const std::vector<std::string>& arguments, const MidiSystemOpener& openMidi,
                 std::ostream& out, std::ostream& err) {
    Options options;
    std::optional<Failure> failure = Parse(arguments, options);
    if (!failure && options.action == Action::Help) {
        out << kUsage;
        return kExitOk;
    }
    if (!failure && options.action == Action::Version) {
        out << kProgram << ' ' << ORBIS_VERSION << '\n';
        return kExitOk;
    }
    if (!failure && options.action == Action::ListPorts) {
        MidiBackend* backend = nullptr;
        failure = OpenMidi(openMidi, backend);
        if (!failure) {
            ListPorts(*backend, out);
        }
    } else if (!failure) {
        failure = Send(options, openMidi);
    }
    if (failure) {
        err << kProgram << ": " << failure->message << '\n';
        return failure->exitCode;
    }
    return kExitOk;
}

int RunOrbisSend(const std::vector<std::string>& arguments, MidiBackend* backend, std::ostream& out,
                 std::ostream& err) {
    return RunOrbisSend(
        arguments, [backend] { return backend; }, out, err);
}
