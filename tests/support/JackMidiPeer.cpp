#include "support/JackMidiPeer.h"

#include <RtMidi.h>

#include <cstdlib>
#include <thread>

bool UseTestJackServer() {
    const char* server = std::getenv("ORBIS_TEST_JACK_SERVER");
    if (!server || !*server) {
        return false;
    }
    ::setenv("JACK_DEFAULT_SERVER", server, 1);
    ::setenv("ORBIS_MIDI_API", "jack", 1);
    return true;
}

namespace {
void Quiet(RtMidiError::Type, const std::string&, void*) {}
} // namespace

JackMidiCapture::JackMidiCapture(const std::string& clientName) {
    try {
        m_port = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, clientName, 4096);
        m_port->setErrorCallback(Quiet);
        m_port->ignoreTypes(false, true, true);
        m_port->setCallback(&JackMidiCapture::OnMessage, this);
        m_port->openVirtualPort("in");
        m_open = true;
    } catch (const std::exception&) {
        m_port.reset();
    }
}

JackMidiCapture::~JackMidiCapture() = default;

bool JackMidiCapture::IsOpen() const {
    return m_port && m_open;
}

void JackMidiCapture::OnMessage(double, std::vector<unsigned char>* message, void* self) {
    auto* capture = static_cast<JackMidiCapture*>(self);
    std::lock_guard lock(capture->m_mutex);
    capture->m_messages.push_back(*message);
    capture->m_lastArrival = std::chrono::steady_clock::now();
}

std::vector<JackMidiCapture::Message> JackMidiCapture::Messages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

bool JackMidiCapture::WaitFor(std::size_t count, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        {
            std::lock_guard lock(m_mutex);
            if (m_messages.size() >= count) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::lock_guard lock(m_mutex);
    return m_messages.size() >= count;
}

void JackMidiCapture::Clear() {
    std::lock_guard lock(m_mutex);
    m_messages.clear();
}

std::chrono::steady_clock::time_point JackMidiCapture::LastArrival() const {
    std::lock_guard lock(m_mutex);
    return m_lastArrival;
}

JackMidiSender::JackMidiSender(const std::string& clientName) {
    try {
        m_port = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, clientName);
        m_port->setErrorCallback(Quiet);
        m_port->openVirtualPort("out");
        m_open = true;
    } catch (const std::exception&) {
        m_port.reset();
    }
}

JackMidiSender::~JackMidiSender() = default;

bool JackMidiSender::IsOpen() const {
    return m_port && m_open;
}

void JackMidiSender::Send(const std::vector<unsigned char>& message) {
    std::vector<unsigned char> copy = message;
    m_port->sendMessage(&copy);
}
