// Runs one job of the filter in this process: the job's bytes in, the
// printer data out, through the job driver that psfilter runs, without
// touching the standard streams.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "common/uniquefile.h"
#include "filter/Ostrel3Job.h"
#include "mediacatalog/mediacatalog.h"
#include "tests/support/testroot.h"

namespace tvx::test {

struct JobRun {
  int status = -1;
  std::string out;
};

// Runs `job` for `queue` with the title, copies and options arguments as
// CUPS passes them, against `catalog`, or when null the queue's catalog
// read afresh from its file. The spool goes where psfilter puts it ($TMPDIR).
inline JobRun runJobInProcess(std::string_view job, const std::string& queue,
                              const std::string& title, const std::string& copies,
                              const std::string& options, CMediaCatalog* catalog = nullptr) {
  tvx::UniqueFile input(std::tmpfile());
  tvx::UniqueFile output(std::tmpfile());
  JobRun run;
  if (!input || !output || std::fwrite(job.data(), 1, job.size(), input.get()) != job.size()) {
    return run;
  }
  std::rewind(input.get());
  std::optional<CMediaCatalog> ownCatalog;
  tvx::filter::Job filterJob{queue, title, tvx::filter::copyCount(copies, options)};
  run.status = tvx::filter::runJob(filterJob, input.get(), output.get(), [&](const char* name) {
                 if (catalog != nullptr) return catalog;
                 ownCatalog.emplace(name);
                 return &*ownCatalog;
               }).status;
  std::rewind(output.get());
  char block[4096];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, output.get())) > 0;) {
    run.out.append(block, got);
  }
  return run;
}

// A test root with the queue Q's catalog of predefined media and a spool
// folder, which the jobs run in this process take from $TMPDIR.
class JobRoot : public TestRoot {
 protected:
  void SetUp() override {
    TestRoot::SetUp();
    spool_ = root_ + "/spool/";
    std::filesystem::create_directories(spool_);
    std::filesystem::create_directories(root_ + "/usr/bin/Tavorinex");
    CMediaCatalog("Q");  // the predefined media, saved as the queue's catalog
    ::setenv("TMPDIR", spool_.c_str(), 1);
  }

  void TearDown() override {
    ::unsetenv("TMPDIR");
    TestRoot::TearDown();
  }

  std::string spool_;
};

}  // namespace tvx::test
