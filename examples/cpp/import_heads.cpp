// Imports the account heads of a workbook into a new company file through the C++ interface.
// Run: import_heads heads.xls heads-map.csv company.db
#include <vantrel/DependProcesser.h>

#include <iostream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: " << argv[0] << " WORKBOOK MAPFILE NEW_COMPANY_FILE\n";
    return 2;
  }
  std::cout << "vantrel " << vantrel::Version() << " (headers " << VANTREL_VERSION << ")\n";
  vantrel::SetMessageHandler([](const std::string& text, int style, const std::string& title) {
    std::cerr << ((style & vantrel::kMessageWarning) ? "warning: " : "")
              << vantrel::MessageLine(text, title) << '\n';
  });
  std::string error;
  if (!vantrel::InitCompanyFile(argv[3], error)) {
    std::cerr << "cannot create " << argv[3] << ": " << error << '\n';
    return 1;
  }
  vantrel::DependProcesser processer;
  vantrel::MapTable map;
  if (!vantrel::LoadMapFile(argv[2], map, error)) {
    std::cerr << error << '\n';
    return 1;
  }
  processer.SetMapInfo(map);
  processer.SetTargetType(vantrel::typeSingleUser);
  processer.SetTargetDataBase(argv[3]);
  processer.SetSourceType(vantrel::srcEXCEL);
  processer.SetSourceFile(argv[1]);
  bool err = false;
  // By the kind's name, as the tool takes it: the same as processer.ImportAccountHeads(err).
  if (!vantrel::RunImport(processer, "account-heads", err)) return 2;
  std::cout << processer.RowsImported() << " rows imported, " << processer.RowsRefused()
            << " rows refused, log: " << processer.LogPath() << '\n';
  for (const vantrel::RejectedRecord& r : processer.Rejects())
    std::cout << "refused: row " << r.row << ", " << r.name << ": " << r.reason << '\n';
  if (!processer.CloseConn(&error)) {
    std::cerr << "closing " << argv[3] << ": " << error << '\n';
    return 1;
  }
  return err ? 1 : 0;
}
