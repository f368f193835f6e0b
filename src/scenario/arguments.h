#pragma once

#include "framework/forms/control.h"
#include "framework/forms/decision_grid.h"
#include "framework/ui/ui_port.h"

#include <QDate>
#include <QString>

#include <variant>
#include <vector>

// Conversions of scenario words into values. Each throws
// std::invalid_argument with a text naming the word and what was expected.
namespace cmp::scenario {

[[noreturn]] void badArgument(const QString& why);

// A whole number of at least `minimum`.
int toNumber(const QString& word, int minimum = 0);
// "dd/mm/yyyy".
QDate toDate(const QString& word);
// A data grid's row as a script names it: a record number from 1 or
// "COLUMN=TEXT". Which record it is shows only on the grid.
void checkGridRow(const QString& word);
// "Enter", "F9", "Ctrl+Enter", "Shift+Tab", "A".
struct KeyPress
{
    fw::Key key = 0;
    fw::Shift shift;
};
KeyPress toKey(const QString& word);
// The keys that type the text one character at a time: printable ASCII only,
// since other characters have no key of their own.
std::vector<KeyPress> toTypedKeys(const QString& text);
// The button a question is answered with, by its Portuguese caption or its
// English name (Sim/Yes, Não/No, OK, Cancelar/Cancel, Abortar/Abort,
// Repetir/Retry, Ignorar/Ignore, Todos/All), or a custom answer's number.
using Answer = std::variant<fw::MsgButton, int>;
Answer toAnswer(const QString& word);
// How a modal form ends: ok, cancel, yes, no, abort, retry, ignore, all, none.
int toModalResult(const QString& word);
QString modalResultName(int result);
// normal, required, disabled, info.
fw::ColorRole toColorRole(const QString& word);
QString colorRoleName(fw::ColorRole role);
// A matrix cell's colour: normal, info, grey, yellow.
fw::DecisionGrid::CellColor toCellColor(const QString& word);
QString cellColorName(fw::DecisionGrid::CellColor color);

} // namespace cmp::scenario
