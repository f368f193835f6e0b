#pragma once

#include "framework/ui/ui_port.h"

#include <optional>

class QWidget;

namespace cmp::ui {

// The prompts of QtUiPort as modal dialogs over parent. Each answers as the
// UiPort call it serves. Their parts carry object names (edtProcura,
// lstRegistros, cbxCampo, edtValor, edtSenha) so that tests can drive them.

// Single choice with incremental search: typing selects the first row whose
// leading column starts with the text (the next columns are tried when none
// does). True with the record set on the chosen row.
bool execLookupDialog(const fw::LookupRequest& request, QWidget* parent);

// The record set's rows with check boxes; the keys ticked come back in the
// record set's order.
fw::ListChoice execListDialog(const fw::ListRequest& request, QWidget* parent);

// A field among the searchable ones and the start of its value.
std::optional<fw::SearchInput> execSearchDialog(const fw::SearchRequest& request, QWidget* parent);

std::optional<QString> execPasswordDialog(const fw::PasswordPrompt& prompt, QWidget* parent);

} // namespace cmp::ui
