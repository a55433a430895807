// Times loading and listing a large export: 40,000 STOCKITEM elements with
// their child fields, wrapped in an envelope, as the importer reads them, and
// reports the process's peak memory against the file's size.
// Usage: xml_load [item count] [--import]; with --import the whole products
// import into a new company file is timed instead of the bare load. Set
// KEEP=1 to leave the generated files in /tmp.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "frame/company_template.h"
#include "platform/xml/xml_document.h"
#include "vantrel/DependProcesser.h"

namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

void WriteExport(const std::string& path, int items) {
  std::ofstream out(path, std::ios::binary);
  out << "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
         "<ENVELOPE>\r\n <HEADER><VERSION>1</VERSION></HEADER>\r\n <BODY>\r\n  <DATA>\r\n";
  for (int g = 0; g < 97; ++g)
    out << "   <STOCKGROUP NAME=\"Group " << g << "\">\r\n    <PARENT></PARENT>\r\n"
        << "   </STOCKGROUP>\r\n";
  for (int i = 0; i < items; ++i) {
    out << "   <STOCKITEM NAME=\"Item &amp; Part " << i << "\" RESERVEDNAME=\"\">\r\n"
        << "    <PARENT>Group " << i % 97 << "</PARENT>\r\n"
        << "    <CATEGORY>&#4; Primary</CATEGORY>\r\n"
        << "    <BASEUNITS>Nos</BASEUNITS>\r\n"
        << "    <OPENINGBALANCE> " << i % 500 << " Nos</OPENINGBALANCE>\r\n"
        << "    <OPENINGVALUE>-" << i * 3 << ".50</OPENINGVALUE>\r\n"
        << "    <OPENINGRATE>3.50/Nos</OPENINGRATE>\r\n"
        << "    <BATCHALLOCATIONS.LIST>\r\n"
        << "     <GODOWNNAME>Main Location</GODOWNNAME>\r\n"
        << "     <OPENINGVALUE>-" << i * 3 << ".50</OPENINGVALUE>\r\n"
        << "    </BATCHALLOCATIONS.LIST>\r\n"
        << "   </STOCKITEM>\r\n";
  }
  out << "  </DATA>\r\n </BODY>\r\n</ENVELOPE>\r\n";
}

}  // namespace

void PrintPeak(long long bytes) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double peak = static_cast<double>(usage.ru_maxrss) * 1024;
  std::printf("peak memory %.0f MB, %.2f times the file\n", peak / 1e6, peak / bytes);
}

int ImportAll(const std::string& path, long long bytes, int items) {
  const std::string company = "/tmp/vantrel_xml_load_bench.db";
  std::remove(company.c_str());
  vantrel::CreateCompanyFile(company);
  vantrel::DependProcesser p;
  p.SetTargetDataBase(company);
  p.SetSourceType(vantrel::srcXML);
  p.SetSourceFile(path);
  bool err = false;
  const auto start = std::chrono::steady_clock::now();
  p.ImportProducts(err);
  const double secs = MillisecondsSince(start) / 1000;
  if (!p.CloseConn()) err = true;
  std::printf("%s: %lld bytes, products import: %ld written, %ld skipped in %.1f s%s\n",
              path.c_str(), bytes, p.RowsImported(), p.RowsRefused(), secs, err ? " (errors)" : "");
  PrintPeak(bytes);
  if (!std::getenv("KEEP")) std::remove(company.c_str());
  return !err && p.RowsImported() >= items ? 0 : 1;  // the groups come on top
}

int main(int argc, char** argv) {
  const int items = argc > 1 ? std::atoi(argv[1]) : 40000;
  const bool import = argc > 2 && std::string(argv[2]) == "--import";
  const std::string path = "/tmp/vantrel_xml_load_bench.xml";
  WriteExport(path, items);
  std::ifstream probe(path, std::ios::binary | std::ios::ate);
  const long long bytes = static_cast<long long>(probe.tellg());
  if (import) {
    const int status = ImportAll(path, bytes, items);
    if (!std::getenv("KEEP")) std::remove(path.c_str());
    return status;
  }

  const auto start = std::chrono::steady_clock::now();
  vantrel::XmlDocument doc;
  if (!doc.Load(path)) {
    std::fprintf(stderr, "%s\n", doc.LastError().c_str());
    return 1;
  }
  const double load_ms = MillisecondsSince(start);

  const auto list_start = std::chrono::steady_clock::now();
  size_t found = 0;
  size_t text_bytes = 0;
  for (const vantrel::XmlNode& item : doc.ElementsByTagName("STOCKITEM")) {
    ++found;
    if (item.AttributeCount() > 0) text_bytes += item.AttributeValue(0).size();
    for (const vantrel::XmlNode& child : item.ChildNodes()) {
      const std::string name = child.NodeName();
      if (name == "PARENT" || name == "OPENINGVALUE" || name == "OPENINGBALANCE")
        text_bytes += child.Text().size();
    }
  }
  const double list_ms = MillisecondsSince(list_start);

  std::printf("%s: %lld bytes, %zu STOCKITEM elements (%zu text bytes read)\n", path.c_str(), bytes,
              found, text_bytes);
  std::printf("load %.1f ms, list and read %.1f ms, total %.1f ms\n", load_ms, list_ms,
              load_ms + list_ms);
  PrintPeak(bytes);
  if (!std::getenv("KEEP")) std::remove(path.c_str());
  return found == static_cast<size_t>(items) ? 0 : 1;
}
