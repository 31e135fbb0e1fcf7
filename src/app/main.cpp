#include "app/AppIcon.h"
#include "app/Translations.h"
#include "settings/SettingsFile.h"
#include "workbench/CQuarvelDlg.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QStringList>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarvel"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    QApplication::setDesktopFileName(QStringLiteral("quarvel"));
    QApplication::setWindowIcon(quarvel::ApplicationIcon());
    quarvel::InstallChineseTranslations();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("断面数据文件的显示与导出"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("要打开的断面数据文件"),
                                 QStringLiteral("[file]"));
    parser.process(app);

    const auto executableDir = quarvel::ToFsPath(QCoreApplication::applicationDirPath());
    quarvel::CQuarvelDlg window(quarvel::SettingsFilePath(executableDir));
    window.show();

    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) {
        // Opened once the window shows, so that a message about the file has
        // the window as its parent.
        const QString file = files.front();
        QTimer::singleShot(0, &window, [&window, file] { window.OpenFile(file); });
    }
    return QApplication::exec();
}
