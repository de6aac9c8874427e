// The HID system of a test build of the library: one tracker whose reports come from the
// environment variable KESTREL_SCRIPT, four counts per report, reports separated by ';'
// ("263,307,346,307;0,0,0,0"). No variable, no tracker. Lets the monitor run end to end.
#include "FakeHidBackend.h"

#include <cstdlib>
#include <sstream>
#include <string>

namespace kestrel {

std::unique_ptr<HidBackend> CreateSystemHidBackend() {
    auto backend = std::make_unique<FakeHidBackend>();
    const char* script = std::getenv("KESTREL_SCRIPT");
    if (!script)
        return backend;
    auto& tracker = backend->Add(0x1295, 0x0011);
    std::istringstream reports(script);
    for (std::string report; std::getline(reports, report, ';');) {
        std::istringstream fields(report);
        std::vector<std::uint8_t> bytes;
        for (std::string field; std::getline(fields, field, ',');) {
            const auto count = static_cast<std::uint16_t>(std::stoul(field));
            bytes.push_back(static_cast<std::uint8_t>(count & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(count >> 8));
        }
        tracker.replies.push_back(FakeHidBackend::Bytes(std::move(bytes)));
    }
    return backend;
}

} // namespace kestrel
