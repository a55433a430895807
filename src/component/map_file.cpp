#include "component/map_file.h"

#include <new>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "platform/common/source_file.h"

namespace vantrel {
namespace {

// A mapping file names a few dozen columns; anything far larger is no mapping file.
constexpr uint64_t kMaxMapFileSize = 1 << 20;

// Splits one CSV record; quoted fields may hold commas and doubled quotes.
bool ParseRecord(const std::string& line, std::vector<std::string>& fields) {
  fields.assign(1, "");
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields.back() += c;
      }
    } else if (c == '"' && fields.back().empty()) {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return !quoted;
}

}  // namespace

MapTable ReadMapFile(const std::string& path) {
  std::string text;
  std::string reason;
  if (!ReadSourceFile(path, kMaxMapFileSize, text, reason))
    throw std::runtime_error("cannot read mapping file '" + path + "': " + reason);
  return ParseMapText(text, path);
}

MapTable ParseMapText(const std::string& text, const std::string& name) {
  MapTable map(1);  // index 0 is never read
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    std::vector<std::string> fields;
    if (!ParseRecord(line, fields) || fields.size() != 2 || fields[0].empty() || fields[1].empty())
      throw std::runtime_error(name + ":" + std::to_string(number) +
                               ": expected 'worksheet column,target field', got '" + line + "'");
    map.push_back({fields[0], fields[1]});
  }
  if (map.size() == 1) throw std::runtime_error("mapping file '" + name + "' has no entries");
  return map;
}

}  // namespace vantrel

namespace vantrel {

bool LoadMapFile(const std::string& path, MapTable& map, std::string& error) {
  try {
    map = ReadMapFile(path);
    return true;
  } catch (const std::bad_alloc&) {
    error = "Out of memory";
    return false;
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}

}  // namespace vantrel
