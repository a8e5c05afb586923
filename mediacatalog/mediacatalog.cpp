#include "mediacatalog/mediacatalog.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "common/drvlog.h"
#include "common/paths.h"
#include "common/printertext.h"
#include "common/queuename.h"
#include "common/safefile.h"
#include "common/uniquefile.h"
#include "mediacatalog/catalogtrace.h"
#include "mediacatalog/mediacatalogutil.h"

using tvx::catalog::fieldText;
using tvx::catalog::kCatalogForm;
using tvx::catalog::orNull;
using tvx::catalog::setField;

namespace {

constexpr int kPredefinedCount = 5;
constexpr const char* PREDEF_MEDIA_NAMES[kPredefinedCount] = {
    "Tavorinex Letter", "Tavorinex A4", "Tavorinex Legal", "Tavorinex Ledger", "Tavorinex A3"};
constexpr const char* PREDEF_MEDIA_PPD_KEY[kPredefinedCount] = {
    "TavorinexLetter", "TavorinexA4", "TavorinexLegal", "TavorinexLedger", "TavorinexA3"};
constexpr const char* PREDEF_MEDIA_UNITS[kPredefinedCount] = {"inches", "millimeters", "inches",
                                                              "inches", "millimeters"};
constexpr const char* PREDEF_MEDIA_TYPES[kPredefinedCount] = {"Plain", "Plain", "Plain", "Plain",
                                                              "Plain"};
constexpr const char* PREDEF_MEDIA_COLORS[kPredefinedCount] = {"white", "white", "white", "white",
                                                               "white"};
constexpr const char* PREDEF_MEDIA_DESCRIPTION[kPredefinedCount] = {
    "Tavorinex Letter Description", "Tavorinex A4 Description", "Tavorinex Legal",
    "Tavorinex Ledger", "Tavorinex A3"};
constexpr unsigned long PREDEF_MEDIA_SIZES[kPredefinedCount][2] = {
    {612000, 792000}, {595276, 842000}, {612000, 1008000}, {792000, 1224000}, {842000, 1191000}};
constexpr short PREDEF_MEDIA_EF[kPredefinedCount] = {0, 0, 2, 2, 2};
constexpr int PREDEF_MEDIA_WEIGHT[kPredefinedCount] = {89, 89, 89, 89, 89};

// The catalog's own temp files in the catalog folder.
constexpr std::string_view kTempPrefix = tvx::catalog::kWorkFilePrefix;
constexpr mode_t kCatalogMode = 0644;

// Opens `path` unless it is empty (a catalog without a file).
tvx::UniqueFile openFile(const char* path, const char* mode) {
  return tvx::UniqueFile(path[0] != '\0' ? std::fopen(path, mode) : nullptr);
}

// "\\server\queue,rest" gives "queue"; other names stay whole. A name that
// starts with a backslash but has no second one names no queue.
std::string_view cleanPrinterName(std::string_view name) {
  constexpr std::string_view kNoQueue = "";
  if (name.empty() || name.front() != '\\') return name;
  if (name.size() < 2) return kNoQueue;
  std::string_view rest = name.substr(2);
  std::size_t backslash = rest.find('\\');
  if (backslash == std::string_view::npos) return kNoQueue;
  rest.remove_prefix(backslash + 1);
  return rest.substr(0, rest.find(','));
}

// Stores a whole path, or leaves the field empty when it does not fit.
template <std::size_t N>
bool storePath(char (&field)[N], const std::string& path) {
  if (setField(field, path)) return true;
  field[0] = '\0';
  return false;
}

// Null when the record cannot be allocated.
CMedia* newPredefinedMedia(int row) {
  auto* media = new (std::nothrow) CMedia();
  if (media == nullptr) return nullptr;
  setField(media->name, PREDEF_MEDIA_NAMES[row]);
  setField(media->ppdKey, PREDEF_MEDIA_PPD_KEY[row]);
  setField(media->description, PREDEF_MEDIA_DESCRIPTION[row]);
  setField(media->unit, PREDEF_MEDIA_UNITS[row]);
  setField(media->type, PREDEF_MEDIA_TYPES[row]);
  setField(media->color, PREDEF_MEDIA_COLORS[row]);
  setField(media->szUUID, PREDEF_MEDIA_NAMES[row]);
  media->weight = PREDEF_MEDIA_WEIGHT[row];
  media->width = PREDEF_MEDIA_SIZES[row][0];
  media->length = PREDEF_MEDIA_SIZES[row][1];
  media->feedEdge = PREDEF_MEDIA_EF[row];
  media->edgeSensitive = 0;
  media->sideSensitive = 0;
  media->defaultMedia = 1;
  media->auxFlag1 = true;
  return media;
}

// Links `media` behind `last` (or as `first` of an empty chain).
void linkAtEnd(CMedia*& first, CMedia*& last, CMedia* media) {
  media->prev = last;
  (last != nullptr ? last->next : first) = media;
  last = media;
}

}  // namespace

CMediaCatalog* CMediaCatalog::GetInstance(const char* printerName) {
  static CMediaCatalog instance(printerName);
  // After the catalog is made: the first call's lines follow those of its making.
  tvx::log::Scope trace("GetInstance", kCatalogForm, "printerName = %s; GetLastError = %i\n",
                        orNull(printerName), GetLastError());
  if (!openFile(instance.repositoryFilePath, "rt")) instance.ReloadMedia();
  trace.setEndDetail("returns %p : GetLastError = %i\n", static_cast<void*>(&instance),
                     GetLastError());
  return &instance;
}

CMediaCatalog::CMediaCatalog(const char* printerName) { SetPrinterName(printerName); }

CMediaCatalog::~CMediaCatalog() { ReleaseResources(); }

void CMediaCatalog::SetPrinterName(const char* name) {
  tvx::log::Scope trace("SetPrinterName", kCatalogForm, "printerName = %s; GetLastError = %i\n",
                        orNull(name), GetLastError());
  ReleaseResources();
  setField(printerName, cleanPrinterName(name != nullptr ? name : ""));
  Init();
  trace.setEndDetail(": printerName = %s; GetLastError = %i\n", printerName, GetLastError());
}

void CMediaCatalog::Init() {
  tvx::log::Scope trace("Init", kCatalogForm, "GetLastError = %i\n", GetLastError());
  char folder[kPathSize];
  repositoryFilePath[0] = repositoryFolder[0] = infoRepositoryFilePath[0] = '\0';
  if (GetApplicationDataFolder(folder) == 1) {
    std::string base = std::string(fieldText(folder)) + "//Tavorinex//";
    if (storePath(repositoryFolder, base) && tvx::isQueueName(fieldText(printerName))) {
      std::string file = base + printerName;
      if (!storePath(repositoryFilePath, file) ||
          !storePath(infoRepositoryFilePath, file + ".info"))
        repositoryFilePath[0] = infoRepositoryFilePath[0] = '\0';
    }
  }
  LoadMedia();
  trace.setEndDetail(": repositoryFilePath = %s; GetLastError = %i\n", repositoryFilePath,
                     GetLastError());
}

void CMediaCatalog::LoadMedia() {
  tvx::log::Scope trace("LoadMedia", kCatalogForm, "GetLastError = %i\n", GetLastError());
  errno = ENOENT;
  tvx::UniqueFile file = openFile(repositoryFilePath, "rb");
  loadError = file ? 0 : errno;
  if (!file) {
    CreateDefaultFile();
  } else {
    // A chain still held would otherwise be lost.
    ReleaseResources();
    CMedia* first = nullptr;
    CMedia* last = nullptr;
    tvx::catalog::MediaRecordImage image;
    while (std::fread(image.data(), 1, image.size(), file.get()) == image.size()) {
      auto* media = new (std::nothrow) CMedia();
      if (media == nullptr) break;
      tvx::catalog::decodeMediaRecord(image, *media);
      linkAtEnd(first, last, media);
    }
    firstMedia = first;
    fileWriteTime = GetFileWriteTime(repositoryFilePath);
  }
  trace.setEndDetail(": GetLastError = %i\n", GetLastError());
}

bool CMediaCatalog::SaveMedia() {
  tvx::log::Scope trace("SaveMedia", kCatalogForm, "GetLastError = %i\n", GetLastError());
  bool saved = false;
  std::optional<tvx::PrivateTemp> temp;
  if (HasFile()) temp = tvx::PrivateTemp::create(repositoryFolder, std::string(kTempPrefix));
  if (temp) {
    saved = true;
    tvx::catalog::MediaRecordImage image;
    for (CMedia* media = firstMedia; media != nullptr && saved; media = media->next) {
      tvx::catalog::encodeMediaRecord(*media, image);
      saved = std::fwrite(image.data(), 1, image.size(), temp->stream()) == image.size();
    }
    saved = saved &&
            temp->commitReplacement(repositoryFilePath,
                                    tvx::FileOwnership{::geteuid(), ::getegid(), kCatalogMode});
  }
  trace.setEndDetail("returns %d : GetLastError = %i\n", saved ? 1 : 0, GetLastError());
  return saved;
}

void CMediaCatalog::ReloadMedia() {
  tvx::log::Scope trace("ReloadMedia", kCatalogForm, "GetLastError = %i\n", GetLastError());
  ReleaseResources();
  LoadMedia();
  trace.setEndDetail(": GetLastError = %i\n", GetLastError());
}

void CMediaCatalog::CheckFile() {
  tvx::log::Scope trace("CheckFile", kCatalogForm, "GetLastError = %i\n", GetLastError());
  if (GetFileWriteTime(repositoryFilePath) != fileWriteTime) {
    ReleaseResources();
    Init();
  }
  trace.setEndDetail(": GetLastError = %i\n", GetLastError());
}

CMedia* CMediaCatalog::CreateDefaultFile() {
  tvx::log::Scope trace("CreateDefaultFile", kCatalogForm, "GetLastError = %i\n", GetLastError());
  CMedia* first = nullptr;
  CMedia* last = nullptr;
  for (int row = 0; row < kPredefinedCount; ++row) {
    if (CMedia* media = newPredefinedMedia(row)) linkAtEnd(first, last, media);
  }
  ReleaseResources();
  firstMedia = first;
  SaveMedia();
  trace.setEndDetail("returns %p : GetLastError = %i\n", static_cast<void*>(first), GetLastError());
  return first;
}

CMedia* CMediaCatalog::GetAllMedias() {
  tvx::log::Scope trace("GetAllMedias", kCatalogForm, "GetLastError = %i\n", GetLastError());
  CheckFile();
  trace.setEndDetail("returns %p : GetLastError = %i\n", static_cast<void*>(firstMedia),
                     GetLastError());
  return firstMedia;
}

int CMediaCatalog::AddMedia(CMedia* media) {
  tvx::log::Scope trace("AddMedia", kCatalogForm, "media = %p; GetLastError = %i\n",
                        static_cast<void*>(media), GetLastError());
  int result = 1;
  if (firstMedia == nullptr) {
    firstMedia = media;
  } else {
    CMedia* last = firstMedia;
    while (last->next != nullptr) last = last->next;
    last->next = media;
    if (media != nullptr) media->prev = last;
    result = -1;
  }
  trace.setEndDetail("returns %d : media = %p; GetLastError = %i\n", result,
                     static_cast<void*>(media), GetLastError());
  return result;
}

void CMediaCatalog::ReleaseResources() {
  tvx::log::Scope trace("ReleaseResources", kCatalogForm, "GetLastError = %i\n", GetLastError());
  while (firstMedia != nullptr) {
    CMedia* next = firstMedia->next;
    delete firstMedia;
    firstMedia = next;
  }
  trace.setEndDetail(": GetLastError = %i\n", GetLastError());
}

void CMediaCatalog::DeleteAllMedias() {
  tvx::log::Scope trace("DeleteAllMedias", kCatalogForm, "GetLastError = %i\n", GetLastError());
  ReleaseResources();
  trace.setEndDetail(": GetLastError = %i\n", GetLastError());
}

char* CMediaCatalog::GetMediaCatalogRepositoryFilePath() { return repositoryFilePath; }

int CMediaCatalog::GetApplicationDataFolder(char* folder) {
  std::string path = tvx::paths::applicationDataFolder();
  if (path.size() >= kPathSize) {
    folder[0] = '\0';
    return 0;
  }
  tvx::text::copyField(folder, kPathSize, path);
  return 1;
}

unsigned long CMediaCatalog::GetFileWriteTime(const char*) { return 0; }

namespace tvx::catalog {

std::string catalogFolder() { return tvx::paths::applicationDataFolder() + "//Tavorinex//"; }

std::string catalogFile(const char* queue) { return catalogFolder() + queue; }

bool replaceCatalogFile(const std::string& path, std::string_view bytes) {
  std::optional<tvx::PrivateTemp> temp =
      tvx::PrivateTemp::create(tvx::folderOf(path), std::string(kTempPrefix));
  return temp && std::fwrite(bytes.data(), 1, bytes.size(), temp->stream()) == bytes.size() &&
         temp->commitReplacement(path, tvx::FileOwnership{::geteuid(), ::getegid(), kCatalogMode});
}

}  // namespace tvx::catalog
