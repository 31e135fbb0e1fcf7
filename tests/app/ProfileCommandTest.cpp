// "quarvel --profile": one picture per section file without a window, readable
// in every format, and no file at all, nor an input overwritten, when it fails.

#include "workbench/WindowHarness.h"

#include "profile/SectionPoints.h"

#include "app/ProfileCommand.h"
#include "cli/CommandLine.h"
#include "profile/ProfilePainter.h"
#include "profile/ProfilePicture.h"
#include "profile/ProfileScale.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
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
        QVERIFY2(run.err.endsWith(
                     QStringLiteral("与前一个输入文件的输出重名，未覆盖；输入文件 %1 未导出\n")
                         .arg(QDir::toNativeSeparators(lower))),
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

    // A section 10 m wide and 50 m tall, ten times exaggerated at 1:100, is
    // 5 m tall on paper: refused for its height, with the largest round
    // scale that fits, and that one is drawn while the next larger is not.
    void trueScalePdfSuggestsAScaleThatFits() {
        QTemporaryDir dir;
        const auto write = [&dir](const char* name, const QByteArray& rows) {
            const QString path = dir.filePath(QString::fromLatin1(name));
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write("HWT3.8\n0,0,0,K0,\n2\n" + rows);
            return path;
        };
        const QString tall =
            write("tall.txt", "1,0,0,0,0,0,a,0,0,L,0,\n2,0,0,50,10,0,b,0,0,L,0,\n");
        const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
        const auto draw = [&](const QString& input, int scale) {
            return Profile({input, QStringLiteral("-o"), pdf, QStringLiteral("--scale"),
                            QString::number(scale), QStringLiteral("--exaggeration"),
                            QStringLiteral("1:10")});
        };
        Run run = draw(tall, 100);
        QCOMPARE(run.status, kExitFailed);
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("按 1:100 比例断面图的高度超出 A4 纸张，可用 "
                                              "1:(\\d+) 或更小的比例"))
                .match(run.err);
        QVERIFY2(match.hasMatch(), qPrintable(run.err));
        const int suggested = match.captured(1).toInt();
        QCOMPARE(suggested, 5000); // 500 m tall needs more than 1:2000
        QCOMPARE(draw(tall, suggested).status, kExitOk);
        QVERIFY(IsPdf(ReadBytes(pdf)));
        QCOMPARE(draw(tall, 2000).status, kExitFailed);

        // 500 km is too wide for any scale the option takes.
        run = draw(write("far.txt", "1,0,0,0,0,0,a,0,0,L,0,\n2,0,0,1,500000,0,b,0,0,L,0,\n"), 100);
        QVERIFY2(run.err.contains(
                     QStringLiteral("的宽度超出 A4 纸张，直到 1:1000000 都没有能容下它的比例")),
                 qPrintable(run.err));

        // At 1:N the section starts at the plot's left margin, the axis
        // near zero, and the automatic vertical scale is a round one.
        const PointList points = SectionPoints({{0, 30}, {40, 32}});
        const SectionTable table(points, {}, TableOptions{});
        const ProfileData data(table, {"A"});
        const QRectF plot(0, 0, 1000, 600);
        ProfileScene scene;
        scene.scaleDenominator = 500;
        for (const int exaggeration : {kAutoExaggeration, 5, 2}) {
            scene.viewport = TrueScaleViewport(plot, data, 500, exaggeration);
            QCOMPARE(scene.viewport.PixelX(0), 40.0);
            const char* vertical = exaggeration == 5   ? "垂直 1:100 "
                                   : exaggeration == 2 ? "垂直 1:250 "
                                                       : "垂直 1:20 ";
            QVERIFY2(ProfilePainter::ScaleText(scene).startsWith(QStringLiteral("水平 1:500，") +
                                                                 QString::fromUtf8(vertical)),
                     qPrintable(ProfilePainter::ScaleText(scene)));
        }
        scene.scaleDenominator = 125;
        scene.viewport = TrueScaleViewport(plot, data, 125, 2);
        QVERIFY(ProfilePainter::ScaleText(scene).startsWith(
            QStringLiteral("水平 1:125，垂直 1:62.5 ")));
        // A single point fits at any scale, and shows.
        const PointList one = SectionPoints({{5, 30}});
        const SectionTable oneTable(one, {}, TableOptions{});
        const ProfileData onePoint(oneTable, {"A"});
        QVERIFY(plot.contains(TrueScaleViewport(plot, onePoint, 1, 1).Pixel(5, 30)));
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
