// libFuzzer entry for the controller file reader (built with clang only): any bytes as a
// file's text, and as a file on disk read through the reader's own limit; the same bytes
// as a show file's text.
#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "model/ShowFile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CControllerDoc doc;
    ApplyControllerFileText(doc, text, false);
    LooksLikeControllerFile(text);
    ParseShowText(text);
    const std::size_t half = size / 2;
    ExtractInteger(text.substr(0, half), text.substr(half, 24));

    static const std::string path = "/tmp/orbis-fuzz-" + std::to_string(::getpid()) + ".ocont2";
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
        if (!ReadControllerFile(doc, path, true) ||
            ReadControllerFileText(path).text.size() > kControllerFileReadLimit) {
            __builtin_trap();
        }
    }
    return 0;
}
