#pragma once

// Requisitions saved through the server are numbered as every writer of the
// database numbers them: see db/requisition_numbering.h.
#include "db/requisition_numbering.h"

namespace cmp::server {

using db::nextRequisitionNumber;
using db::NumberingError;

} // namespace cmp::server
