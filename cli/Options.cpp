#include "cli/Options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

struct TOptionSpec {
    const char* Short;  // nullptr: long form only
    const char* Long;
    bool TakesValue;
};

constexpr TOptionSpec kSpecs[] = {
    {"-d", "--database", true},   {"-u", "--user", true},       {"-p", "--password", true},
    {nullptr, "--password-file", true}, {nullptr, "--role", true}, {nullptr, "--charset", true},
    {nullptr, "--dialect", true}, {nullptr, "--client-lib", true}, {nullptr, "--from", true},
    {nullptr, "--continue-on-error", false}, {nullptr, "--no-autoddl", false},
    {nullptr, "--terminator", true}, {nullptr, "--stream", false}, {"-q", "--quiet", false},
    {nullptr, "--echo", false},   {nullptr, "--list", false},   {"-h", "--help", false},
    {nullptr, "--version", false},
};

const TOptionSpec* FindSpec(const std::string& name)
{
    for (const auto& spec : kSpecs)
        if ((spec.Short && name == spec.Short) || name == spec.Long) return &spec;
    return nullptr;
}

long ParseInteger(const std::string& option, const std::string& text, long low, long high)
{
    if (text.empty()) throw EUsageError(option + " needs a number");
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || value < low || value > high)
        throw EUsageError(option + ": '" + text + "' is not a number from " + std::to_string(low) +
                          " to " + std::to_string(high));
    return value;
}

// The first line of the file, without its line end (as a password file holds it).
std::string ReadPasswordFile(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EUsageError("--password-file: cannot read '" + fileName + "'");
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

TOptions ParseOptions(const std::vector<std::string>& args)
{
    TOptions options;
    std::string passwordFile;
    bool passwordFromOption = false, userGiven = false, sawFile = false;
    for (size_t i = 1; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg == "-" || arg.empty() || arg[0] != '-') {
            if (sawFile) throw EUsageError("only one script may be given ('" + options.ScriptFile +
                                           "' and '" + arg + "')");
            options.ScriptFile = arg;
            sawFile = true;
            continue;
        }
        if (arg == "--") {
            if (i + 1 < args.size()) {
                if (sawFile || i + 2 < args.size()) throw EUsageError("only one script may be given");
                options.ScriptFile = args[i + 1];
                sawFile = true;
            }
            break;
        }
        std::string value;
        bool inlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.erase(eq);
                inlineValue = true;
            }
        }
        const TOptionSpec* spec = FindSpec(arg);
        if (!spec) throw EUsageError("unknown option '" + arg + "'");
        const std::string name = spec->Long;
        if (spec->TakesValue && !inlineValue) {
            if (i + 1 >= args.size()) throw EUsageError(arg + " needs a value");
            value = args[++i];
        } else if (!spec->TakesValue && inlineValue) {
            throw EUsageError(name + " takes no value");
        }

        if (name == "--database") {
            if (value.empty()) throw EUsageError("--database needs a database name");
            options.Database = value;
        } else if (name == "--user") {
            options.User = value;
            userGiven = true;
        } else if (name == "--password") {
            options.Password = value;
            passwordFromOption = true;
        } else if (name == "--password-file") {
            passwordFile = value;
        } else if (name == "--role") {
            options.Role = value;
        } else if (name == "--charset") {
            options.CharSet = value;
        } else if (name == "--dialect") {
            options.Dialect = static_cast<int>(ParseInteger(name, value, 1, 3));
            options.DialectGiven = true;
        } else if (name == "--client-lib") {
            if (value.empty()) throw EUsageError("--client-lib needs a file name");
            options.ClientLib = value;
        } else if (name == "--from") {
            options.From = static_cast<std::int32_t>(ParseInteger(name, value, 1, INT32_MAX));
        } else if (name == "--continue-on-error") {
            options.ContinueOnError = true;
        } else if (name == "--no-autoddl") {
            options.NoAutoDDL = true;
        } else if (name == "--terminator") {
            // The parser matches terminators as keywords: blanks cannot be part of one.
            if (value.empty() || value.size() > 255 ||
                value.find_first_of(" \t\r\n") != std::string::npos)
                throw EUsageError("--terminator needs 1 to 255 characters without blanks");
            options.Terminator = value;
        } else if (name == "--stream") {
            options.Stream = true;
        } else if (name == "--quiet") {
            options.Quiet = true;
        } else if (name == "--echo") {
            options.Echo = true;
        } else if (name == "--list") {
            options.List = true;
        } else if (name == "--help") {
            options.Help = true;
        } else if (name == "--version") {
            options.Version = true;
        }
    }
    if (options.Help || options.Version) return options;

    if (passwordFromOption && !passwordFile.empty())
        throw EUsageError("give either --password or --password-file, not both");
    if (!passwordFile.empty()) {
        options.Password = ReadPasswordFile(passwordFile);
        passwordFromOption = true;
    }
    if (!userGiven)
        if (const char* env = std::getenv("ISC_USER")) options.User = env;
    if (!passwordFromOption) {
        if (const char* env = std::getenv("ISC_PASSWORD")) {
            options.Password = env;
            passwordFromOption = true;
        }
    }
    options.PasswordGiven = passwordFromOption;

    if (!sawFile) throw EUsageError("no script given");
    if (options.List && options.Stream) throw EUsageError("--list reads the whole script; drop --stream");
    if (options.Stream && options.ScriptFile == "-")
        throw EUsageError("--stream needs a file; standard input is read whole");
    return options;
}

std::string UsageLine()
{
    return "usage: fbscript [options] FILE|-\n"
           "       fbscript --list [--terminator T] FILE|-\n"
           "       fbscript --help\n";
}

std::string HelpText()
{
    return R"(NAME
    fbscript - run a Firebird SQL script

SYNOPSIS
    fbscript [options] FILE|-
    fbscript --list [--terminator T] FILE|-

DESCRIPTION
    Runs the statements of a SQL script one after another against a Firebird
    database. The script may change its terminator with SET TERM, and may
    carry the runner's own commands: CONNECT, CREATE DATABASE, DROP DATABASE,
    DISCONNECT, RECONNECT, COMMIT, ROLLBACK, SET AUTODDL, SET SQL DIALECT,
    SET NAMES, SET CLIENTLIB, SET BLOBFILE, DESCRIBE, INPUT and BATCH
    START / BATCH EXECUTE. FILE "-" reads the script from standard input.

    Without -d the script connects by itself (CONNECT or CREATE DATABASE); the
    user and password given here then serve a CONNECT that names none.
    With -d the run uses that connection: when the run ends normally, what
    the script left uncommitted is committed; when a failure stops it, that
    work is rolled back, so only what the script committed itself is kept.

    A failure names the file, the line of the statement's first word, the
    statement number, the SQL code and the database's message. Passwords are
    never printed: PASSWORD clauses are shown as ***.

    While standard error is a terminal, a progress bar shows the statements
    done (bytes read with --stream), the time spent and an estimate of the
    time left.

OPTIONS
    -d, --database DB       connect to DB (e.g. /data/a.fdb for the embedded
                            engine, host/port:/data/a.fdb for a server) before
                            the script starts
    -u, --user NAME         user name (default: ISC_USER)
    -p, --password PW       password (default: ISC_PASSWORD)
    --password-file F       read the password from the first line of F
    --role ROLE             SQL role of the -d connection
    --charset CS            connection character set of the -d connection
    --dialect N             SQL dialect of the -d connection (1 to 3; default 3)
    --client-lib LIB        Firebird client library of the -d connection
                            (default libfbclient.so.2)
    --from N                start at statement N (after a stopped run: the
                            statement number the failure named, once fixed)
    --continue-on-error     go on after a failing statement, keeping the work
                            done before it; the exit status still tells
    --no-autoddl            do not commit after each data-definition statement
    --terminator T          statement terminator at the start (default ";")
    --stream                read the script line by line instead of whole (for
                            files too large to hold; chosen by itself above
                            256 MB); statement numbers then count as run
    -q, --quiet             print only failures, without statement text
    --echo                  print each statement on standard output before it
                            runs
    --list                  parse only, and print the statement map, one JSON
                            object a line: number, start and end (line 0-based,
                            column 1-based, 0 for none), kind, object, name
    -h, --help              this text
    --version               the program's version

EXIT STATUS
    0   every statement ran
    1   a statement failed
    2   bad usage, or a script that cannot be read or parsed (a missing file,
        a folder, an empty file, a file with NUL bytes)
    3   no connection could be made

ENVIRONMENT
    ISC_USER, ISC_PASSWORD   user and password when none is given
)";
}
