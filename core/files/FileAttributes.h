#pragma once

#include <string>
#include <sys/stat.h>

namespace linnery {

// Gives the new file `file` what the old one (at `source`, with the status `old`) had besides its
// content and mode: its owner and group, and exactly its extended attributes, POSIX ACLs among them.
// False when the new file cannot have them all (another owner, attributes that cannot be set): the save
// then writes the old file in place instead.
bool keepOwnerAndAttributes(int file, const std::string& source, const struct stat& old);

} // namespace linnery
