#include "support/PrivateJackServer.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

PrivateJackServer::PrivateJackServer(std::string name, Cycle cycle)
    : m_name(std::move(name)), m_cycle(cycle) {}

PrivateJackServer::~PrivateJackServer() {
    Stop();
}

bool PrivateJackServer::Start() {
    // Made before the fork: the child of a threaded process must not allocate.
    std::vector<const char*> args = {"jackd", "--no-realtime", "-n", m_name.c_str()};
    if (m_cycle == Cycle::Synchronous) {
        args.insert(args.end(), {"--sync", "--timeout", "10000"});
    }
    args.insert(args.end(), {"-d", "dummy", "-r", "48000", "-p", "256", nullptr});
    m_pid = ::fork();
    if (m_pid == 0) {
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 1);
        ::dup2(quiet, 2);
        ::setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        ::execvp("jackd", const_cast<char* const*>(args.data()));
        ::_exit(127);
    }
    if (m_pid < 0) {
        return false;
    }
    jack_set_error_function([](const char*) {}); // "not running" while it starts up
    jack_set_info_function([](const char*) {});
    for (int attempt = 0; attempt < 100; ++attempt) {
        jack_status_t status{};
        const auto options = static_cast<jack_options_t>(JackNoStartServer | JackServerName);
        if (jack_client_t* probe =
                jack_client_open("orbis-test-probe", options, &status, m_name.c_str())) {
            jack_client_close(probe);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Stop();
    return false;
}

void PrivateJackServer::Stop() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }
}

BareJackClient::BareJackClient(const std::string& name, Role role) : m_role(role) {
    jack_status_t status{};
    m_client = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (!m_client) {
        return;
    }
    m_port = jack_port_register(m_client, role == Role::Sink ? "in" : "out", JACK_DEFAULT_MIDI_TYPE,
                                role == Role::Sink ? JackPortIsInput : JackPortIsOutput, 0);
    jack_set_process_callback(m_client, &BareJackClient::Process, this);
    jack_on_info_shutdown(
        m_client,
        [](jack_status_t, const char*, void* self) {
            static_cast<BareJackClient*>(self)->m_serverGone = true;
        },
        this);
    if (!m_port || jack_activate(m_client) != 0) {
        jack_client_close(m_client);
        m_client = nullptr;
    }
}

BareJackClient::~BareJackClient() {
    if (m_client && !m_serverGone) {
        jack_client_close(m_client);
    }
}

std::size_t BareJackClient::Received() const {
    return m_received.load();
}

int BareJackClient::Connections() const {
    return m_port ? jack_port_connected(m_port) : 0;
}

bool BareJackClient::SeesClient(const char* name) const {
    char* uuid = m_client ? jack_get_uuid_for_client_name(m_client, name) : nullptr;
    jack_free(uuid);
    return uuid != nullptr;
}

void BareJackClient::Flood(std::size_t count) {
    m_toSend = count;
}

std::size_t BareJackClient::Sent() const {
    return m_sent.load();
}

int BareJackClient::Process(unsigned frames, void* arg) {
    auto* self = static_cast<BareJackClient*>(arg);
    void* buffer = jack_port_get_buffer(self->m_port, frames);
    if (self->m_role == Role::Sink) {
        self->m_received += jack_midi_get_event_count(buffer);
        return 0;
    }
    jack_midi_clear_buffer(buffer);
    std::size_t sent = self->m_sent.load();
    while (sent < self->m_toSend.load()) {
        jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, 3);
        if (!event) {
            break; // the period is full; the rest in the next
        }
        event[0] = 0xB0;
        event[1] = 7;
        event[2] = static_cast<jack_midi_data_t>(sent % 128);
        ++sent;
    }
    self->m_sent = sent;
    return 0;
}
