// The one owner type for a C stream.
#pragma once

#include <cstdio>
#include <memory>

namespace tvx {

struct FileCloser {
  void operator()(FILE* stream) const { std::fclose(stream); }
};

// Closes its stream when it goes away. A stream whose written bytes must be
// checked is closed by hand first: fclose(file.release()).
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

}  // namespace tvx
