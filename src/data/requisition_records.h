#pragma once

namespace cmp::fw {
class ClientDataSet;
class TMessages;
} // namespace cmp::fw

// The persistent fields of the requisition record sets the main screen owns:
// names, types and sizes as the server's packets carry them, labels, display
// formats, masks, hidden fields and the texts of the coded values.
//
// Each function is called once, on a closed set, before the set is loaded.
// The sets with coded values read their texts from the catalog at display
// time, so the catalog must outlive the set.
namespace cmp::data {

// The texts of the coded values (IdTipLan_M/A/C, B_Parcial, B_Total,
// B_Manual, Em_Aberto, Disponivel, Importada, Inconsistente, Importado,
// NImportado, Fechamento).
void addCodedValueTexts(fw::TMessages& catalog);

// The requisition list; IDTIPLAN, IDBAIXASOL and IDIMPSOLSAC show their texts
// and IDIMPSOLSAC takes them back as its code.
void declareServSolicita(fw::ClientDataSet& cdsServSolicita, const fw::TMessages& catalog);
// The header of the current requisition.
void declareSolicita(fw::ClientDataSet& cdsSolicita);
// The justification of an extra requisition.
void declareJustSoli(fw::ClientDataSet& cdsJustSoli);
// The items, in matrix order (CDARVPROD;DTPROGENTR); also cdsItemSoliAux.
// IDBAIXITMSOL and IDIMPITMSAC show their texts.
void declareItemSoli(fw::ClientDataSet& cdsItemSoli, const fw::TMessages& catalog);
// The items the external integration did not import.
void declareItemNImportados(fw::ClientDataSet& cdsItemNImportados);
// The source of the quantity matrix.
void declareDecisionProdutos(fw::ClientDataSet& cdsDecisionProdutos);
// The alteration log; only the justification is edited by the user.
void declareMovoPSol(fw::ClientDataSet& cdsMovoPSol);
// The requesting branches with their purchasing parameters.
void declareFilialSoli(fw::ClientDataSet& cdsFilialSoli);
// The manager-approval rows a save returns, one per requisition, manager and
// product.
void declareAprovCmpGer(fw::ClientDataSet& cdsAprovCmpGer);
// The launch date the new-requisition wizard proposes.
void declareData(fw::ClientDataSet& cdsData);
// The items whose delivery dates the purchase calendar does not allow.
void declareVdPeriodicidade(fw::ClientDataSet& cdsVd_Periodicidade);
// The products of the matrix read so far, for their names and units.
void declareProduto(fw::ClientDataSet& cdsProduto);

} // namespace cmp::data
