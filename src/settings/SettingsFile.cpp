#include "settings/SettingsFile.h"

#include "files/AtomicFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace quarvel {
namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "Quarvel.ini";
constexpr const char* kFolderName = "Quarvel";
constexpr const char* kSettingSection = "SETTING";
constexpr const char* kHeadSection = "HEAD";
constexpr const char* kColumnCountKey = "ColnumNum";
constexpr const char* kDecimalsKey = "DecimalNum";
constexpr const char* kKneeModeKey = "KneePnt";
constexpr const char* kRenumberKey = "Renumber";
constexpr const char* kCaptionKeyPrefix = "表头";
constexpr const char* kExportSection = "EXPORT";
constexpr const char* kEncodingKey = "Encoding";
constexpr const char* kFirstLineKey = "FirstLine";
constexpr const char* kSeparatorKey = "Separator";
constexpr const char* kRecentSection = "RECENT";
constexpr const char* kRecentFileKeyPrefix = "File";
// The roads have keys of their own, which the versions before them pass over.
constexpr const char* kRecentRoadKeyPrefix = "Road";
constexpr const char* kRoadSubfoldersSuffix = "Subfolders";
constexpr const char* kRoadFilesSuffix = "Files";
constexpr char kFileSeparator = '|';
constexpr const char* kOpenFolderKey = "OpenFolder";
constexpr const char* kExportFolderKey = "ExportFolder";
constexpr const char* kBatchFolderKey = "BatchFolder";
constexpr const char* kBatchOutputFolderKey = "BatchOutputFolder";
constexpr const char* kViewSection = "VIEW";
constexpr const char* kProfileShownKey = "Profile";
constexpr const char* kProfileHeightKey = "ProfileHeight";
constexpr const char* kExaggerationKey = "Exaggeration";
constexpr int kMinProfileHeight = 60;
constexpr int kMaxProfileHeight = 4000;
constexpr std::size_t kMaxCaptionCharacters = 49;
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

enum class FileEncoding { Gbk, Utf8, Utf8WithBom, Utf16Le };

FileEncoding DetectEncoding(std::string_view bytes) {
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        return FileEncoding::Utf8WithBom;
    }
    if (bytes.substr(0, kUtf16LeBom.size()) == kUtf16LeBom) {
        return FileEncoding::Utf16Le;
    }
    // Plain ASCII reads the same either way; it stays code page 936 as the
    // files of earlier versions were.
    if (!IsAscii(bytes) && IsValidUtf8(bytes)) {
        return FileEncoding::Utf8;
    }
    return FileEncoding::Gbk;
}

std::string Decode(std::string_view bytes, FileEncoding encoding) {
    switch (encoding) {
    case FileEncoding::Utf8:
        return std::string(bytes);
    case FileEncoding::Utf8WithBom:
        return std::string(bytes.substr(kUtf8Bom.size()));
    case FileEncoding::Utf16Le:
        return DecodeUtf16Le(bytes.substr(kUtf16LeBom.size()));
    case FileEncoding::Gbk:
        break;
    }
    return DecodeGbk(bytes);
}

std::string Encode(const std::string& utf8, FileEncoding encoding) {
    switch (encoding) {
    case FileEncoding::Utf8:
        return utf8;
    case FileEncoding::Utf8WithBom:
        return std::string(kUtf8Bom) + utf8;
    case FileEncoding::Utf16Le:
        return std::string(kUtf16LeBom) + EncodeUtf16Le(utf8);
    case FileEncoding::Gbk:
        break;
    }
    return EncodeGbk(utf8);
}

std::string_view Trim(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Section and key names compare as the Windows INI functions compare them:
// without regard to ASCII case.
bool SameName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// The section name of a "[name]" line, if the line is one.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = line.find(']');
    return Trim(
        line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
}

// The key of a "key=value" line, if the line is one (comments are not).
std::optional<std::string_view> KeyName(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    const std::size_t equals = trimmed.find('=');
    if (trimmed.empty() || trimmed.front() == ';' || equals == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(trimmed.substr(0, equals));
}

std::string_view ValueOf(std::string_view line) {
    std::string_view value = Trim(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// An INI file as its lines, so that a save changes only the values it writes
// and keeps every other section, key, comment and the line order.
class IniLines {
public:
    IniLines() = default;
    explicit IniLines(std::string_view text) {
        if (text.find("\r\n") == std::string_view::npos &&
            text.find('\n') != std::string_view::npos) {
            m_lineEnd = "\n";
        }
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            std::string_view line = text.substr(0, end);
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            m_lines.emplace_back(line);
            text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        }
    }

    std::optional<std::string> Value(std::string_view section, std::string_view key) const {
        const auto [begin, end] = SectionRange(section);
        for (std::size_t i = begin; i < end; ++i) {
            const auto name = KeyName(m_lines[i]);
            if (name && SameName(*name, key)) {
                return std::string(ValueOf(m_lines[i]));
            }
        }
        return std::nullopt;
    }

    void SetValue(std::string_view section, std::string_view key, const std::string& value) {
        std::string line = std::string(key) + "=" + value;
        auto [begin, end] = SectionRange(section);
        if (begin == kNone) {
            m_lines.push_back("[" + std::string(section) + "]");
            m_lines.push_back(std::move(line));
            return;
        }
        for (std::size_t i = begin; i < end; ++i) {
            const auto name = KeyName(m_lines[i]);
            if (name && SameName(*name, key)) {
                m_lines[i] = std::move(line);
                return;
            }
        }
        // A new key goes after the section's last non-blank line.
        while (end > begin && Trim(m_lines[end - 1]).empty()) {
            --end;
        }
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(end), std::move(line));
    }

    bool HasSection(std::string_view section) const { return SectionRange(section).first != kNone; }

    std::string Text() const {
        std::string text;
        for (const std::string& line : m_lines) {
            text += line;
            text += m_lineEnd;
        }
        return text;
    }

private:
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

    // The lines after the section's header up to the next header; the first
    // section of that name counts, as for the Windows INI functions.
    std::pair<std::size_t, std::size_t> SectionRange(std::string_view section) const {
        std::size_t begin = kNone;
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            const auto name = SectionName(m_lines[i]);
            if (!name) {
                continue;
            }
            if (begin != kNone) {
                return {begin, i};
            }
            if (SameName(*name, section)) {
                begin = i + 1;
            }
        }
        return {begin, begin == kNone ? kNone : m_lines.size()};
    }

    std::vector<std::string> m_lines;
    std::string m_lineEnd = "\r\n";
};

// The leading decimal integer of a value, as GetPrivateProfileInt reads it;
// 0 when there is none. Huge values saturate instead of wrapping.
int ReadInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = std::min<std::int64_t>(value * 10 + (c - '0'), std::numeric_limits<int>::max());
    }
    return static_cast<int>(negative ? -value : value);
}

int ReadNumber(const IniLines& ini, const char* key, int fallback) {
    const std::optional<std::string> value = ini.Value(kSettingSection, key);
    return value ? ReadInteger(*value) : fallback;
}

// The first 49 characters of a caption, counted in UTF-16 units as the
// window's buffer counts them: a character beyond U+FFFF takes two, and one
// that does not fit whole is left out rather than cut in half.
std::string CapCaption(const std::string& caption) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const auto byte = static_cast<unsigned char>(caption[i]);
        if ((byte & 0xC0) == 0x80) {
            continue; // inside a character
        }
        units += byte >= 0xF0 ? 2 : 1;
        if (units > kMaxCaptionCharacters) {
            return caption.substr(0, i);
        }
    }
    return caption;
}

// A value must stay on its line; a line break inside would corrupt the file.
std::string SingleLine(std::string value) {
    std::replace(value.begin(), value.end(), '\r', ' ');
    std::replace(value.begin(), value.end(), '\n', ' ');
    return value;
}

std::string CaptionKey(std::size_t index) {
    return kCaptionKeyPrefix + std::to_string(index);
}

std::string RecentFileKey(std::size_t index) {
    return kRecentFileKeyPrefix + std::to_string(index);
}

std::string RecentRoadKey(std::size_t index, const char* suffix = "") {
    return kRecentRoadKeyPrefix + std::to_string(index) + suffix;
}

// The files of a road on one line: "|" between them, and "%" and "|" inside a
// name (a Linux file name may hold both) as "%25" and "%7C".
std::string JoinFiles(const std::vector<std::string>& files) {
    std::string joined;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i > 0) {
            joined += kFileSeparator;
        }
        for (const char c : files[i]) {
            if (c == '%') {
                joined += "%25";
            } else if (c == kFileSeparator) {
                joined += "%7C";
            } else {
                joined += c;
            }
        }
    }
    return joined;
}

std::vector<std::string> SplitFiles(std::string_view joined) {
    std::vector<std::string> files;
    if (joined.empty()) {
        return files;
    }
    files.emplace_back();
    for (std::size_t i = 0; i < joined.size(); ++i) {
        const std::string_view code = joined.substr(i, 3);
        if (joined[i] == kFileSeparator) {
            files.emplace_back();
        } else if (code == "%25" || code == "%7C" || code == "%7c") {
            files.back() += code == "%25" ? '%' : kFileSeparator;
            i += 2;
        } else {
            files.back() += joined[i];
        }
    }
    return files;
}

// A value that would lose its outer blanks or quotes on reading keeps them
// inside a pair of quotes, which the reading takes off again.
std::string Protected(std::string value) {
    value = SingleLine(std::move(value));
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    const bool needsQuotes = !value.empty() && (isBlank(value.front()) || isBlank(value.back()) ||
                                                value.front() == '"' || value.front() == '\'');
    return needsQuotes ? "\"" + value + "\"" : value;
}

template <typename Value>
Value ReadChoice(const IniLines& ini, const char* key, Value fallback,
                 std::optional<Value> (*fromName)(std::string_view)) {
    const std::optional<std::string> value = ini.Value(kExportSection, key);
    const std::optional<Value> chosen = value ? fromName(*value) : std::nullopt;
    return chosen.value_or(fallback);
}

void LoadExportForm(const IniLines& ini, ExportForm& form) {
    form.encoding = ReadChoice(ini, kEncodingKey, form.encoding, &EncodingFromName);
    form.firstLine = ReadChoice(ini, kFirstLineKey, form.firstLine, &FirstLineFromName);
    form.separator = ReadChoice(ini, kSeparatorKey, form.separator, &SeparatorFromName);
}

void LoadRecent(const IniLines& ini, Settings& settings) {
    for (std::size_t i = 0; i < kMaxRecentFiles; ++i) {
        std::optional<std::string> file = ini.Value(kRecentSection, RecentFileKey(i));
        if (file && !file->empty()) {
            settings.recentFiles.push_back(std::move(*file));
        }
    }
    const auto folder = [&ini](const std::string& key) {
        return ini.Value(kRecentSection, key).value_or(std::string());
    };
    for (std::size_t i = 0; i < kMaxRecentFiles; ++i) {
        RecentRoad road;
        road.folder = folder(RecentRoadKey(i));
        road.subfolders = ReadInteger(folder(RecentRoadKey(i, kRoadSubfoldersSuffix))) != 0;
        road.files = SplitFiles(folder(RecentRoadKey(i, kRoadFilesSuffix)));
        if (!road.folder.empty() || !road.files.empty()) {
            settings.recentRoads.push_back(std::move(road));
        }
    }
    settings.openFolder = folder(kOpenFolderKey);
    settings.exportFolder = folder(kExportFolderKey);
    settings.batchFolder = folder(kBatchFolderKey);
    settings.batchOutputFolder = folder(kBatchOutputFolderKey);
}

ViewSettings LoadView(const IniLines& ini) {
    ViewSettings view;
    const auto number = [&ini](const char* key) {
        const std::optional<std::string> value = ini.Value(kViewSection, key);
        return value ? std::optional<int>(ReadInteger(*value)) : std::nullopt;
    };
    view.profileShown = number(kProfileShownKey).value_or(1) != 0;
    view.profileHeight = std::clamp(number(kProfileHeightKey).value_or(view.profileHeight),
                                    kMinProfileHeight, kMaxProfileHeight);
    const int exaggeration = number(kExaggerationKey).value_or(view.exaggeration);
    if (IsExaggeration(exaggeration)) {
        view.exaggeration = exaggeration;
    }
    return view;
}

// A first start's file holds only the sections of the first versions.
void SaveView(IniLines& ini, const ViewSettings& view) {
    if (view == ViewSettings{} && !ini.HasSection(kViewSection)) {
        return;
    }
    ini.SetValue(kViewSection, kProfileShownKey, view.profileShown ? "1" : "0");
    ini.SetValue(kViewSection, kProfileHeightKey, std::to_string(view.profileHeight));
    ini.SetValue(kViewSection, kExaggerationKey, std::to_string(view.exaggeration));
}

// A first start's file holds only the sections of the first versions.
void SaveExportForm(IniLines& ini, const ExportForm& form) {
    if (form == ExportForm{} && !ini.HasSection(kExportSection)) {
        return;
    }
    ini.SetValue(kExportSection, kEncodingKey, std::string(EncodingName(form.encoding)));
    ini.SetValue(kExportSection, kFirstLineKey, std::string(FirstLineName(form.firstLine)));
    ini.SetValue(kExportSection, kSeparatorKey, std::string(SeparatorName(form.separator)));
}

// A file that never held a road gets no keys for one.
void SaveRecentRoads(IniLines& ini, const std::vector<RecentRoad>& roads) {
    for (std::size_t i = 0; i < kMaxRecentFiles; ++i) {
        const std::string key = RecentRoadKey(i);
        if (i >= roads.size() && !ini.Value(kRecentSection, key)) {
            continue;
        }
        const RecentRoad road = i < roads.size() ? roads[i] : RecentRoad{};
        ini.SetValue(kRecentSection, key, Protected(road.folder));
        ini.SetValue(kRecentSection, RecentRoadKey(i, kRoadSubfoldersSuffix),
                     road.subfolders ? "1" : "0");
        ini.SetValue(kRecentSection, RecentRoadKey(i, kRoadFilesSuffix),
                     Protected(JoinFiles(road.files)));
    }
}

void SaveRecent(IniLines& ini, const Settings& settings) {
    const std::pair<const char*, const std::string*> folders[] = {
        {kOpenFolderKey, &settings.openFolder},
        {kExportFolderKey, &settings.exportFolder},
        {kBatchFolderKey, &settings.batchFolder},
        {kBatchOutputFolderKey, &settings.batchOutputFolder}};
    const bool anyFolder = std::any_of(std::begin(folders), std::end(folders),
                                       [](const auto& folder) { return !folder.second->empty(); });
    if (settings.recentFiles.empty() && settings.recentRoads.empty() && !anyFolder &&
        !ini.HasSection(kRecentSection)) {
        return;
    }
    for (std::size_t i = 0; i < kMaxRecentFiles; ++i) {
        const bool listed = i < settings.recentFiles.size();
        ini.SetValue(kRecentSection, RecentFileKey(i),
                     listed ? Protected(settings.recentFiles[i]) : std::string());
    }
    SaveRecentRoads(ini, settings.recentRoads);
    for (const auto& [key, folder] : folders) {
        ini.SetValue(kRecentSection, key, Protected(*folder));
    }
}

// Code page 936 cannot carry every file name: such a value turns the file
// into UTF-16, which carries all and which the INI functions read.
FileEncoding EncodingFor(const std::string& text, FileEncoding encoding) {
    if (encoding != FileEncoding::Gbk) {
        return encoding;
    }
    std::size_t unencodable = 0;
    EncodeGbk(text, unencodable);
    return unencodable == 0 ? encoding : FileEncoding::Utf16Le;
}

// Only a regular file is read: a folder or a device in its place is no
// settings file (and reading a folder throws in some libraries).
std::optional<std::string> ReadBytes(const fs::path& file) {
    std::error_code error;
    const auto size = fs::file_size(file, error);
    if (error || !fs::is_regular_file(file, error)) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        return std::nullopt;
    }
    return bytes;
}

bool IsWritableFolder(const fs::path& folder) {
#ifdef _WIN32
    const fs::path probe = folder / ".Quarvel-write-test";
    const bool writable = std::ofstream(probe).good();
    std::error_code ignored;
    fs::remove(probe, ignored);
    return writable;
#else
    return ::access(folder.empty() ? "." : folder.c_str(), W_OK) == 0;
#endif
}

fs::path UserConfigFolder() {
#ifdef _WIN32
    const wchar_t* appData = _wgetenv(L"APPDATA");
    return appData != nullptr && *appData != 0 ? fs::path(appData) : fs::path();
#else
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && fs::path(configHome).is_absolute()) {
        return configHome;
    }
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != 0 ? fs::path(home) / ".config" : fs::path();
#endif
}

} // namespace

fs::path SettingsFilePath(const fs::path& executableDir) {
    const fs::path beside = executableDir / kFileName;
    std::error_code error;
    if (fs::exists(beside, error) || IsWritableFolder(executableDir)) {
        return beside;
    }
    const fs::path config = UserConfigFolder();
    return config.empty() ? beside : config / kFolderName / kFileName;
}

Settings LoadSettings(const fs::path& file) {
    Settings settings;
    const std::optional<std::string> bytes = ReadBytes(file);
    if (!bytes) {
        return settings;
    }
    const IniLines ini(Decode(*bytes, DetectEncoding(*bytes)));
    settings.columnCount = std::clamp(ReadNumber(ini, kColumnCountKey, settings.columnCount),
                                      kMinColumnCount, kMaxColumnCount);
    // A value out of range is read as the table treats it, not clamped to the
    // nearest bound: mode 5 shows every point, not knee points only.
    settings.decimals = EffectiveDecimals(ReadNumber(ini, kDecimalsKey, settings.decimals));
    settings.kneeMode = EffectiveKneeMode(ReadNumber(ini, kKneeModeKey, settings.kneeMode));
    const std::optional<std::string> renumber = ini.Value(kSettingSection, kRenumberKey);
    settings.renumber = renumber && ReadInteger(*renumber) != 0;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const std::optional<std::string> caption = ini.Value(kHeadSection, CaptionKey(i));
        if (caption) {
            settings.captions[i] = CapCaption(*caption);
        }
    }
    LoadExportForm(ini, settings.exportForm);
    LoadRecent(ini, settings);
    settings.view = LoadView(ini);
    return settings;
}

bool SaveSettings(const fs::path& file, const Settings& settings) {
    std::error_code error;
    const bool exists = fs::exists(file, error);
    if (error) {
        return false;
    }
    IniLines ini;
    FileEncoding encoding = FileEncoding::Gbk;
    if (exists) {
        // A file that cannot be read is not replaced: its other contents would be lost.
        const std::optional<std::string> bytes = ReadBytes(file);
        if (!bytes) {
            return false;
        }
        encoding = DetectEncoding(*bytes);
        ini = IniLines(Decode(*bytes, encoding));
    } else if (file.has_parent_path()) {
        fs::create_directories(file.parent_path(), error);
        if (error) {
            return false;
        }
    }
    ini.SetValue(kSettingSection, kColumnCountKey, std::to_string(settings.columnCount));
    ini.SetValue(kSettingSection, kDecimalsKey, std::to_string(settings.decimals));
    ini.SetValue(kSettingSection, kKneeModeKey, std::to_string(settings.kneeMode));
    ini.SetValue(kSettingSection, kRenumberKey, settings.renumber ? "1" : "0");
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        ini.SetValue(kHeadSection, CaptionKey(i), SingleLine(settings.captions[i]));
    }
    SaveExportForm(ini, settings.exportForm);
    SaveRecent(ini, settings);
    SaveView(ini, settings.view);
    const std::string text = ini.Text();
    AtomicFile out(file);
    return out.Open() && out.Write(Encode(text, EncodingFor(text, encoding))) && out.Commit();
}

} // namespace quarvel
