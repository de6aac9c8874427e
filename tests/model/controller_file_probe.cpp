// Command-line access to the controller file for the property-list interoperability test:
//   controller_file_probe write SEED PATH   writes a random document, prints its values
//   controller_file_probe read PATH         reads a file, prints its values
// Values are printed one per line: "KEY CHANNEL VALUE" for the channel dictionaries and
// "KEY - VALUE" for the ninth.
#include "support/FileTestSupport.h"

#include "model/ControllerFile.h"

#include <cstdio>
#include <iostream>

namespace {

void PrintValues(const CControllerDoc& doc) {
    for (const ChannelParameter& parameter : kChannelParameters) {
        for (int channel = 0; channel < CControllerDoc::kChannels; ++channel) {
            std::cout << parameter.fileKey << ' ' << channel << ' '
                      << (doc.*parameter.array)[channel] << '\n';
        }
    }
    for (const GlobalParameter& parameter : kGlobalParameters) {
        std::cout << parameter.fileKey << " - " << doc.*parameter.member << '\n';
    }
}

} // namespace

int main(int argc, char* argv[]) {
    const std::string mode = argc > 1 ? argv[1] : "";
    CControllerDoc doc;
    if (mode == "write" && argc == 4) {
        std::mt19937 random(static_cast<unsigned>(std::stoul(argv[2])));
        FillRandom(doc, random);
        if (!WriteControllerFile(doc, argv[3])) {
            return 1;
        }
    } else if (mode == "read" && argc == 3) {
        if (!ReadControllerFile(doc, argv[2], false)) {
            return 1;
        }
    } else {
        std::fprintf(stderr, "usage: controller_file_probe write SEED PATH | read PATH\n");
        return 2;
    }
    PrintValues(doc);
    return 0;
}
