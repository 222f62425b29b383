// The Open action of Step 4 and of the file search: the file is written to a
// private temporary folder and handed to the desktop's default program, with a
// message when it cannot be written or no program is set up. The file is
// written on a worker under the small waiting dialog.
#pragma once

class QWidget;
namespace vantor {
class Session;
struct FileRecord;
}  // namespace vantor

void OpenFoundFile(QWidget* parent, vantor::Session& session, const vantor::FileRecord& file);
