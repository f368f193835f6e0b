// fuzz/filter_fuzzer.cpp
#include "framework/data/filter_expression.h"

#include <QDate>
#include <QDateTime>

#include <cstddef>
#include <cstdint>

namespace {

using cmp::fw::FieldDef;
using cmp::fw::FieldType;

// One field of every kind, so that every conversion path is reachable.
const std::vector<FieldDef> fields{
    {"CDARVPROD", FieldType::String, 20}, {"IDSOLIAPROV", FieldType::FixedString, 1},
    {"DTPROGENTR", FieldType::Date, 0},   {"DTOPERSOL", FieldType::DateTime, 0},
    {"QTSOLIPROD", FieldType::Float, 0},  {"NRITEM", FieldType::Integer, 0},
    {"IDATIVO", FieldType::Boolean, 0},   {"DS OBSERV", FieldType::Memo, 0},
};

const std::vector<std::vector<QVariant>> records{
    {QString("0101"), QString("S"), QDate(2026, 12, 7), QDateTime(QDate(2026, 12, 7), QTime(0, 0)),
     5.5, qint64(10), true, QString("D'Ávila")},
    {QString(""), QString(), {}, {}, {}, {}, {}, {}},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const auto filter = cmp::fw::FilterExpression::parse(text, fields);
        for (const auto& record : records)
            for (const auto strings : {Qt::CaseSensitive, Qt::CaseInsensitive})
                filter.matches([&](int i) { return record.at(i); }, strings);
    } catch (const cmp::fw::FilterError&) {
        // Rejecting the text is the expected outcome for most inputs.
    }
    return 0;
}
