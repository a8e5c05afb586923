#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mediacatalog/mediacatalog.h"
#include "tests/mediacatalog/catalogtest.h"

namespace {

using tvx::test::entryLine;
using tvx::test::exitLine;
using tvx::test::folderEntries;
using tvx::test::pointerText;
using tvx::test::traceLines;
using tvx::test::readFile;
using tvx::test::RecordBytes;
using tvx::test::writeFile;
using Names = std::vector<std::string>;

constexpr size_t kRecord = 1488;

class CatalogFile : public tvx::test::CatalogTest {
 protected:
  std::string letterRecord() const {
    return tvx::test::predefinedRecord("Tavorinex Letter", "TavorinexLetter",
                                       "Tavorinex Letter Description", "inches", 612000, 792000, 0);
  }

  std::vector<std::string> namesOf(CMediaCatalog& catalog) {
    std::vector<std::string> names;
    for (CMedia* media = catalog.GetAllMedias(); media != nullptr; media = media->GetNext()) {
      names.push_back(media->name);
    }
    return names;
  }
};

// A media with a distinct value in every field.
CMedia* everyFieldMedia() {
  const unsigned char aux[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  return new CMedia("Heavy Gloss", "millimeters", "Gloss 300", "Coat 2", "blue", 300, 842000,
                    595276, 1, 0, 1, 0, 1, 0, 1, 0, 1, 2, aux, "Tray 3", "uuid-1", 0x01020304u,
                    0xA0B0C0D0u, en_CatalogPrinter, 9, "HeavyGloss", 1, -2, true, false);
}

std::string everyFieldRecord() {
  RecordBytes r;
  r.text(0, "Heavy Gloss").text(32, "HeavyGloss").text(64, "Gloss 300").text(1090, "Coat 2");
  r.text(1198, "blue").text(1306, "millimeters").u32(1340, 300).u32(1344, 0xFFFFFFFE);
  r.u8(1348, 1).u8(1349, 0).u32(1352, 595276).u32(1356, 842000).u16(1360, 2);
  const unsigned char flags[11] = {1, 0, 1, 0, 1, 0, 1, 0, 1, 2, 1};
  for (size_t i = 0; i < 11; ++i) r.u8(1362 + i, flags[i]);
  for (size_t i = 0; i < 8; ++i) r.u8(1373 + i, static_cast<unsigned char>(i + 1));
  r.text(1381, "uuid-1").text(1421, "Tray 3").u32(1464, 0x01020304).u32(1468, 0xA0B0C0D0);
  r.u32(1472, 9).u32(1484, 1);
  return r.str();
}

TEST_F(CatalogFile, NewQueueGetsTheFivePredefinedMediaInTableOrder) {
  CMediaCatalog catalog("queue");
  std::string file = readFile(catalogFile("queue"));
  ASSERT_EQ(file.size(), 5 * kRecord);
  EXPECT_EQ(file.substr(0, kRecord), letterRecord());
  EXPECT_EQ(file.substr(4 * kRecord),
            tvx::test::predefinedRecord("Tavorinex A3", "TavorinexA3", "Tavorinex A3",
                                        "millimeters", 842000, 1191000, 2));
  EXPECT_EQ(namesOf(catalog), (Names{"Tavorinex Letter", "Tavorinex A4", "Tavorinex Legal",
                                     "Tavorinex Ledger", "Tavorinex A3"}));
}

TEST_F(CatalogFile, SaveWritesEachFieldAtItsOffsetAndLoadReadsItBack) {
  {
    CMediaCatalog catalog("queue");
    catalog.DeleteAllMedias();
    catalog.AddMedia(everyFieldMedia());
    catalog.AddMedia(everyFieldMedia());
    ASSERT_TRUE(catalog.SaveMedia());
  }
  std::string expected = everyFieldRecord() + everyFieldRecord();
  ASSERT_EQ(readFile(catalogFile("queue")), expected);

  CMediaCatalog reloaded("queue");
  CMedia* first = reloaded.GetAllMedias();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetCount(), 2);
  EXPECT_EQ(first->GetNext()->GetPrev(), first);
  EXPECT_EQ(first->auxLong, -2);
  EXPECT_EQ(first->catalog, en_CatalogPrinter);
  ASSERT_TRUE(reloaded.SaveMedia());
  EXPECT_EQ(readFile(catalogFile("queue")), expected);
}

TEST_F(CatalogFile, SavedFileIsReadableByAllAndReplacedNotRewritten) {
  CMediaCatalog catalog("queue");
  std::ifstream oldReader(catalogFile("queue"), std::ios::binary);
  catalog.DeleteAllMedias();
  catalog.AddMedia(everyFieldMedia());
  ASSERT_TRUE(catalog.SaveMedia());

  // A reader that opened the old file still reads all of it.
  std::string old((std::istreambuf_iterator<char>(oldReader)), {});
  EXPECT_EQ(old.size(), 5 * kRecord);
  EXPECT_EQ(readFile(catalogFile("queue")), everyFieldRecord());
  struct stat st {};
  ASSERT_EQ(::stat(catalogFile("queue").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  EXPECT_EQ(st.st_uid, ::geteuid());
  EXPECT_EQ(folderEntries(catalogFolder()), Names{"queue"});
}

TEST_F(CatalogFile, TrailingPartialRecordIsDroppedAndEmptyFileIsAnEmptyCatalog) {
  std::string records = everyFieldRecord() + letterRecord() + everyFieldRecord();
  writeFile(catalogFile("partial"), records + std::string(100, 'x'));
  writeFile(catalogFile("empty"), "");
  CMediaCatalog partial("partial");
  CMediaCatalog empty("empty");
  EXPECT_EQ(namesOf(partial), (Names{"Heavy Gloss", "Tavorinex Letter", "Heavy Gloss"}));
  EXPECT_EQ(empty.GetAllMedias(), nullptr);
  EXPECT_EQ(readFile(catalogFile("empty")), "");
}

TEST_F(CatalogFile, GarbageRecordsAreLoadedWithEveryTextTerminated) {
  writeFile(catalogFile("garbage"), std::string(2 * kRecord, 'A'));
  CMediaCatalog catalog("garbage");
  CMedia* media = catalog.GetAllMedias();
  ASSERT_NE(media, nullptr);
  EXPECT_EQ(media->GetCount(), 2);
  char name[32], key[32], tray[43];
  EXPECT_EQ(std::string(media->GetName(name)), std::string(31, 'A'));
  EXPECT_EQ(std::string(media->GetPpdKey(key)), std::string(31, 'A'));
  EXPECT_EQ(std::string(media->GetTray(tray)), std::string(42, 'A'));
  EXPECT_EQ(std::string(media->type), std::string(107, 'A'));
  EXPECT_EQ(catalog.GetMediaByPPDKey(std::string(31, 'A').c_str()), media);

  std::vector<char> command(catalog.GetPSCommand(media, nullptr));
  ASSERT_EQ(catalog.GetPSCommand(media, command.data()), 0);
  EXPECT_EQ(std::string(command.data()).size() + 1, command.size());
  std::string colour = "/MediaColor (" + std::string(97, 'A') + ") ";
  EXPECT_NE(std::string(command.data()).find(colour), std::string::npos);
}

TEST_F(CatalogFile, MissingFolderGivesThePredefinedMediaAndASaveFailure) {
  std::filesystem::remove_all(root_ + "/usr");
  CMediaCatalog catalog("queue");
  EXPECT_EQ(catalog.GetAllMedias()->GetCount(), 5);
  EXPECT_FALSE(catalog.SaveMedia());
  EXPECT_FALSE(std::filesystem::exists(root_ + "/usr"));
}

TEST_F(CatalogFile, SaveOverAnUnreplaceablePathFailsAndLeavesNoTempFile) {
  std::filesystem::create_directory(catalogFile("queue"));
  CMediaCatalog catalog("queue");
  catalog.DeleteAllMedias();
  catalog.AddMedia(everyFieldMedia());
  EXPECT_FALSE(catalog.SaveMedia());
  EXPECT_EQ(folderEntries(catalogFolder()), Names{"queue"});
  EXPECT_TRUE(std::filesystem::is_directory(catalogFile("queue")));
}

TEST_F(CatalogFile, SaveThatRunsOutOfSpaceFailsAndKeepsTheOldFile) {
  CMediaCatalog catalog("queue");
  std::string before = readFile(catalogFile("queue"));
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A file size limit stands in for a full disk.
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {
      kRecord, kRecord
    };
    ::setrlimit(RLIMIT_FSIZE, &limit);
    catalog.AddMedia(everyFieldMedia());
    ::_exit(catalog.SaveMedia() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the save reported success";
  EXPECT_EQ(readFile(catalogFile("queue")), before);
  EXPECT_EQ(folderEntries(catalogFolder()), Names{"queue"});
}

// The trace of a catalog's life, line for line: each step's entry and exit
// lines, nested as the steps call each other, with their arguments and results.
TEST_F(CatalogFile, EachStepTracesItsEntryAndExitInCallOrder) {
  startLog("LEVEL=FULL\n");
  CMedia* defaults = nullptr;
  CMedia* reloaded = nullptr;
  CMedia* unsaved = nullptr;
  {
    CMediaCatalog catalog("queue");
    defaults = catalog.GetAllMedias();
    catalog.ReloadMedia();
    reloaded = catalog.GetAllMedias();
    catalog.DeleteAllMedias();
    catalog.SetPrinterName("..");
    unsaved = catalog.GetAllMedias();
    catalog.DeleteMediaFile();
  }
  const std::string releaseIn = entryLine("ReleaseResources");
  const std::string releaseOut = exitLine("ReleaseResources");
  const std::string checkIn = entryLine("CheckFile");
  const std::string checkOut = exitLine("CheckFile");
  auto returns = [](const CMedia* media) { return "returns " + pointerText(media) + " : "; };
  EXPECT_EQ(logMessages(),
            traceLines({
                entryLine("SetPrinterName", "printerName = queue; "), releaseIn, releaseOut,
                entryLine("Init"), entryLine("LoadMedia"), entryLine("CreateDefaultFile"),
                releaseIn, releaseOut, entryLine("SaveMedia"), exitLine("SaveMedia", "returns 1 : "),
                exitLine("CreateDefaultFile", returns(defaults)), exitLine("LoadMedia"),
                exitLine("Init", ": repositoryFilePath = " + root_ + "//usr//bin//Tavorinex//queue; "),
                exitLine("SetPrinterName", ": printerName = queue; "),
                entryLine("GetAllMedias"), checkIn, checkOut, exitLine("GetAllMedias", returns(defaults)),
                entryLine("ReloadMedia"), releaseIn, releaseOut, entryLine("LoadMedia"), releaseIn,
                releaseOut, exitLine("LoadMedia"), exitLine("ReloadMedia"),
                entryLine("GetAllMedias"), checkIn, checkOut, exitLine("GetAllMedias", returns(reloaded)),
                entryLine("DeleteAllMedias"), releaseIn, releaseOut, exitLine("DeleteAllMedias"),
                entryLine("SetPrinterName", "printerName = ..; "), releaseIn, releaseOut,
                entryLine("Init"), entryLine("LoadMedia"), entryLine("CreateDefaultFile"),
                releaseIn, releaseOut, entryLine("SaveMedia"), exitLine("SaveMedia", "returns 0 : "),
                exitLine("CreateDefaultFile", returns(unsaved)), exitLine("LoadMedia"),
                exitLine("Init", ": repositoryFilePath = ; "),
                exitLine("SetPrinterName", ": printerName = ..; "),
                entryLine("GetAllMedias"), checkIn, checkOut, exitLine("GetAllMedias", returns(unsaved)),
                entryLine("DeleteMediaFile"), exitLine("DeleteMediaFile"),
                releaseIn, releaseOut,
            }));
}

}  // namespace
