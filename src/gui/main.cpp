// vantor-gui: the desktop wizard. Without a display it says so and exits 1
// instead of letting the windowing system abort the process; --version and
// --help need none.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gui/CVTFATNTFSApp.h"
#include "gui/FileChooser.h"

namespace {

constexpr const char* kNoDisplay =
    "vantor-gui: no display found. Run it on a desktop (DISPLAY or WAYLAND_DISPLAY set), or set "
    "QT_QPA_PLATFORM=offscreen.\n";

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != 0;
}

bool HasDisplay() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  bool windowed = platform == nullptr || *platform == 0 || std::strncmp(platform, "xcb", 3) == 0 ||
                  std::strncmp(platform, "wayland", 7) == 0;
  return !windowed || Set("DISPLAY") || Set("WAYLAND_DISPLAY");
}

// A display that is named but cannot be reached ends in a fatal message: say it
// plainly and leave with 1.
void OnQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
  std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  if (type == QtFatalMsg) {
    std::fputs(kNoDisplay, stderr);
    std::_Exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("vantor-gui %s\n", VANTOR_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf("usage: vantor-gui [--version]\n\nThe desktop wizard of vantor: recovers folders and files from VMware "
                  "virtual disks,\ndisk images and devices. 'man vantor-gui' tells more.\n");
      return 0;
    }
  }
  if (!HasDisplay()) {
    std::fputs(kNoDisplay, stderr);
    return 1;
  }
  qInstallMessageHandler(OnQtMessage);
  QApplication application(argc, argv);
  QtFileChooser chooser;
  CVTFATNTFSApp app(chooser);
  if (!app.startUp()) {
    std::fputs("vantor-gui: the installation folder cannot be created\n", stderr);
    return 1;
  }
  app.run();
  return 0;
}
