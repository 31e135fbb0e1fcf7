#pragma once

#include "exporting/ExportForm.h"
#include "sectiondata/TextCodec.h"
#include "settings/Exaggeration.h"
#include "table/TableRules.h"

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace quarvel {

// The profile below the table, kept in a section of its own ("VIEW") so that
// older files and the keys of the other sections stay as they are.
struct ViewSettings {
    bool profileShown = true;
    int profileHeight = 220;              // pixels, kept 60..4000 when read
    int exaggeration = kAutoExaggeration; // one of kExaggerationChoices

    bool operator==(const ViewSettings& other) const {
        return profileShown == other.profileShown && profileHeight == other.profileHeight &&
               exaggeration == other.exaggeration;
    }
};

// A road opened in the window: the section files of a folder (and of its
// subfolders when asked), or a set of files. Paths in UTF-8.
struct RecentRoad {
    std::string folder; // empty for a set of files
    bool subfolders = false;
    std::vector<std::string> files; // empty for a folder

    bool operator==(const RecentRoad& other) const {
        return folder == other.folder && subfolders == other.subfolders && files == other.files;
    }
};

// What survives a restart. The reverse-list option is deliberately not here.
struct Settings {
    int columnCount = 3; // kept 2..9 when read
    int decimals = 3;    // read as the table treats it: outside 0..3 gives 3
    int kneeMode = 0;    // read as the table treats it: outside 0..2 gives 1
    bool renumber = false;
    std::array<std::string, kFieldCount> captions = FieldCaptions(); // at most 49 characters each

    ExportForm exportForm;
    // Paths in UTF-8: the files opened last, newest first, and the folders
    // each file dialog was last in; empty when none.
    std::vector<std::string> recentFiles; // at most kMaxRecentFiles are kept
    std::vector<RecentRoad> recentRoads;  // newest first, at most kMaxRecentFiles are kept
    std::string openFolder;
    std::string exportFolder;
    std::string batchFolder;
    std::string batchOutputFolder;
    ViewSettings view;
};

constexpr std::size_t kMaxRecentFiles = 10;

// "Quarvel.ini" beside the executable when it exists there or that folder is
// writable; otherwise in the user's configuration folder.
std::filesystem::path SettingsFilePath(const std::filesystem::path& executableDir);

// Missing or unreadable file: the defaults.
Settings LoadSettings(const std::filesystem::path& file);

// Keeps the file's encoding (a new file: code page 936) unless a value needs
// a character code page 936 lacks: the file then becomes UTF-16 with a
// byte-order mark, as the Windows INI functions read it. The export form and
// the recent files get sections of their own once they differ from a first
// start. False when the file could not be written.
bool SaveSettings(const std::filesystem::path& file, const Settings& settings);

} // namespace quarvel
