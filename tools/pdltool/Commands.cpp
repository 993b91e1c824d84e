#include "Commands.h"

namespace pdltool {

const std::vector<Command>& commands()
{
    static const std::vector<Command> table = {
        {"info", "[--json] FILE", "describe every member of a custom data file; with --json, as one JSON object",
         1, runInfo, 1},
        {"extract", "FILE DIR", "write every member to a file of its own in DIR", 2, runExtract},
        {"verify", "FILE", "check every rule of the layout; exit 0 when all hold", 1, runVerify},
        {"render", "FILE --time HH:MM:SS -o PNG [--anim minute|hour|zero --frame N]",
         "draw the clock at that time as the desktop shows it (PNG, transparent outside its shape); with --anim, "
         "frame N (from 0, along the top row first) of that animation over it",
         5, runRender, 4},
        {"thumbnail", "[--size N] [--time HH:MM:SS] FILE OUT.png",
         "draw the clock at that time (default 10:08:36) scaled to fit N by N pixels (default 256), for file managers",
         2, runThumbnail, 4},
        {"build", "DIR|clock.toml [-o OUT.pdl]",
         "write the clock a folder of sources describes (see clock.toml(5)); the same sources give the same bytes",
         1, runBuild, 2},
        {"unpack", "[--force] FILE DIR", "write the sources of a clock into DIR: clock.toml and every picture and sound",
         2, runUnpack, 1},
    };
    return table;
}

QString usageText()
{
    QString text = QStringLiteral("usage:\n");
    for (const Command& c : commands())
        text += QStringLiteral("  pdltool %1 %2\n      %3\n")
                    .arg(QLatin1String(c.name), QLatin1String(c.arguments), QLatin1String(c.summary));
    text += QStringLiteral("FILE is a .pdl file as Dialwright saves it, compressed (a cabinet) or not; DIR|clock.toml\n"
                           "is a clock's sources, a folder of pictures and sounds with its manifest (clock.toml(5)).\n"
                           "Exit status: 0 done, 1 the file is damaged, breaks a rule or cannot be written, "
                           "2 bad arguments.");
    return text;
}

} // namespace pdltool
