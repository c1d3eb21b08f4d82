// Linnery: start-up. The five windows are created in order and live until the main window closes.

#include "app/Unit1.h"
#include "core/text/Settings.h"
#include "forms/Unit2.h"
#include "forms/Unit3.h"
#include "forms/Unit4.h"
#include "forms/Unit5.h"
#include "widgets/Accessibility.h"
#include "widgets/AppIcon.h"
#include "widgets/Dialogs.h"
#include "widgets/Fonts.h"
#include "widgets/QtTranslation.h"

#include <QApplication>

#include <clocale>
#include <optional>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    // The command line is the program's, as bytes (paths are not text until they are shown), taken
    // before Qt sees it: Qt would remove words such as "-reverse" that may well be file names.
    const std::vector<std::string> arguments(argv, argv + argc);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Linnery"));
    // Lets the desktop match the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.example.linnery"));
    linnery::installProgramIcon();
    linnery::installFontSubstitutes();
    linnery::installQtTranslation();
    linnery::installAccessibility();

    std::optional<linnery::TextSettings> settings;
    try {
        settings = linnery::TextSettings::read();
    } catch (const linnery::SettingError& error) {
        linnery::Dialogs::instance().errorBox(QString::fromUtf8(error.what()), QString());
        return 2;
    }

    linnery::TForm1 form1(arguments, *settings);
    linnery::TForm2 form2(nullptr, *settings);
    linnery::TForm3 form3;
    linnery::TForm4 form4;
    linnery::TForm5 form5;
    form2.setReportWindow(&form4);
    form1.setWindows(&form2, &form3, &form5);
    form1.show();
    return app.exec();
}
