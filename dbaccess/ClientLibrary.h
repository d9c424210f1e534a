#pragma once
// The Firebird client library's entry points, resolved by name at run time.
// Private to the access layer. The client's own header stays inside the .cpp
// files, so these types mirror its typedefs; ClientLibrary.cpp checks that
// they agree. Descriptor areas (XSQLDA) travel as void*.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TComponent;
struct GDS_QUAD_t;  // the client's blob id

using TIscStatus = std::intptr_t;
#if defined(_LP64) || defined(__LP64__) || defined(__arch64__) || defined(_WIN64)
using TIscHandle = unsigned int;
#else
using TIscHandle = void*;
#endif
#if defined(_LP64) || defined(__LP64__) || defined(__arch64__)
using TIscLong = int;
#else
using TIscLong = long;
#endif

using TStatusVector = std::array<TIscStatus, 20>;

struct TClientLibrary {
    std::string FileName;

    TIscStatus (*isc_attach_database)(TIscStatus*, short, const char*, TIscHandle*, short, const char*);
    TIscStatus (*isc_detach_database)(TIscStatus*, TIscHandle*);
    TIscStatus (*isc_drop_database)(TIscStatus*, TIscHandle*);
    TIscStatus (*isc_database_info)(TIscStatus*, TIscHandle*, short, const char*, short, char*);

    TIscStatus (*isc_start_multiple)(TIscStatus*, TIscHandle*, short, void*);
    TIscStatus (*isc_commit_transaction)(TIscStatus*, TIscHandle*);
    TIscStatus (*isc_commit_retaining)(TIscStatus*, TIscHandle*);
    TIscStatus (*isc_rollback_transaction)(TIscStatus*, TIscHandle*);
    TIscStatus (*isc_rollback_retaining)(TIscStatus*, TIscHandle*);

    TIscStatus (*isc_dsql_execute_immediate)(TIscStatus*, TIscHandle*, TIscHandle*, unsigned short, const char*,
                                             unsigned short, const void*);
    TIscStatus (*isc_dsql_allocate_statement)(TIscStatus*, TIscHandle*, TIscHandle*);
    TIscStatus (*isc_dsql_prepare)(TIscStatus*, TIscHandle*, TIscHandle*, unsigned short, const char*,
                                   unsigned short, void*);
    TIscStatus (*isc_dsql_describe)(TIscStatus*, TIscHandle*, unsigned short, void*);
    TIscStatus (*isc_dsql_describe_bind)(TIscStatus*, TIscHandle*, unsigned short, void*);
    TIscStatus (*isc_dsql_execute)(TIscStatus*, TIscHandle*, TIscHandle*, unsigned short, const void*);
    TIscStatus (*isc_dsql_execute2)(TIscStatus*, TIscHandle*, TIscHandle*, unsigned short, const void*,
                                    const void*);
    TIscStatus (*isc_dsql_fetch)(TIscStatus*, TIscHandle*, unsigned short, const void*);
    TIscStatus (*isc_dsql_free_statement)(TIscStatus*, TIscHandle*, unsigned short);
    TIscStatus (*isc_dsql_sql_info)(TIscStatus*, TIscHandle*, short, const char*, short, char*);

    TIscStatus (*isc_create_blob2)(TIscStatus*, TIscHandle*, TIscHandle*, TIscHandle*, GDS_QUAD_t*, short,
                                   const char*);
    TIscStatus (*isc_put_segment)(TIscStatus*, TIscHandle*, unsigned short, const char*);
    TIscStatus (*isc_open_blob2)(TIscStatus*, TIscHandle*, TIscHandle*, TIscHandle*, GDS_QUAD_t*,
                                 unsigned short, const unsigned char*);
    TIscStatus (*isc_get_segment)(TIscStatus*, TIscHandle*, unsigned short*, unsigned short, char*);
    TIscStatus (*isc_close_blob)(TIscStatus*, TIscHandle*);

    TIscLong (*isc_sqlcode)(const TIscStatus*);
    void (*isc_sql_interprete)(short, char*, short);
    TIscLong (*fb_interpret)(char*, unsigned int, const TIscStatus**);  // optional
    TIscLong (*isc_interprete)(char*, TIscStatus**);
    TIscLong (*isc_vax_integer)(const char*, short);
    int (*fb_shutdown)(unsigned int, const int);  // optional
};

// The library of that file name, loaded once per process and kept loaded. A
// failed load is not remembered, so the next call tries again.
// EDbClientError "Can't load library %s " when it cannot be loaded; the
// system's error text when an entry point is missing.
TClientLibrary& LoadClientLibrary(const std::string& fileName);

inline bool StatusFailed(const TStatusVector& status) { return status[0] == 1 && status[1] != 0; }

// The text of a database error: "Owner.Name:" CR LF (left out when the names
// are shorter than two characters), the text for the SQL code with every "\n"
// pair removed, then each status message, each line ending in "." and CR LF.
std::string ComposeDbErrorText(const std::string& namePath, std::string sqlCodeText,
                               const std::vector<std::string>& messages);

// Raises EDbServerError for a failed status; `source` is the component that
// made the call (its NamePath() prefixes the message).
[[noreturn]] void RaiseStatusError(const TClientLibrary& library, const TStatusVector& status,
                                   const TComponent* source);

// Reads a little-endian integer of `length` bytes, as the client returns them.
std::int64_t ReadInfoInteger(const char* data, int length);
