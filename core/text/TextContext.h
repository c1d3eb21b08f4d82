#pragma once

#include "core/collation/Collation.h"
#include "core/text/CodePage.h"

#include <memory>

namespace linnery {

// How one document's bytes are read: the code page that steps, decodes and encodes them and the
// collation that orders them. Made once and never changed; a document gets a new one when it is
// replaced, so whoever holds the old one (an export, a frozen view) keeps reading as before.
class TextContext {
  public:
    TextContext(std::shared_ptr<const CodePage> codePage, std::shared_ptr<const Collation> collation)
        : codePage_(std::move(codePage)), collation_(std::move(collation)) {}

    const CodePage& codePage() const { return *codePage_; }
    const std::shared_ptr<const CodePage>& sharedCodePage() const { return codePage_; }
    // Keys and comparisons reuse scratch space: one thread at a time, the one running the command.
    const Collation& collation() const { return *collation_; }

  private:
    std::shared_ptr<const CodePage> codePage_;
    std::shared_ptr<const Collation> collation_;
};

using TextContextPtr = std::shared_ptr<const TextContext>;

} // namespace linnery
