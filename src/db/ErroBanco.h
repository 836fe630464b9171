#pragma once
#include <stdexcept>

namespace kiv::db {

// A failure the database client reported, worded as the client words it (never with a password).
class ErroBanco : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kiv::db
