#include "app/gui/Form1.h"
#include "app/gui/QtFrontEnd.h"
#include "platform/Services.h"

#include <QApplication>
#include <QIcon>

#include <filesystem>
#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Converter"));
    // Ties the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("hortivex-converter"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("hortivex-converter")));

    hortivex::InstallMessages(std::make_shared<hortivex::QtMessages>());

    // The program's own folder, with its trailing separator, is the fallback working folder.
    const std::filesystem::path programFolder =
        hortivex::QStringToPath(QCoreApplication::applicationDirPath() + QLatin1Char('/'));

    hortivex::QtFileChooser chooser;
    hortivex::TForm1 form(chooser, hortivex::CurrentMessages(), hortivex::CurrentSettingsStore(),
                          programFolder);
    chooser.SetParent(&form);
    form.show();
    return QApplication::exec();
}
