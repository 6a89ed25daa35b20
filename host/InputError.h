// Unusable input (a job file, a document, an option): renps exits with status 2.
#pragma once

#include <stdexcept>

namespace renps {

// The text is complete ("job.json: /devmode/copies: ...").
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace renps
