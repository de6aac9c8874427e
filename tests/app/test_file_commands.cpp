// Import and Save As around their dialogs: what the dialogs offer, what each answer does
// to the document, and the error box of a failed save.
#include "app/DocumentNotices.h"
#include "app/FileCommands.h"
#include "model/ControllerFile.h"
#include "support/FileTestSupport.h"
#include "support/WhenShown.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

class FileCommandsTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
    CControllerDoc doc;
};

TEST_F(FileCommandsTest, SaveAsAddsTheExtensionAndRenamesTheDocument) {
    QStringList filters;
    QString suffix;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        suffix = dialog->defaultSuffix();
        dialog->selectFile(QString::fromStdString((folder / "mine").string()));
        static_cast<QDialog*>(dialog)->accept(); // as the Open or Save button does
    });
    doc.RoomSide = 33;
    ASSERT_TRUE(SaveFileAs(doc, nullptr));
    EXPECT_EQ(filters, QStringList{"ORBIS Controller Files (*.ocont2)"});
    EXPECT_EQ(suffix, "ocont2");
    const std::string path = (folder / "mine.ocont2").string();
    EXPECT_EQ(doc.DocumentName, path);
    EXPECT_EQ(ReadBytes(path), ControllerFileText(doc));
}

TEST_F(FileCommandsTest, CancelChangesNothing) {
    WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_FALSE(SaveFileAs(doc, nullptr));
    WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    doc.RoomSide = 44;
    EXPECT_FALSE(ImportFile(doc, nullptr));
    EXPECT_EQ(doc.DocumentName, CControllerDoc::kNewDocument);
    EXPECT_EQ(doc.RoomSide, 44);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

TEST_F(FileCommandsTest, ImportReadsTheChosenFileWithItsOutputDevice) {
    CControllerDoc source;
    source.outMIDIPort = 2;
    source.InputLevel[4] = 12;
    const std::string path = (folder / "setup.ocont2").string();
    ASSERT_TRUE(source.WriteControllerFile(path));

    QStringList filters;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        dialog->selectFile(QString::fromStdString(path));
        static_cast<QDialog*>(dialog)->accept(); // as the Open or Save button does
    });
    ASSERT_TRUE(ImportFile(doc, nullptr));
    EXPECT_EQ(filters, (QStringList{"ORBIS Controller Files (*.ocont2)", "All Files (*)"}));
    EXPECT_EQ(doc.DocumentName, path);
    EXPECT_EQ(doc.outMIDIPort, 2);
    EXPECT_EQ(doc.InputLevel[4], 12);
}

TEST_F(FileCommandsTest, DialogsOpenInTheDocumentsFolderAndSaveAsProposesItsName) {
    std::filesystem::create_directory(folder / "shows");
    const std::string current = (folder / "shows" / "stage.ocont2").string();
    struct Seen {
        QString folder;
        QStringList selected;
    };
    const auto look = [](Seen& seen) {
        WhenShown<QFileDialog>([&seen](QFileDialog* dialog) {
            seen = {dialog->directory().absolutePath(), dialog->selectedFiles()};
            dialog->reject();
        });
    };
    for (const bool named : {true, false}) {
        doc.DocumentName = named ? current : CControllerDoc::kNewDocument;
        Seen saving, importing;
        look(saving);
        EXPECT_FALSE(SaveFileAs(doc, nullptr));
        look(importing);
        EXPECT_FALSE(ImportFile(doc, nullptr));
        if (named) {
            const QString shows = QString::fromStdString((folder / "shows").string());
            EXPECT_EQ(saving.folder, shows);
            EXPECT_EQ(saving.selected, QStringList{QString::fromStdString(current)});
            EXPECT_EQ(importing.folder, shows);
        } else {
            EXPECT_FALSE(saving.selected.value(0).endsWith("New Document"))
                << "a document without a file proposes no name";
        }
    }
}

TEST_F(FileCommandsTest, ImportOfAFileThatEndsEarlyLoadsItAndSaysWhatIsMissing) {
    CControllerDoc source;
    source.InputLevel[0] = 12;
    const std::string whole = (folder / "whole.ocont2").string();
    ASSERT_TRUE(source.WriteControllerFile(whole));
    const std::string cut = (folder / "cut.ocont2").string();
    WriteBytes(cut, ReadBytes(whole).substr(0, 3000));

    for (const std::string& path : {whole, cut}) {
        ControllerFileGaps gaps;
        ASSERT_TRUE(ImportChosenFile(doc, QString::fromStdString(path), &gaps)) << path;
        EXPECT_EQ(doc.InputLevel[0], 12) << path;
        EXPECT_EQ(gaps.Any(), path == cut) << path;
    }
    QWidget window;
    ControllerFileGaps gaps;
    gaps.missingSections = {1, 2, 3, 4, 5, 6, 7, 8};
    gaps.closingTagMissing = true;
    ShowNotice(&window, IncompleteFileNotice(QString::fromStdString(cut), gaps));
    QTest::qWait(20);
    auto* notice = window.findChild<QMessageBox*>(QStringLiteral("Notice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_FALSE(notice->isModal()) << "the window stays usable";
    EXPECT_EQ(notice->text().toStdString(),
              "\"" + cut +
                  "\" ends early: the values of Ch. 2 to Ch. 8 and the global values are "
                  "missing (read as 0), and the closing </plist> tag is missing. The rest was "
                  "loaded.");
}

TEST_F(FileCommandsTest, FailedSaveShowsFileAndReason) {
    const QString path = QString::fromStdString((folder / "gone" / "setup.ocont2").string());
    QString shown;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
        shown = box->text();
        box->accept();
    });
    EXPECT_FALSE(SaveChosenFile(doc, path, nullptr));
    EXPECT_TRUE(shown.contains(path)) << shown.toStdString();
    EXPECT_TRUE(shown.contains("No such file or directory")) << shown.toStdString();
    EXPECT_EQ(doc.DocumentName, path.toStdString());
}

} // namespace
