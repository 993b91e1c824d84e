// pdltool: looks into the custom data files Dialwright saves. See usageText() for the commands.

#include "Commands.h"
#include "ToolSeam.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace {

class StdOutput final : public pdltool::Output {
public:
    void line(const QString& text) override { write(stdout, text); }
    void error(const QString& text) override { write(stderr, QStringLiteral("pdltool: ") + text); }

private:
    static void write(FILE* stream, const QString& text)
    {
        const QByteArray bytes = text.toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
        std::fputc('\n', stream);
    }
};

int usage(FILE* stream, int status)
{
    const QByteArray text = pdltool::usageText().toUtf8();
    std::fprintf(stream, "%s\n", text.constData());
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (arguments.size() == 1 && (arguments[0] == QLatin1String("--help") || arguments[0] == QLatin1String("-h")))
        return usage(stdout, pdltool::kExitOk);
    if (arguments.isEmpty())
        return usage(stderr, pdltool::kExitUsage);

    const QString name = arguments.takeFirst();
    for (const pdltool::Command& command : pdltool::commands()) {
        if (name != QLatin1String(command.name))
            continue;
        if (arguments.size() < command.argumentCount
            || arguments.size() > command.argumentCount + command.optionalArgumentCount) {
            std::fprintf(stderr, "pdltool %s takes %s\n", command.name, command.arguments);
            return usage(stderr, pdltool::kExitUsage);
        }
        pdltool::installMessageCollector();
        StdOutput out;
        const int status = command.run(arguments, out);
        std::fflush(stdout);
        return status;
    }
    std::fprintf(stderr, "pdltool: unknown command \"%s\"\n", name.toUtf8().constData());
    return usage(stderr, pdltool::kExitUsage);
}
