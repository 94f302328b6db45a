#include "browser/maincommands.h"

#include <cstring>

namespace zarn {
namespace {

bool KeyMatches(const TCommandKey& binding, int key, Qt::KeyboardModifiers modifiers, bool editingName) {
  if (binding.Key != key) return false;
  if ((modifiers & binding.Required) != binding.Required || (modifiers & binding.Excluded)) return false;
  switch (binding.Editing) {
    case WhileEditing::Either: return true;
    case WhileEditing::No: return !editingName;
    case WhileEditing::Yes: return editingName;
  }
  return false;
}

}  // namespace

const TMainCommand* CommandForKey(std::span<const TMainCommand> commands, int key, Qt::KeyboardModifiers modifiers,
                                  bool editingName) {
  for (const TMainCommand& command : commands) {
    for (const TCommandKey& binding : command.Keys) {
      if (KeyMatches(binding, key, modifiers, editingName)) return &command;
    }
  }
  return nullptr;
}

const TMainCommand* CommandNamed(std::span<const TMainCommand> commands, const char* name) {
  for (const TMainCommand& command : commands) {
    if (std::strcmp(command.Name, name) == 0) return &command;
  }
  return nullptr;
}

}  // namespace zarn
