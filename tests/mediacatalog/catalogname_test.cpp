#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "mediacatalog/mediacatalog.h"
#include "tests/mediacatalog/catalogtest.h"

namespace {

using tvx::test::readFile;
using tvx::test::writeFile;

class CatalogName : public tvx::test::CatalogTest {
 protected:
  // Every path under the test root, to see that nothing was created or removed.
  std::vector<std::string> tree() const {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_)) {
      paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
  }
};

TEST_F(CatalogName, ServerFormKeepsTheQueueBetweenBackslashAndComma) {
  char name[] = "\\\\server\\queue,options";
  CMediaCatalog catalog(name);
  EXPECT_EQ(std::string(catalog.GetMediaCatalogRepositoryFilePath()),
            root_ + "//usr//bin//Tavorinex//queue");
  EXPECT_EQ(std::string(catalog.GetMediaCatalogInfoRepositoryFilePath()),
            root_ + "//usr//bin//Tavorinex//queue.info");
  EXPECT_TRUE(std::filesystem::exists(catalogFile("queue")));
  EXPECT_STREQ(name, "\\\\server\\queue,options");
}

TEST_F(CatalogName, NamesThatWouldLeaveTheFolderNeverTouchAFile) {
  std::filesystem::create_directories(catalogFolder() + "a");
  writeFile(root_ + "/usr/bin/victim", "keep");
  writeFile(root_ + "/usr/bin/victim.info", "keep");
  const std::vector<std::string> names = {
      "",    ".",  "..",        "a/b", "../victim", std::string(300, 'q'), std::string(1100, 'q'),
      "\\x", "\\", "\\\\server"};
  const std::vector<std::string> before = tree();
  for (const std::string& name : names) {
    SCOPED_TRACE(name.substr(0, 20));
    CMediaCatalog catalog(name.c_str());
    ASSERT_NE(catalog.GetAllMedias(), nullptr);
    EXPECT_EQ(catalog.GetAllMedias()->GetCount(), 5);
    EXPECT_FALSE(catalog.SaveMedia());
    catalog.DeleteMediaFile();
    EXPECT_EQ(tree(), before);
  }
  EXPECT_EQ(readFile(root_ + "/usr/bin/victim"), "keep");
}

TEST_F(CatalogName, DeleteMediaFileRemovesTheFileAndItsInfo) {
  CMediaCatalog catalog("queue");
  writeFile(catalogFile("queue.info"), "info");
  catalog.DeleteMediaFile();
  EXPECT_FALSE(std::filesystem::exists(catalogFile("queue")));
  EXPECT_FALSE(std::filesystem::exists(catalogFile("queue.info")));
}

TEST_F(CatalogName, InstanceKeepsItsFirstQueueAndRebuildsAVanishedFile) {
  CMediaCatalog* catalog = CMediaCatalog::GetInstance("first");
  // The process's catalog may predate this test's root: bind it afresh.
  catalog->SetPrinterName("first");
  EXPECT_EQ(CMediaCatalog::GetInstance("second"), catalog);
  EXPECT_EQ(std::string(catalog->GetMediaCatalogRepositoryFilePath()),
            root_ + "//usr//bin//Tavorinex//first");
  EXPECT_FALSE(std::filesystem::exists(catalogFile("second")));

  catalog->DeleteAllMedias();
  catalog->AddMedia(new CMedia());
  ASSERT_TRUE(catalog->SaveMedia());
  EXPECT_EQ(CMediaCatalog::GetInstance("first")->GetAllMedias()->GetCount(), 1);

  std::filesystem::remove(catalogFile("first"));
  EXPECT_EQ(CMediaCatalog::GetInstance("first")->GetAllMedias()->GetCount(), 5);
  EXPECT_EQ(readFile(catalogFile("first")).size(), 5u * 1488);
}

// The process's catalog traces each call; a vanished file is rebuilt inside the call.
TEST_F(CatalogName, InstanceTracesEachCallAndTheRebuildOfAVanishedFile) {
  CMediaCatalog* catalog = CMediaCatalog::GetInstance("first");
  catalog->SetPrinterName("first");
  startLog("LEVEL=FULL\n");
  CMediaCatalog::GetInstance("second");
  std::filesystem::remove(catalogFile("first"));
  CMediaCatalog::GetInstance("first");
  std::vector<std::string> messages = logMessages();
  const CMedia* rebuilt = catalog->GetAllMedias();

  using tvx::test::entryLine;
  using tvx::test::exitLine;
  const std::string returns = "returns " + tvx::test::pointerText(catalog) + " : ";
  const std::string releaseIn = entryLine("ReleaseResources");
  const std::string releaseOut = exitLine("ReleaseResources");
  EXPECT_EQ(messages,
            tvx::test::traceLines({
                entryLine("GetInstance", "printerName = second; "),
                exitLine("GetInstance", returns),
                entryLine("GetInstance", "printerName = first; "),
                entryLine("ReloadMedia"), releaseIn, releaseOut, entryLine("LoadMedia"),
                entryLine("CreateDefaultFile"), releaseIn, releaseOut, entryLine("SaveMedia"),
                exitLine("SaveMedia", "returns 1 : "),
                exitLine("CreateDefaultFile", "returns " + tvx::test::pointerText(rebuilt) + " : "),
                exitLine("LoadMedia"), exitLine("ReloadMedia"),
                exitLine("GetInstance", returns),
            }));
}

TEST_F(CatalogName, AddMediaLinksBothWaysAndTellsWhetherItWasFirst) {
  writeFile(catalogFile("queue"), "");
  CMediaCatalog catalog("queue");
  CMedia* first = new CMedia();
  CMedia* second = new CMedia();
  startLog("LEVEL=FULL\n");
  EXPECT_EQ(catalog.AddMedia(first), 1);
  EXPECT_EQ(catalog.AddMedia(second), -1);
  char pointer[32];
  std::snprintf(pointer, sizeof pointer, "%p", static_cast<void*>(second));
  std::vector<std::string> lines = logMessages();
  ASSERT_EQ(lines.size(), 8u);
  const std::string p = pointer;
  EXPECT_EQ(
      std::vector<std::string>(lines.begin() + 4, lines.end()),
      (std::vector<std::string>{
          "---> CMediaCatalog::AddMedia entry : media = " + p + "; GetLastError = 0", "",
          "<--- CMediaCatalog::AddMedia exit returns -1 : media = " + p + "; GetLastError = 0",
          ""}));
  EXPECT_EQ(first->GetNext(), second);
  EXPECT_EQ(second->GetPrev(), first);
  EXPECT_EQ(catalog.GetAllMedias()->GetCount(), 2);
}

}  // namespace
