#include "core/commands/WindowTitle.h"

namespace linnery {

std::string titleCaption(std::string_view shownName, int lineCount) {
    return std::string(shownName) + " - (" + std::to_string(lineCount) + "行) - Linnery";
}

} // namespace linnery
