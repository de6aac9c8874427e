// The Room window: a source dragged on the plan or by its height mark, or moved by keys, each
// one undo step sent as the main pad sends; the accessible sources; the GO line; and the
// plan's repaints, which follow the picture's changes and nothing else; and the plan's
// geometry, values to pixels and back with the walls holding what lies beyond them.
#include "support/SettingsWindowFixture.h"

#include "controls/RepaintPacer.h"
#include "model/ParameterTable.h"
#include "program/CCueEngine.h"
#include "program/CUndoHistory.h"
#include "settings/CRoomDlg.h"
#include "settings/CRoomPlan.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QUndoStack>

#include <limits>
#include <tuple>

void PrintTo(const RoomPoint& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ", " << p.z << ")";
}

class RoomWindowTest : public SettingsWindowTest {
protected:
    void OpenRoom() {
        ASSERT_NO_FATAL_FAILURE(StartProgram());
        QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
        room = qobject_cast<CRoomDlg*>(window->OpenedWindow(SettingsWindow::Room));
        ASSERT_NE(room, nullptr) << "Ctrl+R opens the Room window";
        plan = &room->Plan();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(room));
        midi.ClearRecords();
    }
    // A press, two moves and the release, each in a pass of the event loop of its own.
    void Drag(QPointF from, QPointF to) {
        using enum QEvent::Type;
        for (const auto& [type, at] : {std::pair{MouseButtonPress, from},
                                       {MouseMove, (from + to) / 2},
                                       {MouseMove, to},
                                       {MouseButtonRelease, to}}) {
            QMouseEvent event(
                type, at, plan->mapToGlobal(at), type == MouseMove ? Qt::NoButton : Qt::LeftButton,
                type == MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(plan, &event);
            Settle();
        }
    }
    void Place(int c, RoomPoint p) {
        const std::pair<ParameterKey, int> values[] = {{KeyOf(&CControllerDoc::XPosition, c), p.x},
                                                       {KeyOf(&CControllerDoc::YPosition, c), p.y},
                                                       {KeyOf(&CControllerDoc::ZPosition, c), p.z}};
        Doc().Apply(values, ChangeOrigin::Live);
        Settle();
    }
    RoomPoint Position(int c) {
        const auto i = std::size_t(c);
        return {Doc().XPosition[i], Doc().YPosition[i], Doc().ZPosition[i]};
    }
    QString Text(int c) { return QString::fromStdString(PositionText(Doc(), Position(c))); }
    QUndoStack& Steps() { return app->History().Stack(); }
    // The last values of CC 20, 21 and 22 (X, Y, Z) sent on `channel`; -1 where none went.
    RoomPoint LastSent(int channel) {
        RoomPoint sent{-1, -1, -1};
        for (const MemoryMidiBackend::Message& m : Wire()) {
            if (m.size() == 3 && m[0] == 0xB0 + channel && m[1] >= 20 && m[1] <= 22) {
                (m[1] == 20 ? sent.x : m[1] == 21 ? sent.y : sent.z) = m[2];
            }
        }
        return sent;
    }

    CRoomDlg* room = nullptr;
    CRoomPlan* plan = nullptr;
};

TEST_F(RoomWindowTest, ADragOfASourceOrItsHeightIsOneStepSentAsThePadSends) {
    ASSERT_NO_FATAL_FAILURE(OpenRoom());
    Place(2, {30, 40, 50});
    const RoomPlanGeometry& g = plan->Geometry();
    const int before = Steps().count();

    // Grabbed off its middle: the source keeps where the pointer holds it.
    Drag(g.PointOf(30, 40) + QPointF(2, -2), g.PointOf(100, 90) + QPointF(2, -2));
    EXPECT_EQ(plan->Selected(), 2) << "the dragged source is selected";
    EXPECT_EQ(Position(2), (RoomPoint{100, 90, 50}));
    ASSERT_EQ(Steps().count(), before + 1);
    EXPECT_EQ(Steps().text(before), QStringLiteral("Source Position, Ch. 3"));
    EXPECT_EQ(LastSent(2), (RoomPoint{100, 90, 50}));
    EXPECT_EQ(room->findChild<QLabel*>(QStringLiteral("SourcePosition"))->text(),
              QStringLiteral("Source 3: ") + Text(2));

    Drag(g.PointOf(100, 90), QPointF(-500, -500));
    EXPECT_EQ(Position(2), (RoomPoint{0, 127, 50})) << "past the walls it stops at them";

    // The height mark on the strip moves Z alone.
    const double markX = g.Strip().center().x();
    Drag(QPointF(markX, g.StripYOf(50)), QPointF(markX, g.StripYOf(120)));
    EXPECT_EQ(Position(2), (RoomPoint{0, 127, 120}));
    EXPECT_EQ(LastSent(2).z, 120);
    EXPECT_EQ(Steps().count(), before + 3);

    window->ExecuteCommand(CommandId::Undo);
    Settle();
    EXPECT_EQ(plan->Picture().sources[2].position, (RoomPoint{0, 127, 50})) << "undone whole";
    Drag(g.PointOf(64, 5), g.PointOf(10, 10));
    EXPECT_EQ(Steps().index(), before + 2) << "a press on the empty floor moves nothing";
}

TEST_F(RoomWindowTest, KeysChooseAndStepASourceOneUndoStepAPress) {
    ASSERT_NO_FATAL_FAILURE(OpenRoom());
    Place(4, {64, 64, 64});
    Place(7, {127, 0, 0});
    const int before = Steps().count();
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int channel;
        RoomPoint after;
    } presses[] = {
        {Qt::Key_5, Qt::NoModifier, 4, {64, 64, 64}},
        {Qt::Key_Right, Qt::NoModifier, 4, {65, 64, 64}},
        {Qt::Key_Up, Qt::ShiftModifier, 4, {65, 72, 64}},
        {Qt::Key_Left, Qt::ShiftModifier, 4, {57, 72, 64}},
        {Qt::Key_PageUp, Qt::NoModifier, 4, {57, 72, 65}},
        {Qt::Key_PageDown, Qt::ShiftModifier, 4, {57, 72, 57}},
        {Qt::Key_8, Qt::KeypadModifier, 7, {127, 0, 0}},
        {Qt::Key_Right, Qt::NoModifier, 7, {127, 0, 0}}, // at the walls: no step
        {Qt::Key_PageDown, Qt::NoModifier, 7, {127, 0, 0}},
    };
    int steps = before;
    for (const auto& p : presses) {
        SCOPED_TRACE(QKeySequence(p.key | p.modifiers).toString().toStdString());
        const RoomPoint was = Position(p.channel);
        QTest::keyClick(plan, p.key, p.modifiers);
        Settle();
        EXPECT_EQ(plan->Selected(), p.channel);
        EXPECT_EQ(Position(p.channel), p.after);
        EXPECT_EQ(plan->Picture().sources[std::size_t(p.channel)].position, p.after);
        steps += was != p.after;
        EXPECT_EQ(Steps().count(), steps);
    }
    EXPECT_EQ(Steps().text(before), QStringLiteral("Source Position, Ch. 5"));
    EXPECT_EQ(LastSent(4), (RoomPoint{57, 72, 57}));
}

// A reader finds each source by its name, hears its position, and hears which one is chosen.
TEST_F(RoomWindowTest, SourcesAreAccessibleChildrenNamedAndDescribedByTheirPositions) {
    ASSERT_NO_FATAL_FAILURE(OpenRoom());
    room->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return room->isActiveWindow(); }));
    Place(1, {10, 20, 30});
    const auto reader = [this](int c) {
        return QAccessible::queryAccessibleInterface(plan->SourceWidget(c));
    };
    for (int c = 0; c < 8; ++c) {
        ASSERT_NE(reader(c), nullptr);
        EXPECT_EQ(reader(c)->parent()->object(), plan) << "a child of the plan";
        EXPECT_EQ(reader(c)->text(QAccessible::Name), QStringLiteral("Source %1").arg(c + 1));
        EXPECT_EQ(reader(c)->role(), QAccessible::ListItem);
        EXPECT_EQ(reader(c)->text(QAccessible::Description), Text(c)) << c;
        EXPECT_EQ(reader(c)->text(QAccessible::Value), Text(c)) << c;
    }
    QTest::keyClick(plan, Qt::Key_2);
    EXPECT_TRUE(reader(1)->state().focused) << "the chosen source has the focus";
    EXPECT_TRUE(reader(1)->state().selected);
    EXPECT_FALSE(reader(0)->state().focused || reader(0)->state().selected);
    QTest::keyClick(plan, Qt::Key_Up);
    Settle();
    EXPECT_EQ(Position(1).y, 21);
    EXPECT_EQ(reader(1)->text(QAccessible::Description), Text(1));
}

TEST_F(RoomWindowTest, TheGoLineNamesTheLiveAndNextCuesAndGoFiresTheNext) {
    ASSERT_NO_FATAL_FAILURE(OpenRoom());
    auto* line = room->findChild<QLabel*>(QStringLiteral("CueLine"));
    auto* go = room->findChild<QPushButton*>(QStringLiteral("GoButton"));
    EXPECT_EQ(line->text(), QStringLiteral("Live: none   Next: none"));
    EXPECT_FALSE(go->isEnabled());
    CCueEngine& cues = app->Cues();
    ASSERT_TRUE(cues.Record(CueList::kAtFront, 0xFF, 0x7F, 0, CuePath::Straight, "Opening"));
    ASSERT_TRUE(cues.Record(0, 0xFF, 0x7F, 0, CuePath::Straight, "Blackout"));
    for (const auto& [text, enabled] : {std::pair{"Live: none   Next: 1 Opening", true},
                                        {"Live: 1 Opening   Next: 2 Blackout", true},
                                        {"Live: 2 Blackout   Next: none", false}}) {
        EXPECT_EQ(line->text(), QLatin1String(text));
        EXPECT_EQ(go->isEnabled(), enabled) << text;
        QTest::mouseClick(go, Qt::LeftButton);
    }
    EXPECT_EQ(cues.LiveIndex(), 1u);
}

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

TEST_F(RoomWindowTest, ThePlanRepaintsOnceForManyChangesAndNeverForOthers) {
    ASSERT_NO_FATAL_FAILURE(OpenRoom());
    PaintCounter counter;
    plan->installEventFilter(&counter);
    // Until three frames pass without a paint: whatever was asked for before is painted.
    const auto waitForQuiet = [&counter] {
        for (int before = -1; before != counter.paints;) {
            before = counter.paints;
            QTest::qWait(3 * RepaintPacer::kFrameMs);
        }
    };
    const auto expectPaints = [&](int expected, const char* change, const auto& make) {
        waitForQuiet();
        counter.paints = 0;
        make();
        Settle();
        EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints >= expected; })) << change;
        waitForQuiet();
        EXPECT_EQ(counter.paints, expected) << change;
    };
    expectPaints(0, "a value the room does not show", [this] {
        Doc().Set(KeyOf(&CControllerDoc::LPFCutOff, 0), 3, ChangeOrigin::Live);
    });
    expectPaints(1, "fifty positions in one pass", [this] {
        for (int x = 0; x < 50; ++x) {
            Doc().Set(KeyOf(&CControllerDoc::XPosition, 0), x, ChangeOrigin::Live);
        }
    });
    EXPECT_EQ(plan->Picture().sources[0].position.x, 49);
    expectPaints(1, "raw values", [this] { app->ToggleRawValues(); });
    EXPECT_EQ(plan->Picture().roomSideText, std::to_string(Doc().RoomSide));
}

TEST_F(RoomWindowTest, ASourceIsDrawnInItsChannelsColourAndFadedWhileSilent) {
    ASSERT_NO_FATAL_FAILURE(OpenRoom());
    Place(0, {20, 20, 64});
    const RoomPlanGeometry& g = plan->Geometry();
    // Inside the circle, left of its number.
    const QPoint inside = (g.PointOf(20, 20) - QPointF(g.RadiusOf(64) * 0.6, 0)).toPoint();
    const auto shown = [&] { return plan->grab().toImage().pixelColor(inside); };
    const QColor own = QColor::fromRgb(kChannelColours[0]);
    EXPECT_EQ(shown(), own);
    Doc().Set(KeyOf(&CControllerDoc::InputLevel, 0), 0, ChangeOrigin::Live);
    Settle();
    const QColor faded = shown();
    const QColor floor = plan->palette().color(QPalette::Base);
    EXPECT_GT(faded.green(), own.green()) << "nearer the light floor";
    EXPECT_LT(faded.green(), floor.green());
}

TEST(RoomPlanGeometry, EveryValueReadsBackFromItsPixelAndTheWallsHoldWhatLiesBeyond) {
    for (const QSize size : {QSize(440, 400), QSize(240, 200), QSize(1000, 300)}) {
        SCOPED_TRACE(size.width());
        const RoomPlanGeometry g = RoomPlanGeometry::ForSize(size);
        const QRectF plan = g.Plan();
        EXPECT_EQ(plan.width(), plan.height()) << "the room is square";
        EXPECT_TRUE(QRectF(QPointF(0, 0), QSizeF(size)).contains(plan.united(g.Strip())));
        EXPECT_GT(g.Strip().left(), plan.right());
        for (int v = 0; v <= 127; ++v) {
            ASSERT_EQ(g.XAt(g.PointOf(v, 0).x()), v);
            ASSERT_EQ(g.YAt(g.PointOf(0, v).y()), v);
            ASSERT_EQ(g.ZAt(g.StripYOf(v)), v);
        }
        EXPECT_LT(g.PointOf(0, 127).y(), g.PointOf(0, 0).y()) << "y upward";
        EXPECT_LT(g.StripYOf(127), g.StripYOf(0)) << "z upward";
        EXPECT_LT(g.RadiusOf(0), g.RadiusOf(127)) << "a higher source looks larger";

        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double infinity = std::numeric_limits<double>::infinity();
        const std::tuple<const char*, int, int> walls[] = {
            {"x at the left wall", g.XAt(plan.left()), 0},
            {"x just inside the right wall", g.XAt(plan.right() - 0.01), 127},
            {"x left of the room", g.XAt(plan.left() - 50), 0},
            {"x at infinity", g.XAt(infinity), 127},
            {"x not a number", g.XAt(nan), 0},
            {"y just inside the top wall", g.YAt(plan.top() + 0.01), 127},
            {"y above the room", g.YAt(plan.top() - 50), 127},
            {"y below the room", g.YAt(plan.bottom() + 50), 0},
            {"z above the strip", g.ZAt(g.Strip().top() - 50), 127},
            {"z below the strip", g.ZAt(g.Strip().bottom() + 50), 0},
        };
        for (const auto& [name, value, expected] : walls) {
            EXPECT_EQ(value, expected) << name;
        }
    }
}
