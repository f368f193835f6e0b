#include "server/requisition_criteria.h"

#include "framework/core/strings.h"

#include <QRegularExpression>

#include <utility>

namespace cmp::server {

namespace {

using fw::RemoteValue;
using Kind = RemoteValue::Kind;

const QString noRestriction = QStringLiteral("T");
const QChar listSeparator = u'_';

struct DateRangeTexts
{
    const char* fromMissing;
    const char* toMissing;
    const char* reversed;
};

const DateRangeTexts requisitionDateTexts{
    "Data de solicitação inicial deve ser informada.",
    "Data de solicitação final deve ser informada.",
    "Data de solicitação inicial deve ser menor ou igual a data de solicitação final."};
const DateRangeTexts deliveryDateTexts{
    "Data de entrega inicial deve ser informada.", "Data de entrega final deve ser informada.",
    "Data de entrega inicial deve ser menor ou igual a data de entrega final."};

const ListKind buyerList{operatorWidth, "Comprador deve ser informado.", "compradores"};
const ListKind destinationList{destinationWidth, "Destino da solicitação deve ser informado.",
                               "destinos"};

[[noreturn]] void refuse(const char* text)
{
    throw ServerError(QString::fromUtf8(text));
}

// Null reads as empty and goes back as a text, never as null.
QString readText(RemoteValue& argument)
{
    const QString text = argument.toString();
    argument = text;
    return text;
}

bool readRestrictingFlag(RemoteValue& flag)
{
    return readText(flag) != noRestriction;
}

QDate optionalDate(const RemoteValue& argument)
{
    return argument.isNull() ? QDate() : argument.toDate();
}

bool isListString(const QString& text)
{
    return text.isEmpty() || (text.startsWith(listSeparator) && text.endsWith(listSeparator));
}

DateCriterion readDateCriterion(const RemoteValue& from, const RemoteValue& to, RemoteValue& flag,
                                const DateRangeTexts& texts)
{
    const DateCriterion criterion{readRestrictingFlag(flag), optionalDate(from), optionalDate(to)};
    if (!criterion.restricts)
        return criterion;
    if (!criterion.from.isValid())
        refuse(texts.fromMissing);
    if (!criterion.to.isValid())
        refuse(texts.toMissing);
    if (criterion.to < criterion.from)
        refuse(texts.reversed);
    return criterion;
}

QString readApproval(RemoteValue& argument)
{
    static const QRegularExpression approvalSet(
        QRegularExpression::anchoredPattern(QStringLiteral("(_[SNX])+")));
    const QString set = readText(argument);
    if (set == noRestriction)
        return set;
    if (set.isEmpty())
        refuse("Aprovação deve ser informada.");
    if (!approvalSet.match(set).hasMatch())
        throw ServerError(
            QStringLiteral("Aprovação inválida: \"%1\" (use \"T\" ou _S, _N e _X).").arg(set));
    return set;
}

QVariant dateOrNull(const QDate& date)
{
    return date.isValid() ? QVariant(date) : QVariant();
}

// An open range still binds both ends, so that the condition stays a plain
// range that the index on (CDFILSOLI, DTSOLCMP) can serve.
std::pair<QDate, QDate> requisitionDateBounds(const DateCriterion& dates)
{
    if (dates.restricts)
        return {dates.from, dates.to};
    return {QDate(1, 1, 1), QDate(9999, 12, 31)};
}

} // namespace

ListCriterion readListCriterion(RemoteValue& flag, RemoteValue& list, const ListKind& kind)
{
    const bool restricts = readRestrictingFlag(flag);
    const QString given = readText(list);
    if (!isListString(given))
        throw ServerError(
            QStringLiteral("Lista de %1 inválida: \"%2\".").arg(QLatin1String(kind.plural), given));
    QStringList keys;
    for (const QString& key : fw::ListStringKeys(given))
        keys << fw::Ajusta(key, kind.keyWidth);
    if (restricts && keys.isEmpty())
        refuse(kind.missing);
    const ListCriterion criterion{restricts, fw::ListString(keys)};
    list = criterion.list;
    return criterion;
}

std::vector<Param> criteriaParams()
{
    const Param date = Param::byReference(Kind::Date);
    const Param text = Param::byReference(Kind::String);
    return {date, date, text, text, text, text, text, date, date, text, text, text, text};
}

RequisitionCriteria readRequisitionCriteria(std::vector<RemoteValue>& args, size_t first)
{
    Q_ASSERT(args.size() >= first + criteriaArgumentCount); // the registry checked the count
    RemoteValue* arg = &args[first];
    RequisitionCriteria criteria;
    criteria.requisitionDates = readDateCriterion(arg[0], arg[1], arg[2], requisitionDateTexts);
    criteria.buyers = readListCriterion(arg[4], arg[3], buyerList);
    criteria.destinations = readListCriterion(arg[6], arg[5], destinationList);
    criteria.deliveryDates = readDateCriterion(arg[7], arg[8], arg[9], deliveryDateTexts);
    criteria.byManager = readRestrictingFlag(arg[11]);
    criteria.manager = paddedCode(arg[10], operatorWidth);
    arg[10] = criteria.manager;
    if (criteria.byManager && criteria.manager.isEmpty())
        refuse("Gerente deve ser informado.");
    criteria.approval = readApproval(arg[12]);
    return criteria;
}

// A requisition matches a delivery range when any of its items is delivered
// within it, and a manager with an approval set when that manager (or any,
// without one) has a decision in the set on any of its products; undecided
// is "X".
QString requisitionCriteriaCondition()
{
    return QStringLiteral(
        "R.DTSOLCMP BETWEEN :P_DTSOLINI AND :P_DTSOLFIM "
        "AND (:P_TODOSCOMPRADOR = 'T' OR INSTR(:P_COMPRADORES, '_' || R.CDOPERADOR || '_') > 0) "
        "AND (:P_TODOSDESTINO = 'T' OR INSTR(:P_DESTINOS, '_' || R.CDDESTSOLI || '_') > 0) "
        "AND (:P_ENTR = 'T' OR EXISTS (SELECT 1 FROM ITEMSOLI I "
        "WHERE I.CDFILSOLI = R.CDFILSOLI AND I.CDFILLAN = R.CDFILLANCA "
        "AND I.NRSOLICMP = R.NRSOLICMP AND I.DTPROGENTR BETWEEN :P_DTENTRINI AND :P_DTENTRFIM)) "
        "AND ((:P_TODOSGERENTE = 'T' AND :P_APROVACAO = 'T') OR EXISTS (SELECT 1 FROM "
        "APROVCMPGER A WHERE A.CDFILSOLI = R.CDFILSOLI AND A.CDFILLAN = R.CDFILLANCA "
        "AND A.NRSOLICMP = R.NRSOLICMP AND (:P_TODOSGERENTE = 'T' OR A.CDOPERADOR = :P_CDGERENTE) "
        "AND (:P_APROVACAO = 'T' "
        "OR INSTR(:P_APROVACAO, '_' || COALESCE(A.IDAPROVPRGER, 'X')) > 0))) ");
}

Bindings requisitionCriteriaBindings(const RequisitionCriteria& criteria)
{
    const auto [requisitionFrom, requisitionTo] = requisitionDateBounds(criteria.requisitionDates);
    return {{"P_DTSOLINI", requisitionFrom},
            {"P_DTSOLFIM", requisitionTo},
            {"P_TODOSCOMPRADOR", flagValue(criteria.buyers.restricts)},
            {"P_COMPRADORES", criteria.buyers.list},
            {"P_TODOSDESTINO", flagValue(criteria.destinations.restricts)},
            {"P_DESTINOS", criteria.destinations.list},
            {"P_ENTR", flagValue(criteria.deliveryDates.restricts)},
            {"P_DTENTRINI", dateOrNull(criteria.deliveryDates.from)},
            {"P_DTENTRFIM", dateOrNull(criteria.deliveryDates.to)},
            {"P_TODOSGERENTE", flagValue(criteria.byManager)},
            {"P_CDGERENTE", criteria.manager},
            {"P_APROVACAO", criteria.approval}};
}

QString flagValue(bool restricts)
{
    return restricts ? QStringLiteral("N") : noRestriction;
}

} // namespace cmp::server
