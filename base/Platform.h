#pragma once
// The few operating-system calls the system makes, one small function each,
// so that a port touches only Platform.cpp.

#include <string>

// Loads a shared library by file name through the system's normal search.
// Returns nullptr on failure; LastPlatformError() then tells why.
void* LoadSharedLibrary(const std::string& fileName);
// Address of an entry point, or nullptr (LastPlatformError() tells why).
void* LibrarySymbol(void* library, const char* name);
// The system's text for the last failed library call.
std::string LastPlatformError();
// Full file name of the running executable.
std::string ExecutableFileName();
// The local machine's name, as the operating system reports it.
std::string LocalHostName();
