#include "framework/ui/lookups.h"

#include "framework/core/abort.h"
#include "framework/core/strings.h"
#include "framework/data/client_dataset.h"
#include "framework/forms/buttons.h"

namespace cmp::fw {

namespace {

QStringList visibleFields(const ClientDataSet& dataSet)
{
    QStringList names;
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        if (dataSet.Fields(i).Visible)
            names << dataSet.Fields(i).FieldName();
    }
    return names;
}

} // namespace

bool Pesquisar(const LookupRequest& request)
{
    if (request.dataSet.IsEmpty())
        return false;
    LookupRequest shown = request;
    if (shown.displayFields.isEmpty())
        shown.displayFields = visibleFields(request.dataSet);
    return uiPort().lookup(shown);
}

bool PesquisaLista(ClientDataSet& dataSet, const QString& keyField, const QString& title,
                   QString& list)
{
    const ListChoice choice = uiPort().chooseList({dataSet, keyField, title, ListStringKeys(list)});
    if (choice.confirmed)
        list = ListString(choice.keys);
    return choice.confirmed;
}

void UsePesquisar(LookupButton& button, const QString& keyField)
{
    button.runLookup = [keyField](LookupButton& clicked) {
        ClientDataSet& rows = *clicked.DataSet;
        if (rows.IsEmpty())
            MensErro(clicked.EmptyMessage, true);
        return Pesquisar({rows, clicked.Title, keyField});
    };
}

bool Procura(ClientDataSet& dataSet, const QString& title)
{
    const std::optional<SearchInput> input =
        uiPort().askSearch({dataSet, title, visibleFields(dataSet)});
    if (!input)
        return false;
    if (dataSet.Locate(input->field, input->text, {.caseInsensitive = true, .partialKey = true}))
        return true;
    uiPort().showInfo(QStringLiteral("Nenhum registro encontrado para \"%1\".").arg(input->text));
    return false;
}

} // namespace cmp::fw
