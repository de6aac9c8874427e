// Binding the tracker library and the poll: the search, the entries and their order, the
// scaling to pad units and the dead band, against the stand-in library; and where a reading
// puts the source.
#include "StandIn.h"
#include "tracker/CTrackerLibrary.h"
#include "tracker/TrackerPosition.h"

#include <QCoreApplication>

#include <array>
#include <cmath>
#include <limits>

namespace {

using Result = CTrackerLibrary::PollResult;

struct Pad {
    double x, y, z;
};

TEST(TrackerLibraryTest, BindsOnlyWithAllThreeEntriesAndNamesTheFirstMissing) {
    const struct {
        const char* name;
        QString file;
        bool bound;
        const char* error;
    } cases[] = {
        {"complete", StandIn::Path(), true, ""},
        {"no GetSens", QStringLiteral(STANDIN_WITHOUT_GETSENS), false, "has no function GetSens."},
        // GetCoord is looked up before ReadData, so it is the one named.
        {"no GetCoord nor ReadData", QStringLiteral(STANDIN_WITHOUT_GETCOORD_READDATA), false,
         "has no function GetCoord."},
        {"no ReadData", QStringLiteral(STANDIN_WITHOUT_READDATA), false,
         "has no function ReadData."},
        {"no file", QStringLiteral("/nonexistent/libKestrel32Dll13.so"), false,
         "Cannot load the tracker library /nonexistent/libKestrel32Dll13.so"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        CTrackerLibrary library(test.file);
        EXPECT_EQ(library.IsBound(), test.bound);
        EXPECT_TRUE(library.ErrorText().contains(QString::fromLatin1(test.error)))
            << library.ErrorText().toStdString();
        if (!test.bound) {
            double x = -1.0, y = -1.0, z = -1.0;
            EXPECT_EQ(library.Poll(x, y, z), Result::NotBound);
        }
    }
}

TEST(TrackerLibraryTest, FindsTheLibraryBesideTheProgramFirst) {
    // The test program is built into the folder of the shipped library.
    CTrackerLibrary library;
    ASSERT_TRUE(library.IsBound()) << library.ErrorText().toStdString();
    EXPECT_TRUE(library.FileName().startsWith(QCoreApplication::applicationDirPath()))
        << library.FileName().toStdString();
}

TEST(TrackerLibraryTest, ABindingKeepsItsLibraryWhenAnEarlierBindingOfItEnds) {
    // A switch-on while the previous worker ends: two bindings of one file overlap.
    auto earlier = std::make_unique<CTrackerLibrary>();
    CTrackerLibrary later;
    ASSERT_TRUE(later.IsBound());
    earlier.reset();
    double x = 0.0, y = 0.0, z = 0.0;
    EXPECT_EQ(later.Poll(x, y, z), Result::NoReport); // no tracker on this machine
}

TEST(TrackerLibraryTest, ScalesTheSquareAboveTheReceiversAndTheHeightsToPadUnits) {
    const struct {
        double x, y, z;
        Pad pad;
    } cases[] = {
        {15.0, 15.0, 60.0, {63.5, 63.5, 127.0}},
        {0.0, 30.0, 10.0, {0.0, 127.0, 0.0}},
        {30.0, 0.0, 15.0, {127.0, 0.0, 0.0}},
        {-3.0, 45.0, 105.0, {-12.7, 190.5, 254.0}}, // no upper clamp here
    };
    StandIn standIn;
    for (const auto& test : cases) {
        SCOPED_TRACE(testing::Message() << test.x << ", " << test.y << ", " << test.z);
        CTrackerLibrary library(StandIn::Path());
        standIn.Push(test.x, test.y, test.z);
        Pad pad{};
        ASSERT_EQ(library.Poll(pad.x, pad.y, pad.z), Result::Moved);
        EXPECT_NEAR(pad.x, test.pad.x, 1e-9);
        EXPECT_NEAR(pad.y, test.pad.y, 1e-9);
        EXPECT_NEAR(pad.z, test.pad.z, 1e-9);
    }
}

TEST(TrackerLibraryTest, ReportsOnlyMovesBeyondOneUnitFromTheLastReportedPosition) {
    const struct {
        const char* name;
        double x, y, z;
        Result result;
    } steps[] = {
        {"first", 10.0, 10.0, 20.0, Result::Moved},
        {"x up by exactly 1.0", 11.0, 10.0, 20.0, Result::TooSmall},
        {"y down by exactly 1.0", 10.0, 9.0, 20.0, Result::TooSmall},
        {"all three by 1.0", 11.0, 11.0, 21.0, Result::TooSmall},
        {"x up by 1.01", 11.01, 10.0, 20.0, Result::Moved},
        {"0.6 from the last reported", 11.61, 10.0, 20.0, Result::TooSmall},
        // Measured from the last reported position, not from the last one read.
        {"1.2 from the last reported", 12.21, 10.0, 20.0, Result::Moved},
        {"z down by 1.01", 12.21, 10.0, 18.99, Result::Moved},
        {"not a number", std::numeric_limits<double>::quiet_NaN(), 10.0, 18.99, Result::NoPosition},
        {"still judged from the last real position", 12.21, 10.0, 18.99, Result::TooSmall},
    };
    StandIn standIn;
    CTrackerLibrary library(StandIn::Path());
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        standIn.Push(step.x, step.y, step.z);
        Pad pad{};
        EXPECT_EQ(library.Poll(pad.x, pad.y, pad.z), step.result);
    }
    Pad pad{};
    EXPECT_EQ(library.Poll(pad.x, pad.y, pad.z), Result::NoReport);
}

// A reading lies on the source pad's 202-pixel field, y downward, and moves the source to
// the values the pad's marker stood for there; whatever the reading, whole values in 0-127.
TEST(TrackerPositionTest, ReadingsLandOnTheValuesThePadGaveThem) {
    constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kHuge = 1.0e300;
    const struct {
        const char* name;
        double x, y, z;
        std::array<double, 3> values;
    } cases[] = {
        {"origin: far left, the top, the floor", 0.0, 0.0, 0.0, {0, 127, 0}},
        {"the middle", 63.5, 63.5, 127.0, {40, 87, 127}},
        {"far right", 200.0, 0.0, 10.0, {126, 127, 10}},
        {"left of the field", -40.0, 64.0, 64.0, {0, 87, 64}},
        {"below the field, above the ceiling", 50.0, -100.0, 130.5, {32, 127, 127}},
        {"above the field", 10.5, 180.0, 1.0, {7, 14, 1}},
        {"height cut toward zero", 10.0, 10.0, 12.9, {7, 120, 12}},
        {"height below the floor", 10.0, 10.0, -1.0, {7, 120, 0}},
        {"not a number", kNan, kNan, kNan, {0, 127, 0}},
        {"far right and up", kHuge, kHuge, 7.0, {127, 0, 7}},
        {"far left and down", -kHuge, -kHuge, -kHuge, {0, 127, 0}},
        {"infinite", kInf, -kInf, kInf, {127, 127, 127}},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(SourcePositionFromTracker(test.x, test.y, test.z), test.values) << test.name;
    }
}

} // namespace
