// Replacing a file so that a failure at any point - a full disk, a killed process, a power
// cut - leaves either the old file or the new one, never a mix or a truncated file.
#pragma once

#include "model/FileResult.h"

#include <string>
#include <string_view>

// Writes bytes to path. A symbolic link at path is followed (a dangling one creates its
// target). A file the caller may not write is refused. Where the folder allows, the bytes go
// to a temporary file beside the target that is then renamed over it, with the old owner,
// group, permissions and extended attributes (access control lists among them). The file is
// instead rewritten in place when the folder is not writable, when the file has other hard
// links (which a rename would split off), when the temporary name would be too long, or when
// its owner or an extended attribute cannot be kept; the new text is then first written
// after the old one, so the old text is overwritten only once the space for the whole new
// text is secured. A FIFO or device at path is written into, never replaced; nothing waits
// on it: a FIFO that no program reads is refused at once, and one that takes nothing for a
// few seconds fails the save. On failure the old contents stay, no temporary file is left,
// and the result says why, in the system's words where it has them.
FileResult ReplaceFileContents(const std::string& path, std::string_view bytes);
