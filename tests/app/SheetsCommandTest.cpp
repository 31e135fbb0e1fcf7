// "quarvel --sheets": the sections of files and folders onto sheets without a
// window, the options reaching the sheets, and exit 1 or 2 with no file at all
// when anything is wrong.

#include "sheets/SheetSections.h"

#include "app/SheetsCommand.h"
#include "cli/CommandLine.h"
#include "sectiondata/TextCodec.h"

#include <QtTest>

#include <algorithm>
#include <sstream>

using namespace quarvel;
using namespace quarvel::test;
namespace fs = std::filesystem;

namespace {

struct Run {
    int status = -1;
    std::string err;
};

Run Sheets(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    Run run;
    run.status = RunSheetsCommand(args, out, err);
    run.err = err.str();
    return run;
}

std::size_t Count(const std::string& bytes, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = bytes.find(part); at != std::string::npos;
         at = bytes.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The number of section lines in a DXF.
std::size_t SectionLines(const fs::path& dxf) {
    return Count(ReadFileBytes(dxf), "\n  8\n" + EncodeGbk("断面线") + "\n");
}

std::size_t FilesIn(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

} // namespace

class SheetsCommandTest : public QObject {
    Q_OBJECT

private slots:
    void filesAndFoldersGoOntoOneFile() {
        TempFolder temp;
        const fs::path road = temp / "G105.north";
        fs::create_directories(road / "more");
        WriteSection(road / "k100.txt", SectionOfSize(20, 30, 4));
        WriteSection(road / "k200.txt", SectionOfSize(30, 30, 4));
        WriteSection(road / "more" / "k300.txt", SectionOfSize(30, 30, 4));
        WriteFileBytes(road / "notes.txt", "not a section\n");
        const fs::path dxf = temp / "road.dxf";
        Run run = Sheets({road.u8string() + "/", "-o", dxf.u8string()});
        QVERIFY2(run.status == kExitOk, run.err.c_str());
        QCOMPARE(SectionLines(dxf), std::size_t(2));
        // The folder names the road, whole.
        QVERIFY(ReadFileBytes(dxf).find("\n  1\nG105.north\n") != std::string::npos);

        run = Sheets({road.u8string(), "--recursive", "--output=" + dxf.u8string()});
        QVERIFY2(run.status == kExitOk, run.err.c_str());
        QCOMPARE(SectionLines(dxf), std::size_t(3));

        // A file names the road without its extension; PDF by the extension.
        const fs::path pdf = temp / "one.PDF";
        run = Sheets(
            {(road / "k200.txt").u8string(), (road / "k100.txt").u8string(), "-o", pdf.u8string()});
        QVERIFY2(run.status == kExitOk, run.err.c_str());
        QVERIFY(ReadFileBytes(pdf).rfind("%PDF-", 0) == 0);
    }

    void sectionsFollowTheirStakes() {
        TempFolder temp;
        WriteSection(temp / "a.txt", SectionOfSize(20, 30, 4), "K0+300");
        WriteSection(temp / "b.txt", SectionOfSize(20, 30, 4), "K0+100");
        WriteSection(temp / "c.txt", SectionOfSize(20, 30, 4), "K0+200");
        WriteSection(temp / "d.txt", SectionOfSize(20, 30, 4));
        const fs::path dxf = temp / "road.dxf";
        const Run run = Sheets({temp.Path().u8string(), "-o", dxf.u8string()});
        QVERIFY2(run.status == kExitOk, run.err.c_str());
        const std::string bytes = ReadFileBytes(dxf);
        std::vector<std::size_t> at;
        for (const char* label : {"K0+100", "K0+200", "K0+300", "d"}) {
            at.push_back(bytes.find(std::string("\n  1\n") + label + "\n"));
            QVERIFY2(at.back() != std::string::npos, label);
        }
        QVERIFY(std::is_sorted(at.begin(), at.end()));
    }

    void theOptionsReachTheSheets() {
        TempFolder temp;
        // 10 m across and 20 m up: 100 mm at 1:200, 1000 mm ten times exaggerated.
        const fs::path section = WriteSection(temp / "tall.txt", SectionOfSize(10, 30, 20));
        const fs::path dxf = temp / "tall.dxf";
        Run run = Sheets({section.u8string(), "-o", dxf.u8string(), "--paper", "A4", "--scale",
                          "1:500", "--order", "rows"});
        QVERIFY2(run.status == kExitOk, run.err.c_str());
        const std::string bytes = ReadFileBytes(dxf);
        // A4 at 1:500: 148.5 m by 105 m.
        QVERIFY(bytes.find("$EXTMAX\n 10\n148.5\n 20\n105.0\n") != std::string::npos);
        QVERIFY(bytes.find("\n  1\n1:500\n") != std::string::npos);

        run = Sheets({section.u8string(), "-o", dxf.u8string(), "--exaggeration", "1:10"});
        QCOMPARE(run.status, kExitFailed);
        QVERIFY2(
            run.err.find("断面 tall 按 1:200 比例超出 A3 图纸的绘图区，可用 1:1000 或更小的比例") !=
                std::string::npos,
            run.err.c_str());
        QCOMPARE(ReadFileBytes(dxf), bytes);
    }

    void usageErrorsWriteNothing() {
        TempFolder temp;
        const std::string section =
            WriteSection(temp / "s.txt", SectionOfSize(10, 30, 2)).u8string();
        const std::string out = (temp / "out.dxf").u8string();
        const std::vector<std::vector<std::string>> wrong = {
            {section},
            {section, "-o", (temp / "out.png").u8string()},
            {section, "-o", out, "--scale", "9"},
            {section, "-o", out, "--scale", "10001"},
            {section, "-o", out, "--exaggeration", "auto"},
            {section, "-o", out, "--exaggeration", "1:3"},
            {section, "-o", out, "--order", "diagonal"},
            {section, "-o", out, "--paper", "A5"},
            {section, "--output-dir", temp.Path().u8string()},
            {"-o", out},
            {section, "-o", out, "--unknown"},
        };
        for (const std::vector<std::string>& args : wrong) {
            const Run run = Sheets(args);
            QVERIFY2(run.status == kExitUsage, run.err.c_str());
            QVERIFY(run.err.rfind("quarvel --sheets: ", 0) == 0);
        }
        QCOMPARE(FilesIn(temp.Path()), std::size_t(1));
        QVERIFY(Sheets({"--help"}).status == kExitOk);
    }

    void failuresWriteNothing() {
        TempFolder temp;
        const fs::path section = WriteSection(temp / "s.txt", SectionOfSize(10, 30, 2));
        fs::create_directories(temp / "empty");
        const std::string out = (temp / "out.pdf").u8string();

        Run run = Sheets({section.u8string(), (temp / "gone.txt").u8string(), "-o", out});
        QCOMPARE(run.status, kExitFailed);
        QVERIFY2(run.err.find("gone.txt") != std::string::npos, run.err.c_str());

        run = Sheets({section.u8string(), (temp / "empty").u8string(), "-o", out});
        QCOMPARE(run.status, kExitFailed);
        QVERIFY2(run.err.find("文件夹中没有断面数据文件") != std::string::npos, run.err.c_str());

        // The output may not be one of the inputs, whatever its extension.
        const fs::path input = WriteSection(temp / "s.dxf", SectionOfSize(10, 30, 2));
        const std::string before = ReadFileBytes(input);
        run = Sheets({section.u8string(), input.u8string(), "-o", input.u8string()});
        QCOMPARE(run.status, kExitFailed);
        QCOMPARE(ReadFileBytes(input), before);
        QCOMPARE(FilesIn(temp.Path()), std::size_t(3));
    }
};

QTEST_MAIN(SheetsCommandTest)
#include "SheetsCommandTest.moc"
