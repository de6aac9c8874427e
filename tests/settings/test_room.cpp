// The Room window: a source dragged on the plan or by its height mark, moved by keys, each
// one undo step sent as the main pad sends; the accessible sources; the GO line; and the
// plan's repaints, which follow the picture's changes and nothing else.
#include "support/SettingsWindowFixture.h"

#include "controls/CRoomPlan.h"
#include "controls/RepaintPacer.h"
#include "model/ParameterTable.h"
#include "program/CCueEngine.h"
#include "program/CUndoHistory.h"
#include "settings/CRoomDlg.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QUndoStack>

namespace {

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

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
    void Mouse(QEvent::Type type, QPointF at) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, plan->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                          Qt::NoModifier);
        QApplication::sendEvent(plan, &event);
    }
    // Presses at `from`, moves through the middle to `to` and releases there, each in a pass
    // of the event loop of its own as a hand's are.
    void Drag(QPointF from, QPointF to) {
        for (const auto& [type, at] : {std::pair{QEvent::MouseButtonPress, from},
                                       {QEvent::MouseMove, (from + to) / 2},
                                       {QEvent::MouseMove, to},
                                       {QEvent::MouseButtonRelease, to}}) {
            Mouse(type, at);
            Settle();
        }
    }
    void Place(int channel, int x, int y, int z) {
        const std::pair<ParameterKey, int> values[] = {
            {KeyOf(&CControllerDoc::XPosition, channel), x},
            {KeyOf(&CControllerDoc::YPosition, channel), y},
            {KeyOf(&CControllerDoc::ZPosition, channel), z}};
        Doc().Apply(values, ChangeOrigin::Live);
        Settle();
    }
    QUndoStack& Steps() { return app->History().Stack(); }
    // The last Control Change of `controller` on `channel` that went out.
    std::optional<int> LastSent(int channel, int controller) {
        std::optional<int> value;
        for (const MemoryMidiBackend::Message& m : Wire()) {
            if (m.size() == 3 && m[0] == 0xB0 + channel && m[1] == controller) {
                value = m[2];
            }
        }
        return value;
    }
    QString PositionLine() {
        return room->findChild<QLabel*>(QStringLiteral("SourcePosition"))->text();
    }

    CRoomDlg* room = nullptr;
    CRoomPlan* plan = nullptr;
};

TEST_F(RoomWindowTest, ADragOfASourceOrItsHeightIsOneStepSentAsThePadSends) {
    ASSERT_NO_FATAL_FAILURE(OpenRoom());
    Place(2, 30, 40, 50);
    const RoomPlanGeometry& g = plan->Geometry();
    const int before = Steps().count();

    // Grabbed off its middle: the source keeps where the pointer holds it.
    const QPointF grab = g.PointOf(30, 40) + QPointF(2, -2);
    const QPointF to = g.PointOf(100, 90) + QPointF(2, -2);
    Drag(grab, to);
    EXPECT_EQ(plan->Selected(), 2) << "the dragged source is selected";
    EXPECT_EQ(Doc().XPosition[2], 100);
    EXPECT_EQ(Doc().YPosition[2], 90);
    EXPECT_EQ(Doc().ZPosition[2], 50);
    ASSERT_EQ(Steps().count(), before + 1);
    EXPECT_EQ(Steps().text(Steps().count() - 1), QStringLiteral("Source Position, Ch. 3"));
    EXPECT_EQ(LastSent(2, 20), 100);
    EXPECT_EQ(LastSent(2, 21), 90);
    EXPECT_EQ(LastSent(2, 22), 50);
    EXPECT_EQ(PositionLine(), QStringLiteral("Source 3: ") + QString::fromStdString(PositionText(
                                                                 Doc(), RoomPoint{100, 90, 50})));

    // Past the plan's edge the source stops at the wall.
    Drag(g.PointOf(100, 90), QPointF(-500, -500));
    EXPECT_EQ(Doc().XPosition[2], 0);
    EXPECT_EQ(Doc().YPosition[2], 127);

    // The height mark on the strip moves Z alone.
    midi.ClearRecords();
    const double markX = g.Strip().center().x();
    Drag(QPointF(markX, g.StripYOf(50)), QPointF(markX, g.StripYOf(120)));
    EXPECT_EQ(Doc().ZPosition[2], 120);
    EXPECT_EQ(Doc().XPosition[2], 0);
    EXPECT_EQ(LastSent(2, 22), 120);
    EXPECT_EQ(Steps().count(), before + 3);

    window->ExecuteCommand(CommandId::Undo);
    Settle();
    EXPECT_EQ(Doc().ZPosition[2], 50) << "undo takes back the whole height drag";
    EXPECT_EQ(plan->Picture().sources[2].position, (RoomPoint{0, 127, 50}));

    // A press on the empty floor moves nothing.
    Drag(g.PointOf(64, 5), g.PointOf(10, 10));
    EXPECT_EQ(Steps().index(), before + 2);
}

TEST_F(RoomWindowTest, KeysChooseAndStepASourceOneUndoStepAPress) {
    ASSERT_NO_FATAL_FAILURE(OpenRoom());
    Place(4, 64, 64, 64);
    Place(7, 127, 0, 0);
    const int before = Steps().count();
    struct Press {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int channel;
        RoomPoint after;
    };
    const Press presses[] = {
        {Qt::Key_5, Qt::NoModifier, 4, {64, 64, 64}},
        {Qt::Key_Right, Qt::NoModifier, 4, {65, 64, 64}},
        {Qt::Key_Up, Qt::ShiftModifier, 4, {65, 72, 64}},
        {Qt::Key_Left, Qt::ShiftModifier, 4, {57, 72, 64}},
        {Qt::Key_Down, Qt::NoModifier, 4, {57, 71, 64}},
        {Qt::Key_PageUp, Qt::NoModifier, 4, {57, 71, 65}},
        {Qt::Key_PageDown, Qt::ShiftModifier, 4, {57, 71, 57}},
        {Qt::Key_8, Qt::KeypadModifier, 7, {127, 0, 0}},
        {Qt::Key_Right, Qt::NoModifier, 7, {127, 0, 0}}, // at the wall: no step
        {Qt::Key_Down, Qt::NoModifier, 7, {127, 0, 0}},
        {Qt::Key_PageDown, Qt::NoModifier, 7, {127, 0, 0}},
    };
    int steps = before;
    for (const Press& p : presses) {
        SCOPED_TRACE(QKeySequence(p.key | p.modifiers).toString().toStdString());
        const RoomPoint was = plan->Picture().sources[std::size_t(p.channel)].position;
        QTest::keyClick(plan, p.key, p.modifiers);
        Settle();
        EXPECT_EQ(plan->Selected(), p.channel);
        EXPECT_EQ(plan->Picture().sources[std::size_t(p.channel)].position, p.after);
        const auto c = std::size_t(p.channel);
        EXPECT_EQ((RoomPoint{Doc().XPosition[c], Doc().YPosition[c], Doc().ZPosition[c]}), p.after);
        steps += was != p.after;
        EXPECT_EQ(Steps().count(), steps);
    }
    EXPECT_EQ(Steps().text(before), QStringLiteral("Source Position, Ch. 5"));
    EXPECT_EQ(LastSent(4, 20), 57);
    EXPECT_EQ(LastSent(4, 21), 71);
    EXPECT_EQ(LastSent(4, 22), 57);
    EXPECT_TRUE(PositionLine().startsWith(QStringLiteral("Source 8: ")));
}

// A reader finds each source by its name, hears its position, and hears which one is chosen.
TEST_F(RoomWindowTest, SourcesAreAccessibleChildrenNamedAndDescribedByTheirPositions) {
    ASSERT_NO_FATAL_FAILURE(OpenRoom());
    plan->setFocus();
    room->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return room->isActiveWindow(); }));
    Place(1, 10, 20, 30);
    QAccessibleInterface* planReader = QAccessible::queryAccessibleInterface(plan);
    ASSERT_NE(planReader, nullptr);
    const auto source = [&](int c) {
        return QAccessible::queryAccessibleInterface(plan->SourceWidget(c));
    };
    for (int c = 0; c < 8; ++c) {
        SCOPED_TRACE(c);
        QAccessibleInterface* reader = source(c);
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->parent()->object(), plan) << "a child of the plan";
        EXPECT_EQ(reader->text(QAccessible::Name), QStringLiteral("Source %1").arg(c + 1));
        const std::size_t i = std::size_t(c);
        const RoomPoint at{Doc().XPosition[i], Doc().YPosition[i], Doc().ZPosition[i]};
        EXPECT_EQ(reader->text(QAccessible::Description),
                  QString::fromStdString(PositionText(Doc(), at)));
    }
    QTest::keyClick(plan, Qt::Key_2);
    EXPECT_TRUE(source(1)->state().focused) << "the chosen source has the focus";
    EXPECT_FALSE(source(0)->state().focused);
    QTest::keyClick(plan, Qt::Key_Up);
    Settle();
    EXPECT_EQ(source(1)->text(QAccessible::Description),
              QString::fromStdString(PositionText(Doc(), RoomPoint{10, 21, 30})));
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
    const std::pair<QString, bool> afterEachGo[] = {
        {QStringLiteral("Live: none   Next: 1 Opening"), true},
        {QStringLiteral("Live: 1 Opening   Next: 2 Blackout"), true},
        {QStringLiteral("Live: 2 Blackout   Next: none"), false},
    };
    for (const auto& [text, enabled] : afterEachGo) {
        EXPECT_EQ(line->text(), text);
        EXPECT_EQ(go->isEnabled(), enabled) << text.toStdString();
        QTest::mouseClick(go, Qt::LeftButton);
    }
    EXPECT_EQ(cues.LiveIndex(), 1u);
}

TEST_F(RoomWindowTest, ThePlanRepaintsOnceForManyChangesAndNeverForOthers) {
    ASSERT_NO_FATAL_FAILURE(OpenRoom());
    PaintCounter counter(*plan);
    // Until three frames pass without a paint: whatever was asked for before has been painted.
    const auto waitForQuiet = [&counter] {
        int before = 0;
        do {
            before = counter.paints;
            QTest::qWait(3 * RepaintPacer::kFrameMs);
        } while (counter.paints != before);
    };
    const auto expectPaints = [&](int expected, const char* change, const auto& make) {
        waitForQuiet();
        counter.paints = 0;
        make();
        Settle();
        if (expected > 0) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints >= expected; })) << change;
        }
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
