#include "settings/SettingsFile.h"

#include "support/OrdinaryUser.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quarvel {
namespace {
namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

class SettingsFileTest : public ::testing::Test {
protected:
    Settings LoadFrom(const std::string& utf8Text) {
        WriteFileBytes(m_file, utf8Text);
        return LoadSettings(m_file);
    }

    test::TempFolder m_temp;
    const fs::path m_folder = m_temp.Path();
    const fs::path m_file = m_folder / "Quarvel.ini";
};

TEST_F(SettingsFileTest, MissingFileGivesDefaultsAndFirstSaveWritesThemInGbk) {
    const Settings defaults = LoadSettings(m_file);
    EXPECT_EQ(defaults.columnCount, 3);
    EXPECT_EQ(defaults.decimals, 3);
    EXPECT_EQ(defaults.kneeMode, 0);
    EXPECT_FALSE(defaults.renumber);
    EXPECT_EQ(defaults.captions, FieldCaptions());

    ASSERT_TRUE(SaveSettings(m_file, defaults));
    std::string expected = "[SETTING]\r\nColnumNum=3\r\nDecimalNum=3\r\nKneePnt=0\r\nRenumber=0\r\n"
                           "[HEAD]\r\n";
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        expected += "表头" + std::to_string(i) + "=" + FieldCaptions()[i] + "\r\n";
    }
    EXPECT_EQ(ReadFileBytes(m_file), EncodeGbk(expected));
}

// Column counts are bounded; a mode or decimals out of range read as the table
// treats them (mode 1, three decimals), so the table looks as it did.
TEST_F(SettingsFileTest, NumbersAreReadAsTheIniFunctionsReadThemAndAsTheTableTreatsThem) {
    Settings settings = LoadFrom("[SETTING]\nColnumNum=12\nDecimalNum=7\nKneePnt=5\nRenumber=2x\n");
    EXPECT_EQ(settings.columnCount, 9);
    EXPECT_EQ(settings.decimals, 3);
    EXPECT_EQ(settings.kneeMode, 1);
    EXPECT_TRUE(settings.renumber);

    settings = LoadFrom("[setting]\r\n colnumnum = -7\r\nDecimalNum=-4\r\nKneePnt=x1\r\n"
                        "Renumber=\r\n");
    EXPECT_EQ(settings.columnCount, 2);
    EXPECT_EQ(settings.decimals, 3);
    EXPECT_EQ(settings.kneeMode, 0);
    EXPECT_FALSE(settings.renumber);

    settings = LoadFrom("[SETTING]\nColnumNum=+5 columns\nDecimalNum=99999999999999999999\n"
                        "KneePnt=-1.9\n[OTHER]\nRenumber=1\n");
    EXPECT_EQ(settings.columnCount, 5);
    EXPECT_EQ(settings.decimals, 3);
    EXPECT_EQ(settings.kneeMode, 1);
    EXPECT_FALSE(settings.renumber);

    // The profile's height is bounded, and only the offered exaggerations count.
    settings = LoadFrom("[VIEW]\nProfile=0\nProfileHeight=9\nExaggeration=3\n");
    EXPECT_FALSE(settings.view.profileShown);
    EXPECT_EQ(settings.view.profileHeight, 60);
    EXPECT_EQ(settings.view.exaggeration, 0);
    settings = LoadFrom("[VIEW]\nProfileHeight=99999\nExaggeration=10\n");
    EXPECT_TRUE(settings.view.profileShown);
    EXPECT_EQ(settings.view.profileHeight, 4000);
    EXPECT_EQ(settings.view.exaggeration, 10);
}

// Captions keep at most 49 UTF-16 units, as the window's 50-unit buffer does:
// a character beyond U+FFFF takes two and is never cut in half.
TEST_F(SettingsFileTest, CaptionsAreCutToFortyNineCharacters) {
    std::string sixty;
    for (int i = 0; i < 60; ++i) {
        sixty += "测";
    }
    Settings settings =
        LoadFrom("[HEAD]\n表头2=方位\n表头3=" + sixty + "\n表头4=\n表头5=\"与前点距离\"\n");
    EXPECT_EQ(settings.captions[0], "编号");
    EXPECT_EQ(settings.captions[2], "方位");
    EXPECT_EQ(settings.captions[3], sixty.substr(0, 49 * 3));
    EXPECT_EQ(settings.captions[4], "");
    EXPECT_EQ(settings.captions[5], "与前点距离");

    const std::string wide = "\xF0\xA0\x80\x80"; // U+20000
    std::string caption;
    for (int i = 0; i < 24; ++i) {
        caption += wide;
    }
    settings =
        LoadFrom("[HEAD]\n表头0=" + caption + "a" + wide + "\n表头1=" + caption + wide + "\n");
    EXPECT_EQ(settings.captions[0], caption + "a");
    EXPECT_EQ(settings.captions[1], caption);
}

// Files edited by hand are read as the Windows INI functions read them.
TEST_F(SettingsFileTest, HandEditedFilesReadAsTheIniFunctionsReadThem) {
    Settings settings = LoadFrom("; ColnumNum=8\r\n[ setting ]\r\n;ColnumNum=7\r\n"
                                 "\tColnumNum\t=\t6\t\r\nCOLNUMNUM=5\r\nDecimalNum = 1 \r\n"
                                 "[head]\r\n表头0 =  '图层' \r\n表头1=\"注释\r\n"
                                 "表头2=\"方位\"\"\r\n表头3=  高程Z  \r\n表头3=坐标X\r\n"
                                 "[SETTING]\r\nKneePnt=2\r\n[HEAD]\r\n表头4=注释\r\n");
    EXPECT_EQ(settings.columnCount, 6); // the first of duplicate keys counts
    EXPECT_EQ(settings.decimals, 1);
    EXPECT_EQ(settings.kneeMode, 0);           // only the first section of a name counts
    EXPECT_EQ(settings.captions[0], "图层");   // one pair of quotes goes
    EXPECT_EQ(settings.captions[1], "\"注释"); // an unpaired quote stays
    EXPECT_EQ(settings.captions[2], "方位\""); // and only one pair
    EXPECT_EQ(settings.captions[3], "高程Z");
    EXPECT_EQ(settings.captions[4], FieldCaptions()[4]);
}

// A save changes only its own values and keeps the file's encoding and
// everything else in it.
TEST_F(SettingsFileTest, RoundTripKeepsEncodingAndForeignContent) {
    using Encode = std::string (*)(const std::string&);
    const std::pair<const char*, Encode> cases[] = {
        {"gbk", [](const std::string& text) { return EncodeGbk(text); }},
        {"utf-8", [](const std::string& text) { return text; }},
        {"utf-8 with bom", [](const std::string& text) { return "\xEF\xBB\xBF" + text; }},
        {"utf-16", [](const std::string& text) { return "\xFF\xFE" + EncodeUtf16Le(text); }}};
    const std::string original = "; 用户的注释\r\n[窗口]\r\n位置=10,20\r\n\r\n[SETTING]\r\n"
                                 "DecimalNum=1\r\n其他=保留\r\n\r\n[HEAD]\r\n表头0=图层\r\n";
    for (const auto& [name, encode] : cases) {
        SCOPED_TRACE(name);
        WriteFileBytes(m_file, encode(original));
        Settings settings = LoadSettings(m_file);
        EXPECT_EQ(settings.decimals, 1);
        EXPECT_EQ(settings.captions[0], "图层");

        settings.columnCount = 9;
        settings.decimals = 2;
        settings.kneeMode = 1;
        settings.renumber = true;
        settings.captions[1] = "高程Z";
        settings.view = {false, 300, 5};
        ASSERT_TRUE(SaveSettings(m_file, settings));
        const Settings reread = LoadSettings(m_file);
        EXPECT_EQ(reread.columnCount, 9);
        EXPECT_EQ(reread.decimals, 2);
        EXPECT_EQ(reread.kneeMode, 1);
        EXPECT_TRUE(reread.renumber);
        EXPECT_EQ(reread.captions, settings.captions);
        EXPECT_EQ(reread.view, settings.view);

        std::string expected = "; 用户的注释\r\n[窗口]\r\n位置=10,20\r\n\r\n[SETTING]\r\n"
                               "DecimalNum=2\r\n其他=保留\r\nColnumNum=9\r\nKneePnt=1\r\n"
                               "Renumber=1\r\n\r\n[HEAD]\r\n表头0=图层\r\n表头1=高程Z\r\n";
        for (std::size_t i = 2; i < kFieldCount; ++i) {
            expected += "表头" + std::to_string(i) + "=" + FieldCaptions()[i] + "\r\n";
        }
        expected += "[VIEW]\r\nProfile=0\r\nProfileHeight=300\r\nExaggeration=5\r\n";
        EXPECT_EQ(ReadFileBytes(m_file), encode(expected));
    }
}

TEST_F(SettingsFileTest, KeepsLineFeedFilesAndLineBreaksInCaptions) {
    WriteFileBytes(m_file, "[HEAD]\n表头0=编号\n");
    Settings settings;
    settings.captions[0] = "坐标\r\nX";
    ASSERT_TRUE(SaveSettings(m_file, settings));
    const std::string text = ReadFileBytes(m_file); // stays UTF-8 as it was
    const std::string start = "[HEAD]\n表头0=坐标  X\n表头1=坐标X\n";
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.substr(0, start.size()), start);
    EXPECT_EQ(LoadSettings(m_file).captions[0], "坐标  X");
}

// The export form and the recent files come back after a restart, whatever
// characters the names hold; a name code page 936 lacks makes the file UTF-16.
TEST_F(SettingsFileTest, ExportFormAndRecentFilesComeBackInSectionsOfTheirOwn) {
    WriteFileBytes(m_file, EncodeGbk("[SETTING]\r\nDecimalNum=1\r\n"));
    Settings settings = LoadSettings(m_file);
    settings.exportForm = {ExportEncoding::Utf8Bom, FirstLine::Captions, Separator::Tab};
    settings.recentFiles = {" /断面/K1+200 .txt", "'/x/\"q\".txt", "/x/😀.txt", "/a", "/b"};
    settings.openFolder = "/断面";
    settings.batchOutputFolder = "/out ";
    ASSERT_TRUE(SaveSettings(m_file, settings));
    settings.recentFiles.resize(3); // a shorter list leaves no old entries behind
    ASSERT_TRUE(SaveSettings(m_file, settings));
    EXPECT_EQ(ReadFileBytes(m_file).substr(0, 2), "\xFF\xFE");

    const Settings reread = LoadSettings(m_file);
    EXPECT_EQ(reread.decimals, 1);
    EXPECT_EQ(reread.exportForm, settings.exportForm);
    EXPECT_EQ(reread.recentFiles, settings.recentFiles);
    EXPECT_EQ(reread.openFolder, "/断面");
    EXPECT_EQ(reread.exportFolder, "");
    EXPECT_EQ(reread.batchOutputFolder, "/out ");

    const Settings unknown = LoadFrom("[EXPORT]\nEncoding=utf16\nFirstLine=none\nSeparator=Tab\n");
    EXPECT_EQ(unknown.exportForm, (ExportForm{ExportEncoding::Gbk, FirstLine::None}));
}

// Roads go into keys of their own beside the files, which the versions before
// them read as they always did.
TEST_F(SettingsFileTest, RecentRoadsComeBackBesideTheFilesInKeysOfTheirOwn) {
    Settings settings;
    settings.recentFiles = {"/断面/a.txt"};
    ASSERT_TRUE(SaveSettings(m_file, settings));
    EXPECT_EQ(ReadFileBytes(m_file).find("Road"), std::string::npos);

    settings.recentRoads = {{"/道路/K0", true, {}},
                            {"", false, {"/x/a|b%7C.txt", "/x/100%.txt", " /x/😀.txt"}},
                            {"/y", false, {}}};
    ASSERT_TRUE(SaveSettings(m_file, settings));
    Settings reread = LoadSettings(m_file);
    EXPECT_EQ(reread.recentRoads, settings.recentRoads);
    EXPECT_EQ(reread.recentFiles, settings.recentFiles);

    settings.recentRoads.erase(settings.recentRoads.begin()); // no old entry stays behind
    ASSERT_TRUE(SaveSettings(m_file, settings));
    reread = LoadSettings(m_file);
    EXPECT_EQ(reread.recentRoads, settings.recentRoads);
    EXPECT_EQ(reread.recentFiles, settings.recentFiles);
}

// A first start's file holds no [EXPORT]; once a form was saved there, going
// back to the defaults must be saved too, not skipped as a first start.
TEST_F(SettingsFileTest, GoingBackToTheDefaultsIsSavedToo) {
    Settings settings;
    settings.exportForm = {ExportEncoding::Utf8Bom, FirstLine::None, Separator::Semicolon};
    settings.view = {false, 300, 5};
    settings.recentFiles = {"/断面/a.txt"};
    settings.exportFolder = "/out";
    ASSERT_TRUE(SaveSettings(m_file, settings));
    ASSERT_EQ(LoadSettings(m_file).exportForm, settings.exportForm);

    ASSERT_TRUE(SaveSettings(m_file, Settings{}));
    const Settings reread = LoadSettings(m_file);
    EXPECT_EQ(reread.exportForm, ExportForm{});
    EXPECT_EQ(reread.view, ViewSettings{});
    EXPECT_TRUE(reread.recentFiles.empty());
    EXPECT_EQ(reread.exportFolder, "");
}

TEST_F(SettingsFileTest, SaveReportsAnUnwritableLocationAndKeepsTheFile) {
    WriteFileBytes(m_folder / "file", "keep");
    EXPECT_FALSE(SaveSettings(m_folder / "file" / "Quarvel.ini", Settings{}));
    fs::create_directory(m_file);
    EXPECT_FALSE(SaveSettings(m_file, Settings{}));
    EXPECT_EQ(LoadSettings(m_file).columnCount, 3); // a folder reads as no file
    EXPECT_EQ(ReadFileBytes(m_folder / "file"), "keep");

    // A configuration folder that does not exist yet is made.
    EXPECT_TRUE(SaveSettings(m_folder / "config" / "Quarvel" / "Quarvel.ini", Settings{}));

#ifndef _WIN32 // permission bits are POSIX
    // A file that cannot be read gives the defaults and is never replaced:
    // whatever else it holds would be lost. Root reads any file, so an
    // ordinary user tries.
    const test::ChildOutcome outcome = test::RunAsOrdinaryUser(m_folder, [&] {
        const fs::path unreadable = m_folder / "unreadable.ini";
        const std::string kept = "[SETTING]\r\nDecimalNum=1\r\n[窗口]\r\n位置=10,20\r\n";
        WriteFileBytes(unreadable, kept);
        fs::permissions(unreadable, fs::perms::owner_write);
        EXPECT_EQ(LoadSettings(unreadable).decimals, 3);
        EXPECT_FALSE(SaveSettings(unreadable, Settings{}));
        fs::permissions(unreadable, fs::perms::owner_read);
        EXPECT_EQ(ReadFileBytes(unreadable), kept);
        return !HasFailure();
    });
    EXPECT_TRUE(outcome.passed) << outcome.detail;
#else
    // A file made read-only (in its properties) is left as it is.
    const fs::path readOnly = m_folder / "readonly.ini";
    const std::string kept = "[SETTING]\r\nDecimalNum=1\r\n[窗口]\r\n位置=10,20\r\n";
    WriteFileBytes(readOnly, kept);
    ASSERT_TRUE(SetFileAttributesW(readOnly.wstring().c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(LoadSettings(readOnly).decimals, 1);
    EXPECT_FALSE(SaveSettings(readOnly, Settings{}));
    EXPECT_EQ(ReadFileBytes(readOnly), kept);
    EXPECT_NE(GetFileAttributesW(readOnly.wstring().c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    SetFileAttributesW(readOnly.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
}

#ifndef _WIN32 // the POSIX locations: XDG_CONFIG_HOME and HOME
// Permission bits, which root ignores, and the environment decide here: the
// checks run as an ordinary user in a process of their own.
TEST_F(SettingsFileTest, LocationBesideTheProgramOrInTheUserConfiguration) {
    const test::ChildOutcome outcome = test::RunAsOrdinaryUser(m_folder, [&] {
        EXPECT_EQ(SettingsFilePath(m_folder), m_folder / "Quarvel.ini");
        // An installed copy's file is used even where the user may not write.
        const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec;
        const fs::path installed = m_folder / "installed";
        fs::create_directory(installed);
        WriteFileBytes(installed / "Quarvel.ini", "");
        fs::permissions(installed, readOnly);
        EXPECT_EQ(SettingsFilePath(installed), installed / "Quarvel.ini");

        // Without the file, a folder the user may not write to (or one that
        // does not exist) sends the settings to the user's folder.
        const fs::path bare = m_folder / "bare";
        fs::create_directory(bare);
        fs::permissions(bare, readOnly);
        const fs::path xdg = m_folder / "xdg" / "Quarvel" / "Quarvel.ini";
        ::setenv("XDG_CONFIG_HOME", (m_folder / "xdg").c_str(), 1);
        EXPECT_EQ(SettingsFilePath(bare), xdg);
        EXPECT_EQ(SettingsFilePath(m_folder / "missing"), xdg);
        ::setenv("XDG_CONFIG_HOME", "relative", 1);
        ::setenv("HOME", m_folder.c_str(), 1);
        EXPECT_EQ(SettingsFilePath(bare), m_folder / ".config" / "Quarvel" / "Quarvel.ini");
        return !HasFailure();
    });
    EXPECT_TRUE(outcome.passed) << outcome.detail;
}

#else // the Windows location: %APPDATA%

// Sets APPDATA for one test and gives the old value back.
class AppDataAs {
public:
    explicit AppDataAs(const fs::path& folder) {
        const wchar_t* old = _wgetenv(L"APPDATA");
        m_old = old != nullptr ? old : L"";
        _wputenv_s(L"APPDATA", folder.wstring().c_str());
    }
    ~AppDataAs() { _wputenv_s(L"APPDATA", m_old.c_str()); }
    AppDataAs(const AppDataAs&) = delete;
    AppDataAs& operator=(const AppDataAs&) = delete;

private:
    std::wstring m_old;
};

TEST_F(SettingsFileTest, LocationBesideTheProgramOrInTheUserConfiguration) {
    const fs::path appData = m_folder / fs::u8path("漫游");
    const AppDataAs roaming(appData);
    // Trying whether the folder takes a file leaves nothing there.
    EXPECT_EQ(SettingsFilePath(m_folder), m_folder / "Quarvel.ini");
    EXPECT_TRUE(fs::is_empty(m_folder));

    // A folder that takes no file (here: one that is not there) sends the
    // settings to %APPDATA%\Quarvel, which the first save makes.
    const fs::path roamingFile = appData / "Quarvel" / "Quarvel.ini";
    EXPECT_EQ(SettingsFilePath(m_folder / "missing"), roamingFile);
    EXPECT_TRUE(SaveSettings(SettingsFilePath(m_folder / "missing"), Settings{}));
    EXPECT_TRUE(fs::is_regular_file(roamingFile));

    const AppDataAs none(fs::path{});
    EXPECT_EQ(SettingsFilePath(m_folder / "missing"), m_folder / "missing" / "Quarvel.ini");
}

#endif

} // namespace
} // namespace quarvel
