#include "app/program.h"

#include <QApplication>

namespace zarn {

int RunProgram(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setApplicationName(QStringLiteral("Zarn"));
  return 0;
}

}  // namespace zarn
