#pragma once
// Database and transaction parameter blocks built from name=value lines.

#include "base/LineList.h"

#include <string>

// Starts with isc_dpb_version1; one item per non-empty line, in line order.
// Unknown name: EDbClientError "DPB Constant (%s) is unknown."; a known item the
// layer does not write: "DPB Constant (isc_dpb_%s) is unsupported."; a text
// value over 255 bytes: EDbClientError naming the item.
std::string BuildDatabaseParamBlock(const TLineList& lines, bool isFirebird);
// isc_tpb_version3 followed by one code per line ("isc_tpb_" prefix optional).
std::string BuildTransactionParamBlock(const TLineList& lines);
