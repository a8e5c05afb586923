// The one check of a CUPS queue name before it becomes part of a file path.
#pragma once

#include <cstddef>
#include <string_view>

namespace tvx {

// The longest queue name whose PPD path fits bidiupdate's historical 255-byte
// buffer: folder, name, ".ppd" and the NUL.
inline constexpr std::size_t kMaxPPDQueueName = 236;

// True when `name` names one file inside a folder: not empty, not "." or
// "..", no "/", and at most `maxLength` characters.
bool isQueueName(std::string_view name, std::size_t maxLength = std::string_view::npos);

}  // namespace tvx
