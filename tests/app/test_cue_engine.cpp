// Firing cues through the program's link, on a clock of the test's own: where the values go,
// what reaches the wire, and what undo puts back.
#include "support/MainWindowFixture.h"

#include "model/ParameterTable.h"
#include "program/CCueEngine.h"
#include "program/CUndoHistory.h"

#include <QUndoStack>

#include <functional>
#include <map>

namespace {

using namespace std::chrono_literals;

class CueEngineTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        midi.AddOutputDevice("Processor");
        Start();
        ChooseOutput(1);
        engine = std::make_unique<CCueEngine>(Doc(), app->Link(), app->History(),
                                              [this] { return now; });
        midi.ClearRecords();
    }
    void TearDown() override {
        engine.reset();
        MainWindowTest::TearDown();
    }
    // Sources 1-8 at x, y, z; recorded as a cue of every channel's source position.
    std::size_t RecordPositions(int x, int y, int z, int fadeTenths, CuePath path,
                                std::bitset<8> channels = 0xFF) {
        for (int c = 0; c < 8; ++c) {
            Doc().XPosition[c] = x;
            Doc().YPosition[c] = y;
            Doc().ZPosition[c] = z;
        }
        std::bitset<Cue::kGroups> groups;
        groups.set(static_cast<std::size_t>(ParameterGroup::SourcePosition));
        const auto index = engine->Record(static_cast<std::ptrdiff_t>(engine->Cues().size()) - 1,
                                          channels, groups, fadeTenths, path);
        EXPECT_TRUE(index);
        return index.value_or(0);
    }
    // Moves the clock on and lets the engine's timer step once.
    void Advance(CCueEngine::Clock::duration by) {
        now += by;
        QTest::qWait(2 * CCueEngine::kStepMs);
    }
    // The last value each controller of channel `c` got on the wire.
    std::map<int, int> LastOnWire(int channel) {
        std::map<int, int> last;
        for (const auto& m : midi.SentTo(0)) {
            if (m.size() == 3 && m[0] == 0xB0 + channel) {
                last[m[1]] = m[2];
            }
        }
        return last;
    }

    CCueEngine::Clock::time_point now{};
    std::unique_ptr<CCueEngine> engine;
};

TEST_F(CueEngineTest, FiresEndExactlyOnTheirValuesOnTheWireAndUndoPutsBack) {
    using Stepper = std::function<void(CCueEngine::Clock::duration)>;
    struct Row {
        const char* name;
        int fadeTenths;
        CuePath path;
        std::bitset<8> channels;
        std::function<void(CCueEngine&, const Stepper&)> run;
        int x, y, z; // where channel 1's source ends
        int undoX;   // and its X after one undo
    };
    const Row rows[] = {
        {"a cut", 0, CuePath::Straight, 0xFF, [](CCueEngine& e, const Stepper&) { e.Back(); }, 100,
         20, 90, 40},
        {"a straight fade to its end", 20, CuePath::Straight, 0xFF,
         [](CCueEngine& e, const Stepper& advance) {
             e.Back();
             advance(1s);
             advance(1s);
         },
         100, 20, 90, 40},
        {"an around fade to its end", 20, CuePath::Around, 0xFF,
         [](CCueEngine& e, const Stepper& advance) {
             e.Back();
             advance(2s);
         },
         100, 20, 90, 40},
        {"stopped half way", 20, CuePath::Straight, 0xFF,
         [](CCueEngine& e, const Stepper& advance) {
             e.Back();
             advance(1s);
             e.Stop();
             advance(1s);
         },
         70, 50, 60, 40},
        {"another fire half way, from where the values are", 20, CuePath::Straight, 0xFF,
         [](CCueEngine& e, const Stepper& advance) {
             e.Back();
             advance(1s);
             e.Go(); // the second cue again, a cut
         },
         40, 80, 30, 70},
        {"a cut to the values already there goes out whole", 0, CuePath::Straight, 0xFF,
         [](CCueEngine& e, const Stepper&) { e.Fire(1); }, 40, 80, 30, 40},
        {"a scope of channels 1-4", 0, CuePath::Straight, 0x0F,
         [](CCueEngine& e, const Stepper&) { e.Back(); }, 100, 20, 90, 40},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        while (!engine->Cues().empty()) {
            engine->Delete(0);
        }
        RecordPositions(100, 20, 90, row.fadeTenths, row.path, row.channels);
        RecordPositions(40, 80, 30, 0, CuePath::Straight);
        ASSERT_TRUE(engine->Fire(1)); // the fade starts from the second cue's values
        RestLink();
        midi.ClearRecords();
        row.run(*engine, [this](CCueEngine::Clock::duration by) { Advance(by); });
        EXPECT_FALSE(engine->Running());
        EXPECT_EQ(Doc().XPosition[0], row.x);
        EXPECT_EQ(Doc().YPosition[0], row.y);
        EXPECT_EQ(Doc().ZPosition[0], row.z);
        EXPECT_EQ(Doc().XPosition[7], row.channels[7] ? row.x : 40) << "channel 8";
        RestLink();
        const auto wire = LastOnWire(0);
        EXPECT_EQ(wire.at(20), row.x);
        EXPECT_EQ(wire.at(21), row.y);
        EXPECT_EQ(wire.at(22), row.z);
        app->History().Stack().undo();
        EXPECT_EQ(Doc().XPosition[0], row.undoX) << "a fire is one step, however long";
        RestLink();
        EXPECT_EQ(LastOnWire(0).at(20), row.undoX) << "and its undo reaches the processor";
    }
}

TEST_F(CueEngineTest, ARouteSwitchedByACueGoesOutInThePatchbaysSection) {
    std::bitset<Cue::kGroups> routes;
    routes.set(static_cast<std::size_t>(ParameterGroup::Patchbay));
    Doc().HostInPBSelect[0] = 1;
    ASSERT_TRUE(engine->Record(CueList::kAtFront, 0xFF, routes, 10));
    Doc().HostInPBSelect[0] = 2;
    ASSERT_TRUE(engine->Record(0, 0xFF, routes, 10));
    RestLink();
    midi.ClearRecords();
    ASSERT_TRUE(engine->Fire(0));
    EXPECT_EQ(Doc().HostInPBSelect[0], 1) << "a route switches at the start";
    RestLink();
    EXPECT_EQ(midi.SentTo(0).size(), SectionMessages(Doc(), SendSection::Patchbay).size());
}

} // namespace
