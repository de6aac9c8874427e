// The controller file: the exact bytes written, round trips, and the reader's tolerance.
#include "model/ControllerFile.h"
#include "support/FileTestSupport.h"

#include <algorithm>
#include <climits>

namespace {

const std::filesystem::path kData = ORBIS_FILE_TEST_DATA;

std::string Golden() {
    return ReadBytes(kData / "fresh.ocont2");
}

std::string WithoutCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// The value after a key in the given dictionary (0-based) of a written text.
int ValueInDictionary(const std::string& text, int dictionary, const std::string& key) {
    std::size_t position = 0;
    for (int i = 0; i <= dictionary; ++i) {
        position = text.find("<dict>", position + 1);
    }
    const std::size_t end = text.find("</dict>", position);
    return ExtractInteger(std::string_view(text).substr(position, end - position),
                          "<key>" + key + "</key>");
}

TEST(ControllerFileWrite, FreshDocumentIsTheGoldenFile) {
    CControllerDoc doc;
    const std::string text = ControllerFileText(doc);
    ASSERT_EQ(text, Golden());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 680);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 680);
    for (int channel = 0; channel < 8; ++channel) {
        EXPECT_EQ(ValueInDictionary(text, channel, "Attenuation0"), 64) << channel;
    }
    EXPECT_EQ(ValueInDictionary(text, 8, "NMatrixOutput"), 5);
    EXPECT_EQ(ValueInDictionary(text, 8, "RoomSide"), 11);

    TemporaryFolder folder;
    const std::string path = (folder / "fresh.ocont2").string();
    const FileResult written = WriteControllerFile(doc, path);
    ASSERT_TRUE(written);
    EXPECT_EQ(written.path, path);
    EXPECT_EQ(doc.Name(), CControllerDoc::kNewDocument) << "a write never renames";
    EXPECT_EQ(ReadBytes(path), Golden());
}

TEST(ControllerFileWrite, NewDocumentWithoutPathWritesNothing) {
    TemporaryFolder folder;
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    CControllerDoc doc;
    for (const std::string path : {"", CControllerDoc::kNewDocument}) {
        const FileResult written = WriteControllerFile(doc, path);
        EXPECT_FALSE(written);
        EXPECT_FALSE(written.reason.empty());
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
    std::filesystem::current_path(before);
}

TEST(ControllerFileRoundTrip, RandomDocumentsReadBackUnchanged) {
    TemporaryFolder folder;
    const std::string path = (folder / "random.ocont2").string();
    std::mt19937 random(20261207);
    for (int round = 0; round < 60; ++round) {
        CControllerDoc written;
        FillRandom(written, random);
        ASSERT_TRUE(WriteControllerFile(written, path));
        CControllerDoc read;
        FillRandom(read, random);
        ASSERT_TRUE(ReadControllerFile(read, path, false));
        ASSERT_EQ(PersistentValues(read), PersistentValues(written)) << "round " << round;
        EXPECT_EQ(read.Name(), CControllerDoc::kNewDocument) << "a read never renames";
    }
}

TEST(ControllerFileRead, LineFeedOnlyReadsLikeCarriageReturnLineFeed) {
    TemporaryFolder folder;
    std::mt19937 random(7);
    CControllerDoc source;
    FillRandom(source, random);
    const std::string crlf = ControllerFileText(source);
    WriteBytes(folder / "crlf.ocont2", crlf);
    WriteBytes(folder / "lf.ocont2", WithoutCarriageReturns(crlf));
    CControllerDoc a, b;
    ASSERT_TRUE(ReadControllerFile(a, (folder / "crlf.ocont2").string(), false));
    ASSERT_TRUE(ReadControllerFile(b, (folder / "lf.ocont2").string(), false));
    EXPECT_EQ(PersistentValues(a), PersistentValues(source));
    EXPECT_EQ(PersistentValues(b), PersistentValues(source));
}

TEST(ControllerFileRead, ThreeDictionariesLeaveTheRestZero) {
    std::string text = Golden();
    std::size_t cut = 0;
    for (int i = 0; i < 3; ++i) {
        cut = text.find("</dict>", cut) + 7;
    }
    text = text.substr(0, cut) + "\r\n</array>\r\n</plist>\r\n";
    CControllerDoc doc;
    ApplyControllerFileText(doc, WithoutCarriageReturns(text), false);
    for (const ChannelParameter& parameter : kChannelParameters) {
        for (int channel = 0; channel < 8; ++channel) {
            const int expected = channel < 3 ? parameter.resetValue : 0;
            EXPECT_EQ((doc.*parameter.array)[channel], expected) << parameter.fileKey << channel;
        }
    }
    for (const GlobalParameter& parameter : kGlobalParameters) {
        EXPECT_EQ(doc.*parameter.member, 0) << parameter.fileKey;
    }
}

// The first n dictionaries of the golden file, each closed, and the file's end or not.
std::string FirstDictionaries(int n, bool closed) {
    const std::string text = Golden();
    std::size_t cut = text.find("<array>") + 7;
    for (int i = 0; i < n; ++i) {
        cut = text.find("</dict>", cut) + 7;
    }
    return text.substr(0, cut) + (closed ? "\r\n</array>\r\n</plist>\r\n" : "\r\n");
}

TEST(ControllerFileGaps, WhatAFileThatEndsEarlyLacks) {
    struct Case {
        const char* name;
        std::string text;
        const char* description; // "" for a whole file
    };
    std::string middleMissing = Golden();
    const std::size_t fifth = middleMissing.find("<dict>", middleMissing.find("<key>") + 1);
    middleMissing.erase(fifth, middleMissing.find("</dict>", fifth) + 7 - fifth);
    const Case cases[] = {
        {"whole", Golden(), ""},
        {"line feeds only", WithoutCarriageReturns(Golden()), ""},
        {"cut at 3,000 of 17,763 bytes", Golden().substr(0, 3000),
         "the values of Ch. 2 to Ch. 8 and the global values are missing (read as 0), and the "
         "closing </plist> tag is missing"},
        {"three dictionaries, closed", FirstDictionaries(3, true),
         "the values of Ch. 4 to Ch. 8 and the global values are missing (read as 0)"},
        {"eight dictionaries, closed", FirstDictionaries(8, true),
         "the global values are missing (read as 0)"},
        {"nine dictionaries, no end", FirstDictionaries(9, false),
         "the closing </plist> tag is missing"},
        {"one dictionary gone: the rest move up", middleMissing,
         "the global values are missing (read as 0)"},
        {"empty", "",
         "the values of Ch. 1 to Ch. 8 and the global values are missing (read as "
         "0), and the closing </plist> tag is missing"},
    };
    for (const Case& c : cases) {
        const ControllerFileGaps gaps = FindControllerFileGaps(c.text);
        EXPECT_EQ(gaps.Any(), *c.description != '\0') << c.name;
        EXPECT_EQ(DescribeControllerFileGaps(gaps), c.description) << c.name;
    }
}

TEST(ControllerFileGaps, ReadingAnIncompleteFileKeepsWhatIsThereAndSaysWhatIsNot) {
    TemporaryFolder folder;
    const std::string path = (folder / "cut.ocont2").string();
    WriteBytes(path, Golden().substr(0, 3000));
    CControllerDoc doc;
    doc.RoomSide = 77;
    FileRead read = ReadControllerFile(doc, path, false);
    ASSERT_TRUE(read);
    ControllerFileGaps gaps = FindControllerFileGaps(read.text);
    EXPECT_EQ(doc.Attenuation[0], 64) << "the first dictionary is whole";
    EXPECT_EQ(doc.RoomSide, 0) << "a missing value reads as 0, as it always did";
    EXPECT_EQ(gaps.missingSections, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(gaps.closingTagMissing);

    WriteBytes(path, Golden());
    read = ReadControllerFile(doc, path, false);
    ASSERT_TRUE(read);
    EXPECT_FALSE(FindControllerFileGaps(read.text).Any());
    read = ReadControllerFile(doc, (folder / "gone.ocont2").string(), false);
    EXPECT_FALSE(read);
    EXPECT_EQ(read.reason, "No such file or directory");
}

TEST(ControllerFileRead, KeysInAnyOrder) {
    std::mt19937 random(3);
    CControllerDoc source;
    FillRandom(source, random);
    // Rebuild every dictionary with its key/value pairs shuffled.
    const std::string text = WithoutCarriageReturns(ControllerFileText(source));
    std::string shuffled;
    std::size_t position = 0;
    while (true) {
        const std::size_t open = text.find("\t<dict>\n", position);
        if (open == std::string::npos) {
            break;
        }
        const std::size_t close = text.find("\t</dict>", open);
        std::vector<std::string> pairs;
        std::istringstream lines(text.substr(open + 8, close - open - 8));
        for (std::string key, value; std::getline(lines, key) && std::getline(lines, value);) {
            pairs.push_back(key + "\n" + value + "\n");
        }
        std::shuffle(pairs.begin(), pairs.end(), random);
        shuffled += text.substr(position, open + 8 - position);
        for (const std::string& pair : pairs) {
            shuffled += pair;
        }
        position = close;
    }
    shuffled += text.substr(position);
    ASSERT_NE(shuffled, text);
    CControllerDoc doc;
    ApplyControllerFileText(doc, shuffled, false);
    EXPECT_EQ(PersistentValues(doc), PersistentValues(source));
}

TEST(ControllerFileRead, OutputPortKeptOnlyWhenAsked) {
    CControllerDoc source;
    source.outMIDIPort = 2;
    source.RoomSide = 40;
    TemporaryFolder folder;
    const std::string path = (folder / "preset.ocont2").string();
    ASSERT_TRUE(WriteControllerFile(source, path));

    CControllerDoc trying;
    trying.outMIDIPort = 1;
    ASSERT_TRUE(ReadControllerFile(trying, path, true));
    EXPECT_EQ(trying.outMIDIPort, 1);
    EXPECT_EQ(trying.RoomSide, 40);

    CControllerDoc importing;
    ASSERT_TRUE(ReadControllerFile(importing, path, false));
    EXPECT_EQ(importing.outMIDIPort, 2);
}

TEST(ControllerFileRead, MissingFileKeepsTheNameAndValues) {
    TemporaryFolder folder;
    CControllerDoc doc;
    doc.SetName((folder / "show.ocont2").string());
    doc.RoomSide = 77;
    EXPECT_FALSE(ReadControllerFile(doc, (folder / "absent.ocont2").string(), false));
    EXPECT_EQ(doc.Name(), (folder / "show.ocont2").string());
    EXPECT_EQ(doc.RoomSide, 77);
    EXPECT_FALSE(ReadControllerFile(doc, "", false)); // "New Document" is never read
    EXPECT_FALSE(ReadControllerFile(doc, folder.Path().string(), false)); // a folder
    EXPECT_EQ(doc.RoomSide, 77);
}

TEST(ControllerFileRead, NonRegularFilesAreRefusedAtOnce) {
    TemporaryFolder folder;
    const std::vector<NonRegularFile> files = MakeNonRegularFiles(folder);
    for (const NonRegularFile& file : files) {
        SCOPED_TRACE(file.what);
        RunWithoutWaitingOn(files.front().path, [&] {
            const FileRead read = ReadControllerFileText(file.path.string());
            EXPECT_FALSE(read);
            EXPECT_EQ(read.reason, file.reason);
            EXPECT_EQ(read.path, file.path.string());
            EXPECT_EQ(read.Describe("read"),
                      "cannot read " + file.path.string() + ": " + file.reason);
            CControllerDoc doc;
            doc.RoomSide = 77;
            EXPECT_FALSE(ReadControllerFile(doc, file.path.string(), false));
            EXPECT_EQ(doc.RoomSide, 77);
        });
    }
}

TEST(ControllerFileRead, EmptyFileReadsAsZeros) {
    TemporaryFolder folder;
    const std::string path = (folder / "empty.ocont2").string();
    WriteBytes(path, "");
    CControllerDoc doc;
    ASSERT_TRUE(ReadControllerFile(doc, path, false));
    EXPECT_EQ(doc.NMatrixOutput, 0);
    EXPECT_EQ(doc.InputLevel[0], 0);
}

TEST(ControllerFileRead, IntegerTexts) {
    struct Case {
        const char* element;
        int expected;
    };
    const Case cases[] = {
        {"<integer>-3</integer>", -3},
        {"<integer>12abc</integer>", 12},
        {"<integer> \t\n+7</integer>", 7},
        {"<integer></integer>", 0},
        {"<integer>abc</integer>", 0},
        {"<integer>-</integer>", 0},
        {"<integer>2147483647</integer>", INT_MAX},
        {"<integer>-2147483648</integer>", INT_MIN},
        {"<integer>2147483648</integer>", INT_MAX},
        {"<integer>-2147483649</integer>", INT_MIN},
        {"<integer>99999999999999999999999999</integer>", INT_MAX},
        {"<integer>-99999999999999999999999999</integer>", INT_MIN},
        {"<string>5</string><integer>9</integer>", 9},
        {"<integer>5", 0},     // no closing tag
        {"<real>5</real>", 0}, // no integer element
        {"<integer>4</integer>x", 4},
    };
    for (const Case& c : cases) {
        const std::string section = std::string("<dict><key>K0</key>") + c.element + "</dict>";
        EXPECT_EQ(ExtractInteger(section, "<key>K0</key>"), c.expected) << c.element;
    }
}

TEST(ControllerFileRead, MissingKeyReadsZero) {
    const std::string section = "<dict>\n<key>A0</key>\n<integer>42</integer>\n</dict>";
    EXPECT_EQ(ExtractInteger(section, "<key>A0</key>"), 42);
    EXPECT_EQ(ExtractInteger(section, "<key>B0</key>"), 0);
    EXPECT_EQ(ExtractInteger("", "<key>A0</key>"), 0);
}

TEST(ControllerFileRead, LimitAppliesAfterLineEndsAreJoined) {
    CControllerDoc source;
    source.RoomSide = 99;
    const std::string text = ControllerFileText(source);
    const std::size_t globals = text.rfind("\t<dict>");
    // 5000 CR LF pairs: 10000 bytes of file but 5000 characters of text, so the globals
    // lie beyond 25600 bytes of file and within 25600 characters of text.
    std::string pairs;
    for (int i = 0; i < 5000; ++i) {
        pairs += "\r\n";
    }
    const std::string within = text.substr(0, globals) + pairs + text.substr(globals);
    ASSERT_GT(within.find("<key>RoomSide</key>"), kControllerFileReadLimit);
    // 9000 LF: the globals lie beyond the limit of the text.
    const std::string beyond =
        text.substr(0, globals) + std::string(9000, '\n') + text.substr(globals);

    TemporaryFolder folder;
    WriteBytes(folder / "within.ocont2", within);
    WriteBytes(folder / "beyond.ocont2", beyond);
    CControllerDoc a, b;
    ASSERT_TRUE(ReadControllerFile(a, (folder / "within.ocont2").string(), false));
    ASSERT_TRUE(ReadControllerFile(b, (folder / "beyond.ocont2").string(), false));
    EXPECT_EQ(a.RoomSide, 99);
    EXPECT_EQ(b.RoomSide, 0);
    EXPECT_EQ(b.InputLevel[7], 100); // channels before the limit still read
}

TEST(ControllerFileRead, TextEndsAtFirstZeroByte) {
    CControllerDoc source;
    std::string text = ControllerFileText(source);
    text.insert(text.rfind("\t<dict>"), 1, '\0');
    TemporaryFolder folder;
    WriteBytes(folder / "zero.ocont2", text);
    CControllerDoc doc;
    ASSERT_TRUE(ReadControllerFile(doc, (folder / "zero.ocont2").string(), false));
    EXPECT_EQ(doc.InputLevel[7], 100);
    EXPECT_EQ(doc.NMatrixOutput, 0);
}

TEST(ControllerFileRead, HostileTextsReadWithoutHarm) {
    std::mt19937 random(11);
    std::string junk(100000, '\0');
    std::uniform_int_distribution<int> byte(0, 255);
    for (char& c : junk) {
        c = static_cast<char>(byte(random));
    }
    std::string onlyDicts;
    for (int i = 0; i < 10000; ++i) {
        onlyDicts += "<dict>";
    }
    const std::string inputs[] = {
        junk,
        onlyDicts,
        "</dict></dict><dict><key>InputLevel0</key><integer>5</integer></dict>",
        "<dict><key>InputLevel0</key><integer>",
        "<key>InputLevel0</key><integer>5</integer>",
        std::string(3 * kControllerFileReadLimit, '<'),
        "<dict>" +
            [] {
                std::string keys;
                while (keys.size() + 100 < kControllerFileReadLimit) {
                    keys += "<key>";
                }
                return keys;
            }() +
            "InputLevel0</key><integer>1</integer></dict>",
    };
    for (const std::string& input : inputs) {
        TemporaryFolder folder;
        WriteBytes(folder / "hostile", input);
        const FileRead read = ReadControllerFileText((folder / "hostile").string());
        ASSERT_TRUE(read);
        EXPECT_LE(read.text.size(), kControllerFileReadLimit);
        CControllerDoc doc;
        ApplyControllerFileText(doc, read.text, false);
    }
    CControllerDoc doc;
    ApplyControllerFileText(doc, inputs[2], false);
    // Each stray "</dict>" makes one section empty.
    EXPECT_EQ(doc.InputLevel[0], 0);
    EXPECT_EQ(doc.InputLevel[1], 0);
    EXPECT_EQ(doc.InputLevel[2], 5);
    ApplyControllerFileText(doc, inputs[6], false);
    EXPECT_EQ(doc.InputLevel[0], 1); // the last "<key>" carries the name
    EXPECT_FALSE(LooksLikeControllerFile(junk));
    EXPECT_FALSE(LooksLikeControllerFile(onlyDicts));
    EXPECT_TRUE(LooksLikeControllerFile(Golden()));
}

// What the reader must give, spelled out the slow way: cut the dictionaries, then search
// each whole key element separately.
std::string ReferenceValues(std::string_view text, bool keepOutPort, int outMIDIPort) {
    text = text.substr(0, kControllerFileReadLimit);
    std::vector<std::string_view> sections(9);
    std::size_t position = 0;
    for (std::string_view& section : sections) {
        const std::size_t open = text.find("<dict>", position);
        const std::size_t close = text.find("</dict>", position);
        if (open != std::string_view::npos && close != std::string_view::npos) {
            if (open < close) {
                section = text.substr(open, close + 7 - open);
            }
            position = close + 7;
        }
    }
    CControllerDoc doc;
    for (const ChannelParameter& parameter : kChannelParameters) {
        for (int channel = 0; channel < 8; ++channel) {
            (doc.*parameter.array)[channel] = ExtractInteger(
                sections[channel], "<key>" + std::string(parameter.fileKey) + "</key>");
        }
    }
    for (const GlobalParameter& parameter : kGlobalParameters) {
        doc.*parameter.member =
            ExtractInteger(sections[8], "<key>" + std::string(parameter.fileKey) + "</key>");
    }
    if (keepOutPort) {
        doc.outMIDIPort = outMIDIPort;
    }
    return PersistentValues(doc);
}

// Random mutations of a real file, bounded so that it runs in every test pass; the
// sanitizers turn any read past a buffer into a failure, and every result is checked
// against the slow reference.
TEST(ControllerFileFuzz, MutatedFilesNeverBreakTheReader) {
    const std::string tokens[] = {"<dict>",
                                  "</dict>",
                                  "<integer>",
                                  "</integer>",
                                  "<key>",
                                  "</key>",
                                  "-",
                                  "99999999999",
                                  "\r\n",
                                  std::string(1, '\0'),
                                  "<key>InputLevel0</key>",
                                  "<key>RoomSide</key>",
                                  "<key>X"};
    const std::string golden = Golden();
    std::mt19937 random(424242);
    std::uniform_int_distribution<int> operation(0, 4);
    std::uniform_int_distribution<std::size_t> token(0, std::size(tokens) - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 2000; ++round) {
        std::string text = golden;
        const int mutations = 1 + round % 16;
        for (int m = 0; m < mutations && !text.empty(); ++m) {
            std::uniform_int_distribution<std::size_t> at(0, text.size() - 1);
            const std::size_t position = at(random);
            switch (operation(random)) {
            case 0:
                text[position] = static_cast<char>(byte(random));
                break;
            case 1:
                text.insert(position, tokens[token(random)]);
                break;
            case 2:
                text.erase(position,
                           std::min<std::size_t>(text.size() - position, 1 + at(random) % 64));
                break;
            case 3:
                text.resize(position);
                break;
            default:
                text.insert(position, text.substr(position, 1 + at(random) % 4096));
                break;
            }
        }
        CControllerDoc doc;
        ApplyControllerFileText(doc, text, round % 2 == 0);
        ASSERT_EQ(PersistentValues(doc), ReferenceValues(text, round % 2 == 0, 0)) << round;
        LooksLikeControllerFile(text);
    }
}

} // namespace
