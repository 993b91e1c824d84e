#pragma once

// The commands of pdltool. Each is one function in a file of its own; the table in Commands.cpp
// lists them, so a new command is a new file and one more table row.

#include <QString>
#include <QStringList>

#include <vector>

namespace pdltool {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitProblem = 1; // the file is damaged or breaks a rule, or a file cannot be written
constexpr int kExitUsage = 2;

// Where a command writes: its result lines and its error lines (both UTF-8).
class Output {
public:
    virtual ~Output() = default;
    virtual void line(const QString& text) = 0;
    virtual void error(const QString& text) = 0;
};

// The arguments after the command's name, already counted against the table.
using CommandFunction = int (*)(const QStringList& arguments, Output& out);

struct Command {
    const char* name;
    const char* arguments; // for the usage text, e.g. "FILE DIR"
    const char* summary;
    int argumentCount;
    CommandFunction run;
    // Arguments the command may take beyond argumentCount (options).
    int optionalArgumentCount = 0;
};

const std::vector<Command>& commands();
QString usageText();

int runInfo(const QStringList& arguments, Output& out);
int runExtract(const QStringList& arguments, Output& out);
int runVerify(const QStringList& arguments, Output& out);
int runRender(const QStringList& arguments, Output& out);
int runThumbnail(const QStringList& arguments, Output& out);
int runBuild(const QStringList& arguments, Output& out);
int runUnpack(const QStringList& arguments, Output& out);

} // namespace pdltool
