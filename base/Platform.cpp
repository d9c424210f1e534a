#include "base/Platform.h"

#ifdef _WIN32
#include <windows.h>

namespace {
std::string& LastError()
{
    static thread_local std::string text;
    return text;
}
std::string SystemMessage(DWORD code)
{
    char buf[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                   sizeof buf, nullptr);
    std::string s = buf;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}
}  // namespace

void* LoadSharedLibrary(const std::string& fileName)
{
    HMODULE h = LoadLibraryA(fileName.c_str());
    if (!h) LastError() = SystemMessage(GetLastError());
    return reinterpret_cast<void*>(h);
}

void* LibrarySymbol(void* library, const char* name)
{
    FARPROC p = GetProcAddress(reinterpret_cast<HMODULE>(library), name);
    if (!p) LastError() = SystemMessage(GetLastError());
    return reinterpret_cast<void*>(p);
}

std::string LastPlatformError() { return LastError(); }

std::string ExecutableFileName()
{
    char buf[MAX_PATH * 4] = {};
    const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return std::string(buf, n);
}

std::string LocalHostName()
{
    char buf[256] = {};
    DWORD n = sizeof buf;
    if (!GetComputerNameA(buf, &n)) return "localhost";
    return std::string(buf, n);
}

#else
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace {
std::string& LastError()
{
    static thread_local std::string text;
    return text;
}
}  // namespace

void* LoadSharedLibrary(const std::string& fileName)
{
    void* h = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char* e = dlerror();
        LastError() = e ? e : "unknown error";
    }
    return h;
}

void* LibrarySymbol(void* library, const char* name)
{
    dlerror();
    void* p = dlsym(library, name);
    if (!p) {
        const char* e = dlerror();
        LastError() = e ? e : std::string("undefined symbol: ") + name;
    }
    return p;
}

std::string LastPlatformError() { return LastError(); }

std::string ExecutableFileName()
{
    char buf[PATH_MAX + 1] = {};
    const ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

std::string LocalHostName()
{
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0) return "localhost";
    return buf;
}
#endif
