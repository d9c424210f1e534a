#pragma once
// The access layer's error family. Every failure the layer reports is an
// EDbError carrying an SQL code: EDbServerError for an error status returned
// by the client library, EDbClientError for what the layer detects itself.

#include "base/Exception.h"

#include <cstdint>
#include <string>
#include <vector>

class EDbError : public Exception {
public:
    EDbError(std::string message, int sqlCode) : Exception(std::move(message)), SQLCode(sqlCode) {}
    int SQLCode;
};

// Built from a client-library error status. The message is composed as: the
// names of the failing component and its owners ("Owner.Name:" CR LF, left out
// when shorter than two characters), the client library's text for the SQL
// code, then every message of the status, one per line.
class EDbServerError : public EDbError {
public:
    EDbServerError(std::string message, int sqlCode, std::vector<std::intptr_t> status, long gdsCode)
        : EDbError(std::move(message), sqlCode), Status(std::move(status)), GDSCode(gdsCode) {}
    std::vector<std::intptr_t> Status;  // the raw status vector, as the client library returned it
    long GDSCode;                       // the first error code of the status (isc_...)
};

// An error of the layer itself (bad parameter block item, wrong state, ...).
// SQLCode is its error number, or -1.
class EDbClientError : public EDbError {
public:
    explicit EDbClientError(std::string message, int errorNumber = -1)
        : EDbError(std::move(message), errorNumber) {}
};
