// Replacing a file so that a failure at any point - a full disk, a killed process, a power
// cut - leaves either the old file or the new one, never a mix or a truncated file.
#pragma once

#include <string>
#include <string_view>

// Writes bytes to a temporary file beside path, flushes it to disk and renames it over
// path. A symbolic link at path is followed and its target replaced; the permissions of an
// existing file are kept. On failure nothing at path changes, the temporary file is
// removed, and failureReason (when given) holds the system's text for the error.
bool ReplaceFileContents(const std::string& path, std::string_view bytes,
                         std::string* failureReason = nullptr);
