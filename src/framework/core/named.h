#pragma once

#include <QString>

// A member whose object carries the member's own name, written once, so that
// the member and the name the design gives it ("degItemSoli") cannot drift
// apart.
//
// In a class body:
//     FW_NAMED_MEMBER(fw::ClientDataSet, cdsItemSoli);
// In a constructor's initializer list, with a factory that takes the name
// first and then its other arguments:
//     FW_NAMED(degItemSoli, create<fw::DecisionGrid>, &tshProdutos)
#define FW_NAMED_MEMBER(Type, member) Type member = Type(QStringLiteral(#member))
#define FW_NAMED(member, make, ...) member(make(QStringLiteral(#member) __VA_OPT__(, ) __VA_ARGS__))
