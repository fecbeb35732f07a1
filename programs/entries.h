// The entry of each demo program of the manifest, found by the program's name.
#pragma once

#include <string_view>

namespace programs {

using Entry = int (*)();

// Null when no program of that name is in the manifest.
Entry FindEntry(std::string_view name);

}  // namespace programs
