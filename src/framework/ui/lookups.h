#pragma once

#include "framework/ui/ui_port.h"

#include <QString>

namespace cmp::fw {

class ClientDataSet;
class LookupButton;

// Lets the user choose one row; true when one was chosen, with the record set
// positioned on it. An empty record set offers nothing to choose: false
// without asking.
bool Pesquisar(const LookupRequest& request);

// Lets the user tick keys of the record set's rows, starting from the list
// string given (the "_a_b_" form). On confirmation the list becomes the keys
// ticked, empty when none, and true comes back; a cancelled list leaves it as
// it was.
bool PesquisaLista(ClientDataSet& dataSet, const QString& keyField, const QString& title,
                   QString& list);

// Makes a lookup button offer the rows of its DataSet by keyField through
// Pesquisar; with no row to offer, its EmptyMessage is shown and the click ends.
void UsePesquisar(LookupButton& button, const QString& keyField);

// Asks for a field and the start of its value and moves to the first record
// that matches, whatever the case. When none does, the user is told and the
// record set stays where it was.
bool Procura(ClientDataSet& dataSet, const QString& title = {});

} // namespace cmp::fw
