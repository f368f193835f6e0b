#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

namespace cmp::scenario {

struct Command;

// One line of a scenario: the command it names, its arguments (quotes
// removed, escapes resolved) and, for a block command, the lines inside it.
struct Step
{
    int line = 0;
    QString source; // the line as written, trimmed
    const Command* command = nullptr;
    QStringList args;
    std::vector<Step> block;
    QString blockEnd; // the argument of the block's "end", if any
};

struct Script
{
    QString fileName;
    std::vector<Step> steps;
};

// A line the parser refuses; what() is "FILE:LINE: why" followed by the line.
class ScriptError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Splits a line into words and "quoted strings" ('\"' and '\\' inside
// quotes); a '#' outside quotes at the start of a word begins a comment.
// Throws std::invalid_argument for an unterminated string or a bad escape.
QStringList splitWords(const QString& line);

// Parses a whole scenario, checking every command and its arguments, so a
// mistake shows before anything runs. Throws ScriptError.
Script parseScript(const QString& text, const QString& fileName);
// Reads and parses a file. Throws ScriptError also when it cannot be read.
Script loadScript(const QString& path);

} // namespace cmp::scenario
