#include "app/program.h"

#include <QApplication>

#include "app/messageboxes.h"
#include "browser/tform1.h"
#include "platform/guard.h"

namespace zarn {

int RunProgram(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zarn"));
  QApplication::setApplicationDisplayName(QStringLiteral("Zarn"));
  QApplication::setQuitOnLastWindowClosed(false);
  TMessageBoxPrompter prompter;
  SetPrompter(&prompter);
  // Windows in their fixed order; each lives for the whole run.
  TForm1 form1;
  form1.show();
  const int result = QApplication::exec();
  SetPrompter(nullptr);
  return result;
}

}  // namespace zarn
