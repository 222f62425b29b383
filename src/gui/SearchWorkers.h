// What Step 3 shows for the worker the engine chose: the explanation and the
// captions that go with it.
#pragma once

#include <QString>

#include "scan/WorkerChoice.h"

struct WorkerChoice {
  vantor::WorkerKind kind = vantor::WorkerKind::kNone;
  QString explanation;
  QString sizeCaption;     // the caption of 1052; empty: unchanged
  QString foldersCaption;  // the caption of 1045; empty: unchanged
  bool detailsHidden = false;
};

WorkerChoice ChooseWorkerCaptions(const vantor::RecoveryState& state);
