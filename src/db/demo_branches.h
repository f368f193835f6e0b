#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace cmp::db {

// One branch of the demo company with the parameters that set how its
// requisitions are entered.
struct DemoBranch
{
    QString code;
    QString name;
    QString region;         // empty: no region
    QString function;       // IDFUNCAOFILI: "C" central, "R" restaurant, "O" run by the logistics
                            // operator, "E" school
    QString purchaseCenter; // empty for a purchase center itself
    QString mealCentral;    // the school-meal central a unit belongs to
    bool rescinded = false;
    // PARCMPSUP letters IDUTPRODPREF, IDUTAPROVSOL, IDUTLOPERSOL,
    // IDIMPINCSOLAPR, IDALTVRCMPANT; empty: the branch has no PARCMPSUP row.
    QString purchasing;
    QString idPerAltSApr;         // empty: NULL, read as "NNN"
    bool integration = false;     // IDUTILIZAINTSAC
    bool managerApproval = false; // meat items need a manager's approval
    QStringList destinations;     // "code name"

    bool isPurchaseCenter() const { return purchaseCenter.isEmpty(); }
    QString center() const { return isPurchaseCenter() ? code : purchaseCenter; }
};

// Purchase centers first, then their branches, the school-meal central and
// its units.
const std::vector<DemoBranch>& demoBranches();

// The code of the school-meal central.
QString demoMealCentral();

} // namespace cmp::db
