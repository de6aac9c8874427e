// How a file operation went, in one value: whether it worked and, when not, why, so that a
// caller never asks a second function or reads a second variable for the reason.
#pragma once

#include <string>
#include <string_view>
#include <utility>

struct FileResult {
    bool ok = false;
    std::string path;
    // Why it failed, in the system's words where it has them ("Permission denied") or ours
    // ("it is a FIFO (named pipe), not a regular file"); empty on success.
    std::string reason;

    static FileResult Done(std::string path) { return {true, std::move(path), {}}; }
    static FileResult Failed(std::string path, std::string reason) {
        return {false, std::move(path), std::move(reason)};
    }

    explicit operator bool() const { return ok; }

    // The failure as one line, for example "cannot write /x/y.ocont2: Permission denied".
    std::string Describe(std::string_view action) const {
        return "cannot " + std::string(action) + " " + path + ": " + reason;
    }
};

// A read: the text on success.
struct FileRead : FileResult {
    std::string text;
};

// An open for reading: the descriptor on success (the caller closes it), -1 on failure.
struct OpenedFile : FileResult {
    int fd = -1;
};
