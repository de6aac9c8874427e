#include "controls/RepaintPacer.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    int paints = 0;
};

} // namespace

// Repaints asked for within a frame of the last one wait for its end and go out as one; with
// frames of no length every repaint goes out at once. A frame of a minute stands for one
// that has not ended yet, whatever the machine's speed.
TEST(RepaintPacer, RepaintsWithinAFrameGoOutTogetherAtItsEnd) {
    const struct {
        int frameMs;
        int paintsBeforeEnd;
        bool holding;
    } rows[] = {{0, 2, false}, {60'000, 0, true}};
    for (const auto& row : rows) {
        QWidget window;
        window.resize(100, 100);
        auto* child = new QWidget(&window);
        child->setGeometry(10, 10, 20, 20);
        RepaintPacer pacer(window, row.frameMs);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();
        pacer.Release(); // a frame starts now
        PaintCounter counter;
        child->installEventFilter(&counter);
        for (int i = 0; i < 2; ++i) {
            child->update();
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(counter.paints, row.paintsBeforeEnd) << row.frameMs;
        EXPECT_EQ(pacer.IsHolding(), row.holding) << row.frameMs;
        counter.paints = 0;
        pacer.Release();
        EXPECT_EQ(counter.paints, row.holding ? 1 : 0) << row.frameMs;
        EXPECT_FALSE(pacer.IsHolding());
    }
}
