#pragma once

#include <stdexcept>

namespace vantrel {

// A port that cannot be used: an access outside the opened port's registers, or a back-end whose
// system call failed part-way through an operation. The port-access calls have no status to
// return, so a failure has to be thrown rather than show up as wrong data.
class TPortError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace vantrel
