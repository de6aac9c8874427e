// Opening a file a person named without waiting on it: a FIFO, a device, a socket or a
// directory under a controller file's name is refused at once with a message that says
// what it is, instead of an open() or read() that never returns.
#pragma once

#include "model/FileResult.h"

#include <string>
#include <sys/types.h>

// What a file of this type is, for a message: "a FIFO (named pipe)", "a directory", ...
std::string FileTypeName(mode_t mode);

// Opens path for reading; the descriptor is closed on exec and is in blocking mode. It fails
// when path is not a regular file or cannot be opened, the reason then saying why, for
// example "it is a FIFO (named pipe), not a regular file" or the system's text.
OpenedFile OpenRegularFileForReading(const std::string& path);

// Reads at most `maxBytes` of a regular file, opened as above, so that a huge file costs no
// more than that; the caller tells a file that filled them from one that ended there.
FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes);
