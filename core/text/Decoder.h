#pragma once

#include "core/text/CodePage.h"

#include <unicode/ucnv.h>

namespace linnery {

// A new ICU converter that decodes cp's bytes to UTF-16 exactly as CodePage::toUtf8 does (undecodable
// bytes -> U+FFFD); nullptr for UTF-8, which the callers decode themselves. The caller owns it
// (ucnv_close), so each thread can have its own.
UConverter* openDecoder(const CodePage& cp);

} // namespace linnery
