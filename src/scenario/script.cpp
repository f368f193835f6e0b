#include "scenario/script.h"

#include "scenario/arguments.h"
#include "scenario/commands.h"

#include <QFile>

#include <stdexcept>

namespace cmp::scenario {

namespace {

[[noreturn]] void refuse(const QString& why)
{
    throw std::invalid_argument(why.toStdString());
}

// Reads a quoted string starting at the opening quote; `at` ends past the closing one.
QString quoted(const QString& line, qsizetype& at)
{
    QString text;
    for (++at; at < line.size(); ++at) {
        const QChar c = line.at(at);
        if (c == u'"') {
            ++at;
            return text;
        }
        if (c == u'\\') {
            if (++at == line.size() || (line.at(at) != u'"' && line.at(at) != u'\\'))
                refuse(QStringLiteral("only \\\" and \\\\ may follow a backslash"));
            text.append(line.at(at));
            continue;
        }
        text.append(c);
    }
    refuse(QStringLiteral("a quoted string has no closing quote"));
}

// The lines of a file and where the parser is in them.
struct Lines
{
    QString fileName;
    QStringList texts;
    qsizetype next = 0;

    [[noreturn]] void fail(qsizetype index, const QString& why) const
    {
        throw ScriptError(QStringLiteral("%1:%2: %3\n    %4")
                              .arg(fileName)
                              .arg(index + 1)
                              .arg(why, texts.at(index).trimmed())
                              .toStdString());
    }
};

QStringList argumentsOf(const Command& command, const QString& line, const QStringList& words,
                        int nameWords)
{
    if (!command.rawArgument)
        return words.mid(nameWords);
    const QString rest = line.section(u' ', nameWords, -1, QString::SectionSkipEmpty).trimmed();
    if (!rest.startsWith(u'"'))
        return rest.isEmpty() ? QStringList{} : QStringList{rest};
    const QStringList quotedText = splitWords(rest);
    if (quotedText.size() != 1)
        refuse(QStringLiteral("after the quoted text nothing may follow"));
    return quotedText;
}

void checkArguments(const Command& command, const QStringList& args)
{
    const auto count = args.size();
    if (count < command.minArgs || (command.maxArgs >= 0 && count > command.maxArgs))
        refuse(QStringLiteral("usage: %1").arg(command.usage));
    if (command.check)
        command.check(args);
}

// The words of a line; a command that takes the rest of the line as it
// stands gets only its name here, so quotes and '#' in SQL stay untouched.
QStringList wordsOf(const QString& line)
{
    const QString first = line.trimmed().section(u' ', 0, 0);
    int nameWords = 0;
    if (const Command* command = findCommand({first}, nameWords); command && command->rawArgument)
        return {first};
    return splitWords(line);
}

Step parseStep(Lines& lines, qsizetype index, const QStringList& words);

// The steps up to the end of the file, or up to the "end" of the block that
// `opener` starts.
std::vector<Step> parseSteps(Lines& lines, Step* opener)
{
    std::vector<Step> steps;
    while (lines.next < lines.texts.size()) {
        const qsizetype index = lines.next++;
        QStringList words;
        try {
            words = wordsOf(lines.texts.at(index));
        } catch (const std::invalid_argument& error) {
            lines.fail(index, QString::fromUtf8(error.what()));
        }
        if (words.isEmpty())
            continue;
        if (words.first() == QLatin1String("end")) {
            if (!opener)
                lines.fail(index, QStringLiteral("\"end\" without a block to end"));
            if (words.size() > 2)
                lines.fail(index, QStringLiteral("usage: end [RESULT]"));
            opener->blockEnd = words.value(1);
            try {
                if (!opener->blockEnd.isEmpty())
                    toModalResult(opener->blockEnd);
            } catch (const std::invalid_argument& error) {
                lines.fail(index, QString::fromUtf8(error.what()));
            }
            return steps;
        }
        steps.push_back(parseStep(lines, index, words));
    }
    if (opener)
        throw ScriptError(QStringLiteral("%1:%2: \"%3\" has no \"end\"")
                              .arg(lines.fileName)
                              .arg(opener->line)
                              .arg(opener->source)
                              .toStdString());
    return steps;
}

Step parseStep(Lines& lines, qsizetype index, const QStringList& words)
{
    int nameWords = 0;
    const Command* command = findCommand(words, nameWords);
    if (!command)
        lines.fail(index, QStringLiteral("unknown command \"%1\"").arg(words.first()));
    Step step;
    step.line = static_cast<int>(index + 1);
    step.source = lines.texts.at(index).trimmed();
    step.command = command;
    try {
        step.args = argumentsOf(*command, step.source, words, nameWords);
        checkArguments(*command, step.args);
    } catch (const std::invalid_argument& error) {
        lines.fail(index, QString::fromUtf8(error.what()));
    }
    if (command->opensBlock)
        step.block = parseSteps(lines, &step);
    return step;
}

} // namespace

QStringList splitWords(const QString& line)
{
    QStringList words;
    qsizetype at = 0;
    while (at < line.size()) {
        const QChar c = line.at(at);
        if (c.isSpace()) {
            ++at;
        } else if (c == u'#') {
            break;
        } else if (c == u'"') {
            words << quoted(line, at);
            if (at < line.size() && !line.at(at).isSpace())
                refuse(QStringLiteral("a quoted string must be followed by a space"));
        } else {
            const qsizetype start = at;
            while (at < line.size() && !line.at(at).isSpace() && line.at(at) != u'"')
                ++at;
            words << line.mid(start, at - start);
        }
    }
    return words;
}

Script parseScript(const QString& text, const QString& fileName)
{
    Lines lines{fileName, text.split(u'\n')};
    return {fileName, parseSteps(lines, nullptr)};
}

Script loadScript(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ScriptError(
            QStringLiteral("%1: cannot be read: %2").arg(path, file.errorString()).toStdString());
    return parseScript(QString::fromUtf8(file.readAll()), path);
}

} // namespace cmp::scenario
