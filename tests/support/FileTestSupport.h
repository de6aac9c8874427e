// Helpers shared by the controller file tests: documents with random values, comparison
// of every persistent value, a private temporary folder, and files that are not files.
#pragma once

#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

inline void FillRandom(CControllerDoc& doc, std::mt19937& random) {
    // Mostly MIDI values, some far outside them, now and then the int extremes.
    std::uniform_int_distribution<int> pick(0, 99);
    std::uniform_int_distribution<int> midi(0, 127);
    std::uniform_int_distribution<int> wide(-100000, 100000);
    const auto value = [&]() {
        const int p = pick(random);
        if (p < 2) {
            return p == 0 ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
        }
        return p < 70 ? midi(random) : wide(random);
    };
    for (const ChannelParameter& parameter : kChannelParameters) {
        for (int& element : doc.*parameter.array) {
            element = value();
        }
    }
    for (const GlobalParameter& parameter : kGlobalParameters) {
        doc.*parameter.member = value();
    }
}

// Every persistent value, one "key[channel]=value" per line, so that a failure names the key.
inline std::string PersistentValues(const CControllerDoc& doc) {
    std::ostringstream text;
    for (const ChannelParameter& parameter : kChannelParameters) {
        for (int channel = 0; channel < CControllerDoc::kChannels; ++channel) {
            text << parameter.fileKey << '[' << channel << "]=" << (doc.*parameter.array)[channel]
                 << '\n';
        }
    }
    for (const GlobalParameter& parameter : kGlobalParameters) {
        text << parameter.fileKey << '=' << doc.*parameter.member << '\n';
    }
    return text.str();
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orbis-file-test-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// What every reader must refuse at once, each with the words its refusal names it by.
struct NonRegularFile {
    const char* what;
    std::filesystem::path path;
    std::string reason;
};

// A FIFO with no writer, a directory, a character device and a socket, made in folder.
inline std::vector<NonRegularFile> MakeNonRegularFiles(const TemporaryFolder& folder) {
    const auto fifo = folder / "fifo.ocont2";
    EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(folder / "folder.ocont2");
    const auto socketPath = folder / "socket.ocont2";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.string().copy(address.sun_path, sizeof address.sun_path - 1);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(listener); // the socket file stays
    return {
        {"a FIFO with no writer", fifo, "it is a FIFO (named pipe), not a regular file"},
        {"a directory", folder / "folder.ocont2", "it is a directory, not a regular file"},
        {"a device", "/dev/null", "it is a character device, not a regular file"},
        {"a socket", socketPath, "it is a socket, not a regular file"},
    };
}

// Runs read on this thread. A reader that waits on the FIFO fifo instead of refusing it is
// freed after two seconds, and again each time it waits anew, by a writer that opens and
// closes it; the test then fails.
inline void RunWithoutWaitingOn(const std::filesystem::path& fifo,
                                const std::function<void()>& read) {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool rescued = false;
    std::thread rescuer([&] {
        std::unique_lock lock(mutex);
        auto patience = std::chrono::seconds(2);
        while (!finished.wait_for(lock, patience, [&] { return done; })) {
            rescued = true;
            patience = std::chrono::seconds(1);
            const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) {
                ::close(writer);
            }
        }
    });
    read();
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    finished.notify_one();
    rescuer.join();
    EXPECT_FALSE(rescued) << "the reader waited for a writer on " << fifo;
}
