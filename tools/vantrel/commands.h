#pragma once

// The commands kept in files of their own. Each adds its subcommand to the
// application and hands back what runs it once the command line is parsed.

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

namespace vantrel_tool {

struct Command {
  CLI::App* app;
  // The exit status: 0 done, 1 failed, 2 the command line is wrong.
  std::function<int()> run;
};

// vantrel map KIND WORKBOOK: a mapping file proposed from the sheet's header.
Command AddMapCommand(CLI::App& app);
// vantrel show WORKBOOK: the sheets, the columns with their types, the first rows.
Command AddShowCommand(CLI::App& app);
// vantrel migrate: an export, or the sources of a plan, in one transaction.
Command AddMigrateCommand(CLI::App& app);

// Prints "vantrel: TEXT" on standard error and gives `status` back.
int Fail(int status, const std::string& text);

// Adds --header-row N to a command.
void AddHeaderRowOption(CLI::App* cmd, int& header_row);

}  // namespace vantrel_tool
