// The saving progress: the two bars (the current file and the whole run), the six
// detail fields and their texts. Field texts are kept in the run state for the
// saving report and sent to the host only while the details are shown, and the
// size and time fields change only once in 1000 refreshes or at a file's end.
#pragma once

#include <cstdint>
#include <string>

#include "save/SavingRun.h"

namespace vantor {

struct SaveContext;

// The "Size Required" and "Size Copied" texts: "%.3f MB size in" up to and
// including 2^30 bytes, else "%.3f GB size in".
std::string SavingSizeText(uint64_t bytes);
// "M Min S Sec" for a number of seconds.
std::string MinutesText(int64_t seconds);

// True when the run is to end: abortAll is set, or the host asks to stop (which
// sets abortAll and marks the run as stopped).
bool AbortRequested(const SaveContext& context);

void SetField(const SaveContext& context, SavingField field, const std::string& text);
// Called after each piece written: `written` of `size` bytes of the current file;
// `pieces` counts the pieces this call stands for.
void RefreshProgress(const SaveContext& context, uint64_t written, uint64_t size, uint64_t pieces = 1);

}  // namespace vantor
