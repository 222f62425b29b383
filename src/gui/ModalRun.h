// Runs a dialog modally in an event loop of its own. Unlike QDialog::exec, the
// dialog may hide itself while a dialog that it opened runs, and its loop goes on,
// so a step can step aside for the next one and come back.
#pragma once

class QDialog;

int RunModal(QDialog& dialog);
