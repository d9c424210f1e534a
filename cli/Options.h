#pragma once
// Command-line options of fbscript and the man-page style help text.

#include "base/Exception.h"

#include <cstdint>
#include <string>
#include <vector>

// Bad usage: wrong option, missing value, conflicting choices (exit status 2).
class EUsageError : public Exception {
public:
    using Exception::Exception;
};

struct TOptions {
    std::string ScriptFile;  // "-" for standard input
    std::string Database;    // -d; empty: the script connects by itself
    std::string User;
    std::string Password;
    bool PasswordGiven = false;
    std::string Role;
    std::string CharSet;
    int Dialect = 3;
    bool DialectGiven = false;
    std::string ClientLib;
    std::int32_t From = 1;
    bool ContinueOnError = false;
    bool NoAutoDDL = false;
    std::string Terminator = ";";
    bool Stream = false;
    bool Quiet = false;
    bool Echo = false;
    bool List = false;
    bool Help = false;
    bool Version = false;
};

// Reads argv (argv[0] is the program) and the ISC_USER / ISC_PASSWORD
// variables; a --password-file is read here. Raises EUsageError.
TOptions ParseOptions(const std::vector<std::string>& args);

std::string HelpText();
std::string UsageLine();
