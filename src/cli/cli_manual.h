#pragma once

#include <string>
#include <string_view>

namespace vantrel::cli {

// The manual page of vantrel-cli in roff (man(7)), from the same command and option tables as
// --help, so the two never disagree.
[[nodiscard]] std::string CliManualPage();

// Text for roff: backslashes and hyphen-minus signs escaped, a line's leading dot or quote
// kept from being read as a request.
[[nodiscard]] std::string RoffText(std::string_view text);

}  // namespace vantrel::cli
