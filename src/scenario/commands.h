#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace cmp::scenario {

class Runner;
struct Step;

// A command of the scenario language. Arguments are checked when the script
// is parsed, so a run never starts on a malformed line.
struct Command
{
    QString name;  // one or two words: "click", "expect text"
    QString usage; // shown when the arguments do not fit
    int minArgs = 0;
    int maxArgs = 0; // -1: any number
    // Throws std::invalid_argument saying what is wrong.
    void (*check)(const QStringList& args) = nullptr;
    void (*run)(Runner& runner, const Step& step) = nullptr;
    // Answers a prompt in advance. At the top of a modal block such lines
    // are queued before the form shows, so they answer what it asks as it opens.
    bool answersPrompt = false;
    bool opensBlock = false;
    // Takes the rest of the line as it stands (SQL), unless it is one quoted string.
    bool rawArgument = false;
};

// The command the words start with, and how many words its name took;
// null when none fits.
const Command* findCommand(const QStringList& words, int& nameWords);

// The tables of each file of commands.
const std::vector<Command>& sessionCommands();
const std::vector<Command>& actionCommands();
const std::vector<Command>& promptCommands();
const std::vector<Command>& expectCommands();

} // namespace cmp::scenario
