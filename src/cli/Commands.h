// The subcommands of `vantor`. Each takes its arguments after the subcommand name
// and returns the exit code: 0 success, 1 the work failed, 2 bad usage.
#pragma once

#include <string>
#include <vector>

namespace vantor::cli {

using Arguments = std::vector<std::string>;

int InfoCommand(const Arguments& args);
int ReadCommand(const Arguments& args);
int PartitionsCommand(const Arguments& args);
int LostCommand(const Arguments& args);
int ScanCommand(const Arguments& args);
int RecoverCommand(const Arguments& args);
int RawCommand(const Arguments& args);
int ImageCommand(const Arguments& args);
int FindCommand(const Arguments& args);
int CatCommand(const Arguments& args);
int DemoCommand(const Arguments& args);

}  // namespace vantor::cli
