#pragma once

#include "sheets/SheetLayout.h"
#include "sheets/SheetSource.h"

#include <filesystem>
#include <string>

namespace quarvel {

// The DXF's layers, in UTF-8.
inline constexpr const char* kLineLayer = "断面线";
inline constexpr const char* kPointLayer = "断面点";
inline constexpr const char* kNoteLayer = "注记";
inline constexpr const char* kFrameLayer = "图框";
// The text style every text uses: a TrueType font that every Chinese Windows has.
inline constexpr const char* kTextStyle = "SimSun";
inline constexpr const char* kTextFont = "simsun.ttc";

// The field's metres between two sheets side by side, at 1:scale.
double SheetSpacing(Paper paper, int scale);

// Writes the laid-out sheets as an R2000 DXF in code page 936: model space in
// metres at true size, each sheet a frame drawn at the chosen scale, side by
// side. Through the atomic writer: a failure (reason set) leaves no file and
// an existing target untouched. The bytes depend on nothing but the inputs.
bool WriteSheetsDxf(const std::filesystem::path& target, const SheetRequest& request,
                    const SheetLayout& layout, std::string& reason,
                    const SheetProgress& progress = {});

} // namespace quarvel
