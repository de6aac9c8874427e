// The remote page against the real program: a paired page's move reaches the MIDI wire as the
// source's position controllers, a desk change and another page's move reach a page as its
// sources, GO fires the cue list, and nothing from the page is an undo step.
#include "remote/RemotePage.h"
#include "support/MainWindowFixture.h"

#include "model/ParameterTable.h"
#include "program/CCueEngine.h"
#include "program/CRemoteControl.h"
#include "program/CUndoHistory.h"
#include "settings/CNetworkControlDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QUndoStack>

namespace {

quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

class RemoteProgramTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        midi.AddOutputDevice("Processor");
        Start();
        ChooseOutput(1);
        CRemoteControl::Stored stored;
        stored.enabled = true;
        stored.port = FreePort();
        stored.code = QStringLiteral("482913");
        QString why;
        ASSERT_TRUE(app->Remote().Use(stored, &why)) << why.toStdString();
        port = static_cast<quint16>(stored.port);
        RestLink();
        midi.ClearRecords();
    }
    // The last value each position controller of `channel` got on the wire.
    std::array<int, 3> Wire(int channel) {
        std::array<int, 3> last{-1, -1, -1};
        for (const PortEvent& e : Sent()) {
            if (e.status == 0xB0 + channel && e.data1 >= 20 && e.data1 <= 22) {
                last[e.data1 - 20] = e.data2;
            }
        }
        return last;
    }
    // The source numbered `n` in a "sources" message; empty when it is not there.
    static QJsonObject SourceIn(const QJsonObject& message, int n) {
        for (const QJsonValue& source : message.value(QLatin1String("sources")).toArray()) {
            if (source.toObject().value(QLatin1String("n")) == n) {
                return source.toObject();
            }
        }
        return {};
    }

    quint16 port = 0;
};

} // namespace

TEST_F(RemoteProgramTest, AMoveReachesTheWireAndEveryPage) {
    RemotePage dragging(port);
    RemotePage watching(port);
    ASSERT_TRUE(dragging.Pair(QStringLiteral("482913")));
    ASSERT_TRUE(watching.Pair(QStringLiteral("482913")));
    const int undoSteps = app->History().Stack().count();

    dragging.Send(QStringLiteral(R"({"type":"move","n":3,"x":10.9,"y":100,"z":30})"));
    const QJsonObject seen = SourceIn(watching.NextOf(QStringLiteral("sources")), 3);
    EXPECT_EQ(seen.value(QLatin1String("x")), 10);
    EXPECT_EQ(seen.value(QLatin1String("y")), 100);
    EXPECT_EQ(seen.value(QLatin1String("z")), 30);
    EXPECT_EQ(Wire(2), (std::array<int, 3>{10, 100, 30}));

    // A lone axis moves that axis; the others stay where they are.
    dragging.Send(QStringLiteral(R"({"type":"move","n":3,"y":5})"));
    ASSERT_TRUE(ProcessEventsUntil([this] { return Doc().YPosition[2] == 5; }));
    EXPECT_EQ(Doc().XPosition[2], 10);
    EXPECT_EQ(Doc().ZPosition[2], 30);
    EXPECT_EQ(Wire(2), (std::array<int, 3>{10, 5, 30}));

    // The page's first move of a source whose other axes the processor does not have yet
    // (changed without a send) sends them too.
    Doc().Set(KeyOf(&CControllerDoc::ZPosition, 5), 77, ChangeOrigin::Load);
    dragging.Send(QStringLiteral(R"({"type":"move","n":6,"x":1})"));
    ASSERT_TRUE(ProcessEventsUntil([this] { return Doc().XPosition[5] == 1; }));
    EXPECT_EQ(Wire(5)[2], 77);

    dragging.Send(QStringLiteral(R"({"type":"level","n":8,"value":90.7})"));
    ASSERT_TRUE(ProcessEventsUntil([this] { return Doc().InputLevel[7] == 90; }));
    const QJsonObject level = SourceIn(
        watching.NextOf(QStringLiteral("sources"),
                        [](const QJsonObject& message) { return !SourceIn(message, 8).isEmpty(); }),
        8);
    EXPECT_EQ(level.value(QLatin1String("level")), 90);
    EXPECT_EQ(app->History().Stack().count(), undoSteps);
}

TEST_F(RemoteProgramTest, DeskChangesAndCuesReachThePage) {
    RemotePage page(port);
    ASSERT_TRUE(page.Open());
    page.Send(QStringLiteral(R"({"type":"hello","code":"482913"})"));
    const QJsonObject welcome = page.Next();
    ASSERT_EQ(welcome.value(QLatin1String("type")), QLatin1String("welcome"));
    EXPECT_EQ(welcome.value(QLatin1String("picture"))
                  .toObject()
                  .value(QLatin1String("sources"))
                  .toArray()
                  .size(),
              8);

    Doc().Set(KeyOf(&CControllerDoc::XPosition, 4), 99, ChangeOrigin::Gesture);
    const QJsonObject sources = page.NextOf(QStringLiteral("sources"));
    EXPECT_EQ(sources.value(QLatin1String("sources")).toArray().size(), 1);
    EXPECT_EQ(SourceIn(sources, 5).value(QLatin1String("x")), 99);

    app->ToggleRawValues();
    EXPECT_FALSE(page.NextOf(QStringLiteral("picture")).isEmpty());

    ASSERT_TRUE(app->Cues().Record(CueList::kAtFront, 0xFF, 0x7F, 0, CuePath::Straight, "Opening"));
    EXPECT_EQ(page.NextOf(QStringLiteral("cues")).value(QLatin1String("count")), 1);
    page.Send(QStringLiteral(R"({"type":"go"})"));
    const QJsonObject live = page.NextOf(QStringLiteral("cues"),
                                         [](const QJsonObject& message) {
                                             return message.value(QLatin1String("live")).isObject();
                                         })
                                 .value(QLatin1String("live"))
                                 .toObject();
    EXPECT_EQ(live.value(QLatin1String("number")), QLatin1String("1"));
    EXPECT_EQ(live.value(QLatin1String("name")), QLatin1String("Opening"));
}

TEST_F(RemoteProgramTest, TheNetworkControlWindowServesAndListsThePages) {
    app->Remote().Use({});
    CNetworkControlDlg dialog(*app, *window);
    dialog.findChild<QCheckBox*>()->setChecked(false); // OSC stays off
    const auto boxes = dialog.findChildren<QCheckBox*>();
    QCheckBox* serve = *std::find_if(boxes.begin(), boxes.end(), [](QCheckBox* box) {
        return box->text() == QLatin1String("Serve the remote page");
    });
    serve->setChecked(true);
    dialog.findChildren<QSpinBox*>().back()->setValue(port);
    dialog.findChildren<QLineEdit*>().back()->setText(QStringLiteral("ab12"));
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Apply)->click();
    auto* url = dialog.findChild<QLabel*>(QStringLiteral("RemoteAddressToOpen"));
    EXPECT_EQ(url->text(), QStringLiteral("http://127.0.0.1:%1/").arg(port));
    EXPECT_TRUE(CRemoteControl::Load().enabled);
    EXPECT_EQ(CRemoteControl::Load().code, QLatin1String("ab12"));

    RemotePage page(port);
    ASSERT_TRUE(page.Pair(QStringLiteral("ab12")));
    auto* clients = dialog.findChild<QListWidget*>(QStringLiteral("RemoteClients"));
    ASSERT_TRUE(ProcessEventsUntil([clients] { return clients->count() == 1; }));
    EXPECT_EQ(clients->item(0)->text(), QLatin1String("127.0.0.1 (paired)"));
}
