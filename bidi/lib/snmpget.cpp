#include "bidi/lib/snmpget.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "bidi/lib/snmpcache.h"
#include "bidi/lib/snmpowners.h"
#include "bidi/lib/snmpsession.h"
#include "common/drvlog.h"

static_assert(std::is_same_v<oid, unsigned long>, "sub-identifiers are converted as unsigned long");

namespace {

using tvx::snmp::oidFollows;
using tvx::snmp::oidText;
using tvx::snmp::ResponsePtr;

constexpr long kBulkRepetitions = 100;

struct PduDeleter {
  void operator()(netsnmp_pdu* pdu) const { snmp_free_pdu(pdu); }
};
using PduPtr = std::unique_ptr<netsnmp_pdu, PduDeleter>;

TE_Status checkOid(const char* text, oid* name, size_t* length) {
  if (text == nullptr || text[0] != '1') {
    LOGPRINTA(LOG_LIGHT, "Invalid Name OID");
    return en_InvalidOid;
  }
  if (strnlen(text, SNMP_OID_TEXT_SIZE) >= SNMP_OID_TEXT_SIZE) return en_InvalidOid;
  *length = MAX_OID_LEN;
  return snmp_parse_oid(text, name, length) != nullptr ? en_Success : en_InvalidOid;
}

// Sends one request PDU of `command` for `param`; on en_Success `reply`
// holds an answer with a zero error status.
TE_Status sendRequest(int command, const TS_SnmpGetParam* param, PduPtr& reply) {
  TS_SessionElement* session = param != nullptr ? getSnmpSession(param->sessionID) : nullptr;
  if (session == nullptr) return en_SessionNotOpen;
  oid name[MAX_OID_LEN];
  size_t length = 0;
  if (TE_Status st = checkOid(param->oid, name, &length); st != en_Success) return st;

  netsnmp_pdu* request = snmp_pdu_create(command);
  if (request == nullptr) return en_NotEnoughMemory;
  if (command == SNMP_MSG_GETBULK) {
    request->non_repeaters = 0;
    request->max_repetitions = kBulkRepetitions;
  }
  if (snmp_add_null_var(request, name, length) == nullptr) {
    snmp_free_pdu(request);
    return en_NotEnoughMemory;
  }
  netsnmp_pdu* answer = nullptr;
  int result = snmp_synch_response(session->ss, request, &answer);  // consumes `request`
  reply.reset(answer);
  if (result == STAT_SUCCESS && answer != nullptr) {
    if (answer->errstat == SNMP_ERR_NOERROR) return en_Success;
    LOGPRINTA(LOG_LIGHT, "Error in packet Reason: %s\n", snmp_errstring(static_cast<int>(answer->errstat)));
    return en_TimeOut;
  }
  if (result == STAT_TIMEOUT) {
    LOGPRINTA(LOG_LIGHT, "Timeout: No response from %s.", session->ss->peername);
    return en_TimeOut;
  }
  LOGPRINTA(LOG_LIGHT, "UNKNOWN ERROR");
  return en_InvalidSession;
}

bool isException(const netsnmp_variable_list* var) {
  return var->type == SNMP_NOSUCHOBJECT || var->type == SNMP_NOSUCHINSTANCE ||
         var->type == SNMP_ENDOFMIBVIEW;
}

// Converts one binding into a new response sized to its value. en_InvalidOid
// when the binding's OID does not fit the response's 128-byte buffer.
TE_Status convertBinding(const netsnmp_variable_list* var, ResponsePtr& out) {
  TE_SnmpValueType type = en_Long;
  std::string oidValue;
  const void* bytes = var->val.string;
  size_t copied = var->val_len;
  size_t size = var->val_len;
  switch (var->type) {
    case ASN_OCTET_STR:
      type = en_String;
      size = var->val_len + 1;
      break;
    case ASN_OBJECT_ID:
      type = en_Oid;
      oidValue = snmpOidToText(var->val.objid, static_cast<int>(var->val_len / sizeof(oid)));
      bytes = oidValue.c_str();
      copied = size = oidValue.size() + 1;
      break;
    case ASN_INTEGER:
    case ASN_GAUGE:
    case ASN_TIMETICKS:
    case ASN_UINTEGER:
    case ASN_COUNTER:
    case SNMP_NOSUCHOBJECT:
      type = en_ULong;
      break;
    default:
      break;
  }
  if (size > static_cast<size_t>(INT_MAX)) return en_NotEnoughMemory;
  ResponsePtr resp = tvx::snmp::makeResponse(static_cast<int>(size));
  if (!resp) return en_NotEnoughMemory;
  resp->type = type;
  if (copied > 0 && bytes != nullptr) std::memcpy(resp->res, bytes, copied);
  if (TE_Status st = snmpOidIntToString(resp->oid, var->name, static_cast<int>(var->name_length));
      st != en_Success) {
    return st;
  }
  out = std::move(resp);
  return en_Success;
}

// Serves a fetch from the cache; false when nothing is parked for the request.
bool fetchParked(const TS_SnmpGetParam* param, TS_SnmpGetResponse* res, TE_Status& status, int& size) {
  TS_CacheElement* parked = getCacheElement(param, &status);
  if (parked == nullptr) return false;
  if (parked->output->res_len > res->res_len) {
    status = en_NotEnoughMemory;
    size = 0;
    return true;
  }
  size = static_cast<int>(parked->output->res_len);
  copySnmpResponse(parked->output, res);
  deleteCacheElement(param);
  return true;
}

// Copies each binding of `reply` into `res`, or parks it when `res` is null.
int storeBindings(const netsnmp_pdu& reply, const TS_SnmpGetParam* param, TS_SnmpGetResponse* res,
                  TE_Status& status) {
  int size = 0;
  for (const netsnmp_variable_list* var = reply.variables; var != nullptr; var = var->next_variable) {
    ResponsePtr value;
    status = convertBinding(var, value);
    if (status == en_Success) {
      status = res != nullptr ? copySnmpResponse(value.get(), res) : addCacheElement(param, value.get());
    }
    if (status != en_Success) return 0;
    size = static_cast<int>(value->res_len);
  }
  return size;
}

// Number of leading rows of `batch` inside the column `base`, each after the
// one before; `previous` moves to the last of them.
int rowsInside(const TS_SnmpTableResponse& batch, std::string_view base, std::string& previous) {
  int good = 0;
  for (; good < batch.nrInstance; ++good) {
    std::string_view text = oidText(batch.dataRes[good]);
    if (text.find(base) == std::string_view::npos || text == base || !oidFollows(text, previous)) break;
    previous.assign(text);
  }
  return good;
}

// Moves the first `count` rows of `batch` to the end of `rows`.
void takeRows(TS_SnmpTableResponse& batch, int count, std::vector<ResponsePtr>& rows) {
  for (int i = 0; i < count; ++i) {
    rows.emplace_back(batch.dataRes[i]);
    batch.dataRes[i] = nullptr;
  }
}

// Hands the gathered rows to the empty `table`, which stays empty when
// there are none. False, with the rows freed, when the row array cannot be
// allocated.
bool handOver(std::vector<ResponsePtr>& rows, TS_SnmpTableResponse& table) {
  if (rows.empty()) return true;
  table.nrInstance = static_cast<int>(rows.size());
  if (snmpAllocTable(&table, 0) != en_Success) {
    table.nrInstance = 0;
    return false;
  }
  for (size_t i = 0; i < rows.size(); ++i) table.dataRes[i] = rows[i].release();
  return true;
}

}  // namespace

int snmpGetGeneral(TE_SnmpGetType opType, const TS_SnmpGetParam* myParam, TS_SnmpGetResponse* myRes,
                   TE_Status* myStatus) {
  TE_Status ignored = en_Success;
  TE_Status& status = myStatus != nullptr ? *myStatus : ignored;
  tvx::log::Scope trace("snmpGetGeneral");
  status = en_Success;
  int size = 0;
  if (myRes != nullptr && myParam != nullptr && fetchParked(myParam, myRes, status, size)) return size;
  PduPtr reply;
  status = sendRequest(opType == en_SNMP_GET_NEXT ? SNMP_MSG_GETNEXT : SNMP_MSG_GET, myParam, reply);
  if (status == en_Success) size = storeBindings(*reply, myParam, myRes, status);
  return status == en_Success ? size : 0;
}

int snmpGet(const TS_SnmpGetParam* myParam, TS_SnmpGetResponse* myRes, TE_Status* myStatus) {
  return snmpGetGeneral(en_SNMP_GET, myParam, myRes, myStatus);
}

int snmpGetBulk(const TS_SnmpGetParam* myParam, TS_SnmpTableResponse* myTableResp,
                TE_Status* myStatus) {
  TE_Status ignored = en_Success;
  TE_Status& status = myStatus != nullptr ? *myStatus : ignored;
  tvx::log::Scope trace("snmpGetBulk");
  status = myTableResp != nullptr ? en_Success : en_Error;
  PduPtr reply;
  if (status == en_Success) status = sendRequest(SNMP_MSG_GETBULK, myParam, reply);
  if (status != en_Success) return 0;

  std::vector<ResponsePtr> rows;
  for (const netsnmp_variable_list* var = reply->variables; var != nullptr; var = var->next_variable) {
    if (isException(var)) break;
    ResponsePtr row;
    TE_Status st = convertBinding(var, row);
    if (st == en_InvalidOid) break;
    if (st != en_Success) {
      status = st;
      return 0;
    }
    rows.push_back(std::move(row));
  }
  int lastSize = rows.empty() ? 0 : static_cast<int>(rows.back()->res_len);
  if (!handOver(rows, *myTableResp)) {
    status = en_NotEnoughMemory;
    return 0;
  }
  return lastSize;
}

int snmpGetTable_ext(const TS_SnmpGetParam* myParam, TS_SnmpTableResponse* tableResp,
                     TE_Status* myStatus) {
  TE_Status ignored = en_Success;
  TE_Status& status = myStatus != nullptr ? *myStatus : ignored;
  LOGPRINTA(LOG_FULL, "snmpGetTable_ext");
  status = en_Success;
  if (myParam == nullptr || myParam->oid == nullptr || tableResp == nullptr) {
    status = en_InvalidOid;
    return 0;
  }
  const std::string base(myParam->oid);
  std::string previous = base;
  std::vector<ResponsePtr> rows;
  bool goesOn = true;
  while (goesOn) {
    std::string start = previous;
    TS_SnmpGetParam request{myParam->sessionID, start.data()};
    TS_SnmpTableResponse batch{};
    snmpGetBulk(&request, &batch, &status);
    if (status != en_Success) {
      LOGPRINTA(LOG_FULL, "Error for getBulk");
      tvx::snmp::clearTable(batch);
      break;
    }
    int good = rowsInside(batch, base, previous);
    goesOn = good > 0 && good == batch.nrInstance;
    takeRows(batch, good, rows);
    tvx::snmp::clearTable(batch);
  }
  if (!handOver(rows, *tableResp)) {
    status = en_NotEnoughMemory;
    return 0;
  }
  return status == en_Success ? 1 : 0;
}
