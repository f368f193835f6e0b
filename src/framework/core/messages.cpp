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

QString TMessages::folded(const QString& key)
{
    return key.toCaseFolded();
}

} // namespace cmp::fw
