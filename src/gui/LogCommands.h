// The log commands that every step's menu carries: open and clear the activity
// report and the recovery history, and choose their folders.
#pragma once

class FileChooser;
class QWidget;

namespace vantor {
class Session;
}

// Runs the log command `id`; false for any other command.
bool RunLogCommand(QWidget* parent, vantor::Session& session, FileChooser& chooser, int id);
