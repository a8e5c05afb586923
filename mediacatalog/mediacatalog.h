// CMediaCatalog: the media catalog of one print queue.
//
// The catalog holds a chain of CMedia records and keeps them in a file of
// 1488-byte records, one file per queue, in the catalog folder under the
// application data folder. Each process has one catalog (GetInstance); it
// owns every record in its chain. Nothing here throws.
#pragma once

#include <string>
#include <string_view>

#include "mediacatalog/media.h"

class CMediaCatalog {
 public:
  // The process's catalog, created on the first call for `printerName`
  // (later names are ignored). When the catalog file cannot be opened, the
  // chain is rebuilt from the file or the predefined media. Never null.
  static CMediaCatalog* GetInstance(const char* printerName);

  // An empty catalog bound to `printerName` through SetPrinterName.
  explicit CMediaCatalog(const char* printerName);
  ~CMediaCatalog();
  CMediaCatalog(const CMediaCatalog&) = delete;
  CMediaCatalog& operator=(const CMediaCatalog&) = delete;

  // Releases the chain, stores the queue name (for "\\server\queue,rest" the
  // part between the third backslash and the comma; a name that starts with a
  // backslash and has no second one becomes empty), then Init. The caller's
  // text is not changed.
  void SetPrinterName(const char* printerName);

  // Builds the folder and file paths from the queue name, then LoadMedia. A
  // name that is empty, ".", "..", holds a "/" or makes a path longer than
  // 1023 bytes gets no file paths: the catalog then behaves as when its
  // folder is missing and never touches a file.
  void Init();

  // Reads the catalog file into a new chain (a trailing partial record is
  // dropped, and reading stops at a record that cannot be allocated) that replaces the chain held before, or, when the file cannot
  // be opened, CreateDefaultFile.
  void LoadMedia();

  // Replaces the catalog file atomically with the chain (mode 0644, owned by
  // the caller's user). Returns true when the file now holds the chain; on
  // failure the old file and the chain stay as they were and no temp file
  // is left behind.
  bool SaveMedia();

  // ReleaseResources, then LoadMedia.
  void ReloadMedia();

  // Reloads when the file's write time differs from the one last loaded;
  // write times are not tracked (always 0), so the chain is never replaced.
  void CheckFile();

  // Replaces the chain with the five predefined media (those that can be
  // allocated), saves it, and returns the first of them.
  CMedia* CreateDefaultFile();

  // CheckFile, then the first record (null when the catalog is empty).
  CMedia* GetAllMedias();

  // Appends a record that the caller allocated with new; the catalog owns it
  // from now on. Returns 1 when it became the first record, else -1.
  int AddMedia(CMedia* media);

  // Deletes every record; the chain becomes empty.
  void ReleaseResources();

  // ReleaseResources; the file is not touched.
  void DeleteAllMedias();

  // Why the last LoadMedia did not read the catalog file: the errno of its
  // open (ENOENT also when the queue name gives no file), 0 when it read it.
  int LoadError() const { return loadError; }

  // The catalog file's path ("" when the name has none).
  char* GetMediaCatalogRepositoryFilePath();

  // The first record whose PPD key equals the argument (exact,
  // case-sensitive); null when none. The chain is not reloaded.
  CMedia* GetMediaByPPDKey(const char* szMediaKey);

  // The media's page comment line and page set-up feature. With `media` null
  // return -1; with `command` null return the room the text needs (its length
  // plus 1); else copy the text with its terminator into `command`, return 0.
  int GetPSComment(const CMedia* media, char* command);
  int GetPSCommand(const CMedia* media, char* command);

  // Writes "null" for "null", else "(str)" into `strP` (100 bytes); a text
  // longer than 97 characters is cut so that both parentheses fit.
  void GetStringWithPharantesis(const char* str, char* strP);

  // Kept for callers outside bidiupdate and psfilter, which call none of
  // them: defined in catalogextras.cpp (tvx_mediacatalog_extras, linked by
  // the tests only).

  // An empty catalog with no name and no file.
  CMediaCatalog();

  // Removes the catalog file and its ".info" file; failures are ignored.
  void DeleteMediaFile();

  // The catalog file's ".info" path ("" when the name has none).
  char* GetMediaCatalogInfoRepositoryFilePath();

  // The first record whose name or size code equals the argument (exact,
  // case-sensitive); null when none. The chain is not reloaded.
  CMedia* GetMedia(const char* szMediaName);
  CMedia* GetMedia(unsigned short dmMedia);

  // The record of that size in whole points for the tray: an exact tray match
  // first, else the first size match without a tray, else the first with
  // another tray; null when no record has that size.
  CMedia* GetMedia(unsigned long mediaW, unsigned long mediaL, const char* szTray);

  // Writes the name of a weight ("(Thick1)", "(Custom)" ...) into `string`,
  // which holds at least 16 bytes.
  void GetWeightStr(int weightValue, char* string);

 private:
  static constexpr unsigned long kPathSize = 1024;

  // Copies the application data folder into `folder` (1024 bytes); returns 1,
  // or 0 when it does not fit.
  static int GetApplicationDataFolder(char* folder);
  // Always 0: the catalog is never reloaded behind its user's back.
  static unsigned long GetFileWriteTime(const char* path);
  bool HasFile() const { return repositoryFilePath[0] != '\0'; }

  char printerName[kPathSize] = {};
  char repositoryFilePath[kPathSize] = {};
  char repositoryFolder[kPathSize] = {};
  char infoRepositoryFilePath[kPathSize] = {};
  CMedia* firstMedia = nullptr;
  unsigned long fileWriteTime = 0;
  int loadError = 0;
};

namespace tvx::catalog {

// The catalog folder under the application data folder, with trailing
// slashes ("//usr//bin//Tavorinex//"), and the catalog file of `queue` in it:
// the paths CMediaCatalog uses.
std::string catalogFolder();
std::string catalogFile(const char* queue);

// The name prefix of the catalog's work files in the catalog folder
// (".catalog-" and six characters).
inline constexpr std::string_view kWorkFilePrefix = ".catalog-";

// Replaces the catalog file `path` (in the catalog folder) atomically with
// `bytes`, as SaveMedia does: mode 0644, owned by the caller's user. Returns
// true when the file now holds them; otherwise it is untouched.
bool replaceCatalogFile(const std::string& path, std::string_view bytes);

}  // namespace tvx::catalog
