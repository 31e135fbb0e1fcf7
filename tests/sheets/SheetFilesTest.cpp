// The sheets as files: the DXF read back by ezdxf at true size in code page
// 936, the PDF's pages and their numbers, and no file at all, nor a changed
// target, when anything fails.

#include "SheetSections.h"

#include "sectiondata/TextCodec.h"
#include "sheets/SheetsExport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <sstream>

using namespace quarvel;
using namespace quarvel::test;

namespace {

struct Written {
    SheetsResult result;
    std::string report;
};

Written Export(const std::filesystem::path& target, const SheetRequest& request,
               const SheetProgress& progress = {}) {
    Written written;
    const std::optional<SheetFormat> format = SheetFormatOf(target);
    written.result = ExportSheets(
        target, format.value_or(SheetFormat::Pdf), request,
        [&written](const std::string& line) { written.report += line + "\n"; }, progress);
    return written;
}

// The sections' widths and heights in turn, in metres.
constexpr double kSizes[][2] = {{30, 6}, {12, 3}, {50, 10}};

// Sections of those sizes, labelled K0+100 on, in folder.
SheetRequest Road(const TempFolder& folder, std::size_t count) {
    SheetRequest request;
    request.roadName = "测试路";
    for (std::size_t i = 0; i < count; ++i) {
        const auto& [width, height] = kSizes[i % 3];
        const std::string name = "k" + std::to_string(100 + i) + ".txt";
        request.sections.push_back({WriteSection(folder / name, SectionOfSize(width, 30, height)),
                                    "K0+" + std::to_string(100 + i)});
    }
    return request;
}

QString Run(const QString& program, const QStringList& args, int& status) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(60000);
    status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

std::string Json(const SheetRequest& request, std::size_t sheets,
                 const std::vector<std::string>& texts) {
    const PaperSize paper = SizeOf(request.options.paper);
    std::ostringstream json;
    json << R"({"scale": )" << request.options.scale << R"(, "exaggeration": )"
         << request.options.exaggeration << R"(, "paper": [)" << paper.width << ", " << paper.height
         << R"(], "sheets": )" << sheets << R"(, "sections": [)";
    for (std::size_t i = 0; i < request.sections.size(); ++i) {
        json << (i > 0 ? ", " : "") << R"({"width": )" << kSizes[i % 3][0] << R"(, "height": )"
             << kSizes[i % 3][1] << "}";
    }
    json << R"(], "texts": [)";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        json << (i > 0 ? ", " : "") << '"' << texts[i] << '"';
    }
    json << "]}";
    return json.str();
}

// The tools that read the files back (ezdxf, poppler) run on Linux; the
// Windows stage compares the Windows DXF with the Linux one byte for byte.
#ifdef _WIN32
constexpr bool kReadBackTools = false;
#else
constexpr bool kReadBackTools = true;
#endif

void CheckDxf(const std::filesystem::path& file, const std::string& expected) {
    if (!kReadBackTools) {
        return;
    }
    int status = 0;
    const QString output =
        Run(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(QUARVEL_CHECK_DXF), QString::fromStdString(file.u8string()),
             QString::fromStdString(expected)},
            status);
    QVERIFY2(status == 0, qPrintable(output));
}

// Forty sections on A4 at 1:500: several sheets.
SheetRequest LongRoad(const TempFolder& folder) {
    SheetRequest request = Road(folder, 40);
    request.options.paper = Paper::A4;
    request.options.scale = 500;
    return request;
}

void WriteSeveralSheets(const std::filesystem::path& target, const SheetRequest& request,
                        std::size_t& sheets) {
    const Written written = Export(target, request);
    QVERIFY2(written.result.ok, written.report.c_str());
    sheets = written.result.sheets;
    QVERIFY(sheets >= 2);
}

bool Contains(const std::string& bytes, const std::string& part) {
    return bytes.find(part) != std::string::npos;
}

} // namespace

class SheetFilesTest : public QObject {
    Q_OBJECT

private slots:
    void dxfHoldsTheSectionsAtTrueSizeInCodePage936() {
        TempFolder folder;
        SheetRequest request = Road(folder, 3);
        request.options.exaggeration = 2;
        // Characters that code page 936 lacks, as a folder's name may hold.
        request.roadName = "测试路 Straße 𠮷";
        const auto target = folder / "road.dxf";
        const Written written = Export(target, request);
        QVERIFY2(written.result.ok, written.report.c_str());
        QCOMPARE(written.result.sheets, std::size_t(1));
        CheckDxf(target, Json(request, 1,
                              {"测试路 Straße 𠮷", "横断面图", "1:200", "第 1 页 共 1 页", "K0+100",
                               "K0+101", "K0+102", "高程 30.00 m"}));
        const std::string bytes = ReadFileBytes(target);
        QVERIFY(Contains(bytes, "\n" + EncodeGbk("测试路") + " Stra\\U+00DFe \\U+D842\\U+DFB7\n"));
        QVERIFY(Contains(bytes, "$DWGCODEPAGE\n  3\nANSI_936\n"));
        QVERIFY(Contains(bytes, "$INSUNITS\n 70\n6\n"));
        QVERIFY(Contains(bytes, "\n  2\n" + EncodeGbk("断面线") + "\n"));
        QVERIFY(Contains(bytes, "\n  3\nsimsun.ttc\n"));
        QVERIFY(!Contains(bytes, "断面线")); // no UTF-8 left
        // The same sections give the same bytes: nothing of the time or the machine.
        const auto again = folder / "again.dxf";
        QVERIFY(Export(again, request).result.ok);
        QVERIFY(ReadFileBytes(again) == bytes);
    }

    void rowsBeyondTheDrawableRangeAreLeftOut() {
        TempFolder folder;
        SheetRequest request;
        request.roadName = "路";
        // A distance of 1e301 m: read, but beyond what any drawing can place.
        request.sections.push_back(
            {WriteSection(folder / "far.txt", {{0, 30}, {30, 36}, {1e301, 31}, {12, 33}}), "K1"});
        const auto target = folder / "far.dxf";
        const Written written = Export(target, request);
        QVERIFY2(written.result.ok, written.report.c_str());
        // The line runs through the three others: 30 m across, 6 m up.
        CheckDxf(target, Json(request, 1, {"K1"}));
    }

    void dxfPutsTheSheetsSideBySide() {
        TempFolder folder;
        const SheetRequest request = LongRoad(folder);
        const auto target = folder / "road.dxf";
        std::size_t sheets = 0;
        WriteSeveralSheets(target, request, sheets);
        const std::string last =
            "第 " + std::to_string(sheets) + " 页 共 " + std::to_string(sheets) + " 页";
        CheckDxf(target, Json(request, sheets,
                              {"1:500", "第 1 页 共 " + std::to_string(sheets) + " 页", last}));
    }

    void pdfHasAPageForEverySheetNumbered() {
        TempFolder folder;
        const SheetRequest request = LongRoad(folder);
        const auto target = folder / "road.pdf";
        std::size_t sheets = 0;
        WriteSeveralSheets(target, request, sheets);
        // Every page an A4 landscape one: 842 by 595 points.
        const QByteArray bytes = QByteArray::fromStdString(ReadFileBytes(target));
        QCOMPARE(bytes.count("/Type /Page\n"), qsizetype(sheets));
        QCOMPARE(bytes.count("/MediaBox [0 0 842.000000 595.000000]"), qsizetype(sheets));
        if (!kReadBackTools) {
            return;
        }
        int status = 0;
        for (std::size_t page = 1; page <= sheets; ++page) {
            QString text = Run(QStringLiteral("pdftotext"),
                               {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                QString::number(page), QString::fromStdString(target.u8string()),
                                QStringLiteral("-")},
                               status);
            // The text comes back without the spaces between Chinese characters.
            text.remove(QRegularExpression(QStringLiteral("\\s")));
            QVERIFY2(text.contains(QStringLiteral("第%1页共%2页").arg(page).arg(sheets)),
                     qPrintable(text));
            QVERIFY(text.contains(QStringLiteral("横断面图")));
            QVERIFY(text.contains(QStringLiteral("1:500")));
        }
        const QString fonts =
            Run(QStringLiteral("pdffonts"), {QString::fromStdString(target.u8string())}, status);
        // Every font embedded: the column "emb" of each line after the two of the header.
        const QStringList lines = fonts.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(lines.size() > 2, qPrintable(fonts));
        for (qsizetype i = 2; i < lines.size(); ++i) {
            const QStringList fields = lines[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
            QVERIFY2(fields.size() > 5 && fields[fields.size() - 5] == QLatin1String("yes"),
                     qPrintable(fonts));
        }
    }

    void aFailureLeavesNoFileAndTheTargetAsItWas() {
        for (const char* name : {"road.pdf", "road.dxf"}) {
            TempFolder folder;
            SheetRequest request = Road(folder, 3);
            const auto target = folder / name;
            WriteFileBytes(target, "old");

            // An input that is no section file, even the last one, which the
            // others would not need.
            WriteFileBytes(request.sections[2].file, "not a section\n");
            Written written = Export(target, request);
            QVERIFY(!written.result.ok);
            QVERIFY2(Contains(written.report, "非本软件数据格式文件") &&
                         Contains(written.report, "k102.txt"),
                     written.report.c_str());
            WriteSection(request.sections[2].file, SectionOfSize(50, 30, 10));

            // A section too wide for the sheet.
            WriteSection(request.sections[1].file, SectionOfSize(800, 30, 5));
            written = Export(target, request);
            QVERIFY(!written.result.ok);
            QVERIFY2(Contains(written.report, "断面 K0+101 按 1:200 比例超出 A3") &&
                         Contains(written.report, "可用 1:5000"),
                     written.report.c_str());

            // Cancelled while the sheets are written.
            WriteSection(request.sections[1].file, SectionOfSize(12, 30, 3));
            written = Export(target, request,
                             [](std::size_t done, std::size_t total) { return done < total / 2; });
            QVERIFY(!written.result.ok);
            QCOMPARE(ReadFileBytes(target), std::string("old"));
            QCOMPARE(std::distance(std::filesystem::directory_iterator(folder.Path()),
                                   std::filesystem::directory_iterator()),
                     std::ptrdiff_t(4)); // the three sections and the target

            // A section spoilt after the layout read it, before its sheet is
            // drawn (the sections are read again sheet by sheet).
            written = Export(target, request, [&](std::size_t done, std::size_t total) {
                if (done == total / 2) {
                    WriteFileBytes(request.sections[1].file, "not a section\n");
                }
                return true;
            });
            QVERIFY(!written.result.ok);
            QVERIFY2(Contains(written.report, "k101.txt"), written.report.c_str());
            QCOMPARE(ReadFileBytes(target), std::string("old"));
            WriteSection(request.sections[1].file, SectionOfSize(12, 30, 3));

            // A folder that is not there.
            written = Export(folder / "missing" / name, request);
            QVERIFY(!written.result.ok);
            QVERIFY2(Contains(written.report, "保存文件失败"), written.report.c_str());
            QVERIFY(!std::filesystem::exists(folder / "missing"));
        }
    }

    void aFullDiskIsToldAsAFailure() {
#ifdef _WIN32
        QSKIP("/dev/full is Linux's");
#else
        TempFolder folder;
        const SheetRequest request = Road(folder, 3);
        // A device is written directly; every write to this one fails.
        for (const SheetFormat format : {SheetFormat::Pdf, SheetFormat::Dxf}) {
            std::string report;
            const SheetsResult result =
                ExportSheets("/dev/full", format, request,
                             [&report](const std::string& line) { report += line; });
            QVERIFY(!result.ok);
            QVERIFY2(Contains(report, "保存文件失败: /dev/full: "), report.c_str());
        }
#endif
    }
};

QTEST_MAIN(SheetFilesTest)
#include "SheetFilesTest.moc"
