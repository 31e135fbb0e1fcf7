// Every file and folder dialog of the window is of one kind: the system's on Windows; elsewhere
// Qt's own, in Chinese, with its columns whole. The window's folders hold a
// file of each kind the dialogs list, so that every dialog has rows to show.

#include "app/QtSettingsAside.h"
#include "app/Translations.h"
#include "workbench/CQuarvelDlg.h"
#include "workbench/QtPaths.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include <algorithm>
#include <utility>

using namespace quarvel;

namespace {

struct SeenDialog {
    QString title;
    bool qtOwn = false;
    bool optionsButton = false;
    QString cancel;
    QStringList cutColumns; // the columns too narrow for their widest cell
};

QPushButton* ButtonNamed(const QWidget* parent, const QString& text, int nth = 0) {
    int found = 0;
    for (QPushButton* button : parent->findChildren<QPushButton*>()) {
        if (button->text() == text && found++ == nth) {
            return button;
        }
    }
    return nullptr;
}

// Answers each file dialog as a user who looks at it and cancels, noting what it showed, and
// walks the batch dialog through its three choosers.
class DialogWatcher : public QObject {
public:
    explicit DialogWatcher(QString folder) : m_folder(std::move(folder)) {
        connect(&m_timer, &QTimer::timeout, this, &DialogWatcher::Look);
        m_timer.start(20);
    }

    QList<SeenDialog> seen;

private:
    void Look() {
        QWidget* const modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            LookAt(*dialog);
        } else if (modal != nullptr && modal->objectName() == QStringLiteral("batchExport")) {
            WalkBatchDialog(*modal);
        }
    }

    void LookAt(QFileDialog& dialog) {
        const auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        const bool qtOwn = dialog.testOption(QFileDialog::DontUseNativeDialog);
        // The folder is listed in the background: wait for its rows, then for one more look,
        // by which the columns have been laid out.
        const bool listed = list != nullptr && list->model()->rowCount(list->rootIndex()) > 0;
        if (qtOwn && (!listed || !m_laidOut) && ++m_waited < 150) {
            m_laidOut = listed;
            return;
        }
        SeenDialog shown;
        shown.title = dialog.windowTitle();
        shown.qtOwn = qtOwn;
        shown.optionsButton =
            dialog.findChild<QPushButton*>(QStringLiteral("exportOptionsButton")) != nullptr;
        if (const auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
            if (const QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel)) {
                shown.cancel = cancel->text();
            }
        }
        if (listed) {
            const QAbstractItemModel& rows = *list->model();
            for (int column = 0; column < list->header()->count(); ++column) {
                int widest = 0;
                for (int row = 0; row < rows.rowCount(list->rootIndex()); ++row) {
                    const QModelIndex cell = rows.index(row, column, list->rootIndex());
                    widest = std::max(widest, list->sizeHintForIndex(cell).width());
                }
                if (list->header()->sectionSize(column) < widest) {
                    shown.cutColumns.append(rows.headerData(column, Qt::Horizontal).toString());
                }
            }
        } else if (qtOwn) {
            shown.cutColumns.append(QStringLiteral("(no rows listed)"));
        }
        seen.append(shown);
        m_waited = 0;
        m_laidOut = false;
        dialog.reject();
    }

    // A click later, outside this look: the chooser it opens runs its own event loop.
    void WalkBatchDialog(QWidget& batch) {
        const auto clickLater = [](QAbstractButton* button) {
            QTimer::singleShot(0, button, &QAbstractButton::click);
        };
        switch (m_batchStep++) {
        case 0:
            clickLater(ButtonNamed(&batch, QStringLiteral("浏览…"), 0));
            break;
        case 1:
            // The output folder starts where the files are, so that the chooser lists a folder.
            batch.findChildren<QLineEdit*>().at(1)->setText(m_folder);
            clickLater(ButtonNamed(&batch, QStringLiteral("浏览…"), 1));
            break;
        case 2:
            batch.findChild<QRadioButton*>()->click(); // "所选文件"
            clickLater(ButtonNamed(&batch, QStringLiteral("添加文件…")));
            break;
        default:
            static_cast<QDialog&>(batch).reject();
            break;
        }
    }

    QString m_folder;
    QTimer m_timer;
    int m_waited = 0;
    bool m_laidOut = false;
    int m_batchStep = 0;
};

} // namespace

class FileDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void everyDialogIsOfOneKind() {
        QTemporaryDir work;
        const QDir folder(work.path());
        QVERIFY(folder.mkdir(QStringLiteral("sub")));
        const QString section = folder.filePath(QStringLiteral("section.txt"));
        QVERIFY(QFile::copy(QStringLiteral(QUARVEL_EXAMPLES_DIR "/section-3.8.txt"), section));
        // A name of some thirty characters, as surveyors name their files, fits too.
        for (const QString& name :
             {QStringLiteral("K12+345.678 道路中线断面 第二次复测成果.csv"),
              QStringLiteral("K12+345.678 道路中线断面 第二次复测成果.png"),
              QStringLiteral("K12+345.678 道路中线断面 第二次复测原始.txt")}) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("an old file of some hundred bytes, so that its size takes some room");
        }
        CQuarvelDlg window(ToFsPath(folder.filePath(QStringLiteral("Quarvel.ini"))));
        window.show();
        QVERIFY(window.OpenFile(section));

        DialogWatcher watcher(folder.path());
        window.OnOpenDataFile();
        window.OnBnClickedExport();
        window.OnExportProfile();
        window.OnBatchExport();

        QStringList titles;
        for (SeenDialog& dialog : watcher.seen) {
            titles.append(dialog.title);
#ifdef Q_OS_WIN
            QVERIFY2(!dialog.qtOwn, qPrintable(dialog.title));
#else
            QVERIFY2(dialog.qtOwn, qPrintable(dialog.title));
            QCOMPARE(dialog.cancel.remove(QLatin1Char('&')), QStringLiteral("取消"));
            QVERIFY2(dialog.cutColumns.isEmpty(),
                     qPrintable(dialog.title + QStringLiteral(": ") + dialog.cutColumns.join(',')));
#endif
            // Only Qt's own dialog takes the export's options beside its buttons.
            QCOMPARE(dialog.optionsButton,
                     dialog.qtOwn && dialog.title == QStringLiteral("数据导出"));
        }
        QCOMPARE(titles, QStringList({"打开数据文件", "数据导出", "导出断面图", "选择文件夹",
                                      "选择输出文件夹", "选择断面文件"}));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallChineseTranslations();
    KeepQtSettingsAside();
    FileDialogsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FileDialogsTest.moc"
