#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace quarvel {

// "quarvel --sheets INPUT... -o FILE.pdf|FILE.dxf": the cross-section sheets
// of the sections given (files, or folders of them) without a window. Takes
// quarvel-cli's table options, plus --paper, --scale, --exaggeration,
// --order and --recursive; exit 0 written, 1 an input failed or a section does
// not fit (nothing written), 2 usage. args are those after "--sheets", in UTF-8.
int RunSheetsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

std::string SheetsHelpText();

} // namespace quarvel
