// Menu and key commands of the main window: file commands and the title, the settings
// window slots, the keys from a modeless window, every way of closing, and the last
// document carried from one run to the next.
#include "support/MainWindowFixture.h"
#include "support/WhenShown.h"

#include "model/ControllerFile.h"
#include "program/CommandLine.h"

#include <QAction>
#include <QDialog>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace {

// Answers the next file dialog with `path` as soon as it is shown.
void AnswerFileDialog(const QString& path) {
    WhenShown<QFileDialog>([path](QFileDialog* d) { ChooseFile(d, path); });
}

QString WriteFile(const QTemporaryDir& folder, const char* name, CControllerDoc& source) {
    const QString path = folder.filePath(QString::fromLatin1(name));
    EXPECT_TRUE(WriteControllerFile(source, QFile::encodeName(path).toStdString()));
    return path;
}

} // namespace

TEST_F(MainWindowTest, MenusCarryTheirKeyHintsAndTheInputDeviceMenuBeforeHelp) {
    midi.AddInputDevice("Keyboard");
    Start();
    const QList<QAction*> menus = window->findChild<QMenuBar*>()->actions();
    QStringList titles;
    for (QAction* menu : menus) {
        titles << menu->text();
    }
    EXPECT_EQ(titles,
              (QStringList{"&File", "&Edit", "&Settings", "&Window", "&Input Device", "&Help"}));
    EXPECT_EQ(window->CommandAction(CommandId::Import)->text(), "&Import...\tCtrl+O");
    EXPECT_EQ(window->CommandAction(CommandId::Room)->text(), "&Room\tCtrl+R");
    EXPECT_FALSE(window->CommandAction(CommandId::HelpPdf)->isEnabled());
    EXPECT_EQ(window->InputDeviceMenu().DeviceCount(), 1);
    EXPECT_TRUE(window->InputDeviceMenu().EntryForId(102)->isChecked()) << "input device 0 opened";
}

TEST_F(MainWindowTest, ImportAndNewChangeTheTitle) {
    QTemporaryDir folder;
    CControllerDoc source;
    source.InputLevel[0] = 17;
    const QString path = WriteFile(folder, "setup.ocont2", source);
    Start();

    AnswerFileDialog(path);
    window->ExecuteCommand(CommandId::Import);
    Settle();
    EXPECT_EQ(LabelText(ControlId::Title), path);
    EXPECT_EQ(Control(ControlId::InputLevel)->value(), 17);

    ExecuteDiscarding(CommandId::New);
    Settle();
    EXPECT_EQ(LabelText(ControlId::Title), "New Document");
    EXPECT_EQ(Control(ControlId::InputLevel)->value(), 100);
}

TEST_F(MainWindowTest, ExitStoresTheDocumentAndTheNextStartRestoresItWithItsOutputDevice) {
    midi.AddOutputDevice("First");
    midi.AddOutputDevice("Second");
    QTemporaryDir folder;
    CControllerDoc source;
    source.outMIDIPort = 2;
    source.RoomSide = 90;
    const QString path = WriteFile(folder, "stage.ocont2", source);

    Start();
    AnswerFileDialog(path);
    window->ExecuteCommand(CommandId::Import);
    Stop();
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Norvell", "ORBIS");
    EXPECT_EQ(store.value("Last Document").toString(), path);

    Start();
    EXPECT_EQ(LabelText(ControlId::Title), path);
    EXPECT_EQ(List(ControlId::OutputList)->currentIndex(), 2);
    EXPECT_EQ(List(ControlId::OutputList)->currentText(), "Second");
    EXPECT_EQ(Control(ControlId::RoomSide)->value(), 90);

    ExecuteDiscarding(CommandId::New);
    Stop();
    Start();
    EXPECT_EQ(LabelText(ControlId::Title), "New Document");
    EXPECT_EQ(Control(ControlId::RoomSide)->value(), 11);
}

// New keeps the open port: the list shows the device the next control sends to.
TEST_F(MainWindowTest, NewKeepsTheOpenOutputChosen) {
    midi.AddOutputDevice("First");
    midi.AddOutputDevice("Second");
    Start();
    ChooseOutput(2);
    ExecuteDiscarding(CommandId::New);
    EXPECT_EQ(List(ControlId::OutputList)->currentText(), "Second");
    EXPECT_EQ(Doc().outMIDIPort, 2);
    QTest::keyClick(Control(ControlId::InputLevel), Qt::Key_Up);
    EXPECT_FALSE(midi.SentTo(1).empty()) << "the control sends where the list says";
    EXPECT_TRUE(midi.SentTo(0).empty());

    ChooseOutput(0); // nothing chosen, nothing open: New shows the prompt again
    ExecuteDiscarding(CommandId::New);
    EXPECT_EQ(List(ControlId::OutputList)->currentIndex(), 0);
    EXPECT_EQ(Doc().outMIDIPort, 0);
}

TEST_F(MainWindowTest, AStoreWithoutTheValueOrAMissingFileStartsTheDefaultDocument) {
    // A last document that is gone is told in a notice that does not block; no value and
    // "New Document" are no file at all.
    const std::pair<const char*, bool> stores[] = {
        {"", false}, {"New Document", false}, {"/nonexistent/gone.ocont2", true}};
    for (const auto& [stored, told] : stores) {
        {
            QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Norvell", "ORBIS");
            store.setValue("Last Document", QString::fromLatin1(stored));
        }
        Start();
        EXPECT_EQ(LabelText(ControlId::Title), "New Document") << stored;
        EXPECT_EQ(Control(ControlId::InputLevel)->value(), 100);
        QTest::qWait(20);
        auto* notice = window->findChild<QMessageBox*>(QStringLiteral("Notice"));
        ASSERT_EQ(notice != nullptr, told) << stored;
        if (notice) {
            EXPECT_TRUE(notice->isVisible());
            EXPECT_FALSE(notice->isModal());
            EXPECT_TRUE(notice->text().contains("\"/nonexistent/gone.ocont2\""))
                << notice->text().toStdString();
            EXPECT_TRUE(notice->text().contains("No such file or directory"));
        }
        Stop();
    }
}

TEST_F(MainWindowTest, AStartFileReplacesTheLastDocumentAndAnUnreadableOneIsReported) {
    QTemporaryDir folder;
    CControllerDoc source;
    source.BellFactor[0] = 5;
    const QString good = WriteFile(folder, "good.ocont2", source);
    QFile junk(folder.filePath("junk.ocont2"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a property list");
    junk.close();

    app = std::make_unique<CControllerApp>(midi);
    EXPECT_TRUE(app->UseStartFile(good).isEmpty());
    EXPECT_FALSE(app->UseStartFile(folder.filePath("missing.ocont2")).isEmpty());
    EXPECT_EQ(app->m_strLastDocument, "New Document");
    EXPECT_TRUE(app->UseStartFile(junk.fileName()).contains("not an ORBIS controller file"));
    EXPECT_EQ(app->m_strLastDocument, "New Document");

    EXPECT_TRUE(app->UseStartFile(good).isEmpty());
    // The file is read once, when it is checked: a change after that does not reach the window.
    source.BellFactor[0] = 9;
    WriteFile(folder, "good.ocont2", source);
    window = std::make_unique<CControllerDlg>(*app);
    EXPECT_EQ(LabelText(ControlId::Title), good);
    EXPECT_EQ(Control(ControlId::BellFactor)->value(), 5);
}

// Reports where a window is the moment it is shown.
class ShowWatcher : public QObject {
public:
    explicit ShowWatcher(std::function<void(QWidget*)> onShow) : m_onShow(std::move(onShow)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            m_onShow(static_cast<QWidget*>(watched));
        }
        return false;
    }

private:
    std::function<void(QWidget*)> m_onShow;
};

TEST_F(MainWindowTest, SettingsWindowsAreOpenedOnceEachAndPlacedBesideTheMainWindow) {
    int made = 0;
    app = std::make_unique<CControllerApp>(midi);
    windows = std::make_unique<CProgramWindows>(*app);
    QPoint shownAt(-1, -1);
    ShowWatcher watcher([&shownAt](QWidget* shown) { shownAt = shown->pos(); });
    windows->SetSettingsWindowFactory(SettingsWindow::SampleRate,
                                      [&](CControllerApp&, QWidget& parent) {
                                          ++made;
                                          auto* dialog = new QDialog(&parent);
                                          dialog->resize(200, 100);
                                          dialog->installEventFilter(&watcher);
                                          return dialog;
                                      });
    window = std::make_unique<CControllerDlg>(*app);
    windows->Attach(window.get());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    window->ExecuteCommand(CommandId::SampleRate);
    QPointer<QWidget> first = window->OpenedWindow(SettingsWindow::SampleRate);
    ASSERT_NE(first, nullptr);
    const QRect main = window->frameGeometry();
    const QPoint placed(main.x() + main.width() / 2 - first->frameGeometry().width() / 2,
                        main.y() + 30);
    EXPECT_EQ(first->pos(), placed);
    EXPECT_EQ(shownAt, placed) << "placed before it was shown, not moved after";
    window->ExecuteCommand(CommandId::SampleRate);
    EXPECT_EQ(made, 1) << "a second command brings the open window forward";

    first->close(); // before its deletion comes round, the next command makes a new one
    window->ExecuteCommand(CommandId::SampleRate);
    EXPECT_EQ(made, 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(first, nullptr) << "a closed window is deleted";

    window->ExecuteCommand(CommandId::Diagram); // not part of the program yet: nothing
    EXPECT_EQ(window->OpenedWindow(SettingsWindow::Diagram), nullptr);
}

TEST_F(MainWindowTest, KeysReachTheMainWindowFromAModelessWindow) {
    bool opened = false;
    app = std::make_unique<CControllerApp>(midi);
    windows = std::make_unique<CProgramWindows>(*app);
    windows->SetSettingsWindowFactory(SettingsWindow::SampleRate,
                                      [&opened](CControllerApp&, QWidget& parent) {
                                          opened = true;
                                          return new QDialog(&parent);
                                      });
    window = std::make_unique<CControllerDlg>(*app);
    windows->Attach(window.get());
    window->show();
    auto* child = new QDialog(window.get());
    child->show();
    child->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(child));

    QTest::keyClick(child, Qt::Key_4, Qt::ControlModifier);
    EXPECT_TRUE(opened) << "Ctrl+4 opens the Sample Rate window";
    QTest::keyClick(child, Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(Doc().ShowRawValues) << "Ctrl+Shift+M flips the display";
    Doc().SetName("/somewhere/else.ocont2");
    QTest::keyClick(child, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(Doc().Name(), "New Document") << "Ctrl+N is New";
    QTest::keyClick(child, Qt::Key_M, Qt::ControlModifier);
    EXPECT_TRUE(window->isMinimized()) << "Ctrl+M minimises the main window";
    window->ExecuteCommand(CommandId::ActivateMain);
    EXPECT_FALSE(window->isMinimized());
    QTest::keyClick(child, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(child->isVisible()) << "Ctrl+W closes the settings window";
    EXPECT_TRUE(window->isVisible()) << "and only that window";
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible()) << "Ctrl+W in the main window closes it";
}

TEST_F(MainWindowTest, CloseExitCtrlQAndTheCloseBoxEndTheWindowButEnterAndEscDoNot) {
    struct Way {
        const char* name;
        std::function<void(CControllerDlg&)> act;
        bool closes;
    };
    const Way ways[] = {
        {"Close", [](CControllerDlg& w) { w.ExecuteCommand(CommandId::Close); }, true},
        {"Exit", [](CControllerDlg& w) { w.ExecuteCommand(CommandId::Exit); }, true},
        {"close box", [](CControllerDlg& w) { w.close(); }, true},
        {"Ctrl+Q", [](CControllerDlg& w) { QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier); },
         true},
        {"Ctrl+W", [](CControllerDlg& w) { QTest::keyClick(&w, Qt::Key_W, Qt::ControlModifier); },
         true},
        // A stray key must not end the program in the middle of a show.
        {"Enter", [](CControllerDlg& w) { QTest::keyClick(&w, Qt::Key_Return); }, false},
        {"keypad Enter", [](CControllerDlg& w) { QTest::keyClick(&w, Qt::Key_Enter); }, false},
        {"Esc", [](CControllerDlg& w) { QTest::keyClick(&w, Qt::Key_Escape); }, false},
    };
    for (const Way& way : ways) {
        Start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        Control(ControlId::InputLevel)->setFocus();
        way.act(*window);
        EXPECT_EQ(window->isVisible(), !way.closes) << way.name;
        Stop();
    }
}

TEST_F(MainWindowTest, SendButtonsSendTheirSections) {
    midi.AddOutputDevice("Processor");
    Start();
    ChooseOutput(1);
    const std::pair<int, std::size_t> buttons[] = {
        {ControlId::SendPatchbay, 56}, {ControlId::SendChannels, 152}, {ControlId::SendGlobals, 4}};
    for (const auto& [id, count] : buttons) {
        midi.ClearRecords();
        QTest::mouseClick(Find<QWidget>(id), Qt::LeftButton);
        EXPECT_EQ(Sent().size(), count) << id;
    }
    midi.ClearRecords();
    List(ControlId::OutputList)->setCurrentIndex(0);
    emit List(ControlId::OutputList)->activated(0);
    EXPECT_EQ(Doc().outMIDIPort, 0);
    QTest::mouseClick(Find<QWidget>(ControlId::SendGlobals), Qt::LeftButton);
    EXPECT_TRUE(Sent().empty()) << "the prompt entry is no device";
}
