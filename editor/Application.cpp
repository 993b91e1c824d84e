#include "editor/Application.h"

#include "editor/mainform/EditorUnit.h"

#include "platform/CommandRunner.h"
#include "platform/Seam.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

// The icons live in a static library: without a reference from code that is linked anyway, the
// linker would drop their registration.
static void registerIcons()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(Icons);
        return true;
    }();
    (void)registered;
}

namespace dw {

namespace {

// The toolkit's Japanese catalogue predates the move of the file type names ("Folder", "%1 File",
// "Drive", "File") from the file dialog to the icon provider: this translator finds them where
// the catalogue keeps them, so that the file dialog's type column is Japanese too.
class MovedToolkitTexts final : public QTranslator {
public:
    MovedToolkitTexts(const QTranslator& catalogue, QObject* parent) : QTranslator(parent), m_catalogue(catalogue) {}
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override
    {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return QString();
        const QString moved = m_catalogue.translate("QFileDialog", source, disambiguation, n);
        return moved.isEmpty() ? m_catalogue.translate("QFileDialog", source, nullptr, n) : moved;
    }
    bool isEmpty() const override { return false; }

private:
    const QTranslator& m_catalogue;
};

} // namespace

void initializeApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("Dialwright"));
    // The desktop entry's name, so that the desktop matches the windows to it.
    QGuiApplication::setDesktopFileName(QStringLiteral("local.dialwright.Dialwright"));
    seam::setApplicationTitle(kApplicationTitle);
    installJapaneseToolkitTexts(app);
    QApplication::setWindowIcon(applicationIcon());
    // Every window of the program, the dialogs too, takes the window font.
    QApplication::setFont(formFont());
}

bool installJapaneseToolkitTexts(QCoreApplication& app)
{
    // Whatever the desktop's locale: the program speaks Japanese, and so do the toolkit's
    // dialogs and the dates and numbers they show.
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    // The translator is owned by the application and lives as long as it.
    auto* translator = new QTranslator(&app);
    if (!translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    // Asked first (the last installed is), it answers only for the moved texts.
    QCoreApplication::installTranslator(new MovedToolkitTexts(*translator, translator));
    return true;
}

QIcon applicationIcon()
{
    registerIcons();
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/dialwright-%1.png").arg(size), QSize(size, size));
    return icon;
}

QFont formFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("IPA Pゴシック"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("Droid Sans Fallback")});
    font.setPixelSize(12);
    return font;
}

void openCommandLineFile(TMainForm& form, const QStringList& arguments)
{
    if (arguments.size() < 2 || arguments.at(1).isEmpty())
        return;
    // By the name's characters alone (QFileInfo would re-encode a name that is not UTF-8).
    const QString path = QDir::current().absoluteFilePath(arguments.at(1));
    // A clock restored just before is asked about as Open asks.
    runCommand([&form, path] {
        if (form.mayReplaceProject())
            form.openClockFile(path);
    });
}

} // namespace dw
