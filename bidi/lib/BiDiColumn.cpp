#include "bidi/lib/BiDiColumn.h"

#include <cstring>
#include <string>

namespace tvx::bidi {

Column::Column(std::string_view oid, unsigned char sessionID) : base_(oid) {
  status_ = getDataFromTable(&table_, base_.c_str(), sessionID);
}

Column::~Column() { freeDataFromTable(&table_); }

int Column::rows() const { return ok() && table_.dataRes != nullptr ? table_.nrInstance : 0; }

const TS_SnmpGetResponse* Column::response(int row) const {
  if (row < 0 || row >= rows()) return nullptr;
  return table_.dataRes[row];
}

std::string_view Column::text(int row) const {
  const TS_SnmpGetResponse* r = response(row);
  if (r == nullptr || r->res == nullptr || r->type != en_String) return {};
  const char* value = static_cast<const char*>(r->res);
  return {value, strnlen(value, r->res_len)};
}

std::optional<unsigned long> Column::number(int row) const {
  const TS_SnmpGetResponse* r = response(row);
  if (r == nullptr || r->res == nullptr || r->type != en_ULong || r->res_len < sizeof(long)) {
    return std::nullopt;
  }
  long value = 0;
  std::memcpy(&value, r->res, sizeof value);
  return static_cast<unsigned long>(value);
}

int Column::instance(int row) const {
  const TS_SnmpGetResponse* r = response(row);
  if (r == nullptr || r->oid == nullptr) return 0;
  std::string current(oid(row));
  return getNumberOfInstance(base_.c_str(), current.c_str());
}

std::string_view Column::oid(int row) const {
  const TS_SnmpGetResponse* r = response(row);
  if (r == nullptr || r->oid == nullptr) return {};
  return {r->oid, strnlen(r->oid, SNMP_OID_TEXT_SIZE)};
}

}  // namespace tvx::bidi
