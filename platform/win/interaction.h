// The one seam through which programs ask people things: message boxes,
// file pickers and the folder browser. Windows put a Qt implementation
// behind it; tests and command-line tools put a scripted one.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/types.h"

namespace win {

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDRETRY = 4;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Texts are ANSI byte strings of the machine's code page.
struct FilePickRequest {
  bool save = false;
  std::string title;
  std::string initialFolder;
  std::string initialName;
  std::string filter;  // "MP3 files (*.mp3)|*.mp3|All files (*.*)|*.*"
  bool multiple = false;
};

class Interaction {
 public:
  virtual ~Interaction() = default;
  // One of the ID* answers.
  virtual int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) = 0;
  // Windows paths picked; empty when cancelled.
  virtual std::vector<std::string> pickFiles(const FilePickRequest& request) = 0;
  // A Windows folder path, or nothing when cancelled.
  virtual std::optional<std::string> pickFolder(const std::string& title) = 0;
};

// What a scripted interaction was asked.
struct AskedQuestion {
  std::string text;
  std::string caption;
  UINT type = 0;
  int answer = 0;
};

// Answers from a queue, in order; a question with no queued answer gets the
// default answer (IDOK for MB_OK boxes, IDNO for yes/no, IDCANCEL else).
class ScriptedInteraction : public Interaction {
 public:
  int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) override;
  std::vector<std::string> pickFiles(const FilePickRequest& request) override;
  std::optional<std::string> pickFolder(const std::string& title) override;

  void queueAnswer(int id);
  // Every further yes/no question gets this answer (when the queue is empty).
  void setStandingAnswer(std::optional<int> id);
  void queueFiles(std::vector<std::string> paths);
  void queueFolder(std::optional<std::string> folder);
  std::vector<AskedQuestion> asked();

 private:
  std::mutex mutex_;  // workers may ask from their own threads
  std::deque<int> answers_;
  std::optional<int> standing_;
  std::deque<std::vector<std::string>> files_;
  std::deque<std::optional<std::string>> folders_;
  std::vector<AskedQuestion> asked_;
};

// The interaction of this process; a scripted one until a program sets its own.
Interaction& CurrentInteraction();
void SetInteraction(std::shared_ptr<Interaction> interaction);

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

}  // namespace win
