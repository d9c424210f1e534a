// fbscript: runs a Firebird SQL script from the command line.

#include "cli/Options.h"
#include "cli/ScriptJob.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv, argv + argc);
    TOptions options;
    try {
        options = ParseOptions(args);
    } catch (const EUsageError& e) {
        std::fprintf(stderr, "fbscript: %s\n%sTry 'fbscript --help' for more.\n", e.Message().c_str(),
                     UsageLine().c_str());
        return static_cast<int>(TExitStatus::esBadInput);
    }
    if (options.Help) {
        std::fputs(HelpText().c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::puts("fbscript 1.0");
        return 0;
    }
    try {
        TScriptJob job(std::move(options), stdout, stderr);
        return static_cast<int>(job.Run());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fbscript: %s\n", e.what());
        return static_cast<int>(TExitStatus::esFailed);
    }
}
