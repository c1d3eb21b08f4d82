// The table of linnery-cli's commands: each command file registers its own at start-up.

#include "cli/CliCommand.h"

#include <algorithm>
#include <cstring>

namespace linnery::cli {

std::vector<CliCommand>& registry() {
    static std::vector<CliCommand> all;
    return all;
}

bool registerCommands(std::initializer_list<CliCommand> list) {
    registry().insert(registry().end(), list.begin(), list.end());
    return true;
}

const std::vector<CliCommand>& commands() {
    // The files register in no fixed order; --help and the lookups see them by name.
    std::sort(registry().begin(), registry().end(),
              [](const CliCommand& a, const CliCommand& b) { return std::strcmp(a.name, b.name) < 0; });
    return registry();
}

} // namespace linnery::cli
