#pragma once

#include <QString>

#include <vector>

namespace cmp::db {

// One node of the demo product tree: a group (level 1, "01"), a subgroup
// (2, "0101"), a family (3, "0101001") or a product (4, "0101001001"). The
// first product of a family is its stock product, sold by the base unit; the
// others are purchase packs of it.
struct DemoProduct
{
    QString cdProduto;
    QString cdArvProd;
    QString nmProduto;
    int level = 0;
    QString sgUnidade;
    QString cdProdEsto; // empty for the tree nodes
    double vrFatoConv = 0;
    QString cdGrupProd;
    QString cdSubGrProd;
    bool commissioned = false; // kept out of the product lookups
    bool active = true;

    bool isStockProduct() const { return !cdProdEsto.isEmpty() && cdProdEsto == cdProduto; }
};

// The whole tree in tree-code order; the same on every call.
const std::vector<DemoProduct>& demoProductTree();

} // namespace cmp::db
