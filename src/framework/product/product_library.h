#pragma once

#include "framework/data/client_dataset.h"

#include <QString>
#include <QStringList>

namespace cmp::fw {

class DataSource;
class SqlQuery;
class StatementRegistry;

// The product library the screens share. Its reads run on the host database
// (hostDatabase()), so they work embedded and against a remote server alike.

// Whether a typed code of a picture kind (DBPict) is in the lookup record set
// of `source`, which it positions on the row found. Product tree codes are
// looked up in CDARVPROD and only trimmed, since each level is a prefix of
// the next; codes of other kinds are looked up in the set's first field,
// zero-padded to the picture's width (Ajusta). `code` comes back normalised.
// Not found and `raise`: "<title> não cadastrado: <code>" through MensErro,
// which aborts.
bool ValidEx(DataSource& source, int kind, QString& code, LocateOptions options,
             const QString& title, bool raise);

// Refuses, through MensErro (aborting), a product tree code that is not
// registered, inactive, inactive at the branch (PRODFILI), or, with
// `blockStock` "S" (IDBLPRCOMEST), a stock product.
void Validacao_Produto(const QString& branch, const QString& treeCode, const QString& blockStock);

// The product of a tree code: element 0 the tree code, 1 the name, 2
// CDPRODUTO. An unknown code gives its tree code and two empty elements, so
// the callers may read every element.
QStringList Dados_Produto(const QString& treeCode);

// Make `query` the product search of the host database, ordered by tree
// code and without commissioned products; the Cache variant also leaves out
// the products inactive at the branch (PARAMGERAL.IDCACHPRODFI "S").
void SQL_Pesquisa_Produto(SqlQuery& query);
void SQL_Pesquisa_ProdutoCache(SqlQuery& query, const QString& branch);

// Declares the statements above, so that a remote server runs them.
void DeclareProductStatements(StatementRegistry& registry);

} // namespace cmp::fw
