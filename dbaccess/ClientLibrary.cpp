#include "dbaccess/ClientLibrary.h"

#include "base/Component.h"
#include "base/Platform.h"
#include "dbaccess/DbError.h"

#include <ibase.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <type_traits>

// The mirrored types must be the client's own, or every call is wrong.
static_assert(std::is_same_v<TIscStatus, ISC_STATUS>);
static_assert(std::is_same_v<TIscHandle, FB_API_HANDLE>);
static_assert(std::is_same_v<TIscLong, ISC_LONG>);
static_assert(std::tuple_size_v<TStatusVector> == ISC_STATUS_LENGTH);

#define RESTAUROL_SAME_SIGNATURE(name) \
    static_assert(std::is_same_v<decltype(TClientLibrary::name), decltype(&::name)>, #name)
RESTAUROL_SAME_SIGNATURE(isc_attach_database);
RESTAUROL_SAME_SIGNATURE(isc_detach_database);
RESTAUROL_SAME_SIGNATURE(isc_drop_database);
RESTAUROL_SAME_SIGNATURE(isc_database_info);
RESTAUROL_SAME_SIGNATURE(isc_start_multiple);
RESTAUROL_SAME_SIGNATURE(isc_commit_transaction);
RESTAUROL_SAME_SIGNATURE(isc_commit_retaining);
RESTAUROL_SAME_SIGNATURE(isc_rollback_transaction);
RESTAUROL_SAME_SIGNATURE(isc_rollback_retaining);
RESTAUROL_SAME_SIGNATURE(isc_dsql_allocate_statement);
RESTAUROL_SAME_SIGNATURE(isc_dsql_free_statement);
RESTAUROL_SAME_SIGNATURE(isc_dsql_sql_info);
RESTAUROL_SAME_SIGNATURE(isc_create_blob2);
RESTAUROL_SAME_SIGNATURE(isc_put_segment);
RESTAUROL_SAME_SIGNATURE(isc_open_blob2);
RESTAUROL_SAME_SIGNATURE(isc_get_segment);
RESTAUROL_SAME_SIGNATURE(isc_close_blob);
RESTAUROL_SAME_SIGNATURE(isc_sqlcode);
RESTAUROL_SAME_SIGNATURE(isc_sql_interprete);
RESTAUROL_SAME_SIGNATURE(fb_interpret);
RESTAUROL_SAME_SIGNATURE(isc_vax_integer);
RESTAUROL_SAME_SIGNATURE(fb_shutdown);
#undef RESTAUROL_SAME_SIGNATURE

namespace {

std::mutex gLibraryLock;
std::map<std::string, std::unique_ptr<TClientLibrary>>& Libraries()
{
    static std::map<std::string, std::unique_ptr<TClientLibrary>> libraries;
    return libraries;
}

template <typename F>
void Resolve(void* handle, F& target, const char* name, bool required = true)
{
    void* symbol = LibrarySymbol(handle, name);
    if (!symbol && required) throw EDbClientError(LastPlatformError());
    target = reinterpret_cast<F>(symbol);
}

std::unique_ptr<TClientLibrary> Load(const std::string& fileName)
{
    void* handle = LoadSharedLibrary(fileName);
    if (!handle) throw EDbClientError("Can't load library " + fileName + " ");
    // The library stays loaded for the life of the process, also when an entry
    // point is missing: other names may still be tried.
    auto lib = std::make_unique<TClientLibrary>();
    lib->FileName = fileName;
#define RESOLVE(name) Resolve(handle, lib->name, #name)
    RESOLVE(isc_attach_database);
    RESOLVE(isc_detach_database);
    RESOLVE(isc_drop_database);
    RESOLVE(isc_database_info);
    RESOLVE(isc_start_multiple);
    RESOLVE(isc_commit_transaction);
    RESOLVE(isc_commit_retaining);
    RESOLVE(isc_rollback_transaction);
    RESOLVE(isc_rollback_retaining);
    RESOLVE(isc_dsql_execute_immediate);
    RESOLVE(isc_dsql_allocate_statement);
    RESOLVE(isc_dsql_prepare);
    RESOLVE(isc_dsql_describe);
    RESOLVE(isc_dsql_describe_bind);
    RESOLVE(isc_dsql_execute);
    RESOLVE(isc_dsql_execute2);
    RESOLVE(isc_dsql_fetch);
    RESOLVE(isc_dsql_free_statement);
    RESOLVE(isc_dsql_sql_info);
    RESOLVE(isc_create_blob2);
    RESOLVE(isc_put_segment);
    RESOLVE(isc_open_blob2);
    RESOLVE(isc_get_segment);
    RESOLVE(isc_close_blob);
    RESOLVE(isc_sqlcode);
    RESOLVE(isc_sql_interprete);
    RESOLVE(isc_interprete);
    RESOLVE(isc_vax_integer);
#undef RESOLVE
    Resolve(handle, lib->fb_interpret, "fb_interpret", false);
    Resolve(handle, lib->fb_shutdown, "fb_shutdown", false);
    return lib;
}

// At process exit the embedded engine is shut down before the libraries'
// destructors run: its worker threads are joined and its files flushed instead
// of being torn down mid-work (which also keeps leak checkers from tripping
// over half-finished threads).
void ShutdownEngines()
{
    std::lock_guard<std::mutex> guard(gLibraryLock);
    for (auto& entry : Libraries())
        if (entry.second->fb_shutdown) entry.second->fb_shutdown(0, fb_shutrsn_app_stopped);
}

char UpperFirst(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

TClientLibrary& LoadClientLibrary(const std::string& fileName)
{
    std::lock_guard<std::mutex> guard(gLibraryLock);
    auto& libraries = Libraries();
    auto it = libraries.find(fileName);
    if (it != libraries.end()) return *it->second;
    auto lib = Load(fileName);  // throws; nothing is remembered then
    static const bool shutdownRegistered = std::atexit(ShutdownEngines) == 0;
    (void)shutdownRegistered;
    TClientLibrary& result = *lib;
    libraries.emplace(fileName, std::move(lib));
    return result;
}

std::string ComposeDbErrorText(const std::string& namePath, std::string sqlCodeText,
                               const std::vector<std::string>& messages)
{
    std::string text;
    if (namePath.size() >= 2) text = namePath + ":\r\n";

    // The client's text may carry literal "\n" pairs meant as line breaks.
    for (size_t pos = sqlCodeText.find("\\n"); pos != std::string::npos; pos = sqlCodeText.find("\\n", pos))
        sqlCodeText.erase(pos, 2);
    if (!sqlCodeText.empty()) sqlCodeText[0] = UpperFirst(sqlCodeText[0]);
    text += sqlCodeText;
    // Every part ends its own line, also when the client's text already has
    // its full stop; otherwise it would run into the first status message.
    if (sqlCodeText.empty() || sqlCodeText.back() != '.') text += '.';
    text += "\r\n";

    for (std::string message : messages) {
        if (!message.empty()) message[0] = UpperFirst(message[0]);
        text += message;
        if (text.empty() || text.back() != '.') text += '.';
        text += "\r\n";
    }
    return text;
}

void RaiseStatusError(const TClientLibrary& library, const TStatusVector& status, const TComponent* source)
{
    const int sqlCode = library.isc_sqlcode(status.data());

    char buffer[1024] = {};
    library.isc_sql_interprete(static_cast<short>(sqlCode), buffer, sizeof buffer);
    std::string sqlCodeText(buffer);

    std::vector<std::string> messages;
    // Both walkers advance a pointer through a copy of the status.
    TStatusVector copy = status;
    if (library.fb_interpret) {
        const TIscStatus* p = copy.data();
        for (;;) {
            char line[1024] = {};
            if (library.fb_interpret(line, sizeof line, &p) == 0) break;
            messages.emplace_back(line);
        }
    } else {
        TIscStatus* p = copy.data();
        for (;;) {
            char line[1024] = {};
            if (library.isc_interprete(line, &p) == 0) break;
            messages.emplace_back(line);
        }
    }

    const std::string text = ComposeDbErrorText(source ? source->NamePath() : std::string(), sqlCodeText, messages);
    throw EDbServerError(text, sqlCode, std::vector<std::intptr_t>(status.begin(), status.end()),
                         static_cast<long>(status[1]));
}

std::int64_t ReadInfoInteger(const char* data, int length)
{
    std::uint64_t value = 0;
    for (int i = length - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(data[i]);
    if (length > 0 && length < 8 && (static_cast<unsigned char>(data[length - 1]) & 0x80))
        value |= ~std::uint64_t(0) << (8 * length);  // sign extension
    return static_cast<std::int64_t>(value);
}
