// Helpers shared by the controller file tests: documents with random values, comparison
// of every persistent value, and a private temporary folder.
#pragma once

#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

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
