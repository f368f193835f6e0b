#include "scenario/arguments.h"

#include "framework/forms/form.h"
#include "framework/forms/menus.h"

#include <stdexcept>
#include <utility>

namespace cmp::scenario {

namespace {

// Words ignoring case and accents the way people type them in a script.
QString folded(const QString& word)
{
    QString plain = word.toLower();
    plain.replace(u'ã', u'a');
    return plain;
}

template <class T>
T lookUp(const std::vector<std::pair<QString, T>>& table, const QString& word, const QString& what)
{
    for (const auto& [name, value] : table)
        if (name == folded(word))
            return value;
    QStringList names;
    for (const auto& entry : table)
        names << entry.first;
    badArgument(QStringLiteral("\"%1\" is not %2 (%3)").arg(word, what, names.join(", ")));
}

const std::vector<std::pair<QString, int>>& modalResults()
{
    static const std::vector<std::pair<QString, int>> results{
        {"none", fw::mrNone},   {"ok", fw::mrOk},       {"cancel", fw::mrCancel},
        {"abort", fw::mrAbort}, {"retry", fw::mrRetry}, {"ignore", fw::mrIgnore},
        {"yes", fw::mrYes},     {"no", fw::mrNo},       {"all", fw::mrAll}};
    return results;
}

const std::vector<std::pair<QString, fw::ColorRole>>& colorRoles()
{
    static const std::vector<std::pair<QString, fw::ColorRole>> roles{
        {"normal", fw::ColorRole::Normal},
        {"required", fw::ColorRole::Required},
        {"disabled", fw::ColorRole::Disabled},
        {"info", fw::ColorRole::Info}};
    return roles;
}

using CellColor = fw::DecisionGrid::CellColor;

const std::vector<std::pair<QString, CellColor>>& cellColors()
{
    static const std::vector<std::pair<QString, CellColor>> colors{
        {"normal", CellColor::Normal},
        {"info", CellColor::InfoBackground},
        {"grey", CellColor::TotalGrey},
        {"yellow", CellColor::Yellow}};
    return colors;
}

template <class T> QString nameOf(const std::vector<std::pair<QString, T>>& table, T value)
{
    for (const auto& [name, entry] : table)
        if (entry == value)
            return name;
    return {};
}

} // namespace

void badArgument(const QString& why)
{
    throw std::invalid_argument(why.toStdString());
}

int toNumber(const QString& word, int minimum)
{
    bool ok = false;
    const int number = word.toInt(&ok);
    if (!ok || number < minimum)
        badArgument(
            QStringLiteral("\"%1\" is not a whole number of at least %2").arg(word).arg(minimum));
    return number;
}

QDate toDate(const QString& word)
{
    const QDate date = QDate::fromString(word, QStringLiteral("dd/MM/yyyy"));
    if (!date.isValid())
        badArgument(QStringLiteral("\"%1\" is not a date dd/mm/yyyy").arg(word));
    return date;
}

void checkGridRow(const QString& word)
{
    if (word.indexOf(u'=') > 0)
        return;
    bool ok = false;
    const int number = word.toInt(&ok);
    if (!ok || number < 1)
        badArgument(QStringLiteral("\"%1\" is not a row number from 1 or COLUMN=TEXT").arg(word));
}

KeyPress toKey(const QString& word)
{
    const fw::ShortCut shortCut = fw::ShortCut::parse(word);
    if (shortCut.isEmpty())
        badArgument(QStringLiteral("\"%1\" is not a key (Enter, F9, Ctrl+Enter, Shift+Tab, A ...)")
                        .arg(word));
    return {shortCut.key, shortCut.shift};
}

std::vector<KeyPress> toTypedKeys(const QString& text)
{
    std::vector<KeyPress> keys;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            badArgument(
                QStringLiteral("\"%1\" has no key of its own: type it with \"type\"").arg(c));
        // Qt numbers a printable key by its upper-case character.
        keys.push_back({c.toUpper().unicode(), c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier});
    }
    return keys;
}

Answer toAnswer(const QString& word)
{
    bool isNumber = false;
    const int custom = word.toInt(&isNumber);
    if (isNumber)
        return custom;
    static const std::vector<std::pair<QString, fw::MsgButton>> buttons{
        {"sim", fw::MsgButton::Yes},       {"yes", fw::MsgButton::Yes},
        {"nao", fw::MsgButton::No},        {"no", fw::MsgButton::No},
        {"ok", fw::MsgButton::Ok},         {"cancelar", fw::MsgButton::Cancel},
        {"cancel", fw::MsgButton::Cancel}, {"abortar", fw::MsgButton::Abort},
        {"abort", fw::MsgButton::Abort},   {"repetir", fw::MsgButton::Retry},
        {"retry", fw::MsgButton::Retry},   {"ignorar", fw::MsgButton::Ignore},
        {"ignore", fw::MsgButton::Ignore}, {"todos", fw::MsgButton::All},
        {"all", fw::MsgButton::All}};
    return lookUp(buttons, word, QStringLiteral("a button or a custom answer number"));
}

int toModalResult(const QString& word)
{
    return lookUp(modalResults(), word, QStringLiteral("a modal result"));
}

QString modalResultName(int result)
{
    for (const auto& [name, value] : modalResults())
        if (value == result)
            return name;
    return QString::number(result);
}

fw::ColorRole toColorRole(const QString& word)
{
    return lookUp(colorRoles(), word, QStringLiteral("a colour role"));
}

QString colorRoleName(fw::ColorRole role)
{
    return nameOf(colorRoles(), role);
}

CellColor toCellColor(const QString& word)
{
    return lookUp(cellColors(), word, QStringLiteral("a cell colour"));
}

QString cellColorName(CellColor color)
{
    return nameOf(cellColors(), color);
}

} // namespace cmp::scenario
