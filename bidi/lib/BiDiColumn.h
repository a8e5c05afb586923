// One walked column of a printer table, as the readers use it.
//
// The readers pair the rows of several columns by their position in the
// walks. The columns may come back with different row counts, and the
// values with other classes than expected, so every access here is checked:
// a missing row or a value of the wrong class reads as absent.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "bidi/lib/BiDiOID.h"

namespace tvx::bidi {

class Column {
 public:
  // Walks the column `oid` (dotted text) on the session `sessionID` with
  // getDataFromTable; status() tells the walk's outcome.
  Column(std::string_view oid, unsigned char sessionID);
  // Releases the walk's rows, also after a failed walk.
  ~Column();
  Column(const Column&) = delete;
  Column& operator=(const Column&) = delete;

  // en_BiDiSuccess, or the status of the failed walk.
  TE_BiDiStatus status() const { return status_; }
  bool ok() const { return status_ == en_BiDiSuccess; }

  // Number of rows; 0 when the walk failed.
  int rows() const;

  // The string value of row `row`, up to its first NUL; empty when the row
  // is missing or does not hold a string.
  std::string_view text(int row) const;

  // The integer value of row `row`; nullopt when the row is missing or does
  // not hold an integer.
  std::optional<unsigned long> number(int row) const;

  // The row number that follows the device index in the OID of row `row`
  // (getNumberOfInstance against this column); 0 when the row is missing.
  int instance(int row) const;

  // The dotted OID of row `row`; empty when the row is missing.
  std::string_view oid(int row) const;

 private:
  const TS_SnmpGetResponse* response(int row) const;

  std::string base_;
  TS_SnmpTableResponse table_{};
  TE_BiDiStatus status_;
};

}  // namespace tvx::bidi
