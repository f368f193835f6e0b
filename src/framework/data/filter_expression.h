#pragma once

#include "framework/data/field_types.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace cmp::fw {

// A filter text that is not in the grammar, or names a field the record set
// does not have. what() is a readable Portuguese message naming the problem
// and its position.
class FilterError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A parsed record-set filter such as
//   [CDARVPROD] = '0101'
//   DTPROGENTR = '07/12/2026' AND NMPRODUTO = 'X||0101'
//   NOT (QTSOLIPROD > 0) OR IDBAIXITMSOL IS NULL
// Field names are resolved once, at parse time, against the record set's
// fields; evaluating a record is then a walk of the tree with no lookups.
class FilterExpression
{
public:
    struct Node;

    // Throws FilterError for anything outside the grammar.
    static FilterExpression parse(const QString& text, const std::vector<FieldDef>& fields);

    FilterExpression();
    FilterExpression(FilterExpression&&) noexcept;
    FilterExpression& operator=(FilterExpression&&) noexcept;
    ~FilterExpression();

    // valueOf(i) gives the value of fields[i] of the record being tested.
    bool matches(const std::function<QVariant(int)>& valueOf,
                 Qt::CaseSensitivity strings = Qt::CaseSensitive) const;

    bool isEmpty() const { return !root_; }

private:
    std::unique_ptr<Node> root_;
};

} // namespace cmp::fw
