#include "platform/win/interaction.h"

#include <mutex>

namespace win {
namespace {

std::mutex& interactionMutex() {
  static std::mutex& m = *new std::mutex;
  return m;
}
std::shared_ptr<Interaction>& current() {
  static std::shared_ptr<Interaction> interaction = std::make_shared<ScriptedInteraction>();
  return interaction;
}

int defaultAnswer(UINT type) {
  switch (type & 0xF) {
    case MB_OK: return IDOK;
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDNO;
    default: return IDCANCEL;
  }
}

bool isYesNo(UINT type) { return (type & 0xF) == MB_YESNO || (type & 0xF) == MB_YESNOCANCEL; }

}  // namespace

void ScriptedInteraction::queueAnswer(int id) {
  std::lock_guard lock(mutex_);
  answers_.push_back(id);
}

void ScriptedInteraction::setStandingAnswer(std::optional<int> id) {
  std::lock_guard lock(mutex_);
  standing_ = id;
}

void ScriptedInteraction::queueFiles(std::vector<std::string> paths) {
  std::lock_guard lock(mutex_);
  files_.push_back(std::move(paths));
}

void ScriptedInteraction::queueFolder(std::optional<std::string> folder) {
  std::lock_guard lock(mutex_);
  folders_.push_back(std::move(folder));
}

std::vector<AskedQuestion> ScriptedInteraction::asked() {
  std::lock_guard lock(mutex_);
  return asked_;
}

int ScriptedInteraction::messageBox(HWND, const std::string& text, const std::string& caption, UINT type) {
  std::lock_guard lock(mutex_);
  int answer;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  } else if (standing_ && isYesNo(type)) {
    answer = *standing_;
  } else {
    answer = defaultAnswer(type);
  }
  asked_.push_back(AskedQuestion{text, caption, type, answer});
  return answer;
}

std::vector<std::string> ScriptedInteraction::pickFiles(const FilePickRequest&) {
  std::lock_guard lock(mutex_);
  if (files_.empty()) return {};
  std::vector<std::string> paths = std::move(files_.front());
  files_.pop_front();
  return paths;
}

std::optional<std::string> ScriptedInteraction::pickFolder(const std::string&) {
  std::lock_guard lock(mutex_);
  if (folders_.empty()) return std::nullopt;
  std::optional<std::string> folder = std::move(folders_.front());
  folders_.pop_front();
  return folder;
}

Interaction& CurrentInteraction() {
  std::lock_guard lock(interactionMutex());
  return *current();
}

void SetInteraction(std::shared_ptr<Interaction> interaction) {
  std::lock_guard lock(interactionMutex());
  current() = interaction ? std::move(interaction) : std::make_shared<ScriptedInteraction>();
}

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  return CurrentInteraction().messageBox(hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "", uType);
}

}  // namespace win
