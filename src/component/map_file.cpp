#include "component/map_file.h"

#include <vector>

#include "component/csv_lines.h"
#include "component/reported.h"
#include "platform/common/error.h"

namespace vantrel {

MapTable ReadMapFile(const std::string& path) {
  return ParseMapText(ReadSmallTextFile(path, "mapping file"), path);
}

MapTable ParseMapText(const std::string& text, const std::string& name) {
  MapTable map(1);  // index 0 is never read
  for (CsvLine& line : ParseCsvLines(text, name, "mapping file")) {
    const std::vector<std::string>& f = line.fields;
    if (f.size() != 2 || f[0].empty() || f[1].empty())
      throw Error(name + ":" + std::to_string(line.line) +
                  ": expected 'worksheet column,target field', got " + std::to_string(f.size()) +
                  " field(s)");
    map.push_back({std::move(line.fields[0]), std::move(line.fields[1])});
  }
  if (map.size() == 1) throw Error("mapping file '" + name + "' has no entries");
  return map;
}

}  // namespace vantrel

namespace vantrel {

bool LoadMapFile(const std::string& path, MapTable& map, std::string& error) {
  return Reported(error, [&] { map = ReadMapFile(path); });
}

}  // namespace vantrel
