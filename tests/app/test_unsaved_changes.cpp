// Unsaved changes: the title line's mark, the question before a close, and the recovery
// file that keeps them when the program is ended without asking and is offered at the
// next start.
#include "support/MainWindowFixture.h"
#include "support/WhenShown.h"

#include "model/ControllerFile.h"
#include "model/ParameterTable.h"
#include "program/CCueEngine.h"
#include "program/CDocumentGuard.h"
#include "program/CRecoveryJournal.h"
#include "ui/CDocumentCommands.h"
#include "ui/CProgramWindows.h"
#include "ui/CRecoveryList.h"
#include "ui/CWindowQuestions.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <memory>
#include <optional>

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The questions asked in windows of their own.
DocumentQuestions& Questions() {
    static CWindowQuestions questions;
    return questions;
}

// Counts the events of one type that reach a widget.
class EventSpy : public QObject {
public:
    EventSpy(QObject* watched, QEvent::Type type, int& count)
        : m_watched(watched), m_type(type), m_count(count) {
        watched->installEventFilter(this);
    }
    ~EventSpy() override { m_watched->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        m_count += event->type() == m_type ? 1 : 0;
        return false;
    }

private:
    QObject* m_watched;
    QEvent::Type m_type;
    int& m_count;
};

class UnsavedChangesTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // Journals other tests left would be offered too.
        QDir(CDocumentGuard::DefaultFolder()).removeRecursively();
    }

    // A saved file with RoomSide 40, made the last document.
    QString SavedShow() {
        CControllerDoc source;
        source.RoomSide = 40;
        const QString path = folder.filePath(QStringLiteral("show.ocont2"));
        EXPECT_TRUE(WriteControllerFile(source, QFile::encodeName(path).toStdString()));
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Norvell", "ORBIS");
        store.setValue("Last Document", path);
        return path;
    }

    void PressUp(int id) {
        Control(id)->setFocus();
        QTest::keyClick(Control(id), Qt::Key_Up);
        Idle();
    }

    // The mark follows once the event loop waits for more; QTest::qWait never does.
    static void Idle() {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }

    // Ends the run as SIGTERM does, from inside the application's loop as in the program,
    // so that its exit leaves no quit pending for the loops of later windows.
    static void EndAsOnSigterm(CControllerApp& ending) {
        QTimer::singleShot(0, [&ending] { ending.RequestClose(); });
        QCoreApplication::exec();
    }

    QTemporaryDir folder;
};

TEST_F(UnsavedChangesTest, TheTitleLineMarksChangesUntilSavedOrNew) {
    const QString path = SavedShow();
    Start();
    EXPECT_EQ(LabelText(ControlId::Title), path);
    EXPECT_FALSE(window->isWindowModified());

    PressUp(ControlId::InputLevel);
    EXPECT_EQ(LabelText(ControlId::Title), "*" + path);
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_TRUE(window->windowTitle().contains("[*]")) << "Qt shows the mark in the title bar";

    // Back where the file has it: nothing unsaved.
    Doc().Set(KeyOf(&CControllerDoc::InputLevel, 0), 100, ChangeOrigin::Gesture);
    Idle();
    EXPECT_EQ(LabelText(ControlId::Title), path);

    // Another window's change counts as well; a renumbered device list does not.
    Doc().Set(KeyOf(&CControllerDoc::SpatOutZPos, 7), 3, ChangeOrigin::Gesture);
    Idle();
    EXPECT_EQ(LabelText(ControlId::Title), "*" + path);
    Doc().Set(KeyOf(&CControllerDoc::SpatOutZPos, 7), 64, ChangeOrigin::Live);
    Doc().Set(KeyOf(&CControllerDoc::outMIDIPort), 3, ChangeOrigin::Device);
    Idle();
    EXPECT_EQ(LabelText(ControlId::Title), path);

    // Waiting re-sets nothing: on X11 each re-set title wakes the program again.
    int titleChanges = 0;
    EventSpy spy(window.get(), QEvent::ModifiedChange, titleChanges);
    for (int pass = 0; pass < 5; ++pass) {
        Idle();
    }
    EXPECT_EQ(titleChanges, 0);

    const QString copy = folder.filePath(QStringLiteral("copy.ocont2"));
    WhenShown<QFileDialog>([copy](QFileDialog* dialog) { ChooseFile(dialog, copy); });
    window->ExecuteCommand(CommandId::SaveAs);
    Idle();
    EXPECT_EQ(LabelText(ControlId::Title), copy);

    PressUp(ControlId::RoomSide);
    ExecuteDiscarding(CommandId::New);
    Idle();
    EXPECT_EQ(LabelText(ControlId::Title), "New Document");
    EXPECT_FALSE(window->isWindowModified());
}

TEST_F(UnsavedChangesTest, ClosingWithChangesAsksAndDoesWhatTheAnswerSays) {
    struct Case {
        const char* answer;   // button of the question; nullptr: no changes, no question
        const char* saveAsTo; // file name for the save dialog, nullptr to cancel it
        bool closes;
        bool saved;
    };
    const Case cases[] = {
        {nullptr, nullptr, true, false},   {"Cancel", nullptr, false, false},
        {"Discard", nullptr, true, false}, {"SaveAs", "mine", true, true},
        {"SaveAs", nullptr, false, false},
    };
    for (const Case& c : cases) {
        const std::string name = c.answer ? c.answer : "no changes";
        const QString target = folder.filePath(QStringLiteral("mine.ocont2"));
        QFile::remove(target);
        Start();
        if (c.answer) {
            PressUp(ControlId::InputLevel);
            // As the session's end keeps it; a close that goes ahead settles it.
            ASSERT_TRUE(app->DocumentGuard().SaveRecovery(Doc()));
        }
        QString question;
        // Without changes nothing may ask; a question would be cancelled and fail the case.
        QPointer<QTimer> watch =
            ClickWhenShown<QMessageBox>(c.answer ? c.answer : "Cancel", &question);
        QPointer<QTimer> dialog = WhenShown<QFileDialog>([&](QFileDialog* d) {
            if (c.saveAsTo) {
                ChooseFile(d, folder.filePath(QString::fromLatin1(c.saveAsTo)));
            } else {
                d->reject();
            }
        });
        window->ExecuteCommand(CommandId::Close);
        delete watch;
        delete dialog;
        EXPECT_EQ(window->isVisible(), !c.closes) << name;
        EXPECT_EQ(question, c.answer ? "Save changes to New Document?" : "") << name;
        EXPECT_EQ(QFile::exists(target), c.saved) << name;
        EXPECT_EQ(app->DocumentGuard().HasRecovery(), c.answer && !c.closes) << name;
        if (c.saved) {
            CControllerDoc saved;
            ASSERT_TRUE(ReadControllerFile(saved, QFile::encodeName(target).toStdString(), false));
            EXPECT_EQ(saved.InputLevel[0], 101) << name;
        }
        Stop();
    }
}

// The journal keeps up with the changes without a write per change, and a document back in
// its saved state has none.
TEST_F(UnsavedChangesTest, TheJournalFollowsChangesWithinASecondInAFewWrites) {
    SavedShow();
    Start();
    CDocumentGuard& guard = app->DocumentGuard();
    QElapsedTimer drag;
    drag.start();
    for (int value = 0; value < 50; ++value) { // a drag: 50 positions in a quarter second
        Doc().Set(KeyOf(&CControllerDoc::XPosition, 0), value, ChangeOrigin::Gesture);
        QTest::qWait(5);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return guard.HasRecovery(); }, 1000));
    QTest::qWait(CControllerApp::kJournalDelayMs * 2);
    EXPECT_LE(guard.JournalWrites(),
              1 + static_cast<int>(drag.elapsed()) / CControllerApp::kJournalDelayMs);
    CControllerDoc kept;
    ASSERT_TRUE(
        ReadControllerFile(kept, QFile::encodeName(guard.RecoveryFileName()).toStdString(), false));
    EXPECT_EQ(kept.XPosition[0], 49) << "the journal ends where the document does";

    Doc().Set(KeyOf(&CControllerDoc::XPosition, 0), 64, ChangeOrigin::Gesture);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !guard.HasRecovery(); }, 1000))
        << "back in the saved state: nothing to recover";
    app->Cues().Record(CueList::kAtFront, 0xFF, 0x7F);
    EXPECT_TRUE(QTest::qWaitFor([&] { return guard.HasRecovery(); }, 1000))
        << "an unsaved cue list is kept with the document";
}

// New and Import replace the document: with changes they ask first, as a close does.
TEST_F(UnsavedChangesTest, NewAndImportWithChangesAskFirst) {
    struct Case {
        int command;
        const char* answer;
        bool replaced;
    };
    const Case cases[] = {{CommandId::New, "Cancel", false},
                          {CommandId::New, "Discard", true},
                          {CommandId::Import, "Cancel", false},
                          {CommandId::Import, "Discard", true}};
    for (const Case& c : cases) {
        const std::string name = std::to_string(c.command) + " " + c.answer;
        const QString path = SavedShow();
        Start();
        PressUp(ControlId::InputLevel);
        QString question;
        const QPointer<QTimer> asked = ClickWhenShown<QMessageBox>(c.answer, &question);
        const QPointer<QTimer> dialog =
            WhenShown<QFileDialog>([&path](QFileDialog* d) { ChooseFile(d, path); });
        window->ExecuteCommand(c.command);
        delete asked;
        delete dialog;
        EXPECT_EQ(question, "Save changes to show.ocont2?") << name;
        EXPECT_EQ(Doc().InputLevel[0], c.replaced ? 100 : 101) << name;
        EXPECT_EQ(window->isWindowModified(), !c.replaced) << name;
        Stop();
    }
}

TEST_F(UnsavedChangesTest, AnEndWithoutAskingKeepsChangesThatTheNextStartOffers) {
    for (const char* answer : {"Restore", "Discard"}) {
        const QString path = SavedShow();
        Start();
        Doc().RoomSide = 90;
        app->Cues().Record(CueList::kAtFront, 0x01, 0x7F, 25);
        // What SIGTERM and the session's end lead to: no question, the changes kept.
        QPointer<QTimer> watch = ClickWhenShown<QMessageBox>(QStringLiteral("Cancel"));
        EndAsOnSigterm(*app);
        delete watch;
        EXPECT_FALSE(window->isVisible()) << answer;
        const QString recovery = app->DocumentGuard().RecoveryFileName();
        ASSERT_TRUE(QFile::exists(recovery)) << answer;
        Stop();
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Norvell", "ORBIS");
        EXPECT_EQ(store.value("Last Document").toString(), path) << "written as before";

        // The next start, as the program runs it.
        CControllerApp next(midi);
        auto nextWindows = std::make_unique<CProgramWindows>(next);
        QString offer;
        WhenShown<CRecoveryList>([&offer, answer](CRecoveryList* list) {
            offer = list->Text();
            list->findChild<QAbstractButton*>(QString::fromLatin1(answer))->click();
        });
        int roomSide = -1;
        std::vector<Cue> cues;
        QString title;
        QString cueQuestion;
        QPointer<QTimer> closing;
        QTimer::singleShot(500, [&] {
            roomSide = next.Doc().RoomSide;
            cues = next.Cues().Cues();
            title = nextWindows->MainWindow()->findChild<QLabel*>("Title")->text();
            // The values are asked about first, then the restored cue list.
            closing = WhenShown<QMessageBox>([&closing, &cueQuestion](QMessageBox* question) {
                question->findChild<QAbstractButton*>(QStringLiteral("Discard"))->click();
                closing = ClickWhenShown<QMessageBox>(QStringLiteral("Discard"), &cueQuestion);
            });
            nextWindows->MainWindow()->close();
        });
        QTimer::singleShot(10000, [&next] { next.RequestClose(); }); // never hang
        nextWindows->Run();
        delete closing;
        const bool restored = std::string(answer) == "Restore";
        EXPECT_EQ(offer, "Orbis ended without saving the changes to show.ocont2. Restore them?");
        EXPECT_EQ(roomSide, restored ? 90 : 40) << answer;
        ASSERT_EQ(cues.size(), restored ? 1u : 0u) << answer << ": the cue list comes back too";
        if (restored) {
            EXPECT_EQ(cues[0].fadeTenths, 25);
            EXPECT_EQ(cues[0].channels, 0x01);
            EXPECT_TRUE(next.Cues().IsModified());
        }
        EXPECT_EQ(cueQuestion, restored ? "Save changes to the cue list?" : "")
            << answer << ": closing asks about cues no file holds";
        EXPECT_EQ(title, (restored ? "*" : "") + path) << answer;
        EXPECT_FALSE(QFile::exists(recovery)) << answer << ": offered once";
    }
}

TEST_F(UnsavedChangesTest, NothingChangedLeavesNoRecoveryFile) {
    SavedShow();
    Start();
    EndAsOnSigterm(*app);
    EXPECT_FALSE(app->DocumentGuard().HasRecovery());
}

// Which journals a start may offer: never one whose program still runs, every one whose
// program is gone, and a run that ended without letting go of its lock is told. What lies in
// the folder under a journal's names is read only as a small regular file, without waiting.
TEST(RecoveryJournal, OnlyJournalsOfRunsThatAreGoneAreOfferedAndAnUnexpectedEndIsTold) {
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0); // a process id that no longer runs
    struct Case {
        const char* name;
        bool journal;
        enum { None, Live, Dead, Empty, Garbage, EmptyHeld, Fifo } lock;
        enum { Named, NameFifo, NameHuge } nameFile;
        bool offered;
        bool unexpectedEnd;
    };
    const Case cases[] = {
        {"ended by SIGTERM: journal, lock let go", true, Case::None, Case::Named, true, false},
        {"killed: journal and its lock left", true, Case::Dead, Case::Named, true, true},
        {"killed with nothing unsaved", false, Case::Dead, Case::Named, false, true},
        {"still running", true, Case::Live, Case::Named, false, false},
        {"power cut: its lock never reached the disk", true, Case::Empty, Case::Named, true, true},
        {"a lock that names no process", true, Case::Garbage, Case::Named, true, true},
        {"a live run that has not written its lock yet", true, Case::EmptyHeld, Case::Named, false,
         false},
        {"a FIFO as its lock", true, Case::Fifo, Case::Named, false, false},
        {"a FIFO as its name file", true, Case::None, Case::NameFifo, true, false},
        {"a name file of megabytes", true, Case::None, Case::NameHuge, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        std::optional<CRecoveryJournal> other(std::in_place, folder.path());
        if (c.journal) {
            other->Post("/shows/other.ocont2", "text");
            ASSERT_TRUE(other->Flush());
        }
        other->Lock();
        const QString otherLock = QString(other->FileName()).replace(".ocont2", ".lock");
        const QString otherName = QString(other->FileName()).replace(".ocont2", ".name");
        if (c.lock != Case::Live) {
            other.reset(); // the run ends and lets go of its lock
        }
        QFile lock(otherLock);
        if (c.lock == Case::Dead || c.lock == Case::Empty || c.lock == Case::Garbage ||
            c.lock == Case::EmptyHeld) { // as a run that is gone, or still starting, leaves it
            ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
            if (c.lock == Case::Dead) {
                lock.write(QByteArray::number(child) + "\nOrbis\n" +
                           QSysInfo::machineHostName().toUtf8() + "\n");
            } else if (c.lock == Case::Garbage) {
                lock.write("\x7f\x00\x13garbage");
            }
            lock.flush();
            if (c.lock == Case::EmptyHeld) {
                ASSERT_EQ(flock(lock.handle(), LOCK_EX), 0);
            } else {
                lock.close();
            }
        }
        if (c.lock == Case::Fifo) {
            ASSERT_EQ(mkfifo(QFile::encodeName(otherLock).constData(), 0600), 0);
        }
        if (c.nameFile == Case::NameFifo) {
            QFile::remove(otherName);
            ASSERT_EQ(mkfifo(QFile::encodeName(otherName).constData(), 0600), 0);
        } else if (c.nameFile == Case::NameHuge) {
            QFile name(otherName);
            ASSERT_TRUE(name.open(QIODevice::WriteOnly));
            name.resize(50 << 20);
        }
        CRecoveryJournal mine(folder.path());
        mine.Post("/shows/mine.ocont2", "mine");
        ASSERT_TRUE(mine.Flush());
        bool unexpectedEnd = false;
        const auto orphans = mine.TakeOrphans(&unexpectedEnd);
        ASSERT_EQ(orphans.size(), c.offered ? 1u : 0u);
        if (c.offered) {
            EXPECT_EQ(orphans[0].documentName,
                      c.nameFile == Case::Named ? "/shows/other.ocont2" : "");
            EXPECT_EQ(mine.OrphanText(orphans[0]).text, "text");
        }
        EXPECT_EQ(unexpectedEnd, c.unexpectedEnd);
        CRecoveryJournal third(folder.path());
        EXPECT_TRUE(third.TakeOrphans().empty()) << "taken orphans are offered once at a time";
        mine.ReleaseOrphans();
        EXPECT_TRUE(QFile::exists(mine.FileName())) << "no run touches another's journal";
        const bool respected =
            c.lock == Case::Live || c.lock == Case::EmptyHeld || c.lock == Case::Fifo;
        EXPECT_EQ(QFileInfo::exists(otherLock), respected) << "a respected lock stays as it was";
    }
}

// Deletes the notices shown; returns how many of them had these words.
int TakeNotices(const QString& words) {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* notice = qobject_cast<QMessageBox*>(widget);
            notice && notice->objectName() == "Notice") {
            count += notice->text().contains(words) ? 1 : 0;
            delete notice;
        }
    }
    return count;
}

// However many journals there are, one window offers them, newest first, and says above them
// how the last run ended; a journal that cannot be read is told and kept, never restored.
TEST(RecoveryList, SeveralJournalsComeInOneWindowAndADamagedOneIsKeptNotRestored) {
    QTemporaryDir folder;
    CControllerDoc doc;
    doc.RoomSide = 22;
    // What the exit of a lost display once wrote (no key), newest, with an empty lock.
    const std::string texts[] = {"<plist><dict>\n</dict></plist>", ControllerFileText(doc),
                                 ControllerFileText(CControllerDoc())};
    for (int age = 0; age < 3; ++age) {
        const QString run = folder.filePath(QStringLiteral("run-%1-1-0").arg(age));
        QFile journal(run + ".ocont2");
        QFile name(run + ".name");
        ASSERT_TRUE(journal.open(QIODevice::WriteOnly) && name.open(QIODevice::WriteOnly));
        journal.write(texts[age].c_str());
        name.write(QStringLiteral("/shows/%1.ocont2").arg(age).toUtf8());
        journal.setFileTime(QDateTime::currentDateTime().addSecs(-age * 60),
                            QFileDevice::FileModificationTime);
    }
    ASSERT_TRUE(QFile(folder.filePath("run-0-1-0.lock")).open(QIODevice::WriteOnly));
    CDocumentGuard guard(folder.path());
    guard.BeginRun();
    QString text;
    QString status;
    int notices = -1;
    int roomSideAfterDamaged = -1;
    WhenShown<CRecoveryList>([&](CRecoveryList* list) {
        text = list->Text();
        notices = TakeNotices("");
        list->findChild<QAbstractButton*>("Restore")->click(); // the newest: damaged
        status = list->findChild<QLabel*>("RecoveryStatus")->text();
        roomSideAfterDamaged = doc.RoomSide;
        auto* rows = list->findChild<QTreeWidget*>("RecoveryList");
        rows->setCurrentItem(rows->topLevelItem(1));
        list->findChild<QAbstractButton*>("Restore")->click();
    });
    doc.RoomSide = 64;
    EXPECT_TRUE(guard.OfferRecovery(doc, Questions()));
    EXPECT_TRUE(text.startsWith("The previous run of Orbis ended unexpectedly"))
        << text.toStdString();
    EXPECT_EQ(notices, 0) << "one window says it all";
    EXPECT_TRUE(status.contains("journal is damaged") && status.contains("run-0-1-0.ocont2"))
        << status.toStdString();
    EXPECT_EQ(roomSideAfterDamaged, 64) << "nothing read from a damaged journal";
    EXPECT_EQ(doc.RoomSide, 22) << "the next newest";
    EXPECT_TRUE(QFile::exists(folder.filePath("run-0-1-0.ocont2"))) << "the damaged one is kept";
}

// A journal folder that cannot be written is told once, with the reason.
TEST(RecoveryList, AFolderThatCannotBeWrittenIsToldOnce) {
    QTemporaryDir home;
    ASSERT_TRUE(QFile(home.filePath("data")).open(QIODevice::WriteOnly)); // in the folder's way
    CDocumentGuard guard(home.filePath("data/journals"));
    guard.BeginRun();
    CControllerDoc doc;
    EXPECT_FALSE(guard.OfferRecovery(doc, Questions()));
    for (int change = 1; change <= 3; ++change) {
        doc.RoomSide = change;
        guard.Journal(doc);
        guard.FinishJournal();
    }
    EXPECT_EQ(TakeNotices("cannot be written (Not a directory)"), 1);
}

} // namespace
