#pragma once
// Runs vestiscop-cli as its own process in a given directory and collects
// what it says.

#include <string>
#include <sys/resource.h>
#include <vector>

namespace vestiscop::testing {

struct CliResult {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// fileSizeLimit > 0 sets RLIMIT_FSIZE of the child (with SIGXFSZ ignored),
// so a write beyond it fails as on a full disk.
CliResult runCli(const std::string& directory, const std::vector<std::string>& arguments, rlim_t fileSizeLimit = 0);

} // namespace vestiscop::testing
