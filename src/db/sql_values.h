#pragma once

#include <QString>

class QDateTime;

namespace cmp::db {

// How a moment is written into a TIMESTAMP column: wall-clock ISO text with
// milliseconds. SQLite keeps it as it stands; PostgreSQL reads it as the
// same local moment, which it would shift to UTC if bound as a QDateTime.
QString timestampValue(const QDateTime& moment);

} // namespace cmp::db
