// The window's file dialogs leave nothing in the user's configuration folder or, on Windows, in
// the registry: Qt's own history of them goes elsewhere or is put back. main() points the
// configuration folder at an empty one of this run first.

#include "app/QtSettingsAside.h"
#include "workbench/CQuarvelDlg.h"
#include "workbench/QtPaths.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

using namespace quarvel;

namespace {

QString g_configFolder;

// Opens the window's open and export dialogs, each answered as by a user who looks and
// cancels; how many there were.
int CancelFileDialogs() {
    QTemporaryDir work;
    CQuarvelDlg window(ToFsPath(work.filePath(QStringLiteral("Quarvel.ini"))));
    window.show();
    if (!window.OpenFile(QStringLiteral(QUARVEL_EXAMPLES_DIR "/section-3.8.txt"))) {
        return -1;
    }
    int dialogs = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&dialogs] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            ++dialogs;
            dialog->reject();
        }
    });
    closer.start(20);
    window.OnOpenDataFile();
    window.OnBnClickedExport();
    return dialogs;
}

#ifdef Q_OS_WIN
// Where Qt keeps its file dialogs' history, shared by every Qt program of the user.
constexpr wchar_t kQtProject[] = L"Software\\QtProject";
constexpr wchar_t kHistory[] = L"Software\\QtProject\\OrganizationDefaults\\FileDialog";

bool KeyExists(const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// The history's values, name=text, in the registry's order.
QStringList HistoryValues() {
    QStringList values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kHistory, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return values;
    }
    wchar_t name[256];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 256;
        DWORD size = sizeof data - 2;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, nullptr, data, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        values.append(QString::fromWCharArray(name, static_cast<int>(nameLength)) + '=' +
                      QString::fromWCharArray(reinterpret_cast<const wchar_t*>(data),
                                              static_cast<int>(size / 2)));
    }
    RegCloseKey(key);
    return values;
}

void SetHistoryValue(const wchar_t* name, const wchar_t* text) {
    HKEY key = nullptr;
    QCOMPARE(RegCreateKeyExW(HKEY_CURRENT_USER, kHistory, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                             &key, nullptr),
             ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}
#endif

} // namespace

class QtSettingsAsideTest : public QObject {
    Q_OBJECT

private slots:
    void fileDialogsLeaveNothingInTheUsersFolder() {
        QCOMPARE(CancelFileDialogs(), 2);

        QStringList files;
        QDirIterator it(g_configFolder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            files.append(it.next());
        }
        QVERIFY2(files.isEmpty(), qPrintable(files.join('\n')));
    }

    void fileDialogsLeaveTheRegistryAsTheyFoundIt() {
#ifndef Q_OS_WIN
        QSKIP("Qt keeps its dialogs' history in the registry on Windows only");
#else
        // main() found no history, as for a user who never ran a Qt program.
        QCOMPARE(CancelFileDialogs(), 2);
        QVERIFY(!KeyExists(kQtProject));

        // Another Qt program's history stays as that program left it.
        SetHistoryValue(L"lastVisited", L"file:///C:/其他程序的文件夹");
        SetHistoryValue(L"qtVersion", L"5.15.2");
        const QStringList before = HistoryValues();
        QCOMPARE(CancelFileDialogs(), 2);
        const QStringList after = HistoryValues();
        RegDeleteTreeW(HKEY_CURRENT_USER, kQtProject);
        QCOMPARE(after, before);
#endif
    }
};

int main(int argc, char** argv) {
    const QTemporaryDir config;
    g_configFolder = config.path();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(g_configFolder));
    QApplication app(argc, argv);
#ifdef Q_OS_WIN
    RegDeleteTreeW(HKEY_CURRENT_USER, kQtProject);
#endif
    KeepQtSettingsAside();
    QtSettingsAsideTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "QtSettingsAsideTest.moc"
