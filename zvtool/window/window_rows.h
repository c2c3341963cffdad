#pragma once
#include <string>
#include <vector>

#include "zvtool/jobs/restore.h"
#include "zvtool/ledger/ledger_commands.h"
#include "zvtool/ports/serial_ports.h"
#include "zvtool/records/record_commands.h"

// The rows of the window's lists, each a list of column texts, made from the core's results:
// the ports, the ledger's entries, the differences of two copies and what a restore's plan
// changes. Pure, so that rows test them.

using TListRow = std::vector<std::string>;

// Port | name | USB adapter | state: "COM3", "USB Serial Port (COM3)", "usb:0403:6001:A1
// FTDI", "free, you may open it" / "in use by another program; ...".
TListRow PortRow(const TSerialPort& port);
constexpr int kPortColumns = 4;

// Name | kind | time | records | version | port | copy: "pump-3@1", "backup",
// "2026-12-09 04:30:12 UTC", "6", "18.52", "COM1", "sound" (or what is wrong with it).
TListRow HistoryRow(const TListedEntry& listed);
constexpr int kHistoryColumns = 7;

// Record | offset | A | B, a row per byte that differs; a record in one copy only is a row of
// its own ("whole record" on its side, "absent" on the other).
std::vector<TListRow> DiffRows(const TRecordDiff& diff);
constexpr int kDiffColumns = 4;

// Record | offset | unit | file: what each record the plan sends changes on the unit, a row per
// byte; a record the unit was not copied for shows as one row ("not copied").
std::vector<TListRow> PlanRows(const TRestorePrepared& prepared);
constexpr int kPlanColumns = 4;
