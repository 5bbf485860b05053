// Answers the modal dialogs that a test opens on its own thread: a helper thread waits for a
// visible dialog window of the test's thread (the dialog manager's "#32770", the library's
// message form "TMessageForm", or a window class the test names) and acts on it as a user would (types into its edits, presses
// its buttons). The modal loop of the test thread handles the messages sent.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "vcl/runtime/win.h"

inline std::string ClassNameOf(HWND wnd) {
  char cls[64] = {};
  GetClassNameA(wnd, cls, sizeof(cls));
  return cls;
}

struct DialogSearch {
  const std::set<std::string>* extraClasses;
  std::vector<HWND> found;
};

inline BOOL CALLBACK CollectDialog(HWND wnd, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  std::string cls = ClassNameOf(wnd);
  const bool dialog = cls == "#32770" || cls == "TMessageForm" ||
                      (search->extraClasses && search->extraClasses->count(cls) != 0);
  if (dialog && IsWindowVisible(wnd)) search->found.push_back(wnd);
  return TRUE;
}

// The visible dialogs of a thread, oldest first; windows of the extra classes count as dialogs.
inline std::vector<HWND> ThreadDialogs(DWORD threadId, const std::set<std::string>* extraClasses = nullptr) {
  DialogSearch search{extraClasses, {}};
  EnumThreadWindows(threadId, CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline std::string WindowText(HWND wnd) {
  char text[512] = {};
  SendMessageA(wnd, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  return text;
}

struct DescendantSearch {
  std::string cls, text;
  HWND found = nullptr;
};

inline BOOL CALLBACK MatchDescendant(HWND wnd, LPARAM param) {
  auto* s = reinterpret_cast<DescendantSearch*>(param);
  char name[64] = {};
  GetClassNameA(wnd, name, sizeof(name));
  if (lstrcmpiA(name, s->cls.c_str()) == 0 && (s->text.empty() || WindowText(wnd) == s->text)) {
    s->found = wnd;
    return FALSE;
  }
  return TRUE;
}

// The first descendant of a class (compared without case), optionally with this text.
inline HWND FindDescendant(HWND parent, const std::string& cls, const std::string& text = {}) {
  DescendantSearch search{cls, text};
  EnumChildWindows(parent, MatchDescendant, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The edit of a file dialog that holds the typed file name.
inline HWND FileNameEdit(HWND dialog) {
  constexpr int kFileNameCombo = 0x47C;
  constexpr int kFileNameEdit = 0x480;
  if (HWND combo = GetDlgItem(dialog, kFileNameCombo)) {
    if (HWND edit = FindDescendant(combo, "Edit")) return edit;
  }
  return GetDlgItem(dialog, kFileNameEdit);
}

// Presses a button as the mouse would.
// Posted, so that a dialog the press opens does not block the answering thread.
inline void PressButton(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }
inline void PressDialogButton(HWND dialog, int id) { PressButton(GetDlgItem(dialog, id)); }

// Types a name into a file dialog and presses its OK button.
inline void TypeFileNameAndAccept(HWND dialog, const std::string& name) {
  SendMessageA(FileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  PressDialogButton(dialog, IDOK);
}

class DialogAnswerer {
 public:
  // `answer` gets each new dialog of the calling thread in turn until it returns true (done).
  // Windows of `extraClasses` (forms of the program that act as dialogs) are answered too.
  explicit DialogAnswerer(std::function<bool(HWND dialog)> answer, std::set<std::string> extraClasses = {})
      : answer_(std::move(answer)), extraClasses_(std::move(extraClasses)), threadId_(GetCurrentThreadId()) {
    thread_ = CreateThread(nullptr, 0, &DialogAnswerer::Run, this, 0, nullptr);
  }
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;
  ~DialogAnswerer() {
    stop_ = true;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }

  // The dialogs that were seen, in order: their captions and window class names.
  const std::vector<std::string>& Captions() const { return captions_; }
  const std::vector<std::string>& ClassNames() const { return classNames_; }

 private:
  static DWORD WINAPI Run(void* param) {
    auto* self = static_cast<DialogAnswerer*>(param);
    std::set<HWND> seen;
    // Gives up after about a minute so that a missing dialog fails the test instead of hanging
    // it forever; the test thread's modal loop still needs someone to close it.
    for (int round = 0; round < 3000 && !self->stop_; ++round) {
      Sleep(20);
      for (HWND dialog : ThreadDialogs(self->threadId_, &self->extraClasses_)) {
        if (seen.count(dialog)) continue;
        seen.insert(dialog);
        Sleep(50);  // let the dialog finish its start-up
        self->captions_.push_back(WindowText(dialog));
        self->classNames_.push_back(ClassNameOf(dialog));
        if (self->answer_(dialog)) return 0;
      }
    }
    return 0;
  }

  std::function<bool(HWND)> answer_;
  std::set<std::string> extraClasses_;
  DWORD threadId_;
  HANDLE thread_ = nullptr;
  volatile bool stop_ = false;
  std::vector<std::string> captions_;
  std::vector<std::string> classNames_;
};
