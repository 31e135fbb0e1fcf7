// Every message box of the window keeps its lines whole, also on a screen where QMessageBox would
// break a line that the window's own rule lets through (1152 px wide, as 1440 px at 125 %:
// QMessageBox keeps to 672 px). A line too long gives up its middle, and the box holds it whole.

#include "WindowHarness.h"

#include "workbench/ExportTableCommand.h"
#include "workbench/MainMenu.h"
#include "workbench/MessageBoxes.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

using namespace quarvel;
using namespace quarvel::test;

namespace {

// What a box showed: its texts, the lines of them that did not show whole, its details.
struct SeenBox {
    QString title;
    QStringList texts;
    QStringList brokenLines;
    QString details;
    int width = 0;
};

// Looks at each modal box as it shows, then answers it with the button named answer, else
// with its escape button.
class BoxWatcher : public QObject {
public:
    explicit BoxWatcher(QString answer = QString()) : m_answer(std::move(answer)) {
        connect(&m_timer, &QTimer::timeout, this, &BoxWatcher::Look);
        m_timer.start(20);
    }

    QList<SeenBox> seen;

private:
    void Look() {
        QWidget* const box = QApplication::activeModalWidget();
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        SeenBox shown;
        shown.title = box->windowTitle();
        if (auto* message = qobject_cast<QMessageBox*>(box)) {
            shown.details = message->detailedText();
        }
        shown.width = box->width();
        for (const QLabel* label : box->findChildren<QLabel*>()) {
            if (label->text().isEmpty() || !label->isVisible()) {
                continue;
            }
            shown.texts.append(label->text());
            // A line is broken when its label is narrower, or when the label runs past the box.
            const int right = label->mapTo(box, QPoint(label->width(), 0)).x();
            for (const QString& line : label->text().split('\n')) {
                if (label->fontMetrics().horizontalAdvance(line) > label->contentsRect().width() ||
                    right > box->width()) {
                    shown.brokenLines.append(line);
                }
            }
        }
        seen.append(shown);
        for (QPushButton* button : box->findChildren<QPushButton*>()) {
            if (!m_answer.isEmpty() && button->text() == m_answer) {
                button->click();
                return;
            }
        }
        auto* message = qobject_cast<QMessageBox*>(box);
        if (message != nullptr && message->escapeButton() != nullptr) {
            message->escapeButton()->click();
        } else {
            box->close();
        }
    }

    QString m_answer;
    QTimer m_timer;
};

// A path whose line "文件：PATH" is as wide as a message line may be, within an ideograph.
QString PathNearTheLimit(const QString& folder, const QFontMetrics& metrics, int limit) {
    const auto lineWidth = [&metrics](const QString& path) {
        return metrics.horizontalAdvance(QStringLiteral("文件：") + QDir::toNativeSeparators(path));
    };
    QString path = folder + QStringLiteral("/道路工程断面.txt");
    while (lineWidth(QString(path).insert(path.size() - 6, QStringLiteral("测"))) <= limit) {
        path.insert(path.size() - 6, QStringLiteral("测"));
    }
    return path;
}

} // namespace

class MessageBoxesTest : public QObject {
    Q_OBJECT

private slots:
    void linesStayWholeOnAScreenWhereQMessageBoxWouldBreakThem() {
        WindowHarness h;
        QCOMPARE(h.window->screen()->availableGeometry().width(), 1152);
        QLabel probe(h.window.get());
        const int limit = MessageLineLimit(h.window.get(), probe);
        const QString path = PathNearTheLimit(h.dir.path(), probe.fontMetrics(), limit);

        BoxWatcher boxes;
        ShowWarningBox(h.window.get(), QStringLiteral("保存文件失败"),
                       FileDetail(path, "文件或文件夹不存在"));
        QCOMPARE(boxes.seen.size(), 1);
        const SeenBox box = boxes.seen[0];
        QVERIFY2(box.brokenLines.isEmpty(), qPrintable(box.brokenLines.join('\n')));
        QVERIFY(box.width <= 672);
        // Whole, or with its middle given up and whole in the details.
        const QString native = QDir::toNativeSeparators(path);
        QVERIFY2(box.texts.join('\n').contains(native) || box.details.contains(native),
                 qPrintable(box.texts.join('\n')));

        // The question about a file that exists already.
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        h.WriteFile(QFileInfo(path).absoluteFilePath().mid(h.dir.path().size() + 1), "old");
        QVERIFY(!ConfirmReplacingExtendedName(h.window.get(), path + ".x", path));
        QCOMPARE(boxes.seen.size(), 2);
        const SeenBox question = boxes.seen[1];
        QVERIFY2(question.brokenLines.isEmpty(), qPrintable(question.brokenLines.join('\n')));
        QVERIFY2(question.texts.join('\n').contains(QFileInfo(path).fileName()),
                 qPrintable(question.texts.join('\n')));
    }

    void batchBoxesKeepTheirPathsWhole() {
        WindowHarness h;
        QLabel probe(h.window.get());
        const QString output =
            QFileInfo(PathNearTheLimit(h.dir.path(), probe.fontMetrics(),
                                       MessageLineLimit(h.window.get(), probe) - 100))
                .absolutePath();
        QVERIFY(QDir().mkpath(output));
        BatchRequest request;
        request.files = {ExamplePath("section-3.8.txt")};
        request.outputFolder = output;
        h.WriteFile(QDir(output).filePath("section-3.8.csv").mid(h.dir.path().size() + 1), "old");
        h.window->BatchExport().SetRequestChooser(
            [&request](const BatchRequest&, ExportForm&) { return std::optional(request); });

        // The question about existing outputs, then the summary.
        BoxWatcher boxes(QStringLiteral("替换全部"));
        h.window->Menu()->BatchExportAction()->trigger();
        QCOMPARE(boxes.seen.size(), 2);
        for (const SeenBox& box : std::as_const(boxes.seen)) {
            QVERIFY2(box.brokenLines.isEmpty(), qPrintable(box.brokenLines.join('\n')));
            QVERIFY2(box.texts.join('\n').contains(QDir::toNativeSeparators(output)),
                     qPrintable(box.texts.join('\n')));
        }
    }
};

int main(int argc, char** argv) {
    // One screen of 1152 x 864 pixels.
    QTemporaryDir config;
    const QString screens = config.filePath(QStringLiteral("screens.json"));
    QFile file(screens);
    if (!file.open(QIODevice::WriteOnly)) {
        return 1;
    }
    file.write(R"({"screens": [{"name": "wide", "x": 0, "y": 0, "width": 1152, "height": 864,
                   "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    file.close();
    // Named relative to the current folder: the platform's options are split at
    // colons, which a Windows path holds after its drive.
    QDir::setCurrent(config.path());
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=screens.json");
    QApplication app(argc, argv);
    MessageBoxesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MessageBoxesTest.moc"
