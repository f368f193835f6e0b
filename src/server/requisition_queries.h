#pragma once

#include "framework/data/data_packet.h"
#include "framework/net/remote_value.h"

#include <QString>
#include <QVariant>

#include <utility>
#include <vector>

// What the requisition calls share: queries whose rows go out in the layout of
// the client record set that loads them, the operator check, code padding and
// the rule of which requesting branches an operator may see.
namespace cmp::server {

struct CallContext;

inline constexpr int branchWidth = 4;
inline constexpr int operatorWidth = 12;
inline constexpr int requisitionNumberWidth = 10;
inline constexpr int branchGroupWidth = 10;
inline constexpr int destinationWidth = 3;

// A query and the fields of the record set its rows load into.
struct LayoutStatement
{
    const char* name;
    QString sql;
    std::vector<fw::FieldDef> layout;
};

fw::FieldDef textField(const char* name, int size = 1);
fw::FieldDef fixedField(const char* name, int size);
fw::FieldDef dateField(const char* name);
fw::FieldDef dateTimeField(const char* name);
fw::FieldDef floatField(const char* name);

using Bindings = std::vector<std::pair<const char*, QVariant>>;

// Runs the statement with its :P_ parameters bound and gives its rows in the
// statement's layout (SQLite knows no widths, PostgreSQL no fixed strings).
fw::DataPacket openInLayout(const CallContext& context, const LayoutStatement& statement,
                            const Bindings& bindings);
fw::DataPacket emptyPacket(const std::vector<fw::FieldDef>& layout);

// The operator comes from the token: an argument naming someone else is
// refused, whatever the client sends.
void checkOperator(const CallContext& context, const fw::RemoteValue& claimed);

// A typed code as the screens pad it; null reads as empty.
QString paddedCode(const fw::RemoteValue& value, int width);

// SQL condition: the signed-in operator may see the requesting branch in
// branchColumn. Every branch may be seen unless its purchase center restricts
// its operators (IDRESTRFILIOPER "S") and OPERFILI does not list it for the
// operator. Bind signedInOperator(context) with it.
QString operatorMayUse(const QString& branchColumn);
std::pair<const char*, QVariant> signedInOperator(const CallContext& context);

// Throws the refusal "Filial <code> não liberada para o operador." for a
// branch that exists and that the signed-in operator may not use.
void refuseBranchUnlessOperatorMayUse(const CallContext& context, const QString& branch);

// SQL condition: the branch in branchColumn has the group or subgroup of the
// product aliased product approved item by item by a manager (IDUTAPROVSOL,
// IDULTDESTSOL and IDAPROVITMSOLGR all "S"; an empty subgroup stands for the
// whole group).
QString managerApprovesItemsOf(const QString& branchColumn, const QString& product);

// Joins that name a requisition's buyer (B) and destination (D), from the
// SOLICITA row aliased R.
QString requisitionNamesJoin();

} // namespace cmp::server
