// What came of opening a port or sending through it. Callers that do not look at a result
// hide a dead device from the operator, so the type cannot be dropped without saying so.
#pragma once

#include <cstdint>

enum class MidiFailure : std::uint8_t {
    None,
    NoDevice,   // the prompt entry, a number past the end of the device list, or no port open
    OpenFailed, // the device is listed but the MIDI system would not open it
    SendFailed, // the port is open but the MIDI system refused the message
    DeviceGone, // the chosen device left the MIDI system; nothing goes out until it returns
};

class [[nodiscard]] MidiResult {
public:
    constexpr MidiResult() = default;
    constexpr MidiResult(MidiFailure failure) : m_failure(failure) {}

    constexpr bool Ok() const { return m_failure == MidiFailure::None; }
    constexpr explicit operator bool() const { return Ok(); }
    constexpr MidiFailure Failure() const { return m_failure; }
    // A short English reason, for logs and command-line errors.
    const char* Describe() const;

private:
    MidiFailure m_failure = MidiFailure::None;
};
