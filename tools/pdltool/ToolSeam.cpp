#include "ToolSeam.h"

#include "platform/Seam.h"

namespace pdltool {

namespace {

class Collector final : public dw::seam::Handler {
public:
    int messageBox(const QString& text, const QString&, unsigned) override
    {
        keep(text);
        return dw::seam::IDOK;
    }
    void errorBox(const QString& message) override { keep(message); }
    std::optional<QString> fileDialog(const dw::seam::FileDialogRequest&) override { return std::nullopt; }
    std::optional<uint32_t> colorDialog(const QString&, uint32_t) override { return std::nullopt; }
    int showModal(QObject&) override { return dw::seam::mrCancel; }
    void beep() override {}

    QStringList take()
    {
        QStringList out;
        out.swap(m_messages);
        return out;
    }

private:
    void keep(QString text)
    {
        // A reader on a hostile file may repeat itself without end; the first ones tell enough.
        constexpr qsizetype kMaxKept = 100;
        if (m_messages.size() < kMaxKept)
            m_messages << text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    }

    QStringList m_messages;
};

Collector& collector()
{
    static Collector instance;
    return instance;
}

} // namespace

void installMessageCollector() { dw::seam::install(&collector()); }

QStringList takeMessages() { return collector().take(); }

} // namespace pdltool
