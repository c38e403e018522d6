#include "model/error_kinds.h"

namespace compila::error_kinds {

std::string_view meaning(std::int32_t code) {
  for (const error_kind& kind : table)
    if (kind.code == code) return kind.meaning;
  return "unknown diagnostic";
}

}  // namespace compila::error_kinds
