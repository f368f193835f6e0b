#include "framework/core/messages.h"

#include <gtest/gtest.h>

using namespace cmp::fw;

namespace {

TMessages catalog()
{
    return {{"Qt_ja_liber", "Quantidade já liberada."},
            {"Dt_J_Cad", "Dia de entrega já cadastrado."}};
}

} // namespace

TEST(TMessages, shouldGiveTheTextOfAKeyWhateverItsCaseAndAMissingKeyItself)
{
    const TMessages msg = catalog();
    for (const QString key : {"Qt_ja_liber", "QT_JA_LIBER", "qt_ja_liber"})
        EXPECT_EQ(msg.Msg(key), "Quantidade já liberada.");
    EXPECT_EQ(msg.Msg("Dt_J_Cad"), "Dia de entrega já cadastrado.");
    EXPECT_EQ(msg.Msg("Gerente_NCAD"), "Gerente_NCAD");
    EXPECT_EQ(TMessages().Msg(""), "");

    const TMessages repeated{{"Quant_Inv", "primeiro"}, {"QUANT_INV", "Quantidade inválida."}};
    EXPECT_EQ(repeated.Msg("Quant_Inv"), "Quantidade inválida.") << "the last text of a key wins";
}

TEST(TMessages, shouldAddReplaceAndDeleteTemporaryKeys)
{
    TMessages msg = catalog();
    msg.Add("msgCopy", "Copiar a justificativa \"Falta\" para");
    EXPECT_EQ(msg.Msg("MSGCOPY"), "Copiar a justificativa \"Falta\" para");

    msg.Add("MsgCopy", "Copiar a justificativa \"Sobra\" para");
    EXPECT_EQ(msg.Msg("msgCopy"), "Copiar a justificativa \"Sobra\" para");

    msg.Delete("MSGCOPY");
    EXPECT_EQ(msg.Msg("msgCopy"), "msgCopy");
    EXPECT_EQ(msg.Msg("Qt_ja_liber"), "Quantidade já liberada.");
}
