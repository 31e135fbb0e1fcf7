// Pictures of the profile: written by "quarvel --profile" and by the window's
// "导出断面图…", readable in every format, and no file at all when writing fails.

#include "workbench/WindowHarness.h"

#include "cli/CommandLine.h"
#include "profile/ProfileCommand.h"
#include "profile/ProfilePicture.h"
#include "profile/SectionProfileView.h"
#include "workbench/MainMenu.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QXmlStreamReader>

#include <sstream>

using namespace quarvel;
using namespace quarvel::test;

namespace {

struct Run {
    int status = -1;
    QString err;
};

Run Profile(const QStringList& args) {
    std::vector<std::string> utf8;
    for (const QString& arg : args) {
        utf8.push_back(arg.toStdString());
    }
    std::ostringstream out;
    std::ostringstream err;
    Run run;
    run.status = RunProfileCommand(utf8, out, err);
    run.err = QString::fromStdString(err.str());
    return run;
}

bool IsSvg(const QByteArray& bytes) {
    QXmlStreamReader xml(bytes);
    bool root = false;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && !root) {
            root = xml.name() == QLatin1String("svg");
            if (!root) {
                return false;
            }
        }
    }
    return root && !xml.hasError();
}

bool IsPdf(const QByteArray& bytes) {
    return bytes.startsWith("%PDF-") && bytes.trimmed().endsWith("%%EOF");
}

} // namespace

class ProfilePictureTest : public QObject {
    Q_OBJECT

private slots:
    void headlessModeWritesEveryFormat() {
        QTemporaryDir dir;
        const QString example = ExamplePath("section-3.8.txt");
        const QString out = dir.filePath(QStringLiteral("out"));
        Run run = Profile({example, ExamplePath("section-3.0.txt"), QStringLiteral("--output-dir"),
                           out, QStringLiteral("--size"), QStringLiteral("900x300"),
                           QStringLiteral("--knee-mode"), QStringLiteral("1")});
        QCOMPARE(run.status, kExitOk);
        QCOMPARE(QImage(out + QStringLiteral("/section-3.8.png")).size(), QSize(900, 300));
        QCOMPARE(QImage(out + QStringLiteral("/section-3.0.png")).size(), QSize(900, 300));

        // The format follows --format, or the extension of -o.
        run = Profile({example, QStringLiteral("-o"), dir.filePath(QStringLiteral("a.pdf")),
                       QStringLiteral("--scale"), QStringLiteral("1:500"),
                       QStringLiteral("--exaggeration"), QStringLiteral("1:5")});
        QCOMPARE(run.status, kExitOk);
        QVERIFY(IsPdf(ReadBytes(dir.filePath(QStringLiteral("a.pdf")))));
        if (CanWriteSvg()) {
            run = Profile({example, QStringLiteral("--format=svg"), QStringLiteral("--output-dir"),
                           out, QStringLiteral("--reverse")});
            QCOMPARE(run.status, kExitOk);
            QVERIFY(IsSvg(ReadBytes(out + QStringLiteral("/section-3.8.svg"))));
        }
    }

    void failuresLeaveNoFileAndSayWhy() {
        QTemporaryDir dir;
        const QString example = ExamplePath("section-3.8.txt");
        const QString missingFolder = dir.filePath(QStringLiteral("no/such/folder/x.png"));
        Run run = Profile({example, QStringLiteral("-o"), missingFolder});
        QCOMPARE(run.status, kExitFailed);
        QVERIFY2(run.err.startsWith(QStringLiteral("保存文件失败: ") +
                                    QDir::toNativeSeparators(missingFolder)),
                 qPrintable(run.err));

        // Names that differ only in case are one file on Windows: the second is refused there.
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("b")));
        const QString upper = dir.filePath(QStringLiteral("a/Sec.txt"));
        const QString lower = dir.filePath(QStringLiteral("b/sec.TXT"));
        QVERIFY(QFile::copy(example, upper) && QFile::copy(example, lower));
        run = Profile(
            {upper, lower, QStringLiteral("--output-dir"), dir.filePath(QStringLiteral("cased"))});
#ifdef _WIN32
        QCOMPARE(run.status, kExitFailed);
        QVERIFY2(run.err.endsWith(QStringLiteral("与前一个输入文件的输出重名，未覆盖\n")),
                 qPrintable(run.err));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("cased"))).entryList(QDir::Files),
                 QStringList({"Sec.png"}));
#else
        QCOMPARE(run.status, kExitOk);
        QCOMPARE(QDir(dir.filePath(QStringLiteral("cased"))).entryList(QDir::Files, QDir::Name),
                 QStringList({"Sec.png", "sec.png"}));
#endif

        // 40 m at 1:10 is 4 m of paper: nothing is written, the old file stays.
        const QString pdf = dir.filePath(QStringLiteral("old.pdf"));
        {
            QFile old(pdf);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old");
        }
        run = Profile(
            {example, QStringLiteral("-o"), pdf, QStringLiteral("--scale"), QStringLiteral("10")});
        QCOMPARE(run.status, kExitFailed);
        QVERIFY2(run.err.contains(QStringLiteral("超出 A4 纸张")), qPrintable(run.err));
        QCOMPARE(ReadBytes(pdf), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"old.pdf"}));

        const QString notSection = dir.filePath(QStringLiteral("plain.txt"));
        {
            QFile plain(notSection);
            QVERIFY(plain.open(QIODevice::WriteOnly));
            plain.write("hello\n");
        }
        run = Profile({notSection, example, QStringLiteral("--output-dir"), dir.path()});
        QCOMPARE(run.status, kExitFailed); // one failed, the other is still drawn
        QVERIFY(run.err.startsWith(QStringLiteral("非本软件数据格式文件: ")));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("section-3.8.png"))));

        QCOMPARE(Profile({example, QStringLiteral("--bogus")}).status, kExitUsage);
        run = Profile({example, QStringLiteral("--scale"), QStringLiteral("100")});
        QCOMPARE(run.status, kExitUsage); // a scale is for PDF only
        QVERIFY(run.err.startsWith(QStringLiteral("quarvel --profile: ")));
        QCOMPARE(Profile({example, QStringLiteral("-o"), QStringLiteral("-")}).status, kExitUsage);
    }

    // "导出断面图…" saves the panel at twice its size, and tells of a failure
    // without leaving a file.
    void windowSavesThePanelAsShown() {
        WindowHarness h;
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        ExportProfileCommand& command = h.window->ProfileExport();
        QString target = h.TempPath(QStringLiteral("断面.png"));
        QString suggested;
        command.SetFileChooser([&](const QString& path) {
            suggested = path;
            return target;
        });
        int optionsAsked = 0;
        command.SetOptionsChooser([&](const PictureRequest& proposed) {
            ++optionsAsked;
            return std::optional<PictureRequest>(proposed);
        });
        QAction* action = h.window->Menu()->ExportProfileAction();
        QCOMPARE(action->text(), QStringLiteral("导出断面图…"));
        action->trigger();
        QCOMPARE(QFileInfo(suggested).fileName(), QStringLiteral("section-3.8.png"));
        QCOMPARE(optionsAsked, 1);
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(QImage(target).size(), h.window->Profile()->size() * 2);

        target = h.TempPath(QStringLiteral("gone/断面.pdf"));
        action->trigger();
        QCOMPARE(h.messages, QStringList({"保存文件失败"}));
        QVERIFY(h.details.constFirst().contains(QDir::toNativeSeparators(target)));
        QVERIFY(!QFileInfo::exists(QFileInfo(target).absolutePath()));

        // Hidden since the start, the panel is saved at twice the size it
        // would show at.
        h.window->Menu()->ProfileAction()->trigger();
        h.window->close();
        h.Start();
        h.OpenThroughButton(ExamplePath("section-3.8.txt"));
        h.window->ProfileExport().SetFileChooser([&](const QString&) { return target; });
        h.window->ProfileExport().SetOptionsChooser(
            [](const PictureRequest& proposed) { return std::optional<PictureRequest>(proposed); });
        target = h.TempPath(QStringLiteral("hidden.png"));
        h.window->Menu()->ExportProfileAction()->trigger();
        QCOMPARE(QImage(target).size(), h.window->Profile()->sizeHint() * 2);
    }
};

QTEST_MAIN(ProfilePictureTest)
#include "ProfilePictureTest.moc"
