// The controller file (".ocont2"): an XML property list of nine dictionaries of integers,
// written in one fixed layout and read back by substring search, so files edited by hand
// or written by other property-list tools read as long as each key is followed by its
// integer element.
#pragma once

#include "model/FileResult.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CControllerDoc;

// The reader looks at no more than this much text (after CR LF became LF).
constexpr std::size_t kControllerFileReadLimit = 25600;

// The number of the first integer element after the key element in section. A key
// missing from the section, or a key with no integer element after it, reads as 0.
// Numbers beyond the int range saturate at INT_MIN / INT_MAX.
int ExtractInteger(std::string_view section, std::string_view key);

// The whole file text for the document, with CR LF line ends.
std::string ControllerFileText(const CControllerDoc& doc);

// Sets every persistent value from a file text (LF or CR LF line ends); outMIDIPort only
// when keepOutPort is false. Values are stored as read, without validation.
void ApplyControllerFileText(CControllerDoc& doc, std::string_view text, bool keepOutPort);

// Whether the text holds at least one dictionary with a key of the controller file; a
// text without any reads as a document of zeros.
bool LooksLikeControllerFile(std::string_view text);

// The text of a file as the reader sees it: CR LF turned into LF, cut at the first zero
// byte and at kControllerFileReadLimit. It fails when the file cannot be opened or read,
// or is not a regular file (a FIFO, a device, a socket or a directory is refused without
// waiting on it), the reason then saying why.
FileRead ReadControllerFileText(const std::string& path);

// Writes the document to path, replacing an existing file only once the new text is
// complete on disk. Fails, writing nothing, for an empty path and for "New Document". The
// document's name is the caller's to change.
FileResult WriteControllerFile(const CControllerDoc& doc, const std::string& path);

// What a text lacks that every file written by the program has: dictionaries the reader
// found no "<dict>"-"</dict>" pair for (their values read as 0), and the closing
// "</plist>" tag. A file cut short lacks both; the reader still takes what is there.
struct ControllerFileGaps {
    std::vector<int> missingSections; // 0-7 the channels' dictionaries, 8 the global values
    bool closingTagMissing = false;
    bool Any() const { return !missingSections.empty() || closingTagMissing; }
};
ControllerFileGaps FindControllerFileGaps(std::string_view text);
// The gaps in one English clause, for example "the values of Ch. 2 to Ch. 8 and the global
// values are missing (read as 0), and the closing </plist> tag is missing".
std::string DescribeControllerFileGaps(const ControllerFileGaps& gaps);

// Reads path and sets every persistent value from it, outMIDIPort only when keepOutPort is
// false; the text read comes back with the result (FindControllerFileGaps tells what it
// lacked). A file that cannot be read, and "New Document", leave every value as it was.
// The document's name is the caller's to change.
FileRead ReadControllerFile(CControllerDoc& doc, const std::string& path, bool keepOutPort);
