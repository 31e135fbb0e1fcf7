// The window's file dialogs leave nothing in the user's configuration folder: Qt's own history
// of them goes elsewhere. main() points that folder at an empty one of this run first.

#include "app/QtSettingsAside.h"
#include "workbench/CQuarvelDlg.h"
#include "workbench/QtPaths.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace quarvel;

namespace {
QString g_configFolder;
}

class QtSettingsAsideTest : public QObject {
    Q_OBJECT

private slots:
    void fileDialogsLeaveNothingInTheUsersFolder() {
        QTemporaryDir work;
        CQuarvelDlg window(ToFsPath(work.filePath(QStringLiteral("Quarvel.ini"))));
        window.show();
        QVERIFY(window.OpenFile(QStringLiteral(QUARVEL_EXAMPLES_DIR "/section-3.8.txt")));
        int dialogs = 0; // each answered as by a user who looks and cancels
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&dialogs] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                ++dialogs;
                dialog->reject();
            }
        });
        closer.start(20);
        window.OnOpenDataFile();
        window.OnBnClickedExport();
        QCOMPARE(dialogs, 2);

        QStringList files;
        QDirIterator it(g_configFolder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            files.append(it.next());
        }
        QVERIFY2(files.isEmpty(), qPrintable(files.join('\n')));
    }
};

int main(int argc, char** argv) {
    const QTemporaryDir config;
    g_configFolder = config.path();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(g_configFolder));
    QApplication app(argc, argv);
    KeepQtSettingsAside();
    QtSettingsAsideTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "QtSettingsAsideTest.moc"
