// Internal to the message log: how the backup name of a message file is formed. Separate from
// Msg.h so that callers of the log do not see it; tests check the rule directly.
#pragma once

#include <string>
#include <string_view>

namespace jf {

// The name a full message file is renamed to: the extension of the last path component
// replaced by ".old", or ".old" appended when that component has none.
std::string Msg_OldFileName(std::string_view fileName);

}  // namespace jf
