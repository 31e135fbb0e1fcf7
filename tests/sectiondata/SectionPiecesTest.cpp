// A file read in pieces by several threads reads exactly as in one piece:
// records, texts, warnings with their line numbers, the layer list.

#include "sectiondata/SectionReader.h"
#include "sectiondata/TextCodec.h"
#include "support/SameRead.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace quarvel {
namespace {
namespace fs = std::filesystem;

ReadOptions InPieces(unsigned jobs) {
    ReadOptions options;
    options.jobs = jobs;
    options.minPieceBytes = 1;
    return options;
}

ReadOptions InOnePiece() {
    ReadOptions options;
    options.jobs = 1;
    return options;
}

// Places in a file where a piece must not cut a line or a character wrongly.
struct Traps {
    std::vector<std::size_t> insideGbk;        // between a lead and a trail byte
    std::vector<std::size_t> insideCrLf;       // between CR and LF
    std::vector<std::size_t> insideIncomplete; // inside a line that lacks fields
};

// A GBK file of version 3.8 with the count given: CR LF and LF lines, blank
// lines, incomplete lines, GBK texts, texts that no two lines share (beyond
// the ones a decoder remembers), a point of kind 4 on a layer of its own and
// a last line without its line end.
std::string TrapFile(std::size_t lines, const std::string& count, Traps* traps = nullptr) {
    std::string file = "HWT3.8\r\n0,0,0," + EncodeGbk("断面K1+000") + ",\r\n" + count + "\r\n";
    const auto mark = [&](std::vector<std::size_t> Traps::*list, std::size_t offset) {
        if (traps != nullptr) {
            (traps->*list).push_back(offset);
        }
    };
    for (std::size_t i = 0; i < lines; ++i) {
        const std::string n = std::to_string(i);
        std::string line;
        switch (i % 7) {
        case 0:
            line = n + ",500000.5," + n + ".25,35,1.5,0," + EncodeGbk("起点") + ",0,3," +
                   EncodeGbk("地面线") + ",1,";
            mark(&Traps::insideGbk, file.size() + line.find(EncodeGbk("地面线")) + 1);
            break;
        case 1:
            line = n + ",1,2,3,4,0,N" + n + ",0,0,L" + n + ",0,";
            break;
        case 2:
            line = "   ";
            break;
        case 3:
            line = n + ",1,abc,3";
            mark(&Traps::insideIncomplete, file.size() + 4);
            break;
        case 4:
            line = n + ",1,2,3,4,0," + EncodeGbk("拐点") + ",0,4," + EncodeGbk("辅助线") + ",2,";
            break;
        case 5:
            line = n + ",1,2,3,4,1,A B,0,0," + EncodeGbk("边 坡") + ",0,";
            break;
        default:
            line = n + ",7,8,9,10,0,,0,2,,";
            break;
        }
        file += line;
        if (i + 1 == lines) {
            break; // the last line ends without its line end
        }
        if (i % 2 == 0) {
            mark(&Traps::insideCrLf, file.size() + 1);
            file += "\r\n";
        } else {
            file += "\n";
        }
    }
    return file;
}

// The offsets at which ReadOptions{jobs, 1} starts its pieces.
std::vector<std::size_t> PieceStarts(const std::string& file, unsigned jobs) {
    std::size_t bodyStart = 0;
    for (int line = 0; line < 3; ++line) {
        bodyStart = file.find('\n', bodyStart) + 1;
    }
    const std::size_t body = file.size() - bodyStart;
    std::vector<std::size_t> starts;
    for (unsigned k = 1; k < jobs; ++k) {
        starts.push_back(bodyStart + body * k / jobs);
    }
    return starts;
}

bool AnyAt(const std::vector<std::size_t>& starts, const std::vector<std::size_t>& traps) {
    for (const std::size_t start : starts) {
        for (const std::size_t trap : traps) {
            if (start == trap) {
                return true;
            }
        }
    }
    return false;
}

TEST(SectionPieces, EveryCutReadsAsOnePiece) {
    Traps traps;
    const std::string file = TrapFile(60, "60", &traps);
    const SectionReadResult whole = ReadSectionFile(std::string_view(file), {}, InOnePiece());
    ASSERT_TRUE(whole.Ok());
    ASSERT_EQ(whole.warnings.size(), 1u);
    EXPECT_EQ(whole.warnings[0].lineNumber, 7u);
    bool cutGbk = false;
    bool cutCrLf = false;
    bool cutIncomplete = false;
    for (unsigned jobs = 2; jobs <= 64; ++jobs) {
        const std::vector<std::size_t> starts = PieceStarts(file, jobs);
        cutGbk = cutGbk || AnyAt(starts, traps.insideGbk);
        cutCrLf = cutCrLf || AnyAt(starts, traps.insideCrLf);
        cutIncomplete = cutIncomplete || AnyAt(starts, traps.insideIncomplete);
        EXPECT_EQ(test::ReadDifference(whole,
                                       ReadSectionFile(std::string_view(file), {}, InPieces(jobs))),
                  "")
            << jobs;
    }
    // The cuts fell where they could do harm.
    EXPECT_TRUE(cutGbk && cutCrLf && cutIncomplete);
}

TEST(SectionPieces, TheCountEndsThePointLinesInAnyPiece) {
    for (const char* count : {"0", "-3", "x", "1", "2", "3", "25", "40", "41", "200"}) {
        SCOPED_TRACE(count);
        const std::string file = TrapFile(40, count);
        const SectionReadResult whole = ReadSectionFile(std::string_view(file), {}, InOnePiece());
        for (const unsigned jobs : {2u, 3u, 5u, 16u}) {
            EXPECT_EQ(test::ReadDifference(
                          whole, ReadSectionFile(std::string_view(file), {}, InPieces(jobs))),
                      "")
                << jobs;
        }
    }
}

// Each distinct text is decoded once and then remembered; beyond the ones
// remembered, the note and the layer of one line must not take each other's
// place.
TEST(SectionPieces, TextsBeyondTheRememberedOnesStayApart) {
    std::string file = "HWT3.0\n0,0,0,K,\n10000\n";
    for (int i = 0; i < 10000; ++i) {
        file += std::to_string(i) + ",1,2,3,4,0,N" + std::to_string(i) + ",0,0,L" +
                std::to_string(i) + ",\n";
    }
    for (const unsigned jobs : {1u, 3u}) {
        const SectionReadResult read = ReadSectionFile(std::string_view(file), {}, InPieces(jobs));
        ASSERT_EQ(read.points.size(), 10000u);
        for (std::size_t i = 0; i < read.points.size(); i += 997) {
            EXPECT_EQ(read.points.Note(i), "N" + std::to_string(i));
            EXPECT_EQ(read.points.Layer(i), "L" + std::to_string(i));
        }
        EXPECT_EQ(read.points.Note(9999), "N9999");
        EXPECT_EQ(read.points.Layer(9999), "L9999");
        EXPECT_EQ(read.layers.size(), 10000u);
    }
}

TEST(SectionPieces, ExamplesAndAFileOnDiskReadAsOnePiece) {
    for (const char* name :
         {"section-3.0.txt", "section-3.6.txt", "section-3.8.txt", "section-3.8-utf8.txt"}) {
        SCOPED_TRACE(name);
        const fs::path path = test::ExampleFile(name);
        const SectionReadResult whole = ReadSectionFile(path, {}, InOnePiece());
        ASSERT_TRUE(whole.Ok());
        for (const unsigned jobs : {2u, 3u, 7u}) {
            EXPECT_EQ(test::ReadDifference(whole, ReadSectionFile(path, {}, InPieces(jobs))), "");
            const std::string bytes = test::ReadFileBytes(path);
            EXPECT_EQ(test::ReadDifference(
                          whole, ReadSectionFile(std::string_view(bytes), {}, InPieces(jobs))),
                      "");
        }
    }
    // A file read by position, in pieces that each read in chunks of their own.
    const test::TempFolder temp;
    const std::string file = TrapFile(70000, "70000");
    ASSERT_TRUE(test::WriteFileBytes(temp / "large.txt", file));
    ReadOptions two;
    two.jobs = 2;
    two.minPieceBytes = file.size() / 3;
    EXPECT_EQ(test::ReadDifference(ReadSectionFile(std::string_view(file), {}, InOnePiece()),
                                   ReadSectionFile(temp / "large.txt", {}, two)),
              "");
}

TEST(SectionPieces, ProgressIsToldOnTheCallersThreadAndCancels) {
    const std::string file = TrapFile(70000, "70000");
    ReadOptions four;
    four.jobs = 4;
    four.minPieceBytes = 1024;
    const std::thread::id caller = std::this_thread::get_id();
    std::size_t last = 0;
    bool inOrder = true;
    const SectionReadResult done = ReadSectionFile(
        std::string_view(file),
        [&](std::size_t got, std::size_t total) {
            EXPECT_EQ(std::this_thread::get_id(), caller);
            inOrder = inOrder && got >= last && got <= total;
            last = got;
            return true;
        },
        four);
    EXPECT_TRUE(done.Ok());
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(last, file.size());

    int calls = 0;
    const SectionReadResult cancelled = ReadSectionFile(
        std::string_view(file), [&](std::size_t, std::size_t) { return ++calls < 2; }, four);
    EXPECT_EQ(cancelled.status, ReadStatus::Cancelled);
    EXPECT_TRUE(cancelled.points.empty());
    EXPECT_EQ(calls, 2); // not asked again once it said stop
}

} // namespace
} // namespace quarvel
