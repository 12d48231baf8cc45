#include "platform/qt/HelpWindow.h"

#include <gtest/gtest.h>
#include <QTextBrowser>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "settings/ProgramFolder.h"
#include "support/DialogTesting.h"
#include "support/TempProgramFolder.h"

TEST(HelpWindow, MissingDocumentGivesTheStopBoxAndNoWindow) {
    TempProgramFolder folder;
    MessageBoxRecorder boxes;
    EXPECT_EQ(ShowHelpDocument(boxes), 1);
    // It names every place it looked, the program folder first.
    ASSERT_EQ(boxes.Texts(),
              std::vector<std::string>{
                  "ヘルプファイル(OlixTrap.html)を開くことができません。\n\n探した場所:\n" +
                  folder.File("OlixTrap.html") + "\n" + ExecutableFolder() + "/OlixTrap.html\n" +
                  InstalledDataFolder() + "/OlixTrap.html"});
    EXPECT_EQ(boxes.Recorded()[0].icon, MessageIcon::Stop);
}

TEST(HelpWindow, ShowsTheDocumentOfTheProgramFolderAtTheAskedAnchor) {
    TempProgramFolder folder;
    std::ifstream source(OLIXTRAP_HELP_DOCUMENT, std::ios::binary);
    const std::string document((std::istreambuf_iterator<char>(source)),
                               std::istreambuf_iterator<char>());
    ASSERT_FALSE(document.empty());
    EXPECT_NE(document.find("<p>Olix Trap Receiver Ver3.03</p>"), std::string::npos);
    // The action dialog opens the help at this anchor.
    EXPECT_NE(document.find("id=\"context-22\""), std::string::npos);
    folder.Write("OlixTrap.html", document);

    MessageBoxRecorder boxes;
    EXPECT_EQ(ShowHelpDocument(boxes, QStringLiteral("context-22")), 0);
    EXPECT_TRUE(boxes.Recorded().empty());
    auto* browser = qobject_cast<QTextBrowser*>(HelpWindow());
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->isVisible());
    EXPECT_EQ(browser->windowTitle(), QStringLiteral("Olix Trap Receiver - v3.03 ヘルプ"));
    EXPECT_EQ(browser->source().toLocalFile().toStdString(), folder.File("OlixTrap.html"));
    EXPECT_EQ(browser->source().fragment(), "context-22");
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("トラップ")));
    browser->close();
}

TEST(HelpWindow, ProgramFolderWithoutTheDocumentShowsTheInstalledCopysOne) {
    TempProgramFolder folder;
    // Beside this test's executable, as share/olixtrap beside an installed bin folder.
    const std::filesystem::path shared = InstalledDataFolder();
    ASSERT_FALSE(std::filesystem::exists(shared)) << shared;
    std::filesystem::create_directories(shared);
    std::ofstream(shared / "OlixTrap.html") << "<html><body>installed</body></html>";

    MessageBoxRecorder boxes;
    const int shown = ShowHelpDocument(boxes);
    auto* browser = qobject_cast<QTextBrowser*>(HelpWindow());
    const std::string source =
        browser ? browser->source().toLocalFile().toStdString() : std::string();
    if (browser) browser->close();
    std::filesystem::remove_all(shared);
    std::error_code notEmpty;
    std::filesystem::remove(shared.parent_path(), notEmpty);

    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(boxes.Recorded().empty());
    EXPECT_EQ(source, (shared / "OlixTrap.html").string());
}
