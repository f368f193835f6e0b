#pragma once

#include <QHash>
#include <QString>

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

private:
    static QString folded(const QString& key);

    QHash<QString, QString> texts_;
};

} // namespace cmp::fw
