#pragma once

#include <string_view>

namespace vantrel {

// A modal message with one OK button. The window shows a dialog; the command line prints the
// text on standard error.
class TMessageBox {
  public:
    virtual ~TMessageBox() = default;
    virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace vantrel
