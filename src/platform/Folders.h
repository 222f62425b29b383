// The folders this program uses on this machine.
#pragma once

#include <string>

namespace vantor {

// $XDG_DATA_HOME/vantor, else ~/.local/share/vantor (the installation folder).
std::string DefaultInstallFolder();
// $TMPDIR, else /tmp.
std::string TempFolder();
// A folder of this process's own (mode 0700) under the temporary folder, made
// on first use; empty when it cannot be made.
std::string PrivateTempFolder();
// Creates the folder and its parents; true when it exists afterwards.
bool MakeFolderPath(const std::string& path);
// The part of a path after its last '/'.
std::string FileNamePart(const std::string& path);
// The part of a path up to and including its last '/', or empty.
std::string FolderPart(const std::string& path);

}  // namespace vantor
