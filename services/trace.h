// The ZELK_TRACE seam: one JSON line per event of the program's life, with
// named values, into the file ZELK_TRACE names (nothing when it is unset).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <variant>

namespace services {

// One named value of a trace line.
struct TraceField {
  std::string_view key;
  std::variant<int64_t, std::string_view> value;
};

// One line of the ZELK_TRACE file, on the installed system (see System::Trace).
void Trace(std::string_view event, std::initializer_list<TraceField> fields = {});

}  // namespace services
