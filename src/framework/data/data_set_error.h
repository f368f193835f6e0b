#pragma once

#include <stdexcept>

namespace cmp::fw {

// A record-set operation that cannot be carried out (no such field, not in
// edit mode, value of the wrong kind, ...). The message is Portuguese and
// names the record set and the field where there is one.
class DataSetError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace cmp::fw
