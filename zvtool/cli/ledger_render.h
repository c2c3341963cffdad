#pragma once
#include <string>

#include "zvtool/ledger/ledger_commands.h"
#include "zvtool/ledger/ledger_share.h"

// How the terminal shows what the ledger holds: text, or the command's JSON object.
std::string HistoryText(const THistoryResult& result);
std::string UnitsText(const TUnitsResult& result);
std::string LedgerCheckText(const TLedgerCheckResult& result);
std::string HistoryJson(const THistoryResult& result);
std::string UnitsJson(const TUnitsResult& result);
std::string LedgerCheckJson(const TLedgerCheckResult& result);
// ledger share and ledger sync (`action`).
std::string LedgerShareText(const TLedgerShareResult& result, const std::string& action);
std::string LedgerShareJson(const TLedgerShareResult& result, const std::string& action);
