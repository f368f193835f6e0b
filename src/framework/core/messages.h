#pragma once

#include "framework/ui/ui_port.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <utility>

namespace cmp::fw {

// The message catalog of a screen: the texts it shows, by key. Keys are
// case-insensitive. A key given twice keeps its last text.
class TMessages
{
public:
    TMessages() = default;
    TMessages(std::initializer_list<std::pair<QString, QString>> entries);

    // The text of a key; a key the catalog lacks comes back as it is, so a
    // missing entry shows up on screen instead of an empty message.
    QString Msg(const QString& key) const;

    // Adds or replaces a key, such as a question built at run time.
    void Add(const QString& key, const QString& text);
    void Delete(const QString& key);

    // Questions through the user interface port. The question and every
    // caption are catalog keys; a text the catalog lacks is shown as it is.
    // Callers go on only on Yes (or on the custom answer they wait for).
    MsgButton ShowMsg(const QString& key, MsgType type = MsgType::Confirmation,
                      const MsgButtons& buttons = {MsgButton::Yes, MsgButton::No},
                      int helpContext = 0) const;
    // Custom buttons: firstCustomAnswer for the first caption, one more for
    // each next; anything else means no choice.
    int ShowMsgAlert(const QString& key, const QStringList& captionKeys) const;
    int MsgAlertEx(const QString& key, MsgType type, const QStringList& captionKeys) const;

private:
    static QString folded(const QString& key);

    QHash<QString, QString> texts_;
};

// The framework's own texts, shared by every screen: the connection
// questions ("Err_Conex", "DsErro", "Reestab_Conex") and the captions "Sim"
// and "Nao".
const TMessages& msgFramework();

} // namespace cmp::fw
