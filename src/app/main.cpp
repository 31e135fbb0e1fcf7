#include "app/AppIcon.h"
#include "app/MainWindowDress.h"
#include "app/ProfileCommand.h"
#include "app/QtSettingsAside.h"
#include "app/SheetsCommand.h"
#include "app/Translations.h"
#include "cli/ConsoleStreams.h"
#include "exporting/MemoryReuse.h"
#include "settings/SettingsFile.h"
#include "workbench/CQuarvelDlg.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <utility>

namespace {

// Runs an action once the window is on the screen. By then a window manager has placed it, so
// that a message box the action shows sits over the window, not where the window was before.
class WhenExposed : public QObject {
public:
    WhenExposed(QWindow* window, std::function<void()> action)
        : QObject(window), m_action(std::move(action)) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            // After the expose has been handled: the window paints before a box runs.
            QTimer::singleShot(0, watched, m_action);
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> m_action;
};

} // namespace

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <cstdio>
#include <cstdlib>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#endif

namespace {

// Qt's notes on the desktop that the pictures are made without ("XDG_RUNTIME_DIR not set") mean
// nothing to whoever asked for them: the terminal gets Quarvel's own messages. A fatal one still
// says what ended the program.
void KeepQtMessagesOut(QtMsgType type, const QMessageLogContext& /*context*/,
                       const QString& message) {
    if (type == QtFatalMsg) {
        std::cerr << message.toStdString() << std::endl;
    }
}

#ifdef Q_OS_WIN
// A run without a user must not wait for one: failures are told on standard error, never in a
// box of the system or of the C runtime (whose abort would show one in a program without a
// console). The offscreen platform reads fonts from a folder, by default one beside Qt that a
// package does not have: it gets the system's.
void PrepareUnattendedRun() {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ::_set_error_mode(_OUT_TO_STDERR);
    if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR")) {
        wchar_t windows[MAX_PATH] = {};
        const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            qputenv("QT_QPA_FONTDIR",
                    (QString::fromWCharArray(windows, static_cast<int>(length)) + "\\Fonts")
                        .toLocal8Bit());
        }
    }
}
#endif

// The modes without a window: "--profile" and "--sheets".
bool IsHeadlessMode(int argc, char* argv[]) {
    return argc > 1 &&
           (std::strcmp(argv[1], "--profile") == 0 || std::strcmp(argv[1], "--sheets") == 0);
}

// The arguments after the mode's name in UTF-8, decoded as Qt decodes them, so
// that file names in any language arrive whole on every system: on Windows
// from the wide command line.
std::vector<std::string> HeadlessArguments(int argc, char* argv[]) {
    QStringList arguments;
#ifdef Q_OS_WIN
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; wide != nullptr && i < count; ++i) {
        arguments.push_back(QString::fromWCharArray(wide[i]));
    }
    LocalFree(wide);
#else
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(QString::fromLocal8Bit(argv[i]));
    }
#endif
    std::vector<std::string> args;
    for (qsizetype i = 2; i < arguments.size(); ++i) {
        args.push_back(arguments[i].toStdString());
    }
    return args;
}

// "quarvel --profile ..." and "quarvel --sheets ...": pictures and sheets
// without a window, on the offscreen platform, so that they run where no
// display is.
int RunHeadlessMode(int argc, char* argv[]) {
#ifdef Q_OS_WIN
    // The window's executable has no console of its own; the messages go to
    // the one it was started from.
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
    PrepareUnattendedRun();
#endif
    [[maybe_unused]] const quarvel::ConsoleStreams console{};
    qInstallMessageHandler(KeepQtMessagesOut);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt sees the program's name alone: it would take options of its own out
    // of the arguments, --reverse among them.
    int qtArgc = 1;
    const QGuiApplication app(qtArgc, argv);
    const std::vector<std::string> args = HeadlessArguments(argc, argv);
    const int status = std::strcmp(argv[1], "--sheets") == 0
                           ? quarvel::RunSheetsCommand(args, std::cout, std::cerr)
                           : quarvel::RunProfileCommand(args, std::cout, std::cerr);
    std::cout.flush();
    return status;
}

} // namespace

int main(int argc, char* argv[]) {
    quarvel::KeepFreedMemoryForReuse();
    if (IsHeadlessMode(argc, argv)) {
        return RunHeadlessMode(argc, argv);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarvel"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    QApplication::setDesktopFileName(QStringLiteral("quarvel"));
    QApplication::setWindowIcon(quarvel::ApplicationIcon());
    quarvel::InstallChineseTranslations();
    quarvel::KeepQtSettingsAside();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("断面数据文件的显示与导出"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("file"),
        QStringLiteral("要打开的断面数据文件；一个文件夹或几个文件作为道路打开"),
        QStringLiteral("[file|folder|files...]"));
    parser.process(app);

    const auto executableDir = quarvel::ToFsPath(QCoreApplication::applicationDirPath());
    quarvel::CQuarvelDlg window(quarvel::SettingsFilePath(executableDir));
    quarvel::DressMainWindow(window);
    window.show();

    const QStringList files = parser.positionalArguments();
    if (files.size() == 1 && !QFileInfo(files.front()).isDir()) {
        const QString file = files.front();
        new WhenExposed(window.windowHandle(), [&window, file] { window.OpenFile(file); });
    } else if (!files.isEmpty()) {
        // A folder, or several files: a road.
        const quarvel::RoadSource road = QFileInfo(files.front()).isDir()
                                             ? quarvel::RoadSource{{}, files.front(), false}
                                             : quarvel::RoadSource{files, {}, false};
        new WhenExposed(window.windowHandle(), [&window, road] { window.OpenRoad(road); });
    }
    return QApplication::exec();
}
