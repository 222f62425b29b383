#include "save/SavingRun.h"

namespace vantor {

void SavingRun::Reset() {
  filesRequired = 0;
  bytesRequired = 0;
  bytesCopied = 0;
  filesSaved = 0;
  replaceChoice = kReplaceThis;
  skipFile = 0;
  abortAll = 0;
  ignoreWriteErrors = 0;
  refreshCalls = 0;
  stopped = false;
  pausedSeconds = 0;
  fields = {};
  notSaved.clear();
  damaged.clear();
  zeroFilled.clear();
  nextNumber.clear();
  destination.reset();
}

void SavingRun::ForgetSource() {
  fatTables.clear();
  records.clear();
}

}  // namespace vantor
