// "quarvel --profile": one picture per section file without a window, readable
// in every format, and no file at all, nor an input overwritten, when it fails.

#include "workbench/WindowHarness.h"

#include "app/ProfileCommand.h"
#include "cli/CommandLine.h"
#include "profile/ProfilePicture.h"

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

class ProfileCommandTest : public QObject {
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

    // A picture is planned like every other output: an input, even one whose
    // name ends in .png, is never replaced by a picture.
    void neverOverwritesAnInput() {
        QTemporaryDir dir;
        const QString txt = dir.filePath(QStringLiteral("s.txt"));
        const QString png = dir.filePath(QStringLiteral("s.png"));
        QVERIFY(QFile::copy(ExamplePath("section-3.8.txt"), txt));
        QVERIFY(QFile::copy(ExamplePath("section-3.0.txt"), png));
        const QByteArray pngBytes = ReadBytes(png);
        const Run run = Profile({txt, png});
        QCOMPARE(run.status, kExitFailed);
        const QString shownPng = QDir::toNativeSeparators(png);
        QCOMPARE(run.err, QStringLiteral("保存文件失败: %1: 输出文件是另一个输入文件，未覆盖；"
                                         "输入文件 %2 未导出\n"
                                         "保存文件失败: %1: 输出文件就是输入文件，未覆盖\n")
                              .arg(shownPng, QDir::toNativeSeparators(txt)));
        QCOMPARE(ReadBytes(png), pngBytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"s.png", "s.txt"}));
    }

    // Options that cannot be had are told, with the reason, never replaced
    // by the defaults: a settings file that cannot be read fails the run as
    // in quarvel-cli, and "1:0" is no exaggeration.
    void unusableOptionsAreRefused() {
        QTemporaryDir dir;
        const QString example = ExamplePath("section-3.8.txt");
        const QString missing = dir.filePath(QStringLiteral("Quarvel.ini"));
        Run run = Profile({example, QStringLiteral("--output-dir"), dir.path(),
                           QStringLiteral("--settings"), missing});
        QCOMPARE(run.status, kExitFailed);
        QCOMPARE(run.err, QStringLiteral("设置文件无法读取: %1: 文件或文件夹不存在\n")
                              .arg(QDir::toNativeSeparators(missing)));
        QVERIFY(QDir(dir.path()).isEmpty());

        for (const char* bad : {"1:0", "0", "1:3", "1:"}) {
            run = Profile({example, QStringLiteral("--output-dir"), dir.path(),
                           QStringLiteral("--exaggeration"), QString::fromLatin1(bad)});
            QCOMPARE(run.status, kExitUsage);
            QVERIFY2(run.err.startsWith(QStringLiteral("quarvel --profile: ")), bad);
        }
        QVERIFY(QDir(dir.path()).isEmpty());
    }
};

QTEST_MAIN(ProfileCommandTest)
#include "ProfileCommandTest.moc"
