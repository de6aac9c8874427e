// The show file: round trips, keys kept for later versions, files of other plist writers,
// and every kind of bad input told and clamped.
#include "model/CueList.h"
#include "model/ShowFile.h"
#include "support/FileTestSupport.h"

#include <functional>

namespace {

// As Python's plistlib writes a show: sorted keys, tabs, empty containers self-closed.
constexpr std::string_view kPlistlibShow = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>Cues</key>
	<array>
		<dict>
			<key>Channel Values</key>
			<array>
				<dict>
					<key>InputLevel0</key>
					<integer>100</integer>
					<key>XPosition0</key>
					<integer>10</integer>
				</dict>
				<dict>
					<key>XPosition0</key>
					<integer>127</integer>
				</dict>
				<dict/>
				<dict/>
				<dict/>
				<dict/>
				<dict/>
				<dict/>
			</array>
			<key>Channels</key>
			<array>
				<integer>1</integer>
				<integer>2</integer>
			</array>
			<key>Fade</key>
			<real>2.5</real>
			<key>Global Values</key>
			<dict/>
			<key>Groups</key>
			<array>
				<string>Levels</string>
				<string>Source Position</string>
			</array>
			<key>Lighting</key>
			<true/>
			<key>Name</key>
			<string>Opening &amp; &lt;intro&gt;</string>
			<key>Number</key>
			<real>1.0</real>
			<key>Path</key>
			<string>around</string>
		</dict>
		<dict>
			<key>Channel Values</key>
			<array/>
			<key>Channels</key>
			<array/>
			<key>Fade</key>
			<integer>0</integer>
			<key>Global Values</key>
			<dict/>
			<key>Groups</key>
			<array/>
			<key>Name</key>
			<string></string>
			<key>Number</key>
			<integer>2</integer>
			<key>Path</key>
			<string>straight</string>
		</dict>
	</array>
	<key>Draft</key>
	<false/>
	<key>Made With</key>
	<string>a script</string>
	<key>Orbis Show Version</key>
	<integer>1</integer>
</dict>
</plist>
)";

std::string Problems(const ShowRead& read) {
    std::string text;
    for (const std::string& problem : read.problems) {
        text += problem + "\n";
    }
    return text;
}

TEST(ShowFile, PlistlibShowLoadsAndRoundTrips) {
    const ShowRead read = ParseShowText(kPlistlibShow);
    EXPECT_TRUE(read.problems.empty()) << Problems(read);
    ASSERT_EQ(read.show.cues.size(), 2u);
    const Cue& first = read.show.cues[0];
    EXPECT_EQ(first.number, 1.0);
    EXPECT_EQ(first.name, "Opening & <intro>");
    EXPECT_EQ(first.fadeTenths, 25);
    EXPECT_EQ(first.path, CuePath::Around);
    EXPECT_EQ(first.channels, std::bitset<8>(0b11));
    EXPECT_EQ(first.groups.to_ulong(),
              (1u << static_cast<int>(ParameterGroup::Levels)) |
                  (1u << static_cast<int>(ParameterGroup::SourcePosition)));
    const std::vector<std::pair<ParameterKey, int>> values = {
        {KeyOf(&CControllerDoc::InputLevel, 0), 100},
        {KeyOf(&CControllerDoc::XPosition, 0), 10},
        {KeyOf(&CControllerDoc::XPosition, 1), 127}};
    EXPECT_EQ(first.values, values);
    EXPECT_EQ(read.show.cues[1].number, 2.0);
    EXPECT_EQ(read.show.cues[1].channels.none() && read.show.cues[1].groups.none(), true);

    // What this version does not know goes back as it came, at the top and in its cue.
    const std::string written = ShowFileText(read.show);
    for (const char* kept :
         {"<key>Draft</key>\n\t<false/>", "<key>Made With</key>\n\t<string>a script",
          "<key>Lighting</key>\n\t\t\t<true/>"}) {
        EXPECT_NE(written.find(kept), std::string::npos) << kept;
    }

    TemporaryFolder folder;
    const std::string path = (folder / "show.oshow").string();
    ASSERT_TRUE(WriteShowFile(read.show, path));
    const ShowRead again = ReadShowFile(path);
    ASSERT_TRUE(again.file) << again.file.reason;
    EXPECT_TRUE(again.problems.empty()) << Problems(again);
    EXPECT_EQ(ShowFileText(again.show), written);
    EXPECT_EQ(again.show.cues[0].values, values);
    EXPECT_FALSE(WriteShowFile(read.show, (folder / "none" / "show.oshow").string()));
    EXPECT_FALSE(ReadShowFile((folder / "none.oshow").string()).file);
}

// A show of one cue with the given text in place of its usual keys.
std::string OneCue(const std::string& keys,
                   const std::string& top = "<key>Orbis Show Version</key><integer>1</integer>") {
    return "<plist><dict>" + top + "<key>Cues</key><array><dict>" + keys +
           "</dict></array></dict></plist>";
}
const std::string kGood = "<key>Number</key><real>1</real><key>Name</key><string>a</string>"
                          "<key>Fade</key><real>1</real><key>Path</key><string>straight</string>"
                          "<key>Channels</key><array><integer>1</integer></array>"
                          "<key>Groups</key><array><string>Levels</string></array>";

TEST(ShowFile, BadInputsAreToldAndClamped) {
    struct Row {
        const char* name;
        std::string text;
        std::string told; // a part of the one problem told; empty for none
        std::function<bool(const Show&)> check;
    };
    const auto cue = [](const Show& show) { return show.cues.at(0); };
    const auto values = [](const std::string& v) {
        return "<key>Channel Values</key><array><dict>" + v + "</dict></array>";
    };
    std::string thousands =
        "<plist><dict><key>Orbis Show Version</key><integer>1</integer><key>Cues</key><array>";
    for (int i = 1; i <= 10000; ++i) {
        thousands += "<dict><key>Number</key><integer>" + std::to_string(i) + "</integer></dict>";
    }
    thousands += "</array></dict></plist>";
    const std::vector<Row> rows = {
        {"good", OneCue(kGood), "", [&](const Show& s) { return cue(s).fadeTenths == 10; }},
        {"no number", OneCue(kGood.substr(kGood.find("<key>Name"))), "has no Number",
         [&](const Show& s) { return cue(s).number == 1; }},
        {"fade of -1", OneCue(kGood + "<key>Fade</key><real>-1</real>"), "",
         [&](const Show& s) { return cue(s).fadeTenths == 10; }}, // the first key counts
        {"fade of -1 first", OneCue("<key>Fade</key><real>-1</real>" + kGood),
         "outside 0 to 600 s; taken as 0 s", [&](const Show& s) { return cue(s).fadeTenths == 0; }},
        {"fade of 1e9", OneCue("<key>Fade</key><real>1e9</real>" + kGood), "taken as 600 s",
         [&](const Show& s) { return cue(s).fadeTenths == Cue::kMaxFadeTenths; }},
        {"fade of nan", OneCue("<key>Fade</key><real>nan</real>" + kGood), "Fade that is no number",
         [&](const Show& s) { return cue(s).fadeTenths == 0; }},
        {"fade as text", OneCue("<key>Fade</key><string>2</string>" + kGood),
         "Fade that is no number", [&](const Show& s) { return cue(s).fadeTenths == 0; }},
        {"value of 300", OneCue(kGood + values("<key>InputLevel0</key><integer>300</integer>")),
         "InputLevel0 = 300, outside 0 to 127; taken as 127",
         [&](const Show& s) { return cue(s).values.at(0).second == 127; }},
        {"value as real", OneCue(kGood + values("<key>InputLevel0</key><real>3</real>")),
         "InputLevel0 that is no integer", [&](const Show& s) { return cue(s).values.empty(); }},
        {"value outside the scope",
         OneCue(kGood + values("<key>XPosition0</key><integer>3</integer>")),
         "1 values outside its channels and groups",
         [&](const Show& s) { return cue(s).values.empty(); }},
        {"channel 9", OneCue("<key>Channels</key><array><integer>9</integer></array>" + kGood),
         "no number from 1 to 8", [&](const Show& s) { return cue(s).channels.none(); }},
        {"unknown group", OneCue("<key>Groups</key><array><string>Lights</string></array>" + kGood),
         "\"Lights\" that is none of the parameter groups",
         [&](const Show& s) { return cue(s).groups.none(); }},
        {"unknown path", OneCue("<key>Path</key><string>zigzag</string>" + kGood),
         "taken as straight", [&](const Show& s) { return cue(s).path == CuePath::Straight; }},
        {"numbers not ascending",
         "<plist><dict><key>Orbis Show Version</key><integer>1</integer><key>Cues</key><array>"
         "<dict>" +
             kGood + "</dict><dict>" + kGood + "</dict></array></dict></plist>",
         "not above the cue before it (1); taken as 2",
         [](const Show& s) { return s.cues.at(1).number == 2; }},
        {"no version", OneCue(kGood, ""), "has no version",
         [](const Show& s) { return s.cues.size() == 1; }},
        {"newer version", OneCue(kGood, "<key>Orbis Show Version</key><integer>2</integer>"),
         "newer version (2)", [](const Show& s) { return s.cues.size() == 1; }},
        {"cues not a list",
         "<plist><dict><key>Orbis Show "
         "Version</key><integer>1</integer><key>Cues</key><dict/></dict></plist>",
         "Cues is no list", [](const Show& s) { return s.cues.empty(); }},
        {"no plist", "{\"Cues\": []}", "no property list of a show",
         [](const Show& s) { return s.cues.empty(); }},
        {"cut short", std::string(kPlistlibShow.substr(0, kPlistlibShow.find("<string>straight"))),
         "the file ends inside the cue at place 2",
         [](const Show& s) { return s.cues.size() == 1; }},
        {"10,000 cues", thousands, "the file holds 10000 cues; only the first 1000 were read",
         [](const Show& s) {
             return s.cues.size() == CueList::kMaxCues && s.cues.back().number == 1000;
         }},
    };
    for (const Row& row : rows) {
        const ShowRead read = ParseShowText(row.text);
        const std::string told = Problems(read);
        if (row.told.empty()) {
            EXPECT_TRUE(read.problems.empty()) << row.name << ": " << told;
        } else {
            EXPECT_NE(told.find(row.told), std::string::npos) << row.name << ": " << told;
        }
        EXPECT_TRUE(row.check(read.show)) << row.name << ": " << told;
        EXPECT_LE(read.problems.size(), 40u) << row.name << ": a person reads a few dozen lines";
    }
}

} // namespace
