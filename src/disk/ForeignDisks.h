// Virtual disks of other makers, told by their signatures so that the user is
// told what they have instead of "no file system found": a VirtualBox disk
// ("<<< " text at 0 and 0xBEDA107F at 64), a Hyper-V VHDX ("vhdxfile" at 0), a
// dynamic VHD ("conectix" at 0; a fixed VHD is plain data with a footer at its
// end and reads as a disk image) and a QEMU qcow2 ("QFI" and 0xFB at 0).
#pragma once

#include <string>

namespace vantor {

// "a VirtualBox disk (VDI)" and the like, or empty for anything else.
std::string ForeignDiskKind(const std::string& path);
// The refusal for such a disk, with the conversion that makes it readable.
std::string ForeignDiskMessage(const std::string& path, const std::string& kind);

}  // namespace vantor
