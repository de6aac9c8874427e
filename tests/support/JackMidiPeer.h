// Peers on the private JACK server of the end-to-end tests: a capture client that keeps
// every message it receives, and a sender client.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class RtMidiIn;
class RtMidiOut;

// Points libjack at the test server named in ORBIS_TEST_JACK_SERVER; false when there is none.
bool UseTestJackServer();

class JackMidiCapture {
public:
    using Message = std::vector<unsigned char>;

    explicit JackMidiCapture(const std::string& clientName);
    ~JackMidiCapture();

    bool IsOpen() const;
    std::vector<Message> Messages() const;
    // Waits until at least `count` messages have arrived; false on time-out.
    bool WaitFor(std::size_t count, std::chrono::milliseconds timeout) const;
    void Clear();
    // The time the latest message arrived.
    std::chrono::steady_clock::time_point LastArrival() const;

private:
    static void OnMessage(double, std::vector<unsigned char>* message, void* self);

    std::unique_ptr<RtMidiIn> m_port;
    bool m_open = false;
    mutable std::mutex m_mutex;
    std::vector<Message> m_messages;
    std::chrono::steady_clock::time_point m_lastArrival;
};

class JackMidiSender {
public:
    explicit JackMidiSender(const std::string& clientName);
    ~JackMidiSender();

    bool IsOpen() const;
    void Send(const std::vector<unsigned char>& message);

private:
    std::unique_ptr<RtMidiOut> m_port;
    bool m_open = false;
};

// Index of the first device whose name contains `part` in a backend list, or -1.
template <class NameOf> int FindDevice(int count, NameOf nameOf, const std::string& part) {
    for (int n = 0; n < count; ++n) {
        if (nameOf(n).find(part) != std::string::npos) {
            return n;
        }
    }
    return -1;
}
