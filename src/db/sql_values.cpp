#include "db/sql_values.h"

#include <QDateTime>

namespace cmp::db {

QString timestampValue(const QDateTime& moment)
{
    return moment.toLocalTime().toString(Qt::ISODateWithMs);
}

} // namespace cmp::db
