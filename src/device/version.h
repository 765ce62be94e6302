#pragma once

namespace vantrel {

// The program's version as every generated text names it.
inline constexpr const char* kVantrelVersion = "1.95e";

}  // namespace vantrel
