// ui/qt/ui_dialogs.cpp
#include "ui/qt/ui_dialogs.h"

#include "framework/data/client_dataset.h"
#include "framework/data/field.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace cmp::ui {

namespace {

QDialogButtonBox* addOkCancel(QDialog& dialog, QBoxLayout& layout)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout.addWidget(buttons);
    return buttons;
}

QStringList visibleFieldNames(const fw::ClientDataSet& dataSet)
{
    QStringList names;
    for (int i = 0; i < dataSet.FieldCount(); ++i)
        if (dataSet.Fields(i).Visible)
            names << dataSet.Fields(i).FieldName();
    return names;
}

// The fields of the list that the record set has; a name it lacks shows nothing.
std::vector<const fw::Field*> existingFields(const fw::ClientDataSet& dataSet,
                                             const QStringList& names)
{
    std::vector<const fw::Field*> fields;
    for (const QString& name : names)
        if (const fw::Field* field = dataSet.FindField(name))
            fields.push_back(field);
    return fields;
}

// The visible records as rows of texts; with a level field, the first
// column is indented by each row's depth below the shallowest one.
QStandardItemModel* recordRows(const fw::ClientDataSet& dataSet,
                               const std::vector<const fw::Field*>& fields, const fw::Field* level,
                               QObject* parent)
{
    const int count = dataSet.RecordCount();
    auto* model = new QStandardItemModel(count, static_cast<int>(fields.size()), parent);
    for (int column = 0; column < static_cast<int>(fields.size()); ++column)
        model->setHeaderData(column, Qt::Horizontal, fields[size_t(column)]->DisplayLabel());
    int shallowest = INT_MAX;
    for (int row = 0; level && row < count; ++row)
        shallowest = std::min(shallowest, dataSet.ValueAt(row, *level).toInt());
    for (int row = 0; row < count; ++row) {
        for (int column = 0; column < static_cast<int>(fields.size()); ++column) {
            QString text = dataSet.DisplayTextAt(row, *fields[size_t(column)]);
            if (level && column == 0)
                text.prepend(
                    QString(4 * (dataSet.ValueAt(row, *level).toInt() - shallowest), u' '));
            auto* item = new QStandardItem(text);
            item->setEditable(false);
            model->setItem(row, column, item);
        }
    }
    return model;
}

// The first row whose text starts with the typed one, trying the columns in order.
int matchingRow(const QStandardItemModel& model, const QString& typed)
{
    for (int column = 0; column < model.columnCount(); ++column)
        for (int row = 0; row < model.rowCount(); ++row)
            if (model.item(row, column)->text().trimmed().startsWith(typed, Qt::CaseInsensitive))
                return row;
    return -1;
}

QTreeView* recordList(QStandardItemModel& model, QWidget& parent)
{
    auto* list = new QTreeView(&parent);
    list->setObjectName(QStringLiteral("lstRegistros"));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setModel(&model);
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return list;
}

void selectRow(QTreeView& list, int row)
{
    if (row < 0 || row >= list.model()->rowCount())
        return;
    const QModelIndex index = list.model()->index(row, 0);
    list.setCurrentIndex(index);
    list.scrollTo(index);
}

// Moving keys typed in the search field move through the list instead.
class ListKeys : public QObject
{
public:
    ListKeys(QTreeView& list, QObject* parent) : QObject(parent), list_(list) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QCoreApplication::sendEvent(&list_, event);
            return true;
        default:
            return false;
        }
    }

private:
    QTreeView& list_;
};

} // namespace

bool execLookupDialog(const fw::LookupRequest& request, QWidget* parent)
{
    fw::ClientDataSet& dataSet = request.dataSet;
    QDialog dialog(parent);
    dialog.setWindowTitle(request.title);
    dialog.resize(600, 420);
    auto* layout = new QVBoxLayout(&dialog);
    auto* search = new QLineEdit(&dialog);
    search->setObjectName(QStringLiteral("edtProcura"));
    search->setPlaceholderText(QStringLiteral("Procurar"));
    layout->addWidget(search);

    const QStringList names =
        request.displayFields.isEmpty() ? visibleFieldNames(dataSet) : request.displayFields;
    auto* model = recordRows(
        dataSet, existingFields(dataSet, names),
        request.levelField.isEmpty() ? nullptr : dataSet.FindField(request.levelField), &dialog);
    QTreeView* list = recordList(*model, dialog);
    layout->addWidget(list);
    addOkCancel(dialog, *layout);
    selectRow(*list, std::max(dataSet.RecNo() - 1, 0));
    search->installEventFilter(new ListKeys(*list, &dialog));
    search->setFocus();

    QObject::connect(search, &QLineEdit::textEdited, &dialog, [list, model](const QString& typed) {
        selectRow(*list, matchingRow(*model, typed));
    });
    QObject::connect(search, &QLineEdit::returnPressed, &dialog, &QDialog::accept);
    QObject::connect(list, &QTreeView::activated, &dialog, &QDialog::accept);

    if (dialog.exec() != QDialog::Accepted || !list->currentIndex().isValid())
        return false;
    dataSet.SetRecNo(list->currentIndex().row() + 1);
    return true;
}

fw::ListChoice execListDialog(const fw::ListRequest& request, QWidget* parent)
{
    const fw::ClientDataSet& dataSet = request.dataSet;
    const fw::Field* key = dataSet.FindField(request.keyField);
    if (!key)
        return {};
    QDialog dialog(parent);
    dialog.setWindowTitle(request.title);
    dialog.resize(520, 420);
    auto* layout = new QVBoxLayout(&dialog);

    QStringList names = visibleFieldNames(dataSet);
    names.removeIf([&](const QString& name) {
        return name.compare(key->FieldName(), Qt::CaseInsensitive) == 0;
    });
    names.prepend(key->FieldName());
    auto* model = recordRows(dataSet, existingFields(dataSet, names), nullptr, &dialog);
    QSet<QString> chosen;
    for (const QString& k : request.chosen)
        chosen.insert(k.trimmed());
    QStringList keys;
    for (int row = 0; row < model->rowCount(); ++row) {
        keys << dataSet.ValueAt(row, *key).toString();
        QStandardItem* item = model->item(row, 0);
        item->setCheckable(true);
        item->setCheckState(chosen.contains(keys.last().trimmed()) ? Qt::Checked : Qt::Unchecked);
    }
    layout->addWidget(recordList(*model, dialog));
    addOkCancel(dialog, *layout);

    if (dialog.exec() != QDialog::Accepted)
        return {};
    fw::ListChoice choice{true, {}};
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->item(row, 0)->checkState() == Qt::Checked)
            choice.keys << keys.at(row);
    return choice;
}

std::optional<fw::SearchInput> execSearchDialog(const fw::SearchRequest& request, QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(request.title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    auto* field = new QComboBox(&dialog);
    field->setObjectName(QStringLiteral("cbxCampo"));
    for (const fw::Field* f : existingFields(request.dataSet, request.fields))
        field->addItem(f->DisplayLabel(), f->FieldName());
    auto* value = new QLineEdit(&dialog);
    value->setObjectName(QStringLiteral("edtValor"));
    form->addRow(QStringLiteral("Campo"), field);
    form->addRow(QStringLiteral("Valor"), value);
    addOkCancel(dialog, *layout);
    value->setFocus();

    if (dialog.exec() != QDialog::Accepted || field->currentIndex() < 0)
        return std::nullopt;
    return fw::SearchInput{field->currentData().toString(), value->text()};
}

std::optional<QString> execPasswordDialog(const fw::PasswordPrompt& prompt, QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(prompt.caption);
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    if (!prompt.operatorCode.isEmpty())
        form->addRow(QStringLiteral("Operador"), new QLabel(prompt.operatorCode, &dialog));
    auto* password = new QLineEdit(&dialog);
    password->setObjectName(QStringLiteral("edtSenha"));
    password->setEchoMode(QLineEdit::Password);
    form->addRow(prompt.label.isEmpty() ? QStringLiteral("Senha") : prompt.label, password);
    addOkCancel(dialog, *layout);
    password->setFocus();

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return password->text();
}

} // namespace cmp::ui
