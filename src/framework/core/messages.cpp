#include "framework/core/messages.h"

namespace cmp::fw {

TMessages::TMessages(std::initializer_list<std::pair<QString, QString>> entries)
{
    for (const auto& [key, text] : entries)
        Add(key, text);
}

QString TMessages::Msg(const QString& key) const
{
    return texts_.value(folded(key), key);
}

void TMessages::Add(const QString& key, const QString& text)
{
    texts_.insert(folded(key), text);
}

void TMessages::Delete(const QString& key)
{
    texts_.remove(folded(key));
}

MsgButton TMessages::ShowMsg(const QString& key, MsgType type, const MsgButtons& buttons,
                             int helpContext) const
{
    return uiPort().ask(
        {.text = Msg(key), .type = type, .buttons = buttons, .helpContext = helpContext});
}

int TMessages::ShowMsgAlert(const QString& key, const QStringList& captionKeys) const
{
    return MsgAlertEx(key, MsgType::Confirmation, captionKeys);
}

int TMessages::MsgAlertEx(const QString& key, MsgType type, const QStringList& captionKeys) const
{
    QStringList captions;
    for (const QString& captionKey : captionKeys)
        captions << Msg(captionKey);
    return uiPort().askCustom({Msg(key), type, captions});
}

QString TMessages::folded(const QString& key)
{
    return key.toCaseFolded();
}

const TMessages& msgFramework()
{
    static const TMessages catalog{
        {QStringLiteral("Err_Conex"),
         QStringLiteral("Não foi possível comunicar com o servidor de aplicação.")},
        {QStringLiteral("DsErro"), QStringLiteral("Erro: ")},
        {QStringLiteral("Reestab_Conex"), QStringLiteral("Deseja tentar restabelecer a conexão?")},
        {QStringLiteral("Sim"), QStringLiteral("Sim")},
        {QStringLiteral("Nao"), QStringLiteral("Não")}};
    return catalog;
}

} // namespace cmp::fw
