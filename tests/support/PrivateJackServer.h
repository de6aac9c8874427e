// A JACK server of a test's own (dummy driver), for tests that stop and restart a server
// under the program; the shared server of scripts/test is never touched. Stopped with
// SIGTERM, so it leaves nothing behind in JACK's registry.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

#include <sys/types.h>

class PrivateJackServer {
public:
    // Asynchronous is JACK's default: a cycle starts on time even when the last one has not
    // finished, and under load a client may then run twice on one period or miss one, so
    // messages between two clients are lost or repeated. Synchronous waits for every client
    // (up to seconds), so each period passes from client to client exactly once.
    enum class Cycle { Asynchronous, Synchronous };
    explicit PrivateJackServer(std::string name, Cycle cycle = Cycle::Asynchronous);
    ~PrivateJackServer();

    // Starts it and waits until it takes clients; false when jackd is missing or fails.
    bool Start();
    // Stops it and waits until it has gone.
    void Stop();
    const std::string& Name() const { return m_name; }

private:
    std::string m_name;
    Cycle m_cycle;
    pid_t m_pid = -1;
};

struct _jack_client;
struct _jack_port;

// A bare JACK client with one MIDI port, for tests that stop servers under it (a client
// of RtMidi's cannot be closed once its server has gone). As a sink it counts what arrives
// at its input "in"; as a flood it sends, as fast as the server takes them, Control Change
// 7 on channel 1 with the values 0, 1, ..., 127, 0, ... from its output "out".
class BareJackClient {
public:
    enum class Role { Sink, Flood };
    BareJackClient(const std::string& name, Role role);
    ~BareJackClient();

    bool IsOpen() const { return m_client != nullptr; }
    std::size_t Received() const;
    // How many ports are connected to this client's port.
    int Connections() const;
    // Whether a client of that name is on the server.
    bool SeesClient(const char* name) const;
    // Its server was stopped: the client is left open at its end, as the program leaves its
    // own. Closing a client whose server went cancels libjack's threads while they may still
    // be telling of the stop, which crashes now and then; libjack's notice of the stop does
    // the same when it comes first.
    void ServerStopped() { m_serverGone = true; }
    // Starts sending `count` messages; Sent() tells how many went out so far.
    void Flood(std::size_t count);
    std::size_t Sent() const;

private:
    static int Process(unsigned frames, void* self);

    _jack_client* m_client = nullptr;
    _jack_port* m_port = nullptr;
    Role m_role;
    std::atomic<std::size_t> m_received{0};
    std::atomic<std::size_t> m_toSend{0};
    std::atomic<std::size_t> m_sent{0};
    std::atomic<bool> m_serverGone{false};
};
