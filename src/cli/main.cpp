// `vantor`, the command-line front end: one subcommand per task of the wizard.
#include <iostream>
#include <map>
#include <string>

#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/Usage.h"

namespace {

constexpr const char* kOverview =
    "usage: vantor COMMAND [ARGS]\n"
    "\n"
    "Recovers folders and files from VMware virtual disks, disk images and devices.\n"
    "The source is only ever read.\n"
    "\n"
    "commands:\n"
    "  info SOURCE               the virtual disk or device information lines\n"
    "  read SOURCE FIRST COUNT   COUNT raw sectors from FIRST to standard output\n"
    "  partitions SOURCE         the FAT and NTFS file systems on SOURCE, numbered for -p N\n"
    "  lost SOURCE --fs TYPE     searches for file systems whose table or boot sector is gone\n"
    "  scan SOURCE [-p N]        the live and deleted folders and files of file system N\n"
    "  recover SOURCE -o DIR     saves the folders and files of file system N into DIR\n"
    "  find SOURCE PATTERN       the folders and files of file system N whose name fits PATTERN\n"
    "  cat SOURCE PATH           writes one file of file system N to standard output\n"
    "  raw SOURCE -o DIR --types finds files by their content alone (JPEG, PDF, ZIP, ...)\n"
    "  image SOURCE -o PATH      copies the sectors into an image file to recover from\n"
    "  demo [-o DIR]             recovers the bundled sample disk and checks the result\n"
    "\n"
    "SOURCE is a .vmdk file, a disk image file (Image0.img or any raw image) or a\n"
    "block device. 'vantor COMMAND --help' tells more; 'vantor --version' the version.\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace vantor::cli;
  const std::map<std::string, int (*)(const Arguments&)> commands = {
      {"info", InfoCommand},
      {"read", ReadCommand},
      {"partitions", PartitionsCommand},
      {"lost", LostCommand},
      {"scan", ScanCommand},
      {"recover", RecoverCommand},
      {"find", FindCommand},
      {"cat", CatCommand},
      {"raw", RawCommand},
      {"image", ImageCommand},
      {"demo", DemoCommand},
  };
  if (argc < 2) {
    std::cerr << kOverview;
    return kExitUsage;
  }
  std::string name = argv[1];
  if (name == "--version" || name == "-V") {
    std::cout << "vantor " << VANTOR_VERSION << "\n";
    return kExitOk;
  }
  if (name == "--help" || name == "-h" || name == "help") {
    std::cout << kOverview;
    return kExitOk;
  }
  auto command = commands.find(name);
  if (command == commands.end()) {
    std::cerr << "vantor: unknown command '" << name << "'\n" << kOverview;
    return kExitUsage;
  }
  InstallInterruptHandlers();
  int status = command->second(Arguments(argv + 2, argv + argc));
  if (!Interrupted()) return status;
  std::cerr << "vantor: interrupted\n";
  return kExitInterrupted;
}
